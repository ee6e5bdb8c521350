// Annotation and multi-line texts of point files, read from written files and laid out into
// pieces. Text record: x, y, id, 0, 'text', height H, width W, spacing S, angle A, font, -,
// font style, arrangement, colour, -, -. Multi-line text: x, y, id, 5, text, H, W, -, A, font,
// -, font style, -, offset, -, -, colour, -, -. Expected positions are worked out by hand:
// a text's start lies H from its point, left of the baseline; full characters advance W/2,
// group characters W/4; lowered groups sit H/2 below; vertical characters 1.1 H apart.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "KoBase/KtStringEx.h"
#include "KoGeometry/KtGeometry.h"
#include "KtReadWatFile.h"
#include "PluginTestSupport.h"

using pt::Piece;

namespace {

std::string Face(const char* pszID) {
    KTX::KtStringEx s;
    EXPECT_TRUE(s.LoadResString(pt::U(pszID))) << pszID;
    return pt::Utf8(s);
}

class WatText : public ::testing::Test {
protected:
    void SetUp() override { KTX::KtLogFile::GetInstance(true); }

    // Reads a file of the one record; the feature keeps the geometry.
    bool ReadOne(const std::string& strRecord, bool bCADMode = true) {
        m_pRead = std::make_unique<pt::PreRead<KTX::KtReadWatFile>>();
        EXPECT_TRUE(m_pRead->Read("points\n1\n" + strRecord + "\n", "t.wat"));
        EXPECT_EQ(m_pRead->Count(), 1);
        feature = std::make_unique<KTX::KtFeature>();
        return m_pRead->Count() == 1 && m_pRead->ReadItem(0, *feature, bCADMode);
    }
    // The style of the text read; a text without one fails the test.
    const KTX::KtTextStyle& Style() const {
        static const KTX::KtTextStyle none;
        const auto* pText = dynamic_cast<const KTX::KtGeoText*>(feature->GetGeometry());
        const KTX::KtTextStyle* pStyle = pText == nullptr ? nullptr : pText->GetTextStyle();
        EXPECT_NE(pStyle, nullptr);
        return pStyle != nullptr ? *pStyle : none;
    }

    testfiles::TempDir dir;
    pt::SharedTables tables{dir, pt::kRgbColors};
    std::unique_ptr<pt::PreRead<KTX::KtReadWatFile>> m_pRead;
    std::unique_ptr<KTX::KtFeature> feature = std::make_unique<KTX::KtFeature>();
};

struct LayoutCase {
    friend std::ostream& operator<<(std::ostream& o, const LayoutCase& c) { return o << c.pszName; }
    const char* pszName;
    std::string strRecord;
    int nType;  // of the geometry: a text, or a compound of pieces
    std::vector<Piece> pieces;
};

LayoutCase Layout(const char* pszName, const char* pszRecord, int nType,
                  std::vector<Piece> pieces) {
    return {pszName, pszRecord, nType, std::move(pieces)};
}

class WatTextLayout : public WatText, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(WatTextLayout, PiecesStandWhereTheRulesPutThem) {
    const LayoutCase& c = GetParam();
    ASSERT_TRUE(ReadOne(c.strRecord));
    EXPECT_EQ(pt::UserID(*feature), 9);
    ASSERT_NE(feature->GetGeometry(), nullptr);
    EXPECT_EQ(feature->GetGeometry()->GetType(), c.nType);
    pt::ExpectPieces(feature->GetGeometry(), c.pieces);
    // The typed layers get the same pieces without style.
    ASSERT_TRUE(ReadOne(c.strRecord, false));
    std::vector<Piece> unstyled = c.pieces;
    for (Piece& piece : unstyled)
        piece.h = piece.w = 0;
    pt::ExpectPieces(feature->GetGeometry(), unstyled);
    EXPECT_EQ(pt::TakeRefusedLogs("KtReadWatFile"), 0);
}

constexpr int kText = KTX::KTGEO_TEXT;
constexpr int kCompound = KTX::KTGEO_COMPOUND;

INSTANTIATE_TEST_SUITE_P(
    Texts, WatTextLayout,
    ::testing::Values(
        // Turned a quarter, the start lies H to the left of the point: (10 - 2, 10).
        Layout("PlainTurned", "10,10,9,0,'Ab',2,8,0,90,1,0,0,0,3,0,0", kText,
               {{"Ab", 8, 10, 2, 4, 90}}),
        Layout("CodesNeedASign", "0,0,9,0,'a#b',2,8,0,0,1,0,0,0,3,0,0", kText,
               {{"a#b", 0, 2, 2, 4}}),
        // Spaced: every character W/2 + S = 3 on, each H above its baseline point.
        Layout("Spaced", "0,0,9,0,'abc',2,4,1,0,1,0,0,0,3,0,0", kCompound,
               {{"a", 0, 2, 2, 2}, {"b", 3, 2, 2, 2}, {"c", 6, 2, 2, 2}}),
        // Vertical: downward from the point, 1.1 H = 2.2 apart.
        Layout("Vertical", "10,10,9,0,'abc',2,8,0,0,1,0,0,2,3,0,0", kText,
               {{"a", 10, 10, 2, 4}, {"b", 10, 7.8, 2, 4}, {"c", 10, 5.6, 2, 4}}),
        // Turned a quarter about the point, (10, 7.8) comes to (12.2, 10).
        Layout("VerticalTurned", "10,10,9,0,'ab',2,8,0,90,1,0,0,1,3,0,0", kText,
               {{"a", 10, 10, 2, 4, 90}, {"b", 12.2, 10, 2, 4, 90}}),
        // The codes' texts start at (0, -10 + H) = (0, 0).
        Layout("Subscript", "0,-10,9,0,'H#-2#=O',10,8,0,0,1,0,0,0,3,0,0", kCompound,
               {{"H", 0, 0, 10, 4}, {"2", 4, -5, 5, 2}, {"O", 6, 0, 10, 4}}),
        Layout("SuperscriptThenPlainRun", "0,-10,9,0,'m#+2#=ab',10,8,0,0,1,0,0,0,3,0,0", kCompound,
               {{"m", 0, 0, 10, 4}, {"2", 4, 0, 5, 2}, {"a", 6, 0, 10, 4}, {"b", 10, 0, 10, 4}}),
        // Stacked groups share one place; the text after them starts W/2 + 2 W/4 on.
        Layout("StackedGroups", "0,-10,9,0,'x#+ab#-cd#=y',10,8,0,0,1,0,0,0,3,0,0", kCompound,
               {{"x", 0, 0, 10, 4}, {"ab", 4, 0, 5, 2}, {"cd", 4, -5, 5, 2}, {"y", 8, 0, 10, 4}}),
        // A plain run before a group is one piece; the pen then stands 3 W/2 on.
        Layout("RunBeforeGroup", "0,-10,9,0,'ab H#-2#=',10,8,0,0,1,0,0,0,3,0,0", kCompound,
               {{"ab ", 0, 0, 10, 4}, {"H", 12, 0, 10, 4}, {"2", 16, -5, 5, 2}}),
        // Groups turn with the baseline: lowered is to the right of a baseline pointing up.
        Layout("GroupTurned", "10,0,9,0,'H#-2#=',10,8,0,90,1,0,0,0,3,0,0", kCompound,
               {{"H", 0, 0, 10, 4, 90}, {"2", 5, 4, 5, 2, 90}}),
        // Two numerator characters: bar 2 W/2 = 8 long, numerator 5 H/4 above, the
        // denominator H/4 below and centred under the bar.
        Layout("Fraction", "0,-10,9,0,'/12/3/',10,8,0,0,1,0,0,0,3,0,0", kCompound,
               {{"bar", 8, 0}, {"12", 0, 12.5, 10, 4}, {"3", 2, -2.5, 10, 4}}),
        Layout("FractionDenominatorKeepsSlashes", "0,-10,9,0,'/ab/c/d/',10,8,0,0,1,0,0,0,3,0,0",
               kCompound, {{"bar", 12, 0}, {"ab", 2, 12.5, 10, 4}, {"c/d", 0, -2.5, 10, 4}}),
        // A multi-line text stands its offset above its point, the whole field its text.
        Layout("MultiLine", "10,10,9,5,Two lines,6,5,0,0,3,0,3,0,3,0,0,5,0,0", kText,
               {{"Two lines", 10, 13, 6, 2.5}}),
        Layout("MultiLineTurned", "10,10,9,5,'q',6,5,0,90,3,0,3,0,3,0,0,5,0,0", kText,
               {{"'q'", 7, 10, 6, 2.5, 90}})),
    [](const ::testing::TestParamInfo<LayoutCase>& info) { return info.param.pszName; });

TEST_F(WatText, StyleColourFaceAndItalic) {
    ASSERT_TRUE(ReadOne("0,0,9,0,'Ab',6,5,0,0,1,0,0,0,3,0,0"));
    EXPECT_EQ(Style().GetForeColor(), pt::kRed);
    EXPECT_FALSE(Style().IsItalic());
    ASSERT_TRUE(ReadOne("0,0,9,5,Two,6,5,0,0,1,0,3,0,3,0,0,5,0,0"));
    EXPECT_EQ(Style().GetForeColor(), pt::kGreen);
    // An unknown colour leaves the host's default.
    ASSERT_TRUE(ReadOne("0,0,9,0,'Ab',6,5,0,0,1,0,0,0,4,0,0"));
    EXPECT_FALSE(Style().IsSet(KTX::KtTextStyle::ForeColorSet));

    // Fonts 2, 3 and 4 have faces of their own, every other number that of font 1.
    const struct {
        int nFont;
        const char* pszFace;
    } kFonts[] = {{0, "IMl001"}, {1, "IMl001"}, {2, "IMl004"},
                  {3, "IMl002"}, {4, "IMl005"}, {5, "IMl001"}};
    for (const auto& c : kFonts) {
        SCOPED_TRACE(c.nFont);
        ASSERT_TRUE(ReadOne("0,0,9,0,'Ab',6,5,0,0," + std::to_string(c.nFont) + ",0,3,0,3,0,0"));
        EXPECT_EQ(pt::Utf8(Style().GetFaceName()), Face(c.pszFace));
        EXPECT_TRUE(Style().IsItalic());
    }
    EXPECT_NE(Face("IMl001"), Face("IMl002"));
    EXPECT_NE(Face("IMl004"), Face("IMl005"));
}

TEST_F(WatText, EmptyTextsAreRefusedWithoutLog) {
    EXPECT_FALSE(ReadOne("0,0,9,0,'',6,5,0,0,1,0,0,0,3,0,0"));
    EXPECT_FALSE(ReadOne("0,0,9,0,'',6,5,0,0,1,0,0,1,3,0,0"));
    EXPECT_FALSE(ReadOne("0,0,9,5,,6,5,0,0,1,0,0,0,0,0,0,3,0,0"));
    EXPECT_EQ(feature->GetGeometry(), nullptr);
    EXPECT_EQ(pt::TakeRefusedLogs("KtReadWatFile"), 0);
}

}  // namespace
