// Lines and regions: parts stored one after another, rotation, conversion between the two.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "KtGeoLine.h"
#include "KtGeoPoint.h"
#include "KtGeoRegion.h"

using namespace KTX;

namespace {

const PlxPoint2D kSquare[4] = {{0, 0}, {2, 0}, {2, 2}, {0, 2}};
const PlxPoint2D kClosedTriangle[4] = {{0, 0}, {3, 0}, {0, 3}, {0, 0}};

TEST(GeoLine, PartsShareOnePointList) {
    KtGeoLine line;
    ASSERT_TRUE(line.Make(kSquare, 3));
    const PlxPoint2D tail[2] = {{5, 5}, {6, 7}};
    ASSERT_TRUE(line.AddSub(tail, 2));
    ASSERT_EQ(line.GetSubCount(), 2);
    EXPECT_EQ(line.GetSubPntCount(0), 3);
    EXPECT_EQ(line.GetSubPntCount(1), 2);
    ASSERT_EQ(line.GetPointCount(), 5);
    const PlxPoint2D* p = line.GetPoints(0);
    EXPECT_EQ(p[2], PlxPoint2D(2, 2));
    EXPECT_EQ(p[3], PlxPoint2D(5, 5));
    EXPECT_EQ(line.GetPoints(1), p + 3);
    EXPECT_EQ(line.GetPoints(2), nullptr);
    EXPECT_EQ(line.GetPoints(-1), nullptr);
    EXPECT_EQ(line.GetSubPntCount(2), 0);
    EXPECT_EQ(line.GetSubPntCount(-1), 0);

    // Make starts over with one part.
    ASSERT_TRUE(line.Make(tail[0], tail[1]));
    EXPECT_EQ(line.GetSubCount(), 1);
    EXPECT_EQ(line.GetPointCount(), 2);
    line.Clear();
    EXPECT_FALSE(line.IsValid());
    EXPECT_EQ(line.GetPointCount(), 0);
}

TEST(GeoLine, AddsAndRemakesFromItsOwnPoints) {
    KtGeoLine line;
    ASSERT_TRUE(line.Make(kSquare, 4));
    for (int i = 0; i < 6; ++i)
        ASSERT_TRUE(line.AddSub(line.GetPoints(0), 4));
    ASSERT_EQ(line.GetPointCount(), 28);
    EXPECT_EQ(line.GetPoints(6)[3], PlxPoint2D(0, 2));
    ASSERT_TRUE(line.Make(line.GetPoints(6) + 1, 3));
    ASSERT_EQ(line.GetPointCount(), 3);
    EXPECT_EQ(line.GetPoints(0)[0], PlxPoint2D(2, 0));

    KtGeoRegion region;
    ASSERT_TRUE(region.AddSub(kSquare, 4));
    for (int i = 0; i < 6; ++i)
        ASSERT_TRUE(region.AddSub(region.GetPoints(0), 4));
    EXPECT_EQ(region.GetPoints(6)[1], PlxPoint2D(2, 0));
}

TEST(GeoRotate, QuarterTurnAboutAPoint) {
    const PlxPoint2D pts[3] = {{2, 1}, {1, 1}, {0, 0}};
    KtGeoLine line;
    ASSERT_TRUE(line.Make(pts, 3));
    line.Rotate({1, 1}, 90);
    const PlxPoint2D* p = line.GetPoints(0);
    EXPECT_EQ(p[0], PlxPoint2D(1, 2));
    EXPECT_EQ(p[1], PlxPoint2D(1, 1));
    EXPECT_EQ(p[2], PlxPoint2D(2, 0));

    KtGeoPoint point;
    ASSERT_TRUE(point.Make(2, 1));
    point.Rotate({1, 1}, -90);
    EXPECT_EQ(point.GetPoint(), PlxPoint2D(1, 0));
    point.Rotate({1, 1}, 180);
    EXPECT_EQ(point.GetPoint(), PlxPoint2D(1, 2));
    point.Rotate({1, 1}, 450);
    EXPECT_EQ(point.GetPoint(), PlxPoint2D(0, 1));
}

TEST(GeoRotate, EighthTurnAndRefusedAngles) {
    KtGeoRegion region;
    ASSERT_TRUE(region.AddSub(kSquare, 2));
    region.Rotate({0, 0}, 45);
    const double h = std::sqrt(2.0);
    EXPECT_NEAR(region.GetPoints(0)[1].x, h, 1e-12);
    EXPECT_NEAR(region.GetPoints(0)[1].y, h, 1e-12);
    // A non-finite angle or centre would ruin every point; it is ignored.
    region.Rotate({0, 0}, std::nan(""));
    region.Rotate({INFINITY, 0}, 10);
    EXPECT_NEAR(region.GetPoints(0)[1].x, h, 1e-12);
    EXPECT_TRUE(std::isfinite(region.GetPoints(0)[1].y));
}

TEST(RegionToLine, RingsAreClosed) {
    KtGeoRegion region;
    ASSERT_TRUE(region.AddSub(kSquare, 4));
    ASSERT_TRUE(region.AddSub(kSquare, 1));
    ASSERT_TRUE(region.AddSub(kClosedTriangle, 4));
    KtGeoLine line;
    ASSERT_TRUE(region.ConvertToLine(&line, 0));
    // The one-point ring has no line; the already closed ring gains no point.
    ASSERT_EQ(line.GetSubCount(), 2);
    ASSERT_EQ(line.GetSubPntCount(0), 5);
    EXPECT_EQ(line.GetPoints(0)[4], PlxPoint2D(0, 0));
    EXPECT_EQ(line.GetPoints(0)[3], PlxPoint2D(0, 2));
    EXPECT_EQ(line.GetSubPntCount(1), 4);
}

TEST(RegionToLine, OnlyOnePointRingsIsRefused) {
    KtGeoRegion region;
    ASSERT_TRUE(region.AddSub(kSquare, 1));
    KtGeoLine line;
    ASSERT_TRUE(line.Make(kSquare, 2));
    EXPECT_FALSE(region.ConvertToLine(&line, 0));
    EXPECT_EQ(line.GetPointCount(), 2);
    EXPECT_FALSE(KtGeoRegion().ConvertToLine(&line, 0));
    EXPECT_FALSE(region.ConvertToLine(nullptr, 0));
}

TEST(LineToRegion, ClosingPointIsDropped) {
    KtGeoLine line;
    ASSERT_TRUE(line.Make(kClosedTriangle, 4));
    ASSERT_TRUE(line.AddSub(kSquare, 3));
    KtGeoRegion region;
    ASSERT_TRUE(line.ConvertToRegion(&region, 0));
    ASSERT_EQ(region.GetSubCount(), 2);
    EXPECT_EQ(region.GetSubPntCount(0), 3);
    EXPECT_EQ(region.GetSubPntCount(1), 3);
    EXPECT_EQ(region.GetPoints(1)[2], PlxPoint2D(2, 2));
    EXPECT_FALSE(KtGeoLine().ConvertToRegion(&region, 0));
    EXPECT_EQ(region.GetSubCount(), 2);
}

TEST(SameKindConversion, CopiesContentKeepsTargetStyle) {
    KtGeoLine line;
    ASSERT_TRUE(line.Make(kSquare, 4));
    KtGeoLine target;
    KtStyle style;
    style.SetLineWidth(3);
    target.SetStyle(&style);
    ASSERT_TRUE(line.ConvertToLine(&target, 0));
    EXPECT_EQ(target.GetPointCount(), 4);
    ASSERT_NE(target.GetStyle(), nullptr);
    EXPECT_EQ(target.GetStyle()->GetLineWidth(), 3);
    ASSERT_TRUE(line.ConvertToLine(&line, 0));
    EXPECT_EQ(line.GetPointCount(), 4);
    EXPECT_FALSE(line.ConvertToLine(&target, -1));
}

TEST(GeoClone, DeepCopyWithStyle) {
    KtGeoRegion region;
    ASSERT_TRUE(region.AddSub(kSquare, 4));
    KtStyle style;
    style.SetFillStyle(4);
    region.SetStyle(&style);
    std::unique_ptr<KtGeometry> copy(region.Clone());
    region.Rotate({0, 0}, 90);
    region.SetStyle(nullptr);
    ASSERT_EQ(copy->GetType(), KTGEO_REGION);
    const auto& r = static_cast<const KtGeoRegion&>(*copy);
    EXPECT_EQ(r.GetPoints(0)[1], PlxPoint2D(2, 0));
    ASSERT_NE(r.GetStyle(), nullptr);
    EXPECT_EQ(r.GetStyle()->GetFillStyle(), 4);
    EXPECT_TRUE(r.GetStyle()->IsSet(KtStyle::FillStyleSet));
    EXPECT_EQ(region.GetStyle(), nullptr);
}

TEST(GeoBound, OfPointsAndParts) {
    KtGeoLine line;
    const PlxPoint2D pts[3] = {{-1, 5}, {4, -2}, {0, 0}};
    ASSERT_TRUE(line.Make(pts, 3));
    ASSERT_TRUE(line.AddSub(kSquare, 4));
    PlxRect2D rc;
    ASSERT_TRUE(line.GetBound(rc));
    EXPECT_EQ(rc.left, -1);
    EXPECT_EQ(rc.top, 5);
    EXPECT_EQ(rc.right, 4);
    EXPECT_EQ(rc.bottom, -2);
    KtGeoPoint point;
    ASSERT_TRUE(point.Make(3, 4));
    ASSERT_TRUE(point.GetBound(rc));
    EXPECT_EQ(rc.left, 3);
    EXPECT_EQ(rc.top, 4);
}

}  // namespace
