// Arcs and circles: sweep, conversion into lines and rings, bounds and rotation.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "KtGeoArc.h"
#include "KtGeoCircle.h"
#include "KtGeoLine.h"
#include "KtGeoRegion.h"

using namespace KTX;

namespace {

const double kSqrt2 = 1.4142135623730951;
// Table values of the sines and cosines used below.
const double kCos5 = 0.9961946980917455, kSin5 = 0.08715574274765817;
const double kCos10 = 0.984807753012208, kSin10 = 0.17364817766693033;
const double kCos45 = 0.7071067811865476;
const double kEps = 1e-12;

void ExpectNear(const PlxPoint2D& actual, double x, double y) {
    EXPECT_NEAR(actual.x, x, kEps);
    EXPECT_NEAR(actual.y, y, kEps);
}

KtGeoArc MakeArc(PlxPoint2D c, double r, double a0, double a1) {
    KtGeoArc arc;
    EXPECT_TRUE(arc.Make(c, r, a0, a1));
    return arc;
}

KtGeoCircle MakeCircle(PlxPoint2D c, double r) {
    KtGeoCircle circle;
    EXPECT_TRUE(circle.Make(c, r));
    return circle;
}

struct SweepCase {
    double dStart, dEnd, dSweep;
};

class ArcSweep : public ::testing::TestWithParam<SweepCase> {};

TEST_P(ArcSweep, CounterClockwiseFromStartToEnd) {
    const SweepCase& c = GetParam();
    EXPECT_DOUBLE_EQ(MakeArc({0, 0}, 1, c.dStart, c.dEnd).GetSweepAngle(), c.dSweep);
}

INSTANTIATE_TEST_SUITE_P(Angles, ArcSweep,
                         ::testing::Values(SweepCase{0, 90, 90}, SweepCase{350, 10, 20},
                                           SweepCase{90, 0, 270}, SweepCase{30, 30, 360},
                                           SweepCase{0, 360, 360}, SweepCase{-90, 90, 180}));

TEST(ArcToLine, QuarterInTwoSegments) {
    // 8 segments per circle give a quarter arc 2 segments.
    KtGeoLine line;
    ASSERT_TRUE(MakeArc({0, 0}, 2, 0, 90).ConvertToLine(&line, 8));
    ASSERT_EQ(line.GetSubCount(), 1);
    ASSERT_EQ(line.GetPointCount(), 3);
    const PlxPoint2D* p = line.GetPoints(0);
    EXPECT_EQ(p[0], PlxPoint2D(2, 0));
    ExpectNear(p[1], kSqrt2, kSqrt2);
    EXPECT_EQ(p[2], PlxPoint2D(0, 2));
}

TEST(ArcToLine, SweepThroughZero) {
    // 350 -> 10 sweeps 20 degrees: 72 per circle gives 4 segments of 5 degrees.
    KtGeoLine line;
    ASSERT_TRUE(MakeArc({0, 0}, 1, 350, 10).ConvertToLine(&line, 72));
    ASSERT_EQ(line.GetPointCount(), 5);
    const PlxPoint2D* p = line.GetPoints(0);
    ExpectNear(p[0], kCos10, -kSin10);
    ExpectNear(p[1], kCos5, -kSin5);
    ExpectNear(p[2], 1, 0);
    ExpectNear(p[3], kCos5, kSin5);
    ExpectNear(p[4], kCos10, kSin10);
}

TEST(ArcToLine, SegmentCounts) {
    struct Case {
        double a0, a1;
        int nRequested, nPoints;
    };
    const Case cases[] = {
        {0, 90, 0, 19},           // default 72 per circle: 18 segments
        {0, 0.001, 72, 2},        // a tiny sweep still has one segment
        {0, 100, 72, 21},         // 72 * 100 / 360 = 20
        {0, 101, 72, 22},         // 20.2 rounds up
        {30, 30, 4, 5},           // full circle
        {0, 90, INT_MAX, 25001},  // clamped to 100000 per circle
    };
    for (const Case& c : cases) {
        KtGeoLine line;
        ASSERT_TRUE(MakeArc({0, 0}, 1, c.a0, c.a1).ConvertToLine(&line, c.nRequested))
            << c.a0 << " -> " << c.a1;
        EXPECT_EQ(line.GetPointCount(), c.nPoints) << c.a0 << " -> " << c.a1;
    }
}

TEST(ArcToLine, EndsAtExactAngles) {
    KtGeoArc arc = MakeArc({10, 20}, 3, 17, 243);
    KtGeoLine line;
    ASSERT_TRUE(arc.ConvertToLine(&line, 72));
    const int n = line.GetPointCount();
    EXPECT_EQ(line.GetPoints(0)[0], arc.PointAt(17));
    EXPECT_EQ(line.GetPoints(0)[n - 1], arc.PointAt(243));
    // A full circle ends where it starts.
    KtGeoLine full;
    ASSERT_TRUE(MakeArc({0, 0}, 1, 30, 30).ConvertToLine(&full, 4));
    EXPECT_EQ(full.GetPoints(0)[0], full.GetPoints(0)[4]);
}

TEST(CurveConversion, RefusedRequestsLeaveTargetAlone) {
    const PlxPoint2D old[2] = {{7, 7}, {8, 8}};
    KtGeoArc arc = MakeArc({0, 0}, 1, 0, 90);
    KtGeoCircle circle = MakeCircle({0, 0}, 1);
    KtGeoLine line;
    ASSERT_TRUE(line.Make(old, 2));
    KtGeoRegion region;
    ASSERT_TRUE(region.AddSub(old, 2));

    EXPECT_FALSE(arc.ConvertToLine(&line, -1));
    EXPECT_FALSE(circle.ConvertToLine(&line, -5));
    EXPECT_FALSE(arc.ConvertToRegion(&region, -1));
    EXPECT_FALSE(circle.ConvertToRegion(&region, -1));
    EXPECT_FALSE(KtGeoArc().ConvertToLine(&line, 8));
    EXPECT_FALSE(KtGeoCircle().ConvertToRegion(&region, 8));
    EXPECT_FALSE(arc.ConvertToLine(nullptr, 8));
    EXPECT_FALSE(circle.ConvertToRegion(nullptr, 8));

    ASSERT_EQ(line.GetPointCount(), 2);
    EXPECT_EQ(line.GetPoints(0)[0], PlxPoint2D(7, 7));
    ASSERT_EQ(region.GetPointCount(), 2);
    EXPECT_EQ(region.GetPoints(0)[1], PlxPoint2D(8, 8));
}

TEST(ArcToRegion, ClosedByChordWithoutRepeat) {
    KtGeoRegion region;
    ASSERT_TRUE(MakeArc({0, 0}, 2, 0, 90).ConvertToRegion(&region, 8));
    ASSERT_EQ(region.GetSubCount(), 1);
    ASSERT_EQ(region.GetPointCount(), 3);
    EXPECT_EQ(region.GetPoints(0)[0], PlxPoint2D(2, 0));
    ExpectNear(region.GetPoints(0)[1], kSqrt2, kSqrt2);
    EXPECT_EQ(region.GetPoints(0)[2], PlxPoint2D(0, 2));

    KtGeoRegion full;
    ASSERT_TRUE(MakeArc({0, 0}, 1, 0, 360).ConvertToRegion(&full, 4));
    EXPECT_EQ(full.GetPointCount(), 4);
}

TEST(CircleConversion, FourSegments) {
    KtGeoCircle circle = MakeCircle({1, 1}, 1);
    const PlxPoint2D expected[] = {{2, 1}, {1, 2}, {0, 1}, {1, 0}};

    KtGeoLine line;
    ASSERT_TRUE(circle.ConvertToLine(&line, 4));
    ASSERT_EQ(line.GetSubCount(), 1);
    ASSERT_EQ(line.GetPointCount(), 5);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(line.GetPoints(0)[i], expected[i]) << i;
    EXPECT_EQ(line.GetPoints(0)[4], expected[0]);

    KtGeoRegion region;
    ASSERT_TRUE(circle.ConvertToRegion(&region, 4));
    ASSERT_EQ(region.GetSubCount(), 1);
    ASSERT_EQ(region.GetPointCount(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(region.GetPoints(0)[i], expected[i]) << i;
}

TEST(CircleConversion, DefaultAndClampedSegments) {
    KtGeoCircle circle = MakeCircle({0, 0}, 5);
    KtGeoLine line;
    ASSERT_TRUE(circle.ConvertToLine(&line, 0));
    EXPECT_EQ(line.GetPointCount(), 73);
    // The eighth of 72 segments lies at 45 degrees.
    ExpectNear(line.GetPoints(0)[9], 5 * kCos45, 5 * kCos45);
    KtGeoRegion region;
    ASSERT_TRUE(circle.ConvertToRegion(&region, INT_MAX));
    EXPECT_EQ(region.GetPointCount(), 100000);
}

TEST(CircleConversion, OverflowingRadiusIsRefused) {
    KtGeoCircle circle = MakeCircle({1e308, 0}, 1e308);
    KtGeoLine line;
    EXPECT_FALSE(circle.ConvertToLine(&line, 4));
    EXPECT_FALSE(line.IsValid());
}

TEST(CurveBound, ArcCoversOnlyTheAxesItPasses) {
    struct Case {
        double a0, a1;
        PlxRect2D rc;
    };
    const Case cases[] = {
        {0, 90, PlxRect2D(0, 1, 1, 0)},
        {350, 10, PlxRect2D(kCos10, kSin10, 1, -kSin10)},
        {45, 135, PlxRect2D(-kCos45, 1, kCos45, kCos45)},
        {0, 0, PlxRect2D(-1, 1, 1, -1)},
    };
    for (const Case& c : cases) {
        PlxRect2D rc;
        ASSERT_TRUE(MakeArc({0, 0}, 1, c.a0, c.a1).GetBound(rc));
        EXPECT_NEAR(rc.left, c.rc.left, kEps) << c.a0 << " -> " << c.a1;
        EXPECT_NEAR(rc.top, c.rc.top, kEps) << c.a0 << " -> " << c.a1;
        EXPECT_NEAR(rc.right, c.rc.right, kEps) << c.a0 << " -> " << c.a1;
        EXPECT_NEAR(rc.bottom, c.rc.bottom, kEps) << c.a0 << " -> " << c.a1;
    }
    PlxRect2D rc;
    ASSERT_TRUE(MakeCircle({2, 3}, 1).GetBound(rc));
    EXPECT_EQ(rc.left, 1);
    EXPECT_EQ(rc.top, 4);
    EXPECT_EQ(rc.right, 3);
    EXPECT_EQ(rc.bottom, 2);
}

TEST(CurveRotate, CentreMovesAndAnglesTurn) {
    KtGeoArc arc = MakeArc({1, 0}, 1, 0, 90);
    arc.Rotate({0, 0}, 90);
    EXPECT_EQ(arc.GetCenter(), PlxPoint2D(0, 1));
    EXPECT_EQ(arc.GetStartAngle(), 90);
    EXPECT_EQ(arc.GetEndAngle(), 180);
    EXPECT_EQ(arc.GetSweepAngle(), 90);

    KtGeoCircle circle = MakeCircle({2, 1}, 1);
    circle.Rotate({1, 1}, 90);
    EXPECT_EQ(circle.GetCenter(), PlxPoint2D(1, 2));
    circle.Rotate({1, 1}, std::nan(""));
    EXPECT_EQ(circle.GetCenter(), PlxPoint2D(1, 2));
}

}  // namespace
