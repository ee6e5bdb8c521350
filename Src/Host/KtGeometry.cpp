#include "KtGeometry.h"

#include <functional>

#include "KtGeoPointUtil.h"

namespace KTX {

KtGeometry::~KtGeometry() = default;

void KtGeometry::SetStyle(const KtStyle* pStyle) {
    m_Style = pStyle != nullptr ? *pStyle : KtStyle();
    m_bHasStyle = pStyle != nullptr;
}

const KtStyle* KtGeometry::GetStyle() const {
    return m_bHasStyle ? &m_Style : nullptr;
}

bool KtGeometry::ConvertToLine(KtGeoLine*, int) const {
    return false;
}

bool KtGeometry::ConvertToRegion(KtGeoRegion*, int) const {
    return false;
}

namespace geo {

bool AllFinite(const PlxPoint2D* pPoints, int nCount, int nMin) {
    if (pPoints == nullptr || nCount < nMin || nCount < 1)
        return false;
    for (int i = 0; i < nCount; ++i) {
        if (!IsFinite(pPoints[i]))
            return false;
    }
    return true;
}

void CosSinDeg(double dDegrees, double& dCos, double& dSin) {
    double r = std::fmod(dDegrees, 360.0);
    if (r < 0.0)
        r += 360.0;
    if (r == 0.0 || r == 360.0) {
        dCos = 1.0, dSin = 0.0;
    } else if (r == 90.0) {
        dCos = 0.0, dSin = 1.0;
    } else if (r == 180.0) {
        dCos = -1.0, dSin = 0.0;
    } else if (r == 270.0) {
        dCos = 0.0, dSin = -1.0;
    } else {
        const double a = r * 3.141592653589793 / 180.0;
        dCos = std::cos(a);
        dSin = std::sin(a);
    }
}

void RotateAll(std::vector<PlxPoint2D>& vecPoints, const PlxPoint2D& centre, double dAngle) {
    if (!IsFinite(centre) || !std::isfinite(dAngle))
        return;
    double c = 1.0, s = 0.0;
    CosSinDeg(dAngle, c, s);
    for (PlxPoint2D& p : vecPoints)
        p = Rotated(p, centre, c, s);
}

bool SegmentsPerCircle(int nRequested, int& nSegments) {
    if (nRequested < 0)
        return false;
    nSegments = nRequested == 0 ? KTGEO_DEFAULT_SEGMENTS : nRequested;
    if (nSegments > kMaxSegments)
        nSegments = kMaxSegments;
    return true;
}

void AppendPart(std::vector<PlxPoint2D>& vecPoints, std::vector<int>& vecPartStart,
                const PlxPoint2D* pPoints, int nCount) {
    const std::less<const PlxPoint2D*> before;
    const PlxPoint2D* pBegin = vecPoints.data();
    if (!before(pPoints, pBegin) && before(pPoints, pBegin + vecPoints.size())) {
        // Growing would move the source; copy it out first.
        const std::vector<PlxPoint2D> vecCopy(pPoints, pPoints + nCount);
        AppendPart(vecPoints, vecPartStart, vecCopy.data(), nCount);
        return;
    }
    vecPartStart.push_back(static_cast<int>(vecPoints.size()));
    vecPoints.insert(vecPoints.end(), pPoints, pPoints + nCount);
}

int PartSize(const std::vector<PlxPoint2D>& vecPoints, const std::vector<int>& vecPartStart,
             int iSub) {
    const int nParts = static_cast<int>(vecPartStart.size());
    if (iSub < 0 || iSub >= nParts)
        return 0;
    const int nEnd =
        iSub + 1 < nParts ? vecPartStart[iSub + 1] : static_cast<int>(vecPoints.size());
    return nEnd - vecPartStart[iSub];
}

void ExtendBound(PlxRect2D& rc, const PlxPoint2D& p, bool bFirst) {
    if (bFirst) {
        rc = PlxRect2D(p.x, p.y, p.x, p.y);
        return;
    }
    if (p.x < rc.left)
        rc.left = p.x;
    if (p.x > rc.right)
        rc.right = p.x;
    if (p.y < rc.bottom)
        rc.bottom = p.y;
    if (p.y > rc.top)
        rc.top = p.y;
}

bool BoundOf(const std::vector<PlxPoint2D>& vecPoints, PlxRect2D& rc) {
    if (vecPoints.empty())
        return false;
    bool bFirst = true;
    for (const PlxPoint2D& p : vecPoints) {
        ExtendBound(rc, p, bFirst);
        bFirst = false;
    }
    return true;
}

}  // namespace geo

}  // namespace KTX
