// A line geometry of one or more parts (sub-lines). The points of all parts are stored one
// after another, so GetPoints(0) with GetPointCount() walks every point of the line.
// Validity: at least one part, every part of at least 2 points.
#pragma once

#include <vector>

#include "KtGeometry.h"

namespace KTX {

class KOBASE_API KtGeoLine : public KtGeometry {
public:
    KtGeoLine() = default;

    // Replaces the content with one part. False (and unchanged) for fewer than 2 points, a
    // null array or a non-finite coordinate.
    bool Make(const PlxPoint2D* pPoints, int nCount);
    bool Make(const PlxPoint2D& pntStart, const PlxPoint2D& pntEnd);
    // Appends one part; same rules as Make.
    bool AddSub(const PlxPoint2D* pPoints, int nCount);
    void Clear();

    int GetSubCount() const { return static_cast<int>(m_vecPartStart.size()); }
    // Points of part i; 0 for an index outside the parts.
    int GetSubPntCount(int iSub) const;
    // Points of all parts.
    int GetPointCount() const { return static_cast<int>(m_vecPoints.size()); }
    // First point of part i (null for an index outside the parts).
    const PlxPoint2D* GetPoints(int iSub = 0) const;

    int GetType() const override { return KTGEO_LINE; }
    bool IsValid() const override { return !m_vecPartStart.empty(); }
    KtGeometry* Clone() const override;
    void Rotate(const PlxPoint2D& centre, double dAngle) override;
    bool ConvertToLine(KtGeoLine* pLine, int nSegments) const override;
    // Each part becomes a ring as it stands (a repeated closing point is dropped).
    bool ConvertToRegion(KtGeoRegion* pRegion, int nSegments) const override;
    bool GetBound(PlxRect2D& rcBound) const override;

private:
    std::vector<PlxPoint2D> m_vecPoints;
    std::vector<int> m_vecPartStart;
};

}  // namespace KTX
