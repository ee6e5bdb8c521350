// Base of every host geometry.
//
// Validity rules shared by all geometries: every coordinate, radius and angle is finite.
// Each geometry adds its own (see its header). Make and AddSub refuse input that would break
// them and leave the geometry unchanged, so a geometry is never half built.
#pragma once

#include "../KoBase/KoBaseExport.h"
#include "../KoBase/PlxTypes.h"
#include "../KoElement/KtStyle.h"

namespace KTX {

// Geometry type codes (GetType).
enum KtGeoType : int {
    KTGEO_NONE = 0,
    KTGEO_POINT = 1,
    KTGEO_LINE = 3,
    KTGEO_REGION = 5,
    KTGEO_TEXT = 7,
    KTGEO_CIRCLE = 15,
    KTGEO_ARC = 24,
    KTGEO_COMPOUND = 1000,
};

// Segments of a full circle when a conversion is asked for 0 segments.
constexpr int KTGEO_DEFAULT_SEGMENTS = 72;

class KtGeoLine;
class KtGeoRegion;

class KOBASE_API KtGeometry {
public:
    KtGeometry() = default;
    KtGeometry(const KtGeometry&) = default;
    KtGeometry& operator=(const KtGeometry&) = default;
    virtual ~KtGeometry();

    virtual int GetType() const = 0;
    virtual bool IsValid() const = 0;
    // A new heap copy of the same type, style included; the caller owns it.
    virtual KtGeometry* Clone() const = 0;

    // Gives the geometry a copy of the style; null removes the style.
    virtual void SetStyle(const KtStyle* pStyle);
    // The style, or null when the geometry has none.
    virtual const KtStyle* GetStyle() const;

    // Rotates counter-clockwise about centre by dAngle degrees; texts also turn their
    // characters by the same angle.
    virtual void Rotate(const PlxPoint2D& centre, double dAngle) = 0;

    // Replaces pLine's content with this geometry as lines (a closed figure is closed by
    // repeating its first point); curves are cut into nSegments segments for a full circle
    // (0: KTGEO_DEFAULT_SEGMENTS), arcs into a proportional share of at least one. False,
    // pLine untouched, when the geometry cannot be expressed as lines or is not valid.
    virtual bool ConvertToLine(KtGeoLine* pLine, int nSegments) const;
    // Replaces pRegion's content with this geometry as rings (not closed: the first point
    // is not repeated); false, pRegion untouched, when that is not possible.
    virtual bool ConvertToRegion(KtGeoRegion* pRegion, int nSegments) const;

    // Bounding rectangle; false for an empty geometry.
    virtual bool GetBound(PlxRect2D& rcBound) const = 0;

private:
    KtStyle m_Style;
    bool m_bHasStyle = false;
};

}  // namespace KTX
