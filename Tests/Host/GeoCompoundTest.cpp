// Compounds: ownership of parts, Divide with and without copies, nesting, deep copies and
// the reshaping that the typed layers do with Divide and the conversions.
#include <gtest/gtest.h>

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

// A point that counts the live instances, so that ownership is visible without a sanitizer.
class CountedPoint : public KtGeoPoint {
public:
    CountedPoint() { ++s_nLive; }
    CountedPoint(const CountedPoint& o) : KtGeoPoint(o) { ++s_nLive; }
    ~CountedPoint() override { --s_nLive; }
    KtGeometry* Clone() const override { return new CountedPoint(*this); }
    static int s_nLive;
};
int CountedPoint::s_nLive = 0;

CountedPoint* NewPoint(double x, double y) {
    auto* p = new CountedPoint;
    p->Make(x, y);
    return p;
}

KtGeoLine* NewLine(std::initializer_list<PlxPoint2D> pts) {
    auto* line = new KtGeoLine;
    line->Make(pts.begin(), static_cast<int>(pts.size()));
    return line;
}

KtGeoArc* NewArc(PlxPoint2D c, double r, double a0, double a1) {
    auto* arc = new KtGeoArc;
    arc->Make(c, r, a0, a1);
    return arc;
}

KtGeoCircle* NewCircle(PlxPoint2D c, double r) {
    auto* circle = new KtGeoCircle;
    circle->Make(c, r);
    return circle;
}

class CompoundTest : public ::testing::Test {
protected:
    void SetUp() override { CountedPoint::s_nLive = 0; }
    void TearDown() override { EXPECT_EQ(CountedPoint::s_nLive, 0); }
};

TEST_F(CompoundTest, TakenPartsDieWithTheCompound) {
    {
        KtGeoCompound compound;
        ASSERT_TRUE(compound.AddCompound(NewPoint(1, 1), true));
        ASSERT_TRUE(compound.AddCompound(NewPoint(2, 2), true));
        EXPECT_EQ(CountedPoint::s_nLive, 2);
        EXPECT_EQ(compound.GetCount(), 2);
        EXPECT_TRUE(compound.IsValid());
    }
    EXPECT_EQ(CountedPoint::s_nLive, 0);
}

TEST_F(CompoundTest, UntakenPartsAreCopied) {
    std::unique_ptr<CountedPoint> point(NewPoint(3, 4));
    {
        KtGeoCompound compound;
        ASSERT_TRUE(compound.AddCompound(point.get(), false));
        EXPECT_EQ(CountedPoint::s_nLive, 2);
        ASSERT_NE(compound.GetAt(0), point.get());
        EXPECT_EQ(static_cast<const KtGeoPoint*>(compound.GetAt(0))->GetPoint(), PlxPoint2D(3, 4));
    }
    EXPECT_EQ(CountedPoint::s_nLive, 1);
}

TEST_F(CompoundTest, RefusesNullSelfAndCycles) {
    KtGeoCompound compound;
    EXPECT_FALSE(compound.AddCompound(nullptr, true));
    EXPECT_FALSE(compound.AddCompound(&compound, true));
    EXPECT_FALSE(compound.AddCompound(&compound, false));
    EXPECT_EQ(compound.GetCount(), 0);
    EXPECT_EQ(compound.GetAt(0), nullptr);

    auto* outer = new KtGeoCompound;
    auto* inner = new KtGeoCompound;
    ASSERT_TRUE(outer->AddCompound(inner, true));
    // inner taking outer would make each own the other.
    EXPECT_FALSE(inner->AddCompound(outer, true));
    EXPECT_EQ(inner->GetCount(), 0);
    delete outer;
}

TEST_F(CompoundTest, DivideHandsOutOwnPointersOrCopies) {
    KtGeoCompound compound;
    ASSERT_TRUE(compound.AddCompound(NewPoint(1, 1), true));
    ASSERT_TRUE(compound.AddCompound(NewLine({{0, 0}, {1, 0}}), true));

    PlxArray<KtGeometry*> parts;
    ASSERT_TRUE(compound.Divide(parts, false));
    ASSERT_EQ(parts.GetSize(), 2);
    EXPECT_EQ(parts[0], compound.GetAt(0));
    EXPECT_EQ(parts[1], compound.GetAt(1));
    EXPECT_EQ(CountedPoint::s_nLive, 1);

    ASSERT_TRUE(compound.Divide(parts, true));
    ASSERT_EQ(parts.GetSize(), 2);
    EXPECT_NE(parts[0], compound.GetAt(0));
    EXPECT_EQ(parts[0]->GetType(), KTGEO_POINT);
    EXPECT_EQ(parts[1]->GetType(), KTGEO_LINE);
    EXPECT_EQ(CountedPoint::s_nLive, 2);
    for (KtGeometry* p : parts)
        delete p;
    EXPECT_EQ(compound.GetCount(), 2);

    KtGeoCompound empty;
    EXPECT_FALSE(empty.Divide(parts, true));
    EXPECT_EQ(parts.GetSize(), 0);
}

TEST_F(CompoundTest, NestedCompoundsStayNested) {
    auto* inner = new KtGeoCompound;
    ASSERT_TRUE(inner->AddCompound(NewPoint(2, 1), true));
    KtGeoCompound outer;
    ASSERT_TRUE(outer.AddCompound(inner, true));
    ASSERT_TRUE(outer.AddCompound(NewPoint(5, 5), true));

    PlxArray<KtGeometry*> parts;
    ASSERT_TRUE(outer.Divide(parts, false));
    ASSERT_EQ(parts.GetSize(), 2);
    EXPECT_EQ(parts[0]->GetType(), KTGEO_COMPOUND);

    outer.Rotate({1, 1}, 90);
    EXPECT_EQ(static_cast<const KtGeoPoint*>(inner->GetAt(0))->GetPoint(), PlxPoint2D(1, 2));

    PlxRect2D rc;
    ASSERT_TRUE(outer.GetBound(rc));
    EXPECT_EQ(rc.left, -3);
    EXPECT_EQ(rc.top, 5);
    EXPECT_EQ(rc.right, 1);
    EXPECT_EQ(rc.bottom, 2);

    // An empty compound inside makes the whole invalid.
    EXPECT_TRUE(outer.IsValid());
    ASSERT_TRUE(inner->AddCompound(new KtGeoCompound, true));
    EXPECT_FALSE(outer.IsValid());
}

TEST_F(CompoundTest, CopiesAreDeep) {
    auto* inner = new KtGeoCompound;
    ASSERT_TRUE(inner->AddCompound(NewPoint(1, 0), true));
    KtGeoCompound original;
    ASSERT_TRUE(original.AddCompound(inner, true));
    KtStyle style;
    style.SetLineColor(PLXRGB(1, 2, 3));
    original.SetStyle(&style);

    KtGeoCompound copy(original);
    EXPECT_EQ(CountedPoint::s_nLive, 2);
    ASSERT_EQ(copy.GetCount(), 1);
    EXPECT_NE(copy.GetAt(0), inner);
    ASSERT_NE(copy.GetStyle(), nullptr);
    copy.Rotate({0, 0}, 90);
    EXPECT_EQ(static_cast<const KtGeoPoint*>(inner->GetAt(0))->GetPoint(), PlxPoint2D(1, 0));

    KtGeoCompound assigned;
    ASSERT_TRUE(assigned.AddCompound(NewPoint(9, 9), true));
    assigned = copy;
    EXPECT_EQ(CountedPoint::s_nLive, 3);
    const auto& assignedInner = static_cast<const KtGeoCompound&>(*assigned.GetAt(0));
    EXPECT_EQ(static_cast<const KtGeoPoint*>(assignedInner.GetAt(0))->GetPoint(), PlxPoint2D(0, 1));
    const KtGeoCompound& self = assigned;
    assigned = self;
    EXPECT_EQ(assigned.GetCount(), 1);
    EXPECT_EQ(CountedPoint::s_nLive, 3);

    std::unique_ptr<KtGeometry> clone(original.Clone());
    EXPECT_EQ(CountedPoint::s_nLive, 4);
    EXPECT_EQ(clone->GetType(), KTGEO_COMPOUND);
}

TEST_F(CompoundTest, ConvertToLineGathersEveryConvertiblePart) {
    KtGeoCompound compound;
    ASSERT_TRUE(compound.AddCompound(NewLine({{0, 0}, {1, 0}, {1, 1}}), true));
    ASSERT_TRUE(compound.AddCompound(NewPoint(5, 5), true));
    ASSERT_TRUE(compound.AddCompound(NewArc({0, 0}, 2, 0, 90), true));
    KtGeoLine line;
    ASSERT_TRUE(compound.ConvertToLine(&line, 8));
    ASSERT_EQ(line.GetSubCount(), 2);
    EXPECT_EQ(line.GetSubPntCount(0), 3);
    ASSERT_EQ(line.GetSubPntCount(1), 3);
    EXPECT_EQ(line.GetPoints(1)[2], PlxPoint2D(0, 2));

    KtGeoCompound points;
    ASSERT_TRUE(points.AddCompound(NewPoint(5, 5), true));
    EXPECT_FALSE(points.ConvertToLine(&line, 8));
    EXPECT_EQ(line.GetSubCount(), 2);
    EXPECT_FALSE(compound.ConvertToLine(nullptr, 8));
    EXPECT_FALSE(compound.ConvertToLine(&line, -1));
}

TEST_F(CompoundTest, ConvertToRegionGathersRings) {
    KtGeoCompound compound;
    ASSERT_TRUE(compound.AddCompound(NewCircle({1, 1}, 1), true));
    ASSERT_TRUE(compound.AddCompound(NewLine({{0, 0}, {4, 0}, {4, 4}, {0, 0}}), true));
    KtGeoRegion region;
    ASSERT_TRUE(compound.ConvertToRegion(&region, 4));
    ASSERT_EQ(region.GetSubCount(), 2);
    EXPECT_EQ(region.GetSubPntCount(0), 4);
    EXPECT_EQ(region.GetPoints(0)[1], PlxPoint2D(1, 2));
    EXPECT_EQ(region.GetSubPntCount(1), 3);
}

// The line layer's way of turning a compound into one line: every line part adds all its
// points as a sub-line, regions and arcs are converted first, everything else is skipped.
bool ReshapeToLine(const KtGeoCompound& compound, KtGeoLine& result) {
    PlxArray<KtGeometry*> parts;
    compound.Divide(parts, true);
    bool bAdded = false;
    for (KtGeometry* part : parts) {
        const int nType = part->GetType();
        if (nType == KTGEO_LINE) {
            const auto* line = static_cast<const KtGeoLine*>(part);
            bAdded |= result.AddSub(line->GetPoints(0), line->GetPointCount());
        } else if (nType == KTGEO_REGION || nType == KTGEO_ARC) {
            KtGeoLine tmp;
            if (part->ConvertToLine(&tmp, 72)) {
                bAdded |= result.AddSub(tmp.GetPoints(0), tmp.GetPointCount());
            }
        }
        delete part;
    }
    return bAdded && result.IsValid();
}

TEST_F(CompoundTest, LineLayerReshaping) {
    KtGeoCompound compound;
    ASSERT_TRUE(compound.AddCompound(NewLine({{0, 0}, {1, 0}}), true));
    ASSERT_TRUE(compound.AddCompound(NewLine({{2, 0}, {3, 0}, {3, 3}}), true));
    ASSERT_TRUE(compound.AddCompound(NewArc({0, 0}, 1, 0, 90), true));
    KtGeoLine line;
    ASSERT_TRUE(ReshapeToLine(compound, line));
    ASSERT_EQ(line.GetSubCount(), 3);
    EXPECT_EQ(line.GetSubPntCount(0), 2);
    EXPECT_EQ(line.GetSubPntCount(1), 3);
    // 72 per circle: a quarter arc has 18 segments.
    ASSERT_EQ(line.GetSubPntCount(2), 19);
    EXPECT_EQ(line.GetPoints(2)[0], PlxPoint2D(1, 0));
    EXPECT_EQ(line.GetPoints(2)[18], PlxPoint2D(0, 1));

    KtGeoCompound nothing;
    ASSERT_TRUE(nothing.AddCompound(NewCircle({0, 0}, 1), true));
    ASSERT_TRUE(nothing.AddCompound(NewPoint(0, 0), true));
    KtGeoLine none;
    EXPECT_FALSE(ReshapeToLine(nothing, none));
    EXPECT_EQ(none.GetSubCount(), 0);
}

TEST_F(CompoundTest, RegionLayerReshaping) {
    KtGeoCompound compound;
    ASSERT_TRUE(compound.AddCompound(NewLine({{0, 0}, {2, 0}, {2, 2}}), true));
    PlxArray<KtGeometry*> parts;
    ASSERT_TRUE(compound.Divide(parts, true));
    KtGeoRegion region;
    const auto* line = static_cast<const KtGeoLine*>(parts[0]);
    ASSERT_TRUE(region.AddSub(line->GetPoints(0), line->GetPointCount()));
    for (KtGeometry* p : parts)
        delete p;
    EXPECT_TRUE(region.IsValid());
    ASSERT_EQ(region.GetSubCount(), 1);
    EXPECT_EQ(region.GetSubPntCount(0), 3);
}

TEST_F(CompoundTest, TextLayerReshaping) {
    auto* first = new KtGeoText;
    ASSERT_TRUE(first->Make(u"a", {0, 0}, 0));
    ASSERT_TRUE(first->AddSub(u"b", {1, 0}, 0));
    KtTextStyle style1;
    style1.SetHeight(1);
    first->SetTextStyle(&style1, false);
    auto* second = new KtGeoText;
    ASSERT_TRUE(second->Make(u"c", {0, 5}, 90));
    ASSERT_TRUE(second->AddSub(u"d", {0, 6}, 90));
    ASSERT_TRUE(second->AddSub(u"e", {0, 7}, 90));
    KtTextStyle style2;
    style2.SetWidth(4);
    second->SetTextStyle(&style2, false);
    KtGeoCompound compound;
    ASSERT_TRUE(compound.AddCompound(first, true));
    ASSERT_TRUE(compound.AddCompound(NewPoint(0, 0), true));
    ASSERT_TRUE(compound.AddCompound(second, true));

    PlxArray<KtGeometry*> parts;
    ASSERT_TRUE(compound.Divide(parts, true));
    KtGeoText text;
    for (KtGeometry* part : parts) {
        if (part->GetType() == KTGEO_TEXT) {
            const auto* t = static_cast<const KtGeoText*>(part);
            for (int i = 0; i < t->GetSubCount(); ++i) {
                ASSERT_TRUE(text.AddSub(t->GetSubAnchor(i), *t->GetSub(i)));
            }
            text.SetTextStyle(t->GetTextStyle(), false);
        }
        delete part;
    }
    ASSERT_EQ(text.GetSubCount(), 5);
    EXPECT_EQ(text.GetSub(4)->GetText(), PlxUnicodeString(u"e"));
    EXPECT_EQ(text.GetSubAnchor(3), PlxPoint2D(0, 6));
    EXPECT_EQ(text.GetSub(3)->GetAngle(), 90);
    ASSERT_NE(text.GetTextStyle(), nullptr);
    EXPECT_EQ(text.GetTextStyle()->GetWidth(), 4);
    EXPECT_FALSE(text.GetTextStyle()->IsSet(KtTextStyle::HeightSet));
}

}  // namespace
