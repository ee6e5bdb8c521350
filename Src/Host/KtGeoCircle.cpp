#include "KtGeoCircle.h"

#include "KtGeoLine.h"
#include "KtGeoPointUtil.h"
#include "KtGeoRegion.h"

namespace KTX {

namespace {

// n points of the circle counter-clockwise from angle 0.
std::vector<PlxPoint2D> Outline(const PlxPoint2D& centre, double dRadius, int nSegments,
                                bool bClosed) {
    std::vector<PlxPoint2D> vecPoints;
    vecPoints.reserve(static_cast<size_t>(nSegments) + (bClosed ? 1 : 0));
    for (int i = 0; i < nSegments; ++i) {
        double c = 1.0, s = 0.0;
        geo::CosSinDeg(360.0 * i / nSegments, c, s);
        vecPoints.emplace_back(centre.x + dRadius * c, centre.y + dRadius * s);
    }
    if (bClosed)
        vecPoints.push_back(vecPoints.front());
    return vecPoints;
}

}  // namespace

bool KtGeoCircle::Make(const PlxPoint2D& centre, double dRadius) {
    if (!geo::IsFinite(centre) || !std::isfinite(dRadius) || dRadius <= 0.0)
        return false;
    m_centre = centre;
    m_dRadius = dRadius;
    m_bMade = true;
    return true;
}

KtGeometry* KtGeoCircle::Clone() const {
    return new KtGeoCircle(*this);
}

void KtGeoCircle::Rotate(const PlxPoint2D& centre, double dAngle) {
    if (!m_bMade || !geo::IsFinite(centre) || !std::isfinite(dAngle))
        return;
    double c = 1.0, s = 0.0;
    geo::CosSinDeg(dAngle, c, s);
    m_centre = geo::Rotated(m_centre, centre, c, s);
}

bool KtGeoCircle::ConvertToLine(KtGeoLine* pLine, int nSegments) const {
    int n = 0;
    if (pLine == nullptr || !m_bMade || !geo::SegmentsPerCircle(nSegments, n))
        return false;
    const std::vector<PlxPoint2D> vecPoints = Outline(m_centre, m_dRadius, n, true);
    return pLine->Make(vecPoints.data(), static_cast<int>(vecPoints.size()));
}

bool KtGeoCircle::ConvertToRegion(KtGeoRegion* pRegion, int nSegments) const {
    int n = 0;
    if (pRegion == nullptr || !m_bMade || !geo::SegmentsPerCircle(nSegments, n))
        return false;
    const std::vector<PlxPoint2D> vecPoints = Outline(m_centre, m_dRadius, n, false);
    if (!geo::AllFinite(vecPoints.data(), n, 1))
        return false;
    pRegion->Clear();
    return pRegion->AddSub(vecPoints.data(), n);
}

bool KtGeoCircle::GetBound(PlxRect2D& rcBound) const {
    if (!m_bMade)
        return false;
    rcBound = PlxRect2D(m_centre.x - m_dRadius, m_centre.y + m_dRadius, m_centre.x + m_dRadius,
                        m_centre.y - m_dRadius);
    return true;
}

}  // namespace KTX
