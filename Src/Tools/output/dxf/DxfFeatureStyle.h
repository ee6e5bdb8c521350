// What a map feature's fields say of how it is drawn.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ogrsf_frmts.h"

namespace mapgis_dxf {

struct DxfFeatureStyle {
    std::optional<uint32_t> color;      // pen, text and symbol colour
    std::optional<uint32_t> fillColor;  // areas: a solid fill
    std::optional<double> dfLineWidth;  // millimetres
    int nLineStyle = 0;
    std::optional<int> symbol;
    double dfSymbolSize = 1.0;  // millimetres
    double dfSymbolAngle = 0.0;
    std::optional<std::string> text;
    double dfTextHeight = 0.0;
    double dfTextWidth = 0.0;
    double dfTextAngle = 0.0;
    bool bItalic = false;
};

// The style fields of a map layer's feature; a field the layer lacks or the feature leaves
// unset keeps its default.
DxfFeatureStyle ReadFeatureStyle(const OGRFeature& feature);

}  // namespace mapgis_dxf
