// The ids of a text layer's features by item.
#include "mapgistextfids.h"

#include <algorithm>

namespace mapgis {

void TextFids::Add(std::int64_t nPieces) {
    if (Size() % kBlock == 0)
        m_blockFirst.push_back(m_nNext);
    if (nPieces >= kLarge) {
        m_large.emplace(Size(), nPieces);
        m_counts.push_back(kLarge);
    } else {
        m_counts.push_back(static_cast<std::uint8_t>(nPieces));
    }
    m_nNext += nPieces;
}

std::int64_t TextFids::CountOf(std::int64_t nItem) const {
    const std::uint8_t nCount = m_counts[static_cast<size_t>(nItem)];
    return nCount == kLarge ? m_large.at(nItem) : nCount;
}

GIntBig TextFids::FirstOf(std::int64_t nItem) const {
    if (nItem < 0 || nItem >= Size() || CountOf(nItem) == 0)
        return OGRNullFID;
    GIntBig nFid = m_blockFirst[static_cast<size_t>(nItem / kBlock)];
    for (std::int64_t i = nItem - nItem % kBlock; i < nItem; ++i)
        nFid += CountOf(i);
    return nFid;
}

std::int64_t TextFids::ItemOf(GIntBig nFid) const {
    if (nFid < 1 || nFid >= m_nNext)
        return -1;
    // The last block starting at or before the id holds it.
    const auto it = std::upper_bound(m_blockFirst.begin(), m_blockFirst.end(), nFid) - 1;
    std::int64_t nItem = (it - m_blockFirst.begin()) * kBlock;
    GIntBig nFirst = *it;
    for (; nItem < Size(); nFirst += CountOf(nItem++)) {
        if (nFid < nFirst + CountOf(nItem))
            return nItem;
    }
    return -1;
}

}  // namespace mapgis
