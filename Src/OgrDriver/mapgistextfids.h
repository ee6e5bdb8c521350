// The ids of a text layer's features by item. An item's text pieces are numbered on from the
// pieces of the items before it, so a count per item says them all: a byte each (larger counts
// beside) and the first id of every 64th item, where pairs of item and first id took 16 bytes
// an item (20 MiB of a point file of a million texts).
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "ogr_core.h"

namespace mapgis {

class TextFids {
public:
    // Counts the next item's pieces (items without any count 0).
    void Add(std::int64_t nPieces);
    std::int64_t Size() const { return static_cast<std::int64_t>(m_counts.size()); }
    // The id the next item's first piece takes.
    GIntBig Next() const { return m_nNext; }
    // The id of the item's first piece; null when the item is not counted or has no piece.
    GIntBig FirstOf(std::int64_t nItem) const;
    // The item one of whose pieces has that id; -1 for an id no counted piece has.
    std::int64_t ItemOf(GIntBig nFid) const;

private:
    static constexpr std::int64_t kBlock = 64;
    static constexpr std::uint8_t kLarge = 0xFF;  // the count is in m_large

    std::int64_t CountOf(std::int64_t nItem) const;

    std::vector<std::uint8_t> m_counts;            // by item
    std::vector<GIntBig> m_blockFirst;             // the first id of items 0, kBlock, 2 kBlock...
    std::map<std::int64_t, std::int64_t> m_large;  // item: its count, kLarge and more
    GIntBig m_nNext = 1;
};

}  // namespace mapgis
