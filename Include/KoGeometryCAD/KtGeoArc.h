// A circular arc: centre, radius, and start and end angle in degrees. The arc runs
// counter-clockwise from the start angle to the end angle; an end angle not above the start
// angle is reached after passing 360, and equal angles give the full circle.
// Validity: made with a positive, finite radius and finite angles.
#pragma once

#include "../KoGeometry/KtGeometry.h"

namespace KTX {

class KOBASE_API KtGeoArc : public KtGeometry {
public:
    KtGeoArc() = default;

    bool Make(const PlxPoint2D& centre, double dRadius, double dStartAngle, double dEndAngle);

    const PlxPoint2D& GetCenter() const { return m_centre; }
    double GetRadius() const { return m_dRadius; }
    double GetStartAngle() const { return m_dStart; }
    double GetEndAngle() const { return m_dEnd; }
    // Counter-clockwise angle from start to end, in (0, 360].
    double GetSweepAngle() const;
    // Point of the arc's circle at an angle in degrees.
    PlxPoint2D PointAt(double dAngle) const;

    int GetType() const override { return KTGEO_ARC; }
    bool IsValid() const override { return m_bMade; }
    KtGeometry* Clone() const override;
    void Rotate(const PlxPoint2D& centre, double dAngle) override;
    // One part from the start point to the end point.
    bool ConvertToLine(KtGeoLine* pLine, int nSegments) const override;
    // The arc closed by its chord, as one ring.
    bool ConvertToRegion(KtGeoRegion* pRegion, int nSegments) const override;
    bool GetBound(PlxRect2D& rcBound) const override;

private:
    PlxPoint2D m_centre;
    double m_dRadius = 0.0;
    double m_dStart = 0.0;
    double m_dEnd = 0.0;
    bool m_bMade = false;
};

}  // namespace KTX
