// Geometries as the readers build them and the layers reshape them: what Make accepts, parts
// stored one after another, conversion between kinds, compounds and texts.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "KtGeoArc.h"
#include "KtGeoCircle.h"
#include "KtGeoCompound.h"
#include "KtGeoLine.h"
#include "KtGeoPoint.h"
#include "KtGeoRegion.h"
#include "KtGeoText.h"

using namespace KTX;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();
const PlxPoint2D kSquare[4] = {{0, 0}, {2, 0}, {2, 2}, {0, 2}};
const PlxPoint2D kClosedTriangle[4] = {{0, 0}, {3, 0}, {0, 3}, {0, 0}};

TEST(GeoValidity, NothingNonFiniteOrTooSmallIsAccepted) {
    const PlxPoint2D one[1] = {{3, 4}};
    for (double bad : {kNaN, kInf, -kInf}) {
        const PlxPoint2D pts[2] = {{0, 0}, {bad, 1}};
        EXPECT_FALSE(KtGeoLine().Make(pts, 2));
        EXPECT_FALSE(KtGeoRegion().AddSub(pts, 2));
        EXPECT_FALSE(KtGeoPoint().Make(bad, 2));
        EXPECT_FALSE(KtGeoCircle().Make({0, bad}, 1));
        EXPECT_FALSE(KtGeoCircle().Make({0, 0}, bad));
        EXPECT_FALSE(KtGeoArc().Make({0, 0}, 1, bad, 90));
        EXPECT_FALSE(KtGeoArc().Make({0, 0}, 1, 0, bad));
        EXPECT_FALSE(KtGeoText().Make(u"A", {bad, 0}, 0));
        EXPECT_FALSE(KtGeoText().Make(u"A", {0, 0}, bad));
    }
    EXPECT_FALSE(KtGeoLine().Make(one, 1));
    EXPECT_FALSE(KtGeoRegion().AddSub(one, 0));
    EXPECT_FALSE(KtGeoCircle().Make({0, 0}, 0));
    EXPECT_FALSE(KtGeoArc().Make({0, 0}, -1, 0, 90));
    EXPECT_FALSE(KtGeoText().Make(u"", {0, 0}, 0));
    // Nothing made is nothing valid.
    EXPECT_FALSE(KtGeoLine().IsValid());
    EXPECT_FALSE(KtGeoText().IsValid());
    EXPECT_FALSE(KtGeoCompound().IsValid());
    KtGeoRegion region;
    EXPECT_TRUE(region.AddSub(one, 1) && region.IsValid());
    KtGeoLine line;
    EXPECT_TRUE(line.Make(kSquare, 2) && line.IsValid());
    // A refused addition leaves what was there.
    EXPECT_FALSE(line.AddSub(one, 1));
    EXPECT_TRUE(line.IsValid());
    EXPECT_EQ(line.GetPointCount(), 2);
}

TEST(GeoLineRegion, SubLinesAndConversionsBetweenTheTwo) {
    KtGeoLine line;
    ASSERT_TRUE(line.Make(kClosedTriangle, 4));
    ASSERT_TRUE(line.AddSub(kSquare, 3));
    ASSERT_EQ(line.GetSubCount(), 2);
    ASSERT_EQ(line.GetPointCount(), 7);
    EXPECT_EQ(line.GetPoints(1), line.GetPoints(0) + 4);
    // As rings the closing point goes.
    KtGeoRegion region;
    ASSERT_TRUE(line.ConvertToRegion(&region, 0));
    ASSERT_EQ(region.GetSubCount(), 2);
    EXPECT_EQ(region.GetSubPntCount(0), 3);
    EXPECT_EQ(region.GetSubPntCount(1), 3);
    // As lines the rings are closed; a one-point ring gives none.
    ASSERT_TRUE(region.AddSub(kSquare, 1));
    ASSERT_TRUE(region.ConvertToLine(&line, 0));
    ASSERT_EQ(line.GetSubCount(), 2);
    EXPECT_EQ(line.GetSubPntCount(0), 4);
    ASSERT_EQ(line.GetSubPntCount(1), 4);
    EXPECT_EQ(line.GetPoints(1)[2], PlxPoint2D(2, 2));
    EXPECT_EQ(line.GetPoints(1)[3], PlxPoint2D(0, 0));
    KtGeoRegion closed;
    ASSERT_TRUE(closed.AddSub(kClosedTriangle, 4));
    ASSERT_TRUE(closed.ConvertToLine(&line, 0));
    EXPECT_EQ(line.GetPointCount(), 4);  // already closed
    KtGeoRegion dot;
    ASSERT_TRUE(dot.AddSub(kSquare, 1));
    EXPECT_FALSE(dot.ConvertToLine(&line, 0));
}

TEST(GeoArc, SweepAndShareOfTheSegmentsOfACircle) {
    const struct {
        double a0, a1, dSweep;
        int nRequested, nPoints;
    } cases[] = {
        {0, 90, 90, 0, 19},           // 0: 72 per circle, 18 for a quarter
        {0, 90, 90, 8, 3},            // 8 per circle, 2 for a quarter
        {350, 10, 20, 72, 5},         // through 0
        {90, 0, 270, 4, 4},           // counter-clockwise, the long way
        {-90, 90, 180, 4, 3},         //
        {0, 0.001, 0.001, 72, 2},     // a tiny sweep still has one
        {0, 101, 101, 72, 22},        // 72 * 101 / 360 = 20.2, rounded up
        {30, 30, 360, 4, 5},          // full circle
        {0, 90, 90, INT_MAX, 25001},  // at most 100000 per circle
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.a0) + " -> " + std::to_string(c.a1));
        KtGeoArc arc;
        ASSERT_TRUE(arc.Make({10, 20}, 3, c.a0, c.a1));
        EXPECT_DOUBLE_EQ(arc.GetSweepAngle(), c.dSweep);
        KtGeoLine line;
        ASSERT_TRUE(arc.ConvertToLine(&line, c.nRequested));
        ASSERT_EQ(line.GetPointCount(), c.nPoints);
        EXPECT_EQ(line.GetPoints(0)[0], arc.PointAt(c.a0));
        EXPECT_EQ(line.GetPoints(0)[c.nPoints - 1], arc.PointAt(c.a1));
    }
    KtGeoArc arc;
    ASSERT_TRUE(arc.Make({0, 0}, 2, 0, 90));
    EXPECT_EQ(arc.PointAt(0), PlxPoint2D(2, 0));
    EXPECT_EQ(arc.PointAt(90), PlxPoint2D(0, 2));
    KtGeoLine line;
    ASSERT_TRUE(arc.ConvertToLine(&line, 8));
    EXPECT_NEAR(line.GetPoints(0)[1].x, std::sqrt(2.0), 1e-12);
    EXPECT_NEAR(line.GetPoints(0)[1].y, std::sqrt(2.0), 1e-12);
    // As a region the chord closes it, without a repeated point.
    KtGeoRegion region;
    ASSERT_TRUE(arc.ConvertToRegion(&region, 8));
    ASSERT_EQ(region.GetPointCount(), 3);
    EXPECT_EQ(region.GetPoints(0)[2], PlxPoint2D(0, 2));
    EXPECT_FALSE(arc.ConvertToLine(&line, -1));
}

TEST(GeoCircle, ClosedLineOrRing) {
    KtGeoCircle circle;
    ASSERT_TRUE(circle.Make({1, 1}, 1));
    const PlxPoint2D expected[] = {{2, 1}, {1, 2}, {0, 1}, {1, 0}, {2, 1}};
    KtGeoLine line;
    ASSERT_TRUE(circle.ConvertToLine(&line, 4));
    KtGeoRegion region;
    ASSERT_TRUE(circle.ConvertToRegion(&region, 4));
    EXPECT_EQ(std::vector<PlxPoint2D>(line.GetPoints(0), line.GetPoints(0) + line.GetPointCount()),
              std::vector<PlxPoint2D>(expected, expected + 5));
    EXPECT_EQ(
        std::vector<PlxPoint2D>(region.GetPoints(0), region.GetPoints(0) + region.GetPointCount()),
        std::vector<PlxPoint2D>(expected, expected + 4));
    ASSERT_TRUE(circle.ConvertToLine(&line, 0));
    EXPECT_EQ(line.GetPointCount(), 73);
    // Points beyond any double are refused rather than handed on.
    ASSERT_TRUE(circle.Make({1e308, 0}, 1e308));
    EXPECT_FALSE(circle.ConvertToLine(&line, 4));
}

// A point that counts the live instances, so that ownership shows.
class CountedPoint : public KtGeoPoint {
public:
    CountedPoint(double x, double y) {
        Make(x, y);
        ++s_nLive;
    }
    CountedPoint(const CountedPoint& o) : KtGeoPoint(o) { ++s_nLive; }
    ~CountedPoint() override { --s_nLive; }
    KtGeometry* Clone() const override { return new CountedPoint(*this); }
    static int s_nLive;
};
int CountedPoint::s_nLive = 0;

// The typed layers take compounds apart with copies that they then own.
TEST(GeoCompound, OwnsWhatItTakesAndDividesIntoDeepCopies) {
    CountedPoint::s_nLive = 0;
    {
        KtGeoCompound compound;
        PlxArray<KtGeometry*> parts;
        EXPECT_FALSE(compound.Divide(parts, true));
        ASSERT_TRUE(compound.AddCompound(new CountedPoint(1, 1), true));
        auto* text = new KtGeoText;
        ASSERT_TRUE(text->Make(u"a", {0, 0}, 0));
        ASSERT_TRUE(text->AddSub(u"b", {1, 0}, 90));
        KtTextStyle style;
        style.SetHeight(2);
        text->SetTextStyle(&style, false);
        ASSERT_TRUE(compound.AddCompound(text, true));
        ASSERT_EQ(compound.GetCount(), 2);
        EXPECT_EQ(compound.GetAt(1), text);
        EXPECT_TRUE(compound.IsValid());

        ASSERT_TRUE(compound.Divide(parts, true));
        ASSERT_EQ(parts.GetSize(), 2);
        EXPECT_EQ(CountedPoint::s_nLive, 2);
        compound.Rotate({0, 0}, 90);  // the copies keep their own anchors
        ASSERT_EQ(parts[1]->GetType(), KTGEO_TEXT);
        const auto* t = static_cast<const KtGeoText*>(parts[1]);
        ASSERT_EQ(t->GetSubCount(), 2);
        EXPECT_EQ(t->GetSubAnchor(1), PlxPoint2D(1, 0));
        EXPECT_EQ(t->GetSub(1)->GetAngle(), 90);
        ASSERT_NE(t->GetTextStyle(), nullptr);
        EXPECT_EQ(t->GetTextStyle()->GetHeight(), 2);
        for (KtGeometry* p : parts)
            delete p;
        EXPECT_EQ(CountedPoint::s_nLive, 1);
        // An invalid part makes the whole invalid.
        ASSERT_TRUE(compound.AddCompound(new KtGeoLine, true));
        EXPECT_FALSE(compound.IsValid());
    }
    EXPECT_EQ(CountedPoint::s_nLive, 0);
}

TEST(GeoText, SubTextsTurnWithTheirAnchorsAndStylesAreReplaced) {
    KtGeoText text;
    ASSERT_TRUE(text.Make(u"ab", {2, 1}, 10));
    ASSERT_TRUE(text.AddSub(u"c", {1, 1}, 0));
    ASSERT_TRUE(text.AddSub({5, 6}, KtSubText(u"d", 30)));
    EXPECT_FALSE(text.AddSub({7, 8}, KtSubText(u"", 0)));
    EXPECT_FALSE(text.AddSub(u"e", {kNaN, 0}, 0));
    ASSERT_EQ(text.GetSubCount(), 3);
    EXPECT_EQ(text.GetSub(0)->GetText(), PlxUnicodeString(u"ab"));
    EXPECT_EQ(text.GetSub(2)->GetAngle(), 30);
    text.Rotate({1, 1}, 90);
    EXPECT_EQ(text.GetSubAnchor(0), PlxPoint2D(1, 2));
    EXPECT_EQ(text.GetSubAnchor(1), PlxPoint2D(1, 1));
    EXPECT_EQ(text.GetSub(0)->GetAngle(), 100);
    EXPECT_EQ(text.GetSub(1)->GetAngle(), 90);
    // A turn that would make an angle infinite is not made.
    ASSERT_TRUE(text.Make(u"a", {2, 1}, 1e308));
    text.Rotate({1, 1}, 1e308);
    EXPECT_EQ(text.GetSubAnchor(0), PlxPoint2D(2, 1));
    EXPECT_EQ(text.GetSub(0)->GetAngle(), 1e308);
    KtTextStyle sized;
    sized.SetHeight(2);
    text.SetTextStyle(&sized, false);
    KtTextStyle coloured;
    coloured.SetForeColor(PLXRGB(255, 0, 0));
    text.SetTextStyle(&coloured, false);
    ASSERT_NE(text.GetTextStyle(), nullptr);
    EXPECT_EQ(text.GetTextStyle()->GetForeColor(), PLXRGB(255, 0, 0));
    EXPECT_FALSE(text.GetTextStyle()->IsSet(KtTextStyle::HeightSet));
    text.SetTextStyle(nullptr, false);
    EXPECT_EQ(text.GetTextStyle(), nullptr);
}

}  // namespace
