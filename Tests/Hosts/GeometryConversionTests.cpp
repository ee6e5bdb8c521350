// Host geometries built by hand, converted to OGR geometries.
#include <gtest/gtest.h>

#include <cmath>

#include "KoGeometry/KtGeoLine.h"
#include "KoGeometry/KtGeoPoint.h"
#include "KoGeometry/KtGeoRegion.h"
#include "KoGeometry/KtGeoText.h"
#include "KoGeometryCAD/KtGeoArc.h"
#include "KoGeometryCAD/KtGeoCircle.h"
#include "KoGeometryCAD/KtGeoCompound.h"
#include "mapgisgeometry.h"

using namespace KTX;
using mapgis::LayerKind;

namespace {

std::string Wkt(const OGRGeometry* poGeom) {
    if (poGeom == nullptr)
        return "(null)";
    return poGeom->exportToWkt();
}

std::string Convert(const KtGeometry& geom, std::vector<std::string>* pWarnings = nullptr) {
    std::vector<std::string> warnings;
    std::unique_ptr<OGRGeometry> poGeom = mapgis::ToOgrGeometry(geom, warnings);
    if (pWarnings != nullptr)
        *pWarnings = warnings;
    return Wkt(poGeom.get());
}

std::string ConvertFor(const KtGeometry& geom, LayerKind eKind,
                       std::vector<std::string>* pWarnings = nullptr) {
    std::vector<std::string> warnings;
    std::unique_ptr<OGRGeometry> poGeom = mapgis::ToLayerGeometry(geom, eKind, warnings);
    if (pWarnings != nullptr)
        *pWarnings = warnings;
    return Wkt(poGeom.get());
}

KtGeoLine* MakeLine(std::vector<PlxPoint2D> points) {
    auto* pLine = new KtGeoLine;
    pLine->Make(points.data(), static_cast<int>(points.size()));
    return pLine;
}

}  // namespace

TEST(GeometryConversion, PointsLinesTextsAndCircles) {
    KtGeoPoint point;
    point.Make(39511100.0, 3420050.5);
    EXPECT_EQ(Convert(point), "POINT (39511100.0 3420050.5)");
    std::unique_ptr<KtGeoLine> line(MakeLine({{0, 0}, {10, 5}, {20, 0}}));
    EXPECT_EQ(Convert(*line), "LINESTRING (0 0,10 5,20 0)");
    const PlxPoint2D second[] = {{1, 1}, {2, 2}};
    line->AddSub(second, 2);
    EXPECT_EQ(Convert(*line), "MULTILINESTRING ((0 0,10 5,20 0),(1 1,2 2))");
    // Texts become their anchors.
    KtGeoText text;
    ASSERT_TRUE(text.Make(u"Qinghe", {523412.5, 3364184.25}, 30.0));
    EXPECT_EQ(Convert(text), "POINT (523412.5 3364184.25)");
    ASSERT_TRUE(text.AddSub(u"Bridge", {523412.5, 3364180.0}, 30.0));
    EXPECT_EQ(Convert(text), "MULTIPOINT (523412.5 3364184.25,523412.5 3364180.0)");
    KtGeoCircle circle;
    ASSERT_TRUE(circle.Make({5, 5}, 2.0));
    EXPECT_EQ(Convert(circle), "CURVEPOLYGON (CIRCULARSTRING (7 5,3 5,7 5))");
}

TEST(GeometryConversion, RegionRingsKeepOrderAndDirectionAndAreClosed) {
    KtGeoRegion region;
    const PlxPoint2D outer[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    const PlxPoint2D clockwise[] = {{2, 2}, {2, 4}, {4, 4}};
    region.AddSub(outer, 4);
    region.AddSub(clockwise, 3);
    std::vector<std::string> warnings;
    EXPECT_EQ(Convert(region, &warnings), "POLYGON ((0 0,10 0,10 10,0 10,0 0),(2 2,2 4,4 4,2 2))");
    EXPECT_TRUE(warnings.empty());
}

TEST(GeometryConversion, RingsWithoutAreaAreLeftOutWithAWarning) {
    KtGeoRegion region;
    const PlxPoint2D outer[] = {{0, 0}, {10, 0}, {10, 10}};
    const PlxPoint2D twoPoints[] = {{1, 1}, {2, 2}};
    const PlxPoint2D repeated[] = {{3, 3}, {4, 4}, {3, 3}, {4, 4}};
    region.AddSub(outer, 3);
    region.AddSub(twoPoints, 2);
    region.AddSub(repeated, 4);
    std::vector<std::string> warnings;
    EXPECT_EQ(Convert(region, &warnings), "POLYGON ((0 0,10 0,10 10,0 0))");
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_NE(warnings[0].find("ring 2 of 3"), std::string::npos) << warnings[0];
    EXPECT_NE(warnings[1].find("ring 3 of 3"), std::string::npos) << warnings[1];

    KtGeoRegion onlyDegenerate;
    onlyDegenerate.AddSub(twoPoints, 2);
    EXPECT_EQ(Convert(onlyDegenerate, &warnings), "POLYGON EMPTY");
    EXPECT_EQ(warnings.size(), 1u);
}

TEST(GeometryConversion, FullArcEndsExactlyWhereItStarts) {
    KtGeoArc arc;
    ASSERT_TRUE(arc.Make({0, 0}, 5.0, 45.0, 45.0));
    std::vector<std::string> warnings;
    std::unique_ptr<OGRGeometry> poGeom = mapgis::ToOgrGeometry(arc, warnings);
    const auto* poArc = poGeom->toCircularString();
    ASSERT_EQ(poArc->getNumPoints(), 3);
    EXPECT_EQ(poArc->getX(0), poArc->getX(2));
    EXPECT_EQ(poArc->getY(0), poArc->getY(2));
    // The middle point of a full circle is the opposite one.
    EXPECT_NEAR(poArc->getX(1), -5.0 * std::sqrt(0.5), 1e-9);
    EXPECT_NEAR(poArc->getY(1), -5.0 * std::sqrt(0.5), 1e-9);
}

TEST(GeometryConversion, CompoundBecomesCollectionOfItsPartsRecursively) {
    KtGeoCompound compound;
    compound.AddCompound(MakeLine({{0, 0}, {1, 1}}), true);
    auto* pPoint = new KtGeoPoint;
    pPoint->Make(2, 2);
    compound.AddCompound(pPoint, true);
    auto* pInner = new KtGeoCompound;
    auto* pCircle = new KtGeoCircle;
    pCircle->Make({0, 0}, 1.0);
    pInner->AddCompound(pCircle, true);
    compound.AddCompound(pInner, true);
    EXPECT_EQ(Convert(compound),
              "GEOMETRYCOLLECTION (LINESTRING (0 0,1 1),POINT (2 2),"
              "GEOMETRYCOLLECTION (CURVEPOLYGON (CIRCULARSTRING (1 0,-1 0,1 0))))");
}

TEST(GeometryConversion, TypedLayersGetTheirOneType) {
    std::unique_ptr<KtGeoLine> line(MakeLine({{0, 0}, {4, 0}, {4, 4}, {0, 0}}));
    EXPECT_EQ(ConvertFor(*line, LayerKind::Line), "MULTILINESTRING ((0 0,4 0,4 4,0 0))");
    // A closed line in the region layer (an unfilled circle reshaped) becomes a ring.
    EXPECT_EQ(ConvertFor(*line, LayerKind::Region), "POLYGON ((0 0,4 0,4 4,0 0))");
    KtGeoText text;
    text.Make(u"A", {1, 2}, 0.0);
    EXPECT_EQ(ConvertFor(text, LayerKind::Text), "MULTIPOINT (1 2)");
    KtGeoPoint point;
    point.Make(1, 2);
    EXPECT_EQ(ConvertFor(point, LayerKind::Point), "POINT (1 2)");
    EXPECT_EQ(mapgis::LayerGeometryType(LayerKind::Compound), wkbUnknown);
    EXPECT_EQ(mapgis::LayerGeometryType(LayerKind::Line), wkbMultiLineString);
}

TEST(GeometryConversion, GeometryWithoutFormInATypedLayerIsReported) {
    KtGeoCompound nodesOnly;
    for (int i = 0; i < 2; ++i) {
        auto* pPoint = new KtGeoPoint;
        pPoint->Make(i, i);
        nodesOnly.AddCompound(pPoint, true);
    }
    std::vector<std::string> warnings;
    EXPECT_EQ(ConvertFor(nodesOnly, LayerKind::Line, &warnings), "(null)");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("compound"), std::string::npos) << warnings[0];
    std::unique_ptr<KtGeoLine> line(MakeLine({{0, 0}, {1, 1}}));
    EXPECT_EQ(ConvertFor(*line, LayerKind::Point, &warnings), "(null)");
    EXPECT_EQ(warnings.size(), 1u);
}
