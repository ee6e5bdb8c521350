// Styles that draw a MAPGIS layer as the map draws it, from the style fields of its features:
// QGIS's QML (for QGIS) and OGC SLD 1.1 (for other clients). One style serves every item of a
// layer, since each property is taken from the item's fields.
#pragma once

#include <array>
#include <string>

#include "ogr_feature.h"

namespace mapgis_import {

// What a layer's features are drawn as.
enum class Drawing {
    Areas,    // fill and outline
    Lines,    // pen
    Symbols,  // point markers
    Texts,    // labels at their anchors, no marker
    Any,      // whatever each feature is (a compound layer read through the driver)
};

// The style fields as a layer has them (written names may differ in case or length);
// empty for a field the layer lacks, whose property then takes a fixed value.
enum class StyleField {
    Color,
    FillColor,
    LineWidth,
    LineStyle,
    FillStyle,
    Symbol,
    SymbolSize,
    SymbolAngle,
    Text,
    TextHeight,
    TextAngle,
    FontName,
    Italic,
    TextWidth,
    Count
};
using StyleFields = std::array<std::string, static_cast<size_t>(StyleField::Count)>;

StyleFields StyleFieldsOf(const OGRFeatureDefn& defn);

// The fields of the layers the driver reads: the compound layer's, which every map layer has,
// and the map texts' own Italic and TextWidth.
StyleFields DriverStyleFields();

// The QML of a layer. bDegrees: the layer is in longitude/latitude, and its labels' heights,
// metres of the sheet, are converted to the map's units as QGIS draws them (in degrees when
// the layer is opened on its own).
std::string QgisQml(Drawing eDrawing, const StyleFields& fields, bool bDegrees = false);
std::string Sld(const std::string& strLayer, Drawing eDrawing, const StyleFields& fields);

}  // namespace mapgis_import
