#include "KtAreaArcs.h"

#include <climits>
#include <utility>

namespace KTX {

tagArcIndex KtWapArcTable::Resolve(std::int32_t nRef) const {
    tagArcIndex arc;
    // 0 and the most negative int name no arc (the latter has no absolute value).
    if (nRef != 0 && nRef != INT_MIN) {
        const std::size_t nArcNo = static_cast<std::size_t>(nRef < 0 ? -nRef : nRef);
        if (nArcNo <= arcs.size()) {
            const Arc& entry = arcs[nArcNo - 1];
            arc.nItemID = entry.nItemID;
            arc.nFilePos = entry.nFilePos;
            arc.nArea1 = entry.nArea1;
            arc.nArea2 = entry.nArea2;
        }
    }
    arc.nArcNo = nRef;
    return arc;
}

KtAreaArcs::KtAreaArcs(std::shared_ptr<const KtWapArcTable> pTable, std::size_t nFirst, int nCount)
    : m_pTable(std::move(pTable)), m_nFirst(static_cast<std::uint32_t>(nFirst)), m_nCount(nCount) {}

}  // namespace KTX
