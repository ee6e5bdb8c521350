// Texts: sub-texts with their anchors, rotation, and the text style with its merge rule.
#include <gtest/gtest.h>

#include <memory>

#include "KtGeoArc.h"
#include "KtGeoText.h"

using namespace KTX;

namespace {

TEST(GeoText, SubTextsAndSafeIndexing) {
    KtGeoText text;
    ASSERT_TRUE(text.Make(u"ab", {1, 2}, 15));
    ASSERT_TRUE(text.AddSub(u"c", {3, 4}, 0));
    ASSERT_TRUE(text.AddSub({5, 6}, KtSubText(u"d", 30)));
    EXPECT_FALSE(text.AddSub({7, 8}, KtSubText(u"", 0)));
    ASSERT_EQ(text.GetSubCount(), 3);
    EXPECT_EQ(text.GetSub(0)->GetText(), PlxUnicodeString(u"ab"));
    EXPECT_EQ(text.GetSub(0)->GetAngle(), 15);
    EXPECT_EQ(text.GetSubAnchor(1), PlxPoint2D(3, 4));
    EXPECT_EQ(text.GetSub(2)->GetAngle(), 30);
    EXPECT_EQ(text.GetSub(3), nullptr);
    EXPECT_EQ(text.GetSub(-1), nullptr);
    EXPECT_EQ(text.GetSubAnchor(3), PlxPoint2D(0, 0));
    EXPECT_EQ(text.GetSubAnchor(-7), PlxPoint2D(0, 0));

    // Make starts over with one sub-text.
    ASSERT_TRUE(text.Make(u"x", {0, 0}, 0));
    EXPECT_EQ(text.GetSubCount(), 1);
}

TEST(GeoText, RotateTurnsAnchorsAndCharacters) {
    KtGeoText text;
    ASSERT_TRUE(text.Make(u"a", {2, 1}, 10));
    ASSERT_TRUE(text.AddSub(u"b", {1, 1}, 0));
    text.Rotate({1, 1}, 90);
    EXPECT_EQ(text.GetSubAnchor(0), PlxPoint2D(1, 2));
    EXPECT_EQ(text.GetSubAnchor(1), PlxPoint2D(1, 1));
    EXPECT_EQ(text.GetSub(0)->GetAngle(), 100);
    EXPECT_EQ(text.GetSub(1)->GetAngle(), 90);

    PlxRect2D rc;
    ASSERT_TRUE(text.GetBound(rc));
    EXPECT_EQ(rc.left, 1);
    EXPECT_EQ(rc.top, 2);
    EXPECT_EQ(rc.right, 1);
    EXPECT_EQ(rc.bottom, 1);
}

TEST(GeoText, RotationThatWouldOverflowAnAngleIsIgnored) {
    KtGeoText text;
    ASSERT_TRUE(text.Make(u"a", {2, 1}, 1e308));
    text.Rotate({1, 1}, 1e308);
    EXPECT_EQ(text.GetSubAnchor(0), PlxPoint2D(2, 1));
    EXPECT_EQ(text.GetSub(0)->GetAngle(), 1e308);
    KtGeoArc arc;
    ASSERT_TRUE(arc.Make({0, 0}, 1, -1e308, 1e308));
    arc.Rotate({1, 1}, -1e308);
    EXPECT_EQ(arc.GetStartAngle(), -1e308);
    EXPECT_EQ(arc.GetCenter(), PlxPoint2D(0, 0));
}

KtTextStyle SizedStyle() {
    KtTextStyle style;
    style.SetHeight(2);
    style.SetFaceName(u"Song");
    style.SetItalic(true);
    return style;
}

KtTextStyle ColourOnly() {
    KtTextStyle style;
    style.SetForeColor(PLXRGB(255, 0, 0));
    return style;
}

TEST(TextStyle, MergeCopiesOnlySetMembers) {
    KtTextStyle style = SizedStyle();
    style.Merge(ColourOnly());
    EXPECT_EQ(style.GetForeColor(), PLXRGB(255, 0, 0));
    EXPECT_EQ(style.GetHeight(), 2);
    EXPECT_EQ(style.GetFaceName(), PlxUnicodeString(u"Song"));
    EXPECT_TRUE(style.IsItalic());
    EXPECT_TRUE(style.IsSet(KtTextStyle::ForeColorSet | KtTextStyle::HeightSet |
                            KtTextStyle::FaceNameSet | KtTextStyle::ItalicSet));
    EXPECT_FALSE(style.IsSet(KtTextStyle::WidthSet));

    // An upright setting that was made explicitly does replace italic.
    KtTextStyle upright;
    upright.SetItalic(false);
    upright.SetWidth(0.5);
    style.Merge(upright);
    EXPECT_FALSE(style.IsItalic());
    EXPECT_EQ(style.GetWidth(), 0.5);
    EXPECT_EQ(style.GetHeight(), 2);
}

TEST(GeoTextStyle, ReplaceMergeAndRemove) {
    KtGeoText text;
    ASSERT_TRUE(text.Make(u"a", {0, 0}, 0));
    EXPECT_EQ(text.GetTextStyle(), nullptr);

    const KtTextStyle sized = SizedStyle();
    text.SetTextStyle(&sized, false);
    ASSERT_NE(text.GetTextStyle(), nullptr);
    EXPECT_EQ(text.GetTextStyle()->GetHeight(), 2);

    // Replacing drops what the new style does not set.
    const KtTextStyle colour = ColourOnly();
    text.SetTextStyle(&colour, false);
    EXPECT_EQ(text.GetTextStyle()->GetHeight(), 0);
    EXPECT_FALSE(text.GetTextStyle()->IsSet(KtTextStyle::HeightSet));

    // Merging keeps it.
    text.SetTextStyle(&sized, false);
    text.SetTextStyle(&colour, true);
    EXPECT_EQ(text.GetTextStyle()->GetHeight(), 2);
    EXPECT_EQ(text.GetTextStyle()->GetForeColor(), PLXRGB(255, 0, 0));

    text.SetTextStyle(nullptr, true);
    ASSERT_NE(text.GetTextStyle(), nullptr);
    text.SetTextStyle(nullptr, false);
    EXPECT_EQ(text.GetTextStyle(), nullptr);

    // Merging into a text without style gives exactly the merged style.
    text.SetTextStyle(&colour, true);
    ASSERT_NE(text.GetTextStyle(), nullptr);
    EXPECT_EQ(text.GetTextStyle()->GetSetMask(), unsigned{KtTextStyle::ForeColorSet});
}

TEST(GeoText, CloneCarriesSubsAndStyles) {
    KtGeoText text;
    ASSERT_TRUE(text.Make(u"a", {1, 0}, 0));
    ASSERT_TRUE(text.AddSub(u"b", {2, 0}, 0));
    const KtTextStyle sized = SizedStyle();
    text.SetTextStyle(&sized, false);
    std::unique_ptr<KtGeometry> copy(text.Clone());
    text.SetTextStyle(nullptr, false);
    text.Rotate({0, 0}, 180);
    ASSERT_EQ(copy->GetType(), KTGEO_TEXT);
    const auto& t = static_cast<const KtGeoText&>(*copy);
    ASSERT_EQ(t.GetSubCount(), 2);
    EXPECT_EQ(t.GetSubAnchor(1), PlxPoint2D(2, 0));
    EXPECT_EQ(t.GetSub(1)->GetAngle(), 0);
    ASSERT_NE(t.GetTextStyle(), nullptr);
    EXPECT_EQ(t.GetTextStyle()->GetFaceName(), PlxUnicodeString(u"Song"));
}

}  // namespace
