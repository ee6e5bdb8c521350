// The style values of MODE=MAP: colours from the user's colour library, line widths in the
// millimetres the file gives (the reader divides a line file's by ten), font families users
// have.
#pragma once

#include <optional>
#include <string>

#include "mapgiscensus.h"
#include "mapgiscolorlibrary.h"
#include "mapgisfonts.h"
#include "mapgiskinds.h"
#include "mapgisstyle.h"

namespace mapgis {

// A network's nodes: the file gives them no size and the reader a marker of 10, which on
// a printed sheet would be a disc of a centimetre; MAPGIS marks them small.
constexpr double kNodeSizeMm = 1.0;

// What MODE=MAP gives an item in place of the reader's style values; unset: the reader's.
struct MapStyle {
    std::optional<std::string> color;  // pen, text or symbol colour, "#RRGGBB"
    std::optional<std::string> fillColor;
    std::optional<double> width;       // millimetres
    std::optional<double> symbolSize;  // millimetres
};

// The item's values from its style numbers; colours only with a library, as the reader
// takes them: an area's pattern colour, when known, for both its fill and its outline.
MapStyle MapStyleOf(const ItemStyle& numbers, const ColorLibrary* pLibrary);

// The tools a layer of that kind draws with those values and the labels' faces as families
// (see MapStyleString).
MapTools MapToolsOf(MapKind eKind, const MapStyle& style, const FontTable& fonts);

}  // namespace mapgis
