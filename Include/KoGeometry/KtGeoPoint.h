// A point geometry. Valid once made.
#pragma once

#include "KtGeometry.h"

namespace KTX {

class KOBASE_API KtGeoPoint : public KtGeometry {
public:
    KtGeoPoint() = default;

    // False (and unchanged) for a non-finite coordinate.
    bool Make(double dX, double dY);
    bool Make(const PlxPoint2D& pnt) { return Make(pnt.x, pnt.y); }
    const PlxPoint2D& GetPoint() const { return m_pnt; }

    int GetType() const override { return KTGEO_POINT; }
    bool IsValid() const override { return m_bMade; }
    KtGeometry* Clone() const override;
    void Rotate(const PlxPoint2D& centre, double dAngle) override;
    bool GetBound(PlxRect2D& rcBound) const override;

private:
    PlxPoint2D m_pnt;
    bool m_bMade = false;
};

}  // namespace KTX
