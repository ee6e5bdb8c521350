// Conversion of host geometries into OGR geometries.
#include "mapgisgeometry.h"

#include "KoElement/KtFeatureClassDefn.h"
#include "KoGeometry/KtGeoLine.h"
#include "KoGeometry/KtGeoPoint.h"
#include "KoGeometry/KtGeoRegion.h"
#include "KoGeometry/KtGeoText.h"
#include "KoGeometryCAD/KtGeoArc.h"
#include "KoGeometryCAD/KtGeoCircle.h"
#include "KoGeometryCAD/KtGeoCompound.h"
#include "mapgisstyle.h"

namespace mapgis {

namespace {

template <class Curve>
void SetPoints(Curve& curve, const KTX::PlxPoint2D* pPoints, int nCount) {
    curve.setNumPoints(nCount);
    for (int i = 0; i < nCount; ++i)
        curve.setPoint(i, pPoints[i].x, pPoints[i].y);
}

std::unique_ptr<OGRGeometry> LineToOgr(const KTX::KtGeoLine& line, bool bForceMulti) {
    if (line.GetSubCount() == 1 && !bForceMulti) {
        auto pLine = std::make_unique<OGRLineString>();
        SetPoints(*pLine, line.GetPoints(0), line.GetSubPntCount(0));
        return pLine;
    }
    auto pMulti = std::make_unique<OGRMultiLineString>();
    for (int i = 0; i < line.GetSubCount(); ++i) {
        auto pPart = std::make_unique<OGRLineString>();
        SetPoints(*pPart, line.GetPoints(i), line.GetSubPntCount(i));
        pMulti->addGeometryDirectly(pPart.release());
    }
    return pMulti;
}

// At least three different points: anything less encloses no area.
bool HasThreeDistinct(const KTX::PlxPoint2D* pPoints, int nCount) {
    if (nCount < 3)
        return false;
    const KTX::PlxPoint2D& first = pPoints[0];
    int iSecond = -1;
    for (int i = 1; i < nCount; ++i) {
        if (iSecond < 0) {
            if (pPoints[i] != first)
                iSecond = i;
        } else if (pPoints[i] != first && pPoints[i] != pPoints[iSecond]) {
            return true;
        }
    }
    return false;
}

std::unique_ptr<OGRGeometry> RegionToOgr(const KTX::KtGeoRegion& region,
                                         std::vector<std::string>& warnings) {
    auto pPolygon = std::make_unique<OGRPolygon>();
    for (int i = 0; i < region.GetSubCount(); ++i) {
        const KTX::PlxPoint2D* pPoints = region.GetPoints(i);
        const int nCount = region.GetSubPntCount(i);
        if (pPoints == nullptr || !HasThreeDistinct(pPoints, nCount)) {
            warnings.push_back("ring " + std::to_string(i + 1) + " of " +
                               std::to_string(region.GetSubCount()) + " has " +
                               std::to_string(nCount) +
                               " point(s), fewer than 3 distinct ones, and is left out");
            continue;
        }
        auto pRing = std::make_unique<OGRLinearRing>();
        SetPoints(*pRing, pPoints, nCount);
        pRing->closeRings();
        pPolygon->addRingDirectly(pRing.release());
    }
    return pPolygon;
}

std::unique_ptr<OGRGeometry> TextToOgr(const KTX::KtGeoText& text, bool bForceMulti) {
    if (text.GetSubCount() == 1 && !bForceMulti) {
        const KTX::PlxPoint2D pnt = text.GetSubAnchor(0);
        return std::make_unique<OGRPoint>(pnt.x, pnt.y);
    }
    auto pMulti = std::make_unique<OGRMultiPoint>();
    for (int i = 0; i < text.GetSubCount(); ++i) {
        const KTX::PlxPoint2D pnt = text.GetSubAnchor(i);
        pMulti->addGeometryDirectly(new OGRPoint(pnt.x, pnt.y));
    }
    return pMulti;
}

std::unique_ptr<OGRGeometry> ArcToOgr(const KTX::KtGeoArc& arc) {
    const double dStart = arc.GetStartAngle();
    const double dSweep = arc.GetSweepAngle();
    const KTX::PlxPoint2D pntStart = arc.PointAt(dStart);
    const KTX::PlxPoint2D pntMiddle = arc.PointAt(dStart + dSweep / 2.0);
    // A full circle ends exactly where it starts; the cosine of start + 360 need not.
    const KTX::PlxPoint2D pntEnd = dSweep >= 360.0 ? pntStart : arc.PointAt(dStart + dSweep);
    auto pArc = std::make_unique<OGRCircularString>();
    pArc->addPoint(pntStart.x, pntStart.y);
    pArc->addPoint(pntMiddle.x, pntMiddle.y);
    pArc->addPoint(pntEnd.x, pntEnd.y);
    return pArc;
}

std::unique_ptr<OGRGeometry> CircleToOgr(const KTX::KtGeoCircle& circle) {
    const KTX::PlxPoint2D& c = circle.GetCenter();
    const double r = circle.GetRadius();
    auto pRing = std::make_unique<OGRCircularString>();
    pRing->addPoint(c.x + r, c.y);
    pRing->addPoint(c.x - r, c.y);
    pRing->addPoint(c.x + r, c.y);
    auto pPolygon = std::make_unique<OGRCurvePolygon>();
    pPolygon->addRingDirectly(pRing.release());
    return pPolygon;
}

std::unique_ptr<OGRGeometry> CompoundToOgr(const KTX::KtGeoCompound& compound,
                                           std::vector<std::string>& warnings) {
    auto pCollection = std::make_unique<OGRGeometryCollection>();
    for (int i = 0; i < compound.GetCount(); ++i) {
        const KTX::KtGeometry* pPart = compound.GetAt(i);
        if (pPart == nullptr)
            continue;
        std::unique_ptr<OGRGeometry> pOgr = ToOgrGeometry(*pPart, warnings);
        if (pOgr)
            pCollection->addGeometryDirectly(pOgr.release());
    }
    return pCollection;
}

std::string NoPlaceWarning(const KTX::KtGeometry& geom, const char* pszLayer) {
    return std::string("a ") + GeometryKindName(geom.GetType()) + " has no form as a " + pszLayer +
           ": the feature is kept without geometry";
}

}  // namespace

LayerKind LayerKindFromType(int nLayerType) {
    switch (nLayerType) {
        case KTX::KTLAYER_POINT:
            return LayerKind::Point;
        case KTX::KTLAYER_LINE:
            return LayerKind::Line;
        case KTX::KTLAYER_REGION:
            return LayerKind::Region;
        case KTX::KTLAYER_TEXT:
            return LayerKind::Text;
        default:
            return LayerKind::Compound;
    }
}

OGRwkbGeometryType LayerGeometryType(LayerKind eKind) {
    switch (eKind) {
        case LayerKind::Point:
            return wkbPoint;
        case LayerKind::Line:
            return wkbMultiLineString;
        case LayerKind::Region:
            return wkbPolygon;
        case LayerKind::Text:
            return wkbMultiPoint;
        case LayerKind::Compound:
            break;
    }
    return wkbUnknown;
}

std::unique_ptr<OGRGeometry> ToOgrGeometry(const KTX::KtGeometry& geom,
                                           std::vector<std::string>& warnings) {
    switch (geom.GetType()) {
        case KTX::KTGEO_POINT: {
            const KTX::PlxPoint2D& p = static_cast<const KTX::KtGeoPoint&>(geom).GetPoint();
            return std::make_unique<OGRPoint>(p.x, p.y);
        }
        case KTX::KTGEO_LINE:
            return LineToOgr(static_cast<const KTX::KtGeoLine&>(geom), false);
        case KTX::KTGEO_REGION:
            return RegionToOgr(static_cast<const KTX::KtGeoRegion&>(geom), warnings);
        case KTX::KTGEO_TEXT:
            return TextToOgr(static_cast<const KTX::KtGeoText&>(geom), false);
        case KTX::KTGEO_ARC:
            return ArcToOgr(static_cast<const KTX::KtGeoArc&>(geom));
        case KTX::KTGEO_CIRCLE:
            return CircleToOgr(static_cast<const KTX::KtGeoCircle&>(geom));
        case KTX::KTGEO_COMPOUND:
            return CompoundToOgr(static_cast<const KTX::KtGeoCompound&>(geom), warnings);
        default:
            warnings.push_back("a geometry of unknown host type " + std::to_string(geom.GetType()) +
                               " is left out");
            return nullptr;
    }
}

std::unique_ptr<OGRGeometry> ToLayerGeometry(const KTX::KtGeometry& geom, LayerKind eKind,
                                             std::vector<std::string>& warnings) {
    const int nType = geom.GetType();
    switch (eKind) {
        case LayerKind::Compound:
            return ToOgrGeometry(geom, warnings);
        case LayerKind::Point:
            if (nType == KTX::KTGEO_POINT)
                return ToOgrGeometry(geom, warnings);
            warnings.push_back(NoPlaceWarning(geom, "point"));
            return nullptr;
        case LayerKind::Line: {
            if (nType == KTX::KTGEO_LINE) {
                return LineToOgr(static_cast<const KTX::KtGeoLine&>(geom), true);
            }
            KTX::KtGeoLine line;
            if (geom.ConvertToLine(&line, KTX::KTGEO_DEFAULT_SEGMENTS))
                return LineToOgr(line, true);
            warnings.push_back(NoPlaceWarning(geom, "line"));
            return nullptr;
        }
        case LayerKind::Region: {
            if (nType == KTX::KTGEO_REGION) {
                return RegionToOgr(static_cast<const KTX::KtGeoRegion&>(geom), warnings);
            }
            KTX::KtGeoRegion region;
            if (geom.ConvertToRegion(&region, KTX::KTGEO_DEFAULT_SEGMENTS)) {
                return RegionToOgr(region, warnings);
            }
            warnings.push_back(NoPlaceWarning(geom, "region"));
            return nullptr;
        }
        case LayerKind::Text:
            if (nType == KTX::KTGEO_TEXT) {
                return TextToOgr(static_cast<const KTX::KtGeoText&>(geom), true);
            }
            warnings.push_back(NoPlaceWarning(geom, "text"));
            return nullptr;
    }
    return nullptr;
}

}  // namespace mapgis
