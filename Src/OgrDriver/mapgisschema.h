// The attribute schema of the driver's layers, fixed per layer kind so that the layer
// definition is known before any feature is read:
//
//   every layer       RbUserID (Integer; null when the item carries no identifier)
//   compound layer    GeomKind, Color, FillColor, LineWidth, LineStyle, FillStyle, Symbol,
//                     SymbolSize, SymbolAngle, Text, TextHeight, TextAngle, FontName
//   typed text layer  Text, TextAngle
//
// The plug-in reads typed items without their styles, texts included (no colour, height or
// face), so the other typed layers have nothing but RbUserID.
#pragma once

#include "mapgisdriver.h"
#include "mapgisgeometry.h"
#include "ogr_feature.h"

namespace KTX {
class KtFeature;
}

namespace mapgis {

// Attributes and, with bStyle, style string of a feature from the host feature (its
// geometry's styles included). The geometry itself is set by the caller.
void FillAttributes(OGRFeature& feature, const KTX::KtFeature& source, LayerKind eKind,
                    bool bStyle = true);

}  // namespace mapgis
