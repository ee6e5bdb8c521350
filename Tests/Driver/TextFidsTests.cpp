// A text layer's ids by item: each item's pieces numbered on from those before it, worked out by
// hand from the counts.
#include <gtest/gtest.h>

#include <vector>

#include "mapgistextfids.h"

namespace {

mapgis::TextFids Counted(const std::vector<int>& counts) {
    mapgis::TextFids fids;
    for (int n : counts)
        fids.Add(n);
    return fids;
}

// Items 0, 2, 3 and 5 have pieces: ids 1; 2 to 4; 5 to 304 (a count beyond a byte); 305 and 306.
TEST(TextFids, ItemsAndTheirFirstIds) {
    const mapgis::TextFids fids = Counted({1, 0, 3, 300, 0, 2});
    EXPECT_EQ(fids.Next(), 307);
    const std::vector<std::pair<std::int64_t, GIntBig>> firsts = {
        {0, 1}, {1, OGRNullFID}, {2, 2}, {3, 5}, {4, OGRNullFID}, {5, 305}, {6, OGRNullFID}};
    for (const auto& [nItem, nFid] : firsts)
        EXPECT_EQ(fids.FirstOf(nItem), nFid) << nItem;
    const std::vector<std::pair<GIntBig, std::int64_t>> owners = {
        {0, -1}, {1, 0}, {2, 2}, {4, 2}, {5, 3}, {304, 3}, {305, 5}, {306, 5}, {307, -1}};
    for (const auto& [nFid, nItem] : owners)
        EXPECT_EQ(fids.ItemOf(nFid), nItem) << nFid;
}

// Across blocks of 64 items, one of them without any piece: items 0 to 63 one piece each (ids 1
// to 64), 64 to 127 none, 128 one (id 65), 129 two (66, 67).
TEST(TextFids, AcrossBlocksAndABlockWithoutPieces) {
    std::vector<int> counts(64, 1);
    counts.resize(128, 0);
    counts.push_back(1);
    counts.push_back(2);
    const mapgis::TextFids fids = Counted(counts);
    EXPECT_EQ(fids.Next(), 68);
    EXPECT_EQ(fids.FirstOf(63), 64);
    EXPECT_EQ(fids.FirstOf(100), OGRNullFID);
    EXPECT_EQ(fids.FirstOf(128), 65);
    EXPECT_EQ(fids.FirstOf(129), 66);
    EXPECT_EQ(fids.ItemOf(64), 63);
    EXPECT_EQ(fids.ItemOf(65), 128);
    EXPECT_EQ(fids.ItemOf(67), 129);
    EXPECT_EQ(fids.ItemOf(68), -1);
}

}  // namespace
