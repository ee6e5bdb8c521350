// The BLOCKS section: the model and paper space blocks and one marker block per symbol.
#pragma once

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "DxfHandles.h"

namespace mapgis_dxf {

// The block records the section needs: *Model_Space, *Paper_Space (both given, their handles
// taken before the entities), then one per symbol, with handles taken here.
std::vector<std::pair<std::string, unsigned>> DxfBlockRecords(unsigned nModelSpace,
                                                              unsigned nPaperSpace,
                                                              const std::set<int>& symbols,
                                                              DxfHandles* pHandles);

// The blocks of those records, in the same order; a symbol's marker is drawn in the unit box
// around the insertion point in the colour of its INSERT.
std::string DxfBlocksSection(const std::vector<std::pair<std::string, unsigned>>& records,
                             const std::set<int>& symbols, DxfHandles* pHandles);

}  // namespace mapgis_dxf
