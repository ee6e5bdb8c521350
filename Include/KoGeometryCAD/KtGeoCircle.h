// A circle: centre and radius. Validity: made with a positive, finite radius.
#pragma once

#include "../KoGeometry/KtGeometry.h"

namespace KTX {

class KOBASE_API KtGeoCircle : public KtGeometry {
public:
    KtGeoCircle() = default;

    bool Make(const PlxPoint2D& centre, double dRadius);

    const PlxPoint2D& GetCenter() const { return m_centre; }
    double GetRadius() const { return m_dRadius; }

    int GetType() const override { return KTGEO_CIRCLE; }
    bool IsValid() const override { return m_bMade; }
    KtGeometry* Clone() const override;
    void Rotate(const PlxPoint2D& centre, double dAngle) override;
    // The outline from angle 0 counter-clockwise back to angle 0, closed.
    bool ConvertToLine(KtGeoLine* pLine, int nSegments) const override;
    // One ring of nSegments points counter-clockwise from angle 0.
    bool ConvertToRegion(KtGeoRegion* pRegion, int nSegments) const override;
    bool GetBound(PlxRect2D& rcBound) const override;

private:
    PlxPoint2D m_centre;
    double m_dRadius = 0.0;
    bool m_bMade = false;
};

}  // namespace KTX
