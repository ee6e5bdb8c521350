// Marker shapes of the symbol blocks.
#pragma once

#include "DxfGroups.h"
#include "DxfHandles.h"

namespace mapgis_dxf {

// The entities of marker nSymbol in the unit box around (0, 0), owned by block record
// nOwner, in the colour of the block's reference. Markers 0 to 10 follow OGR's ogr-sym-0 to
// ogr-sym-10 (cross, x, circle, filled circle, square, filled square, triangle, filled
// triangle, star, filled star, vertical bar); any other number is a circle with a cross.
void WriteMarker(int nSymbol, unsigned nOwner, DxfGroups* pGroups, DxfHandles* pHandles);

}  // namespace mapgis_dxf
