// Host styles as OGR feature style strings and as plain attribute values.
//
// Host style numbers follow OGR's own numbering: line style n is "ogr-pen-n", fill style n
// "ogr-brush-n", marker n "ogr-sym-n"; the network node marker 1050 is drawn as OGR's filled
// circle "ogr-sym-3". Colours become "#RRGGBB"; line widths and marker sizes are millimetres
// of the printed map, text heights ground units.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "KoBase/PlxTypes.h"
#include "mapgisdriver.h"

namespace KTX {
class KtGeometry;
}

namespace mapgis {

std::string ColorToHex(KTX::PLXCOLOR c);

// The style string of a geometry: its tools in the order of the geometry's parts, each
// distinct tool once, joined by ";". Only the members a style has set are written; a
// geometry without style adds no tool. A text always adds one LABEL per sub-text, carrying
// the text and its angle (the text is content, not style) and whatever its text style sets.
std::string StyleString(const KTX::KtGeometry& geom);

class FontTable;

// What a layer of MODE=MAP draws of an item and the values it writes over the reader's, as
// written in a style string; an unset value keeps the reader's.
struct MapTools {
    bool bPens = false;
    bool bBrushes = false;
    bool bSymbols = false;
    bool bLabels = false;
    std::optional<std::string> color;      // of pens, symbols and labels, "#RRGGBB"
    std::optional<std::string> fillColor;  // of brushes
    std::optional<std::string> width;      // of pens, "0.5mm"
    std::optional<std::string> size;       // of symbols
    const FontTable* pFonts = nullptr;     // the families that stand for the labels' faces
};

// One LABEL tool of MODE=MAP and the values it writes, read back as numbers would be.
struct MapLabel {
    std::string strTool;
    std::string strText;
    double dfAngle = 0;
    std::optional<double> height;  // ground units
    std::string strColor;
    std::string strFont;
    std::optional<bool> italic;
};

// The tools of StyleString that draw what the layer draws, with its values: a tool keeps
// its parameters in order, a value takes the place of its key's parameter or goes after the
// others. Repeated tools are dropped by the reader's values, as StyleString drops them. A
// layer of pens or brushes without any gets one of the colour it has. Null: no geometry, only
// that pen or brush. With pLabels, each LABEL's values.
std::string MapStyleString(const KTX::KtGeometry* pGeom, const MapTools& tools,
                           std::vector<MapLabel>* pLabels = nullptr);

// Whether StyleString would hold a BRUSH.
bool DrawsFill(const KTX::KtGeometry& geom);

// Plain values for formats that keep no style: for each, the first part of the geometry
// (in part order) that sets it. The text is every sub-text of every text part, joined.
struct StyleAttributes {
    std::optional<std::string> color;  // pen colour, text colour or symbol colour
    std::optional<std::string> fillColor;
    std::optional<double> lineWidth;
    std::optional<int> lineStyle;
    std::optional<int> fillStyle;
    std::optional<int> symbol;
    std::optional<double> symbolSize;
    std::optional<double> symbolAngle;
    std::optional<std::string> text;
    std::optional<double> textHeight;
    std::optional<double> textAngle;
    std::optional<std::string> fontName;
};

StyleAttributes CollectStyleAttributes(const KTX::KtGeometry& geom);

// Name of the host geometry kind: "point", "line", "region", "text", "arc", "circle",
// "compound" ("unknown" for anything else).
const char* GeometryKindName(int nHostType);

}  // namespace mapgis
