// The spatial index packers' arithmetic: the R-tree's boxes rounded outward, the tiles of the
// sort-tile-recursive packing, SQLite's node layout, and FlatGeobuf's Hilbert order and
// levels. Expected values worked out by hand from the formats' definitions.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "output/FgbTree.h"
#include "output/GpkgRTree.h"

namespace mapgis_import {
namespace {

uint32_t Bits(float f) {
    uint32_t n;
    std::memcpy(&n, &f, 4);
    return n;
}

struct Rounding {
    double d;
    uint32_t nDown;  // the float at or below d, as IEEE 754 bits
    uint32_t nUp;
};

class RoundedOutward : public testing::TestWithParam<Rounding> {};

TEST_P(RoundedOutward, NeverInsideTheBox) {
    EXPECT_EQ(Bits(RoundedDown(GetParam().d)), GetParam().nDown);
    EXPECT_EQ(Bits(RoundedUp(GetParam().d)), GetParam().nUp);
}

// 0.1 lies between the floats 0x3DCCCCCC (0.0999999940) and 0x3DCCCCCD (0.1000000015); 1/3
// between 0x3EAAAAAA and 0x3EAAAAAB; 1 and -2 are floats. Floats are 4 apart from 2^25 on:
// 39511100 is one, exponent 25 (0x98) and mantissa (39511100 - 2^25) / 4 = 0x16B90F, and
// 39511100.3 lies between it and the next, 0x4C16B910.
INSTANTIATE_TEST_SUITE_P(Floats, RoundedOutward,
                         testing::Values(Rounding{0.1, 0x3DCCCCCCu, 0x3DCCCCCDu},
                                         Rounding{1.0 / 3, 0x3EAAAAAAu, 0x3EAAAAABu},
                                         Rounding{1.0, 0x3F800000u, 0x3F800000u},
                                         Rounding{-2.0, 0xC0000000u, 0xC0000000u},
                                         Rounding{-0.1, 0xBDCCCCCDu, 0xBDCCCCCCu},
                                         Rounding{39511100.3, 0x4C16B90Fu, 0x4C16B910u}));

Cell At(uint32_t nId, float x, float y) {
    return Cell{nId, {x, x, y, y}};
}

TEST(SortIntoTiles, SlicesAlongXRunsAlongY) {
    // Five cells, two a node: three nodes, two slices of four cells. By x: 1..5; the first
    // slice (ids 1-4) then by y, which falls as x grows: 4, 3, 2, 1.
    std::vector<Cell> cells = {At(3, 3, 3), At(5, 5, 1), At(1, 1, 5), At(4, 4, 2), At(2, 2, 4)};
    const auto tiles = SortIntoTiles(cells, 2);
    const std::vector<std::pair<size_t, size_t>> expected = {{0, 2}, {2, 4}, {4, 5}};
    EXPECT_EQ(tiles, expected);
    std::vector<uint32_t> ids;
    for (const Cell& cell : cells)
        ids.push_back(cell.nId);
    EXPECT_EQ(ids, (std::vector<uint32_t>{4, 3, 2, 1, 5}));
}

TEST(SortIntoTiles, FullNodesHoldTheirCapacity) {
    std::vector<Cell> cells;
    for (uint32_t i = 0; i < 9; ++i)
        cells.push_back(At(i, static_cast<float>(i % 3), static_cast<float>(i / 3)));
    // Nine cells, three a node: three nodes, two slices of six cells: 3 + 3, then 3.
    const auto tiles = SortIntoTiles(cells, 3);
    const std::vector<std::pair<size_t, size_t>> expected = {{0, 3}, {3, 6}, {6, 9}};
    EXPECT_EQ(tiles, expected);
}

TEST(NodeBlob, AsSqliteStoresIt) {
    const Cell cells[] = {Cell{7, {1.0f, 2.0f, 3.0f, 4.0f}}, Cell{9, {0, 0, 0, 0}}};
    std::vector<unsigned char> blob(4 + 3 * 24, 0xEE);
    NodeBlob(cells, cells + 1, 3, blob);
    const std::vector<unsigned char> expected = {
        0x00, 0x03, 0x00, 0x01,                     // depth 3, one cell
        0,    0,    0,    0,    0,    0,    0, 7,   // id 7
        0x3F, 0x80, 0,    0,    0x40, 0x00, 0, 0,   // 1.0f, 2.0f
        0x40, 0x40, 0,    0,    0x40, 0x80, 0, 0};  // 3.0f, 4.0f
    EXPECT_EQ(std::vector<unsigned char>(blob.begin(), blob.begin() + 28), expected);
    EXPECT_EQ(std::vector<unsigned char>(blob.begin() + 28, blob.end()),
              std::vector<unsigned char>(blob.size() - 28, 0));
}

struct Curve {
    uint32_t x, y, nDistance;
};

class Hilbert : public testing::TestWithParam<Curve> {};

TEST_P(Hilbert, DistanceAlongTheCurve) {
    EXPECT_EQ(HilbertIndex(GetParam().x, GetParam().y), GetParam().nDistance);
}

// Over 16 levels the first 2x2 block is walked (0, 0), (1, 0), (1, 1), (0, 1). (0, 65535) is
// in the second quarter at every level: 4^15 + 4^14 + ... + 1 = 0x55555555; (65535, 0) in the
// last at every level: 3 (4^15 + ... + 1) = 2^32 - 1, the curve's end; (32768, 32768) starts
// the third quarter: 2 * 4^15.
INSTANTIATE_TEST_SUITE_P(Cells, Hilbert,
                         testing::Values(Curve{0, 0, 0}, Curve{1, 0, 1}, Curve{1, 1, 2},
                                         Curve{0, 1, 3}, Curve{0, 65535, 0x55555555u},
                                         Curve{65535, 0, 0xFFFFFFFFu},
                                         Curve{32768, 32768, 0x80000000u}));

TEST(GridCell, ClampedToTheGrid) {
    EXPECT_EQ(GridCell(5, 0, 10), 32767u);  // floor(65535 / 2)
    EXPECT_EQ(GridCell(10, 0, 10), 65535u);
    EXPECT_EQ(GridCell(0, 0, 10), 0u);
    EXPECT_EQ(GridCell(-1, 0, 10), 0u);
    EXPECT_EQ(GridCell(11, 0, 10), 65535u);
    EXPECT_EQ(GridCell(3, 3, 0), 0u);  // one point: no extent
}

TEST(LevelSizes, SixteenChildrenANode) {
    EXPECT_EQ(LevelSizes(1), (std::vector<uint64_t>{1, 1}));
    EXPECT_EQ(LevelSizes(16), (std::vector<uint64_t>{16, 1}));
    EXPECT_EQ(LevelSizes(17), (std::vector<uint64_t>{17, 2, 1}));
    EXPECT_EQ(LevelSizes(300), (std::vector<uint64_t>{300, 19, 2, 1}));
    EXPECT_EQ(LevelSizes(257), (std::vector<uint64_t>{257, 17, 2, 1}));
}

TEST(LevelStarts, RootFirstLeavesLast) {
    EXPECT_EQ(LevelStarts({17, 2, 1}), (std::vector<uint64_t>{3, 1, 0}));
    EXPECT_EQ(LevelStarts({300, 19, 2, 1}), (std::vector<uint64_t>{22, 3, 1, 0}));
    EXPECT_EQ(LevelStarts({1, 1}), (std::vector<uint64_t>{1, 0}));
}

}  // namespace
}  // namespace mapgis_import
