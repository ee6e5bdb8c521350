#include "KtGeoRegion.h"

#include "KtGeoLine.h"
#include "KtGeoPointUtil.h"

namespace KTX {

bool KtGeoRegion::AddSub(const PlxPoint2D* pPoints, int nCount) {
    if (!geo::AllFinite(pPoints, nCount, 1))
        return false;
    geo::AppendPart(m_vecPoints, m_vecPartStart, pPoints, nCount);
    return true;
}

void KtGeoRegion::Clear() {
    m_vecPoints.clear();
    m_vecPartStart.clear();
}

int KtGeoRegion::GetSubPntCount(int iSub) const {
    return geo::PartSize(m_vecPoints, m_vecPartStart, iSub);
}

const PlxPoint2D* KtGeoRegion::GetPoints(int iSub) const {
    if (iSub < 0 || iSub >= GetSubCount())
        return nullptr;
    return m_vecPoints.data() + m_vecPartStart[iSub];
}

KtGeometry* KtGeoRegion::Clone() const {
    return new KtGeoRegion(*this);
}

void KtGeoRegion::Rotate(const PlxPoint2D& centre, double dAngle) {
    geo::RotateAll(m_vecPoints, centre, dAngle);
}

bool KtGeoRegion::ConvertToLine(KtGeoLine* pLine, int nSegments) const {
    if (pLine == nullptr || nSegments < 0 || !IsValid())
        return false;
    std::vector<PlxPoint2D> vecRing;
    KtGeoLine line;
    for (int i = 0; i < GetSubCount(); ++i) {
        const int n = GetSubPntCount(i);
        if (n < 2)
            continue;
        const PlxPoint2D* p = GetPoints(i);
        vecRing.assign(p, p + n);
        if (p[n - 1] != p[0])
            vecRing.push_back(p[0]);
        line.AddSub(vecRing.data(), static_cast<int>(vecRing.size()));
    }
    if (!line.IsValid())
        return false;
    pLine->Clear();
    for (int i = 0; i < line.GetSubCount(); ++i) {
        pLine->AddSub(line.GetPoints(i), line.GetSubPntCount(i));
    }
    return true;
}

bool KtGeoRegion::ConvertToRegion(KtGeoRegion* pRegion, int nSegments) const {
    if (pRegion == nullptr || nSegments < 0 || !IsValid())
        return false;
    if (pRegion != this) {
        pRegion->m_vecPoints = m_vecPoints;
        pRegion->m_vecPartStart = m_vecPartStart;
    }
    return true;
}

bool KtGeoRegion::GetBound(PlxRect2D& rcBound) const {
    return geo::BoundOf(m_vecPoints, rcBound);
}

}  // namespace KTX
