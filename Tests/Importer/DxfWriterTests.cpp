// The DXF writer's helpers, with values worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "DxfColor.h"
#include "DxfCurves.h"
#include "DxfGroups.h"
#include "DxfLineTypes.h"
#include "DxfNames.h"
#include "DxfText.h"

namespace mapgis_dxf {
namespace {

struct RealCase {
    double dfValue;
    const char* pszText;
};

class FormatReal : public testing::TestWithParam<RealCase> {};

TEST_P(FormatReal, FixedWithOneDecimalAtLeast) {
    EXPECT_EQ(FormatDxfReal(GetParam().dfValue), GetParam().pszText);
}

INSTANTIATE_TEST_SUITE_P(Values, FormatReal,
                         testing::Values(RealCase{12.5, "12.5"}, RealCase{3, "3.0"},
                                         RealCase{-0.25, "-0.25"}, RealCase{0, "0.0"},
                                         RealCase{-0.0, "0.0"}, RealCase{-1e-12, "0.0"},
                                         RealCase{39512400.0, "39512400.0"},
                                         RealCase{39512400.123456789, "39512400.1234568"},
                                         RealCase{28975248.5 + 3.7e-9, "28975248.5"},
                                         RealCase{0.1 + 0.2, "0.3"},
                                         RealCase{1.23456789012, "1.2345678901"},
                                         RealCase{std::numeric_limits<double>::quiet_NaN(), "0.0"},
                                         RealCase{std::numeric_limits<double>::infinity(), "0.0"}));

TEST(DxfGroups, CodeRightAlignedThenValue) {
    DxfGroups groups;
    groups.Text(0, "SECTION");
    groups.Int(370, 30);
    groups.Point(10, 1, 2.5);
    groups.Handle(5, 0x1A2B);
    EXPECT_EQ(groups.Str(), "  0\nSECTION\n370\n30\n 10\n1.0\n 20\n2.5\n  5\n1A2B\n");
    EXPECT_EQ(FormatDxfHandle(255), "FF");
}

struct AciCase {
    uint32_t nRgb;
    int nAci;
};

class NearestAciOf : public testing::TestWithParam<AciCase> {};

TEST_P(NearestAciOf, Rgb) {
    EXPECT_EQ(NearestAci(GetParam().nRgb), GetParam().nAci);
}

// 1 to 9 as AutoCAD defines them; black and white 7; 20 is hue 15 at full brightness
// (255, 255 * 15 / 60 = 63, 0); 16 full red at brightness 0.5 (127); 13 red at 0.8 (204)
// and half saturation (102); 250 the darkest grey (51).
INSTANTIATE_TEST_SUITE_P(Colors, NearestAciOf,
                         testing::Values(AciCase{0xFF0000, 1}, AciCase{0xFFFF00, 2},
                                         AciCase{0x00FF00, 3}, AciCase{0x00FFFF, 4},
                                         AciCase{0x0000FF, 5}, AciCase{0xFF00FF, 6},
                                         AciCase{0xFFFFFF, 7}, AciCase{0x000000, 7},
                                         AciCase{0x808080, 8}, AciCase{0xC0C0C0, 9},
                                         AciCase{0xFF3F00, 20}, AciCase{0x7F0000, 16},
                                         AciCase{0xCC6666, 13}, AciCase{0x333333, 250},
                                         AciCase{0xFE0101, 1}, AciCase{0xFF4000, 20}));

TEST(AciColor, HueShades) {
    EXPECT_EQ(AciColor(11), 0xFF7F7Fu);   // full brightness, half saturation
    EXPECT_EQ(AciColor(30), 0xFF7F00u);   // hue 30: 255 * 30 / 60 = 127.5
    EXPECT_EQ(AciColor(50), 0xFFFF00u);   // hue 60
    EXPECT_EQ(AciColor(90), 0x00FF00u);   // hue 120
    EXPECT_EQ(AciColor(170), 0x0000FFu);  // hue 240
    EXPECT_EQ(AciColor(19), 0x4C2626u);   // brightness 0.3 (76.5), half saturation (38.25)
}

TEST(ParseHexColor, OnlyHashAndSixDigits) {
    EXPECT_EQ(ParseHexColor("#00A0e9"), 0x00A0E9u);
    EXPECT_FALSE(ParseHexColor("00A0E9"));
    EXPECT_FALSE(ParseHexColor("#00A0E"));
    EXPECT_FALSE(ParseHexColor("#00A0EG"));
}

struct WeightCase {
    double dfWidth;
    int nWeight;
};

class LineWeight : public testing::TestWithParam<WeightCase> {};

TEST_P(LineWeight, NearestStandardWeight) {
    EXPECT_EQ(LineWeightOfWidth(GetParam().dfWidth), GetParam().nWeight);
}

// 0.1 mm is 10: 9 is 1 away, 13 is 3; 0.52 is 52: 53 is 1 away, 50 is 2; 0.22: 20 is 2 away,
// 25 is 3; beyond the thickest, the thickest.
INSTANTIATE_TEST_SUITE_P(Widths, LineWeight,
                         testing::Values(WeightCase{0, 0}, WeightCase{0.15, 15}, WeightCase{0.1, 9},
                                         WeightCase{0.3, 30}, WeightCase{0.22, 20},
                                         WeightCase{0.52, 53}, WeightCase{0.5, 50},
                                         WeightCase{3.0, 211}));

TEST(LineWeight, NoneForNegativeOrNotANumber) {
    EXPECT_FALSE(LineWeightOfWidth(-0.1));
    EXPECT_FALSE(LineWeightOfWidth(std::numeric_limits<double>::quiet_NaN()));
}

TEST(LineTypes, DashedStylesOnly) {
    EXPECT_FALSE(LineTypeOfStyle(0));
    EXPECT_FALSE(LineTypeOfStyle(1));
    EXPECT_FALSE(LineTypeOfStyle(9));
    EXPECT_EQ(LineTypeOfStyle(2)->adfPattern, (std::vector<double>{4, -2}));
    EXPECT_STREQ(LineTypeOfStyle(5)->pszName, "MAPGIS_DOT");
    EXPECT_EQ(LineTypeOfStyle(7)->adfPattern, (std::vector<double>{4, -1.5, 0.5, -1.5, 0.5, -1.5}));
}

struct TextCase {
    const char* pszUtf8;
    const char* pszBytes;
    int nEscaped;
};

class EncodeText : public testing::TestWithParam<TextCase> {};

TEST_P(EncodeText, GbkOrEscaped) {
    const DxfEncodedText encoded = EncodeDxfText(GetParam().pszUtf8);
    EXPECT_EQ(encoded.strBytes, GetParam().pszBytes);
    EXPECT_EQ(encoded.nEscaped, GetParam().nEscaped);
}

// 中 is D6 D0 and 文 CE C4 in GBK, the middle dot A1 A4; GBK has no Thai (U+0E01), no euro
// sign and no emoji (U+1F600, whose UTF-16 halves are D83D and DE00); a tab and a byte that
// is not UTF-8 cannot stand in a TEXT either.
INSTANTIATE_TEST_SUITE_P(
    Texts, EncodeText,
    testing::Values(TextCase{"Bridge 12", "Bridge 12", 0},
                    TextCase{"\xE4\xB8\xAD\xE6\x96\x87", "\xD6\xD0\xCE\xC4", 0},
                    TextCase{"A\xC2\xB7"
                             "B",
                             "A\xA1\xA4"
                             "B",
                             0},
                    TextCase{"\xE0\xB8\x81x", "\\U+0E01x", 1},
                    TextCase{"\xF0\x9F\x98\x80", "\\U+D83D\\U+DE00", 1},
                    TextCase{"a\tb", "a\\U+0009b", 1}, TextCase{"\xE2\x82\xAC", "\\U+20AC", 1},
                    TextCase{"\xFF", "\\U+FFFD", 1}, TextCase{"\xE4\xB8", "\\U+FFFD\\U+FFFD", 2}));

TEST(FullWidth, OneWideCharacterOnly) {
    EXPECT_TRUE(IsOneFullWidthCharacter("\xE6\xB5\x8B"));  // 测 U+6D4B
    EXPECT_TRUE(IsOneFullWidthCharacter("\xEF\xBC\x8C"));  // full-width comma U+FF0C
    EXPECT_FALSE(IsOneFullWidthCharacter("R"));
    EXPECT_FALSE(
        IsOneFullWidthCharacter("\xE6\xB5\x8B"
                                "A"));                  // two characters
    EXPECT_FALSE(IsOneFullWidthCharacter("\xC2\xB7"));  // middle dot: ambiguous width
    EXPECT_FALSE(IsOneFullWidthCharacter(""));
}

TEST(LayerName, ForbiddenCharactersReplaced) {
    int nEscaped = 0;
    EXPECT_EQ(DxfLayerName("a/b:c*d", &nEscaped), "a_b_c_d");
    EXPECT_EQ(nEscaped, 0);
}

OGRCircularString Arc(std::initializer_list<std::pair<double, double>> points) {
    OGRCircularString arc;
    for (const auto& [x, y] : points)
        arc.addPoint(x, y);
    return arc;
}

TEST(CurveVertices, ArcsAsBulges) {
    // Over the top from left to right: clockwise, half a turn: -tan(180 / 4).
    std::vector<DxfVertex> v = CurveVertices(Arc({{0, 0}, {1, 1}, {2, 0}}));
    ASSERT_EQ(v.size(), 2u);
    EXPECT_NEAR(v[0].dfBulge, -1.0, 1e-12);
    EXPECT_EQ(v[1].dfBulge, 0.0);
    // A quarter turn counter-clockwise: tan(90 / 4).
    const double h = std::sqrt(0.5);
    v = CurveVertices(Arc({{1, 0}, {h, h}, {0, 1}}));
    EXPECT_NEAR(v[0].dfBulge, std::tan(M_PI / 8), 1e-12);
    // A full circle: two half circles.
    v = CurveVertices(Arc({{0, 0}, {2, 0}, {0, 0}}));
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[0].dfBulge, 1.0);
    EXPECT_EQ(v[1].dfX, 2.0);
    EXPECT_EQ(v[1].dfBulge, 1.0);
    EXPECT_EQ(RingVertices(Arc({{0, 0}, {2, 0}, {0, 0}})).size(), 2u);
}

TEST(SingleArc, CentreRadiusAndAngles) {
    const double h = std::sqrt(0.5);
    for (const auto& arc : {Arc({{1, 0}, {h, h}, {0, 1}}), Arc({{0, 1}, {h, h}, {1, 0}})}) {
        const std::optional<DxfArc> found = SingleArc(arc);
        ASSERT_TRUE(found);
        EXPECT_NEAR(found->dfX, 0, 1e-12);
        EXPECT_NEAR(found->dfY, 0, 1e-12);
        EXPECT_NEAR(found->dfRadius, 1, 1e-12);
        EXPECT_NEAR(found->dfStart, 0, 1e-9);
        EXPECT_NEAR(found->dfEnd, 90, 1e-9);
        EXPECT_FALSE(found->bCircle);
    }
    const std::optional<DxfArc> circle = SingleArc(Arc({{0, 0}, {2, 0}, {0, 0}}));
    ASSERT_TRUE(circle);
    EXPECT_TRUE(circle->bCircle);
    EXPECT_EQ(circle->dfX, 1.0);
    EXPECT_EQ(circle->dfRadius, 1.0);
    EXPECT_FALSE(SingleArc(Arc({{0, 0}, {1, 0}, {2, 0}})));  // on a line
}

TEST(RingVertices, ClosingVertexDropped) {
    OGRLinearRing ring;
    for (const auto& [x, y] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}})
        ring.addPoint(x, y);
    const std::vector<DxfVertex> v = RingVertices(ring);
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ(v.back().dfX, 0.0);
    EXPECT_EQ(v.back().dfY, 1.0);
}

}  // namespace
}  // namespace mapgis_dxf
