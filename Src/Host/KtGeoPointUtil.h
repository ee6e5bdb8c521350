// Point helpers shared by the geometry classes: finiteness checks, exact quarter turns,
// rotation, bounds and the segment count of curve conversions.
#pragma once

#include <cmath>
#include <vector>

#include "PlxTypes.h"

namespace KTX {
namespace geo {

// Upper limit of segments per full circle: a caller's count never drives an allocation
// beyond this.
constexpr int kMaxSegments = 100000;

inline bool IsFinite(const PlxPoint2D& p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// True for a non-null array of nCount >= nMin finite points.
bool AllFinite(const PlxPoint2D* pPoints, int nCount, int nMin);

// Cosine and sine of an angle in degrees; quarter turns are exact so that axis points
// carry no rounding noise.
void CosSinDeg(double dDegrees, double& dCos, double& dSin);

// p rotated counter-clockwise about centre by the angle whose cosine and sine are given.
inline PlxPoint2D Rotated(const PlxPoint2D& p, const PlxPoint2D& centre, double dCos, double dSin) {
    const double dx = p.x - centre.x;
    const double dy = p.y - centre.y;
    return PlxPoint2D(centre.x + dx * dCos - dy * dSin, centre.y + dx * dSin + dy * dCos);
}

void RotateAll(std::vector<PlxPoint2D>& vecPoints, const PlxPoint2D& centre, double dAngle);

// Segments for a full circle: 0 gives the default, the rest is clamped; false for a
// negative request.
bool SegmentsPerCircle(int nRequested, int& nSegments);

// Appends a part of nCount points to a point list with part offsets; the source may lie in
// the list itself.
void AppendPart(std::vector<PlxPoint2D>& vecPoints, std::vector<int>& vecPartStart,
                const PlxPoint2D* pPoints, int nCount);

// Number of points of part iSub, 0 outside the parts.
int PartSize(const std::vector<PlxPoint2D>& vecPoints, const std::vector<int>& vecPartStart,
             int iSub);

// Grows rc by p; bFirst starts a new rectangle at p.
void ExtendBound(PlxRect2D& rc, const PlxPoint2D& p, bool bFirst);

// Bound of a point list; false when it is empty.
bool BoundOf(const std::vector<PlxPoint2D>& vecPoints, PlxRect2D& rc);

}  // namespace geo
}  // namespace KTX
