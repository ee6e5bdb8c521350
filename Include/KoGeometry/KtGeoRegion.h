// A region geometry: rings (sub-objects) kept in the order and direction they were given,
// not closed (the first point is not repeated at the end).
// Validity: at least one ring. Rings of one or two points are kept as given; the consumer
// decides what to do with rings that do not enclose an area.
#pragma once

#include <vector>

#include "KtGeometry.h"

namespace KTX {

class KOBASE_API KtGeoRegion : public KtGeometry {
public:
    KtGeoRegion() = default;

    // Appends one ring, copying the points. False (and unchanged) for no point, a null
    // array or a non-finite coordinate.
    bool AddSub(const PlxPoint2D* pPoints, int nCount);
    void Clear();

    int GetSubCount() const { return static_cast<int>(m_vecPartStart.size()); }
    int GetSubPntCount(int iSub) const;
    int GetPointCount() const { return static_cast<int>(m_vecPoints.size()); }
    const PlxPoint2D* GetPoints(int iSub = 0) const;

    int GetType() const override { return KTGEO_REGION; }
    bool IsValid() const override { return !m_vecPartStart.empty(); }
    KtGeometry* Clone() const override;
    void Rotate(const PlxPoint2D& centre, double dAngle) override;
    // Each ring becomes a closed part (first point repeated); rings of one point are left out.
    bool ConvertToLine(KtGeoLine* pLine, int nSegments) const override;
    bool ConvertToRegion(KtGeoRegion* pRegion, int nSegments) const override;
    bool GetBound(PlxRect2D& rcBound) const override;

private:
    std::vector<PlxPoint2D> m_vecPoints;
    std::vector<int> m_vecPartStart;
};

}  // namespace KTX
