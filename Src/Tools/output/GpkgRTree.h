// The packing of SQLite R-tree nodes for a GeoPackage's spatial index: boxes rounded outward
// to the tree's 32-bit floats, cells sorted into tiles, nodes as SQLite stores them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace mapgis_import {

// One cell of an R-tree node: a feature (in a leaf) or a child node, and its box rounded
// outward to the R-tree's 32-bit floats. Once its leaf is written, a feature's cell holds the
// leaf's number instead: the table of leaves by feature is made from the cells in place. Ids
// and node numbers of 32 bits: 20 bytes a cell, a million cells and more a table.
struct Cell {
    uint32_t nId;
    union {
        float aBox[4];  // min x, max x, min y, max y
        uint32_t nLeaf;
    };
};

// The float at or below d, and at or above it: a box rounded outward holds its feature.
float RoundedDown(double d);
float RoundedUp(double d);

// Sorts the cells into nodes of at most nCapacity by sort-tile-recursive (slices along x,
// runs along y within each slice): the tiles are the runs [first, second) it returns.
std::vector<std::pair<size_t, size_t>> SortIntoTiles(std::vector<Cell>& cells, size_t nCapacity);

// A node as SQLite's R-tree stores it: the depth (read from the root only), the number of
// cells, then each cell's id and its four floats, all big-endian; the rest of blob zero.
void NodeBlob(const Cell* pFirst, const Cell* pEnd, int nDepth, std::vector<unsigned char>& blob);

}  // namespace mapgis_import
