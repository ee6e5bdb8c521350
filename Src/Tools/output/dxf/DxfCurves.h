// Curves as DXF draws them: polyline vertices with bulges, arcs and circles.
#pragma once

#include <optional>
#include <vector>

#include "ogr_geometry.h"

namespace mapgis_dxf {

// A polyline vertex; the bulge, tan(a / 4) of the arc's signed included angle a (positive
// counter-clockwise), bends the segment to the next vertex.
struct DxfVertex {
    double dfX;
    double dfY;
    double dfBulge;
};

// The vertices of a line string, circular string or compound curve: arcs become bulges, a
// full circle two half circles.
std::vector<DxfVertex> CurveVertices(const OGRCurve& curve);

// The vertices of a closed ring without the closing one, which a closed polyline implies.
std::vector<DxfVertex> RingVertices(const OGRCurve& ring);

// An arc or circle: centre, radius and, for an arc, its angles counter-clockwise from start
// to end, in degrees.
struct DxfArc {
    double dfX;
    double dfY;
    double dfRadius;
    double dfStart;
    double dfEnd;
    bool bCircle;
};

// The circle or arc of a circular string of one arc (three points); nothing for any other
// curve or three points on a line.
std::optional<DxfArc> SingleArc(const OGRCurve& curve);

}  // namespace mapgis_dxf
