// Curves as DXF draws them: polyline vertices with bulges, arcs and circles.
#include "DxfCurves.h"

#include <cmath>

namespace mapgis_dxf {

namespace {

constexpr double kPi = 3.14159265358979323846;

double Cross(const OGRPoint& a, const OGRPoint& m, const OGRPoint& b) {
    return (m.getX() - a.getX()) * (b.getY() - m.getY()) -
           (m.getY() - a.getY()) * (b.getX() - m.getX());
}

bool Same(const OGRPoint& a, const OGRPoint& b) {
    return a.getX() == b.getX() && a.getY() == b.getY();
}

// The arc from a through m to b subtends 2 (pi - angle amb) at its centre, so its bulge is
// cot(angle amb / 2), signed by the turn.
double Bulge(const OGRPoint& a, const OGRPoint& m, const OGRPoint& b) {
    const double dfAx = a.getX() - m.getX(), dfAy = a.getY() - m.getY();
    const double dfBx = b.getX() - m.getX(), dfBy = b.getY() - m.getY();
    const double dfCross = dfAx * dfBy - dfAy * dfBx;
    const double dfAngle = std::atan2(std::fabs(dfCross), dfAx * dfBx + dfAy * dfBy);
    if (dfCross == 0 || dfAngle == 0)
        return 0;
    const double dfBulge = 1.0 / std::tan(dfAngle / 2);
    return Cross(a, m, b) > 0 ? dfBulge : -dfBulge;
}

void AppendCircular(const OGRCircularString& arcs, std::vector<DxfVertex>* pVertices) {
    OGRPoint a, m, b;
    for (int i = 0; i + 2 < arcs.getNumPoints(); i += 2) {
        arcs.getPoint(i, &a);
        arcs.getPoint(i + 1, &m);
        arcs.getPoint(i + 2, &b);
        if (Same(a, b)) {
            // A full circle: m is the point opposite a.
            pVertices->push_back({a.getX(), a.getY(), 1.0});
            pVertices->push_back({m.getX(), m.getY(), 1.0});
        } else {
            pVertices->push_back({a.getX(), a.getY(), Bulge(a, m, b)});
        }
    }
    if (arcs.getNumPoints() > 0)
        pVertices->push_back(
            {arcs.getX(arcs.getNumPoints() - 1), arcs.getY(arcs.getNumPoints() - 1), 0.0});
}

void AppendCurve(const OGRCurve& curve, std::vector<DxfVertex>* pVertices) {
    // Parts of a compound curve share their joining point: the later part's stands.
    if (!pVertices->empty())
        pVertices->pop_back();
    const OGRwkbGeometryType eType = wkbFlatten(curve.getGeometryType());
    if (eType == wkbCircularString) {
        AppendCircular(*curve.toCircularString(), pVertices);
    } else if (eType == wkbCompoundCurve) {
        for (const OGRCurve* pPart : *curve.toCompoundCurve())
            AppendCurve(*pPart, pVertices);
    } else if (eType == wkbLineString || eType == wkbLinearRing) {
        for (const OGRPoint& point : *curve.toSimpleCurve())
            pVertices->push_back({point.getX(), point.getY(), 0.0});
    }
}

double Degrees(double dfY, double dfX) {
    double dfAngle = std::atan2(dfY, dfX) * 180.0 / kPi;
    if (dfAngle < 0)
        dfAngle += 360.0;
    // A tiny negative angle comes back as 360.
    return dfAngle >= 360.0 ? 0.0 : dfAngle;
}

}  // namespace

std::vector<DxfVertex> CurveVertices(const OGRCurve& curve) {
    std::vector<DxfVertex> vertices;
    AppendCurve(curve, &vertices);
    return vertices;
}

std::vector<DxfVertex> RingVertices(const OGRCurve& ring) {
    std::vector<DxfVertex> vertices = CurveVertices(ring);
    if (vertices.size() > 1 && vertices.front().dfX == vertices.back().dfX &&
        vertices.front().dfY == vertices.back().dfY)
        vertices.pop_back();
    return vertices;
}

std::optional<DxfArc> SingleArc(const OGRCurve& curve) {
    if (wkbFlatten(curve.getGeometryType()) != wkbCircularString || curve.getNumPoints() != 3)
        return std::nullopt;
    const OGRCircularString& arcs = *curve.toCircularString();
    OGRPoint a, m, b;
    arcs.getPoint(0, &a);
    arcs.getPoint(1, &m);
    arcs.getPoint(2, &b);
    if (Same(a, b)) {
        const double dfX = (a.getX() + m.getX()) / 2, dfY = (a.getY() + m.getY()) / 2;
        const double dfRadius = std::hypot(a.getX() - dfX, a.getY() - dfY);
        return DxfArc{dfX, dfY, dfRadius, 0, 360, true};
    }
    const double dfTurn = Cross(a, m, b);
    if (dfTurn == 0)
        return std::nullopt;
    // The centre: where the perpendicular bisectors of a-m and m-b meet.
    const double dfAx = a.getX(), dfAy = a.getY(), dfMx = m.getX(), dfMy = m.getY();
    const double dfBx = b.getX(), dfBy = b.getY();
    const double dfD = 2 * (dfAx * (dfMy - dfBy) + dfMx * (dfBy - dfAy) + dfBx * (dfAy - dfMy));
    const double dfA2 = dfAx * dfAx + dfAy * dfAy, dfM2 = dfMx * dfMx + dfMy * dfMy;
    const double dfB2 = dfBx * dfBx + dfBy * dfBy;
    const double dfX = (dfA2 * (dfMy - dfBy) + dfM2 * (dfBy - dfAy) + dfB2 * (dfAy - dfMy)) / dfD;
    const double dfY = (dfA2 * (dfBx - dfMx) + dfM2 * (dfAx - dfBx) + dfB2 * (dfMx - dfAx)) / dfD;
    const double dfFrom = Degrees(dfAy - dfY, dfAx - dfX), dfTo = Degrees(dfBy - dfY, dfBx - dfX);
    const double dfRadius = std::hypot(dfAx - dfX, dfAy - dfY);
    if (dfTurn > 0)
        return DxfArc{dfX, dfY, dfRadius, dfFrom, dfTo, false};
    return DxfArc{dfX, dfY, dfRadius, dfTo, dfFrom, false};
}

}  // namespace mapgis_dxf
