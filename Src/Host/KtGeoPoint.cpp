#include "KtGeoPoint.h"

#include "KtGeoPointUtil.h"

namespace KTX {

bool KtGeoPoint::Make(double dX, double dY) {
    const PlxPoint2D p(dX, dY);
    if (!geo::IsFinite(p))
        return false;
    m_pnt = p;
    m_bMade = true;
    return true;
}

KtGeometry* KtGeoPoint::Clone() const {
    return new KtGeoPoint(*this);
}

void KtGeoPoint::Rotate(const PlxPoint2D& centre, double dAngle) {
    if (!m_bMade || !geo::IsFinite(centre) || !std::isfinite(dAngle))
        return;
    double c = 1.0, s = 0.0;
    geo::CosSinDeg(dAngle, c, s);
    m_pnt = geo::Rotated(m_pnt, centre, c, s);
}

bool KtGeoPoint::GetBound(PlxRect2D& rcBound) const {
    if (!m_bMade)
        return false;
    geo::ExtendBound(rcBound, m_pnt, true);
    return true;
}

}  // namespace KTX
