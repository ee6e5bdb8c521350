// The arithmetic of FlatGeobuf's packed Hilbert R-tree: where a feature lies along the curve,
// and how many nodes each level has and where it starts.
#pragma once

#include <cstdint>
#include <vector>

namespace mapgis_import {

// Children of an inner node: the format's default.
constexpr uint16_t kFgbNodeSize = 16;

// The distance along a Hilbert curve over a 65536 by 65536 grid.
uint32_t HilbertIndex(uint32_t x, uint32_t y);

// The grid cell, 0 to 65535, of d along an axis of the extent from dMin.
uint32_t GridCell(double d, double dMin, double dExtent);

// The tree's node counts level by level, leaves first; the root level has one.
std::vector<uint64_t> LevelSizes(uint64_t nItems);

// The number of each level's first node among all nodes, the root first and the leaves last.
std::vector<uint64_t> LevelStarts(const std::vector<uint64_t>& sizes);

}  // namespace mapgis_import
