// Validity rules of every geometry kind: what Make and AddSub accept, and what IsValid says.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>

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

struct ValidityCase {
    const char* name;
    // Builds the geometry and reports what the last Make or AddSub returned.
    std::function<std::unique_ptr<KtGeometry>(bool& bMade)> build;
    bool bExpectMade;
    bool bExpectValid;
};

std::unique_ptr<KtGeometry> LineOf(const PlxPoint2D* p, int n, bool& bMade) {
    auto line = std::make_unique<KtGeoLine>();
    bMade = line->Make(p, n);
    return line;
}

std::unique_ptr<KtGeometry> RegionOf(const PlxPoint2D* p, int n, bool& bMade) {
    auto region = std::make_unique<KtGeoRegion>();
    bMade = region->AddSub(p, n);
    return region;
}

std::unique_ptr<KtGeometry> CircleOf(PlxPoint2D c, double r, bool& bMade) {
    auto circle = std::make_unique<KtGeoCircle>();
    bMade = circle->Make(c, r);
    return circle;
}

std::unique_ptr<KtGeometry> ArcOf(PlxPoint2D c, double r, double a0, double a1, bool& bMade) {
    auto arc = std::make_unique<KtGeoArc>();
    bMade = arc->Make(c, r, a0, a1);
    return arc;
}

std::unique_ptr<KtGeometry> TextOf(const char16_t* s, PlxPoint2D p, double a, bool& bMade) {
    auto text = std::make_unique<KtGeoText>();
    bMade = text->Make(s, p, a);
    return text;
}

const PlxPoint2D kTwo[2] = {{0, 0}, {1, 1}};
const PlxPoint2D kOne[1] = {{3, 4}};
const PlxPoint2D kNaNPoint[2] = {{0, 0}, {kNaN, 1}};
const PlxPoint2D kInfPoint[2] = {{kInf, 0}, {1, 1}};

const ValidityCase kCases[] = {
    {"EmptyLine",
     [](bool& b) {
         b = false;
         return std::make_unique<KtGeoLine>();
     },
     false, false},
    {"LineTwoPoints", [](bool& b) { return LineOf(kTwo, 2, b); }, true, true},
    {"LineOnePoint", [](bool& b) { return LineOf(kOne, 1, b); }, false, false},
    {"LineNullArray", [](bool& b) { return LineOf(nullptr, 2, b); }, false, false},
    {"LineNegativeCount", [](bool& b) { return LineOf(kTwo, -2, b); }, false, false},
    {"LineNaN", [](bool& b) { return LineOf(kNaNPoint, 2, b); }, false, false},
    {"LineInfinite", [](bool& b) { return LineOf(kInfPoint, 2, b); }, false, false},
    {"RegionOnePoint", [](bool& b) { return RegionOf(kOne, 1, b); }, true, true},
    {"RegionNoPoint", [](bool& b) { return RegionOf(kOne, 0, b); }, false, false},
    {"RegionNullArray", [](bool& b) { return RegionOf(nullptr, 3, b); }, false, false},
    {"RegionNaN", [](bool& b) { return RegionOf(kNaNPoint, 2, b); }, false, false},
    {"Point",
     [](bool& b) {
         auto p = std::make_unique<KtGeoPoint>();
         b = p->Make(1, 2);
         return p;
     },
     true, true},
    {"PointNaN",
     [](bool& b) {
         auto p = std::make_unique<KtGeoPoint>();
         b = p->Make(kNaN, 2);
         return p;
     },
     false, false},
    {"UnmadePoint",
     [](bool& b) {
         b = false;
         return std::make_unique<KtGeoPoint>();
     },
     false, false},
    {"Circle",
     [](bool& b) {
         return CircleOf({0, 0}, 1, b);
     },
     true, true},
    {"CircleRadiusZero",
     [](bool& b) {
         return CircleOf({0, 0}, 0, b);
     },
     false, false},
    {"CircleRadiusNegative",
     [](bool& b) {
         return CircleOf({0, 0}, -1, b);
     },
     false, false},
    {"CircleRadiusNaN",
     [](bool& b) {
         return CircleOf({0, 0}, kNaN, b);
     },
     false, false},
    {"CircleCentreInfinite",
     [](bool& b) {
         return CircleOf({0, kInf}, 1, b);
     },
     false, false},
    {"Arc",
     [](bool& b) {
         return ArcOf({0, 0}, 1, 0, 90, b);
     },
     true, true},
    {"ArcRadiusZero",
     [](bool& b) {
         return ArcOf({0, 0}, 0, 0, 90, b);
     },
     false, false},
    {"ArcStartNaN",
     [](bool& b) {
         return ArcOf({0, 0}, 1, kNaN, 90, b);
     },
     false, false},
    {"ArcEndInfinite",
     [](bool& b) {
         return ArcOf({0, 0}, 1, 0, kInf, b);
     },
     false, false},
    {"Text",
     [](bool& b) {
         return TextOf(u"A", {0, 0}, 0, b);
     },
     true, true},
    {"TextEmpty",
     [](bool& b) {
         return TextOf(u"", {0, 0}, 0, b);
     },
     false, false},
    {"TextAnchorNaN",
     [](bool& b) {
         return TextOf(u"A", {kNaN, 0}, 0, b);
     },
     false, false},
    {"TextAngleInfinite",
     [](bool& b) {
         return TextOf(u"A", {0, 0}, -kInf, b);
     },
     false, false},
    {"EmptyCompound",
     [](bool& b) {
         b = false;
         return std::make_unique<KtGeoCompound>();
     },
     false, false},
    {"CompoundWithInvalidPart",
     [](bool& b) {
         auto c = std::make_unique<KtGeoCompound>();
         b = c->AddCompound(new KtGeoLine, true);
         return c;
     },
     true, false},
    {"CompoundWithValidPart",
     [](bool& b) {
         auto c = std::make_unique<KtGeoCompound>();
         auto* p = new KtGeoPoint;
         p->Make(0, 0);
         b = c->AddCompound(p, true);
         return c;
     },
     true, true},
};

class GeoValidity : public ::testing::TestWithParam<ValidityCase> {};

TEST_P(GeoValidity, MakeResultAndValidity) {
    const ValidityCase& c = GetParam();
    bool bMade = !c.bExpectMade;
    std::unique_ptr<KtGeometry> geometry = c.build(bMade);
    EXPECT_EQ(bMade, c.bExpectMade);
    EXPECT_EQ(geometry->IsValid(), c.bExpectValid);
    PlxRect2D rc;
    // Only a geometry that holds something has a bound.
    if (!c.bExpectMade) {
        EXPECT_FALSE(geometry->GetBound(rc));
    }
}

INSTANTIATE_TEST_SUITE_P(AllKinds, GeoValidity, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ValidityCase>& info) {
                             return std::string(info.param.name);
                         });

// A refused Make leaves the earlier content in place.
TEST(GeoRefusal, LeavesGeometryUnchanged) {
    KtGeoLine line;
    ASSERT_TRUE(line.Make(kTwo, 2));
    EXPECT_FALSE(line.Make(kNaNPoint, 2));
    EXPECT_FALSE(line.AddSub(kOne, 1));
    ASSERT_EQ(line.GetPointCount(), 2);
    EXPECT_EQ(line.GetPoints(0)[1], PlxPoint2D(1, 1));

    KtGeoCircle circle;
    ASSERT_TRUE(circle.Make({5, 6}, 2));
    EXPECT_FALSE(circle.Make({0, 0}, 0));
    EXPECT_EQ(circle.GetCenter(), PlxPoint2D(5, 6));
    EXPECT_EQ(circle.GetRadius(), 2);

    KtGeoText text;
    ASSERT_TRUE(text.Make(u"ab", {1, 1}, 30));
    EXPECT_FALSE(text.Make(u"", {0, 0}, 0));
    EXPECT_FALSE(text.AddSub(u"c", {kNaN, 0}, 0));
    ASSERT_EQ(text.GetSubCount(), 1);
    EXPECT_EQ(text.GetSub(0)->GetText(), PlxUnicodeString(u"ab"));
}

TEST(GeoTypes, CodesOfEveryKind) {
    EXPECT_EQ(KtGeoPoint().GetType(), 1);
    EXPECT_EQ(KtGeoLine().GetType(), 3);
    EXPECT_EQ(KtGeoRegion().GetType(), 5);
    EXPECT_EQ(KtGeoText().GetType(), 7);
    EXPECT_EQ(KtGeoCircle().GetType(), 15);
    EXPECT_EQ(KtGeoArc().GetType(), 24);
    EXPECT_EQ(KtGeoCompound().GetType(), 1000);
}

}  // namespace
