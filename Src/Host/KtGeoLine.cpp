#include "KtGeoLine.h"

#include <functional>

#include "KtGeoPointUtil.h"
#include "KtGeoRegion.h"

namespace KTX {

bool KtGeoLine::Make(const PlxPoint2D* pPoints, int nCount) {
    if (!geo::AllFinite(pPoints, nCount, 2))
        return false;
    // Points from elsewhere are copied into the storage the line has, so a line made again
    // and again allocates once; points from the line's own storage are copied aside first.
    const std::less<const PlxPoint2D*> before;
    const PlxPoint2D* pOwn = m_vecPoints.data();
    if (nCount > 0 && !before(pPoints, pOwn) && before(pPoints, pOwn + m_vecPoints.size())) {
        std::vector<PlxPoint2D> vecPoints(pPoints, pPoints + nCount);
        m_vecPoints.swap(vecPoints);
    } else {
        m_vecPoints.assign(pPoints, pPoints + nCount);
    }
    m_vecPartStart.assign(1, 0);
    return true;
}

bool KtGeoLine::Make(const PlxPoint2D& pntStart, const PlxPoint2D& pntEnd) {
    const PlxPoint2D pts[2] = {pntStart, pntEnd};
    return Make(pts, 2);
}

bool KtGeoLine::AddSub(const PlxPoint2D* pPoints, int nCount) {
    if (!geo::AllFinite(pPoints, nCount, 2))
        return false;
    geo::AppendPart(m_vecPoints, m_vecPartStart, pPoints, nCount);
    return true;
}

void KtGeoLine::Clear() {
    m_vecPoints.clear();
    m_vecPartStart.clear();
}

int KtGeoLine::GetSubPntCount(int iSub) const {
    return geo::PartSize(m_vecPoints, m_vecPartStart, iSub);
}

const PlxPoint2D* KtGeoLine::GetPoints(int iSub) const {
    if (iSub < 0 || iSub >= GetSubCount())
        return nullptr;
    return m_vecPoints.data() + m_vecPartStart[iSub];
}

KtGeometry* KtGeoLine::Clone() const {
    return new KtGeoLine(*this);
}

void KtGeoLine::Rotate(const PlxPoint2D& centre, double dAngle) {
    geo::RotateAll(m_vecPoints, centre, dAngle);
}

bool KtGeoLine::ConvertToLine(KtGeoLine* pLine, int nSegments) const {
    if (pLine == nullptr || nSegments < 0 || !IsValid())
        return false;
    if (pLine != this) {
        pLine->m_vecPoints = m_vecPoints;
        pLine->m_vecPartStart = m_vecPartStart;
    }
    return true;
}

bool KtGeoLine::ConvertToRegion(KtGeoRegion* pRegion, int nSegments) const {
    if (pRegion == nullptr || nSegments < 0 || !IsValid())
        return false;
    KtGeoRegion region;
    for (int i = 0; i < GetSubCount(); ++i) {
        const PlxPoint2D* p = GetPoints(i);
        int n = GetSubPntCount(i);
        if (n > 1 && p[n - 1] == p[0])
            --n;
        region.AddSub(p, n);
    }
    pRegion->Clear();
    for (int i = 0; i < region.GetSubCount(); ++i) {
        pRegion->AddSub(region.GetPoints(i), region.GetSubPntCount(i));
    }
    return true;
}

bool KtGeoLine::GetBound(PlxRect2D& rcBound) const {
    return geo::BoundOf(m_vecPoints, rcBound);
}

}  // namespace KTX
