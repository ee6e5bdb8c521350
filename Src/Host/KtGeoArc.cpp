#include "KtGeoArc.h"

#include "KtGeoLine.h"
#include "KtGeoPointUtil.h"
#include "KtGeoRegion.h"

namespace KTX {

namespace {

// Points of the arc from its start to its end angle, the ends taken at the exact angles.
std::vector<PlxPoint2D> ArcPoints(const KtGeoArc& arc, int nSegmentsPerCircle) {
    const double dSweep = arc.GetSweepAngle();
    // The small allowance keeps a sweep that is an exact share of the circle from gaining a
    // segment through rounding.
    int nSegments = static_cast<int>(std::ceil(nSegmentsPerCircle * dSweep / 360.0 - 1e-9));
    if (nSegments < 1)
        nSegments = 1;
    std::vector<PlxPoint2D> vecPoints;
    vecPoints.reserve(static_cast<size_t>(nSegments) + 1);
    vecPoints.push_back(arc.PointAt(arc.GetStartAngle()));
    for (int i = 1; i < nSegments; ++i) {
        vecPoints.push_back(arc.PointAt(arc.GetStartAngle() + dSweep * i / nSegments));
    }
    vecPoints.push_back(arc.PointAt(arc.GetEndAngle()));
    return vecPoints;
}

}  // namespace

bool KtGeoArc::Make(const PlxPoint2D& centre, double dRadius, double dStartAngle,
                    double dEndAngle) {
    if (!geo::IsFinite(centre) || !std::isfinite(dRadius) || dRadius <= 0.0 ||
        !std::isfinite(dStartAngle) || !std::isfinite(dEndAngle)) {
        return false;
    }
    m_centre = centre;
    m_dRadius = dRadius;
    m_dStart = dStartAngle;
    m_dEnd = dEndAngle;
    m_bMade = true;
    return true;
}

double KtGeoArc::GetSweepAngle() const {
    const double dSweep = std::fmod(m_dEnd - m_dStart, 360.0);
    return dSweep <= 0.0 ? dSweep + 360.0 : dSweep;
}

PlxPoint2D KtGeoArc::PointAt(double dAngle) const {
    double c = 1.0, s = 0.0;
    geo::CosSinDeg(dAngle, c, s);
    return PlxPoint2D(m_centre.x + m_dRadius * c, m_centre.y + m_dRadius * s);
}

KtGeometry* KtGeoArc::Clone() const {
    return new KtGeoArc(*this);
}

void KtGeoArc::Rotate(const PlxPoint2D& centre, double dAngle) {
    if (!m_bMade || !geo::IsFinite(centre) || !std::isfinite(dAngle))
        return;
    double c = 1.0, s = 0.0;
    geo::CosSinDeg(dAngle, c, s);
    const double dStart = m_dStart + dAngle;
    const double dEnd = m_dEnd + dAngle;
    if (!std::isfinite(dStart) || !std::isfinite(dEnd))
        return;
    m_centre = geo::Rotated(m_centre, centre, c, s);
    m_dStart = dStart;
    m_dEnd = dEnd;
}

bool KtGeoArc::ConvertToLine(KtGeoLine* pLine, int nSegments) const {
    int n = 0;
    if (pLine == nullptr || !m_bMade || !geo::SegmentsPerCircle(nSegments, n))
        return false;
    const std::vector<PlxPoint2D> vecPoints = ArcPoints(*this, n);
    return pLine->Make(vecPoints.data(), static_cast<int>(vecPoints.size()));
}

bool KtGeoArc::ConvertToRegion(KtGeoRegion* pRegion, int nSegments) const {
    int n = 0;
    if (pRegion == nullptr || !m_bMade || !geo::SegmentsPerCircle(nSegments, n))
        return false;
    std::vector<PlxPoint2D> vecPoints = ArcPoints(*this, n);
    // The chord from the end back to the start closes the ring; a full circle ends where it
    // starts and loses that repeated point.
    if (vecPoints.size() > 1 && vecPoints.back() == vecPoints.front())
        vecPoints.pop_back();
    const int nCount = static_cast<int>(vecPoints.size());
    if (!geo::AllFinite(vecPoints.data(), nCount, 1))
        return false;
    pRegion->Clear();
    return pRegion->AddSub(vecPoints.data(), nCount);
}

bool KtGeoArc::GetBound(PlxRect2D& rcBound) const {
    if (!m_bMade)
        return false;
    geo::ExtendBound(rcBound, PointAt(m_dStart), true);
    geo::ExtendBound(rcBound, PointAt(m_dEnd), false);
    // The arc reaches the circle's extreme in every axis direction its sweep passes.
    const double dSweep = GetSweepAngle();
    const double dFirst = std::ceil(m_dStart / 90.0) * 90.0;
    for (int k = 0; k < 4; ++k) {
        const double a = dFirst + 90.0 * k;
        if (a - m_dStart >= dSweep)
            break;
        geo::ExtendBound(rcBound, PointAt(a), false);
    }
    return true;
}

}  // namespace KTX
