// Layout of annotation texts: control codes, fractions, spaced and vertical texts, rotation.
// Expected positions are worked out by hand from the layout rules (height H, width W,
// spacing S, angle A; pieces advance W/2 per full character and W/4 per group character).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "WatTestSupport.h"

using KTX::KtReadWatFileTestAccess;
using KTX::PlxPoint2D;
using wattest::CellList;
using wattest::U;
using wattest::Utf8;

namespace {

constexpr double kEps = 1e-9;

struct ExpectedCell {
    int nCellType;
    int nSizeMode;
    std::string text;
    double x, y;
};

void ExpectCells(const CellList& cells, const std::vector<ExpectedCell>& expected) {
    ASSERT_EQ(cells.Size(), static_cast<int>(expected.size()));
    for (int i = 0; i < cells.Size(); ++i) {
        SCOPED_TRACE("piece " + std::to_string(i));
        EXPECT_EQ(cells[i].nCellType, expected[i].nCellType);
        EXPECT_EQ(cells[i].nSizeMode, expected[i].nSizeMode);
        EXPECT_EQ(Utf8(cells[i].strText), expected[i].text);
        EXPECT_NEAR(cells[i].pntPos.x, expected[i].x, kEps);
        EXPECT_NEAR(cells[i].pntPos.y, expected[i].y, kEps);
    }
}

const KTX::tagTextLineCell& AsLine(const CellList& cells, int i) {
    const auto* p = dynamic_cast<const KTX::tagTextLineCell*>(cells.arr[i]);
    EXPECT_NE(p, nullptr);
    static const KTX::tagTextLineCell empty;
    return p != nullptr ? *p : empty;
}

class WatLayout : public ::testing::Test {
protected:
    KTX::KtReadWatFile reader;

    int Convert(const std::string& text, CellList& cells, double dSpace = 0.0,
                double dAngle = 0.0) {
        return KtReadWatFileTestAccess::ConversionText(reader, U(text), 0.0, 0.0, 10.0, 8.0, dSpace,
                                                       dAngle, cells.arr);
    }
};

struct CanConvertCase {
    const char* text;
    bool expected;
};

class WatCanConvert : public WatLayout, public ::testing::WithParamInterface<CanConvertCase> {};

TEST_P(WatCanConvert, DetectsCodesAndFractions) {
    EXPECT_EQ(KtReadWatFileTestAccess::CanConversionText(reader, U(GetParam().text)),
              GetParam().expected)
        << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, WatCanConvert,
    ::testing::Values(CanConvertCase{"m#+2#=", true}, CanConvertCase{"H#-2#=O", true},
                      CanConvertCase{"a#b", false}, CanConvertCase{"/1/2/", true},
                      CanConvertCase{"/", true}, CanConvertCase{"1/2", false},
                      CanConvertCase{"50%", false}, CanConvertCase{"", false},
                      CanConvertCase{"#", false}, CanConvertCase{"ab#", false},
                      CanConvertCase{"#-", true}, CanConvertCase{"/a", false}));

TEST_F(WatLayout, RotationLeavesPointForNearZeroAngle) {
    const PlxPoint2D p =
        KtReadWatFileTestAccess::RatotePoint2D(reader, {1, 1}, {2.5, -3.25}, 0.000000001);
    EXPECT_EQ(p.x, 2.5);
    EXPECT_EQ(p.y, -3.25);
}

TEST_F(WatLayout, RotationIsCounterClockwiseAboutCentre) {
    PlxPoint2D p = KtReadWatFileTestAccess::RatotePoint2D(reader, {1, 1}, {2, 1}, 90);
    EXPECT_NEAR(p.x, 1, kEps);
    EXPECT_NEAR(p.y, 2, kEps);
    p = KtReadWatFileTestAccess::RatotePoint2D(reader, {0, 0}, {2, 0}, -90);
    EXPECT_NEAR(p.x, 0, kEps);
    EXPECT_NEAR(p.y, -2, kEps);
    p = KtReadWatFileTestAccess::RatotePoint2D(reader, {10, 0}, {10, 4}, 180);
    EXPECT_NEAR(p.x, 10, kEps);
    EXPECT_NEAR(p.y, -4, kEps);
}

TEST_F(WatLayout, SpacedTextAdvancesHalfWidthPlusSpacing) {
    CellList cells;
    double x = 0, y = 0;
    EXPECT_EQ(KtReadWatFileTestAccess::ExcuteText05(reader, U("abc"), x, y, 5, 2, 1, 0, cells.arr),
              3);
    ExpectCells(cells, {{0, 0, "a", 0, 0}, {0, 0, "b", 2, 0}, {0, 0, "c", 4, 0}});
    EXPECT_NEAR(x, 6, kEps);
    EXPECT_NEAR(y, 0, kEps);
}

TEST_F(WatLayout, SpacedTextFollowsTheBaselineAngle) {
    CellList cells;
    double x = 1, y = 1;
    KtReadWatFileTestAccess::ExcuteText05(reader, U("ab"), x, y, 5, 2, 1, 90, cells.arr);
    ExpectCells(cells, {{0, 0, "a", 1, 1}, {0, 0, "b", 1, 3}});
    EXPECT_NEAR(x, 1, kEps);
    EXPECT_NEAR(y, 5, kEps);
}

TEST_F(WatLayout, SpacedEmptyTextLeavesThePen) {
    CellList cells;
    double x = 3, y = 4;
    EXPECT_EQ(KtReadWatFileTestAccess::ExcuteText05(reader, U(""), x, y, 5, 2, 1, 0, cells.arr), 0);
    EXPECT_EQ(x, 3);
    EXPECT_EQ(y, 4);
}

TEST_F(WatLayout, VerticalTextRunsDownward) {
    CellList cells;
    EXPECT_EQ(KtReadWatFileTestAccess::ExcuteText04(reader, U("ab"), 0, 0, 10, 8, 0, 45, cells.arr),
              2);
    ExpectCells(cells, {{0, -2, "a", 0, 0}, {0, -2, "b", 0, -11}});
    // The second character's x is 11 * cos(-90 degrees), a rounding error of about 6.7e-16.
    EXPECT_NE(cells[1].pntPos.x, 0.0);
    EXPECT_LT(std::fabs(cells[1].pntPos.x), 1e-15);
}

TEST_F(WatLayout, VerticalPitchAddsSpacing) {
    CellList cells;
    KtReadWatFileTestAccess::ExcuteText04(reader, U("xyz"), 5, 5, 2, 8, 0.3, 0, cells.arr);
    ExpectCells(cells, {{0, -2, "x", 5, 5}, {0, -2, "y", 5, 2.5}, {0, -2, "z", 5, 0}});
}

TEST_F(WatLayout, SubscriptAfterBaseCharacter) {
    CellList cells;
    EXPECT_EQ(Convert("H#-2#=O", cells), 3);
    ExpectCells(cells, {{0, 0, "H", 0, 0}, {0, -1, "2", 4, -5}, {0, 0, "O", 6, 0}});
}

TEST_F(WatLayout, StackedGroupsShareOnePosition) {
    CellList cells;
    double x = 0, y = 0;
    EXPECT_EQ(KtReadWatFileTestAccess::ExcuteText02(reader, U("x#+ab#-cd#="), 1, 0, x, y, 10, 8, 0,
                                                    0, cells.arr),
              11);
    ExpectCells(cells, {{0, 0, "x", 0, 0}, {0, 1, "ab", 4, 0}, {0, -1, "cd", 4, -5}});
    EXPECT_NEAR(x, 8, kEps);
    EXPECT_NEAR(y, 0, kEps);
}

TEST_F(WatLayout, StackedGroupsTurnWithTheBaseline) {
    CellList cells;
    double x = 0, y = 0;
    KtReadWatFileTestAccess::ExcuteText02(reader, U("x#+ab#-cd#="), 1, 0, x, y, 10, 8, 0, 90,
                                          cells.arr);
    // Along the y axis: the groups 4 up from the base, the lowered one 5 to the right.
    ExpectCells(cells, {{0, 0, "x", 0, 0}, {0, 1, "ab", 0, 4}, {0, -1, "cd", 5, 4}});
    EXPECT_NEAR(x, 0, kEps);
    EXPECT_NEAR(y, 8, kEps);
}

TEST_F(WatLayout, PlainRunAndGroupFollowARotatedBaseline) {
    CellList cells;
    Convert("ab H#-2#=", cells, 0.0, 90.0);
    ExpectCells(cells, {{0, 0, "ab ", 0, 0}, {0, 0, "H", 0, 12}, {0, -1, "2", 5, 16}});
}

TEST_F(WatLayout, StackedGroupsThroughConversion) {
    CellList cells;
    EXPECT_EQ(Convert("x#+ab#-cd#=", cells), 3);
    ExpectCells(cells, {{0, 0, "x", 0, 0}, {0, 1, "ab", 4, 0}, {0, -1, "cd", 4, -5}});
}

TEST_F(WatLayout, OneCharacterGroupsFollowEachOther) {
    CellList cells;
    double x = 0, y = 0;
    EXPECT_EQ(KtReadWatFileTestAccess::ExcuteText01(reader, U("x#+2#=#-3#="), 1, 0, x, y, 10, 8, 0,
                                                    0, cells.arr),
              11);
    // '2' raised at the pen after the base (4), '3' one group character (W/4 = 2) further,
    // half a height below the baseline.
    ExpectCells(cells, {{0, 0, "x", 0, 0}, {0, 1, "2", 4, 0}, {0, -1, "3", 6, -5}});
    EXPECT_NEAR(x, 8, kEps);
    EXPECT_NEAR(y, 0, kEps);
}

TEST_F(WatLayout, OneCharacterGroupsTurnWithTheBaseline) {
    CellList cells;
    double x = 0, y = 0;
    KtReadWatFileTestAccess::ExcuteText01(reader, U("x#-2#="), 1, 0, x, y, 10, 8, 0, 90, cells.arr);
    // Along the y axis: base at (0,0), the group 4 further up and 5 to the right (below a
    // baseline pointing up is to its right).
    ExpectCells(cells, {{0, 0, "x", 0, 0}, {0, -1, "2", 5, 4}});
    EXPECT_NEAR(x, 0, kEps);
    EXPECT_NEAR(y, 6, kEps);
}

TEST_F(WatLayout, UnclosedOneCharacterGroupLeavesThePen) {
    CellList cells;
    double x = 1, y = 2;
    EXPECT_EQ(KtReadWatFileTestAccess::ExcuteText01(reader, U("x#+ab=z"), 1, 0, x, y, 10, 8, 0, 0,
                                                    cells.arr),
              6);
    ExpectCells(cells, {{0, 0, "x", 1, 2}});
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 2);
}

TEST_F(WatLayout, FractionStacksNumeratorOverDenominator) {
    CellList cells;
    EXPECT_EQ(Convert("/12/3/", cells), 3);
    ASSERT_EQ(cells.Size(), 3);
    EXPECT_EQ(cells[0].nCellType, 1);
    const KTX::tagTextLineCell& bar = AsLine(cells, 0);
    EXPECT_NEAR(bar.pntPos.x, 0, kEps);
    EXPECT_NEAR(bar.pntPos.y, 0, kEps);
    EXPECT_NEAR(bar.pntEnd.x, 8, kEps);
    EXPECT_NEAR(bar.pntEnd.y, 0, kEps);
    EXPECT_EQ(cells[1].nCellType, 0);
    EXPECT_EQ(Utf8(cells[1].strText), "12");
    EXPECT_NEAR(cells[1].pntPos.x, 0, kEps);
    EXPECT_NEAR(cells[1].pntPos.y, 12.5, kEps);
    EXPECT_EQ(Utf8(cells[2].strText), "3");
    EXPECT_NEAR(cells[2].pntPos.x, 2, kEps);
    EXPECT_NEAR(cells[2].pntPos.y, -2.5, kEps);
}

TEST_F(WatLayout, FractionDenominatorKeepsFurtherSlashes) {
    CellList cells;
    Convert("/ab/c/d/", cells);
    ASSERT_EQ(cells.Size(), 3);
    // Three denominator characters: bar 3 * W/2 = 12 long, centre at 6.
    EXPECT_NEAR(AsLine(cells, 0).pntEnd.x, 12, kEps);
    EXPECT_EQ(Utf8(cells[1].strText), "ab");
    EXPECT_NEAR(cells[1].pntPos.x, 2, kEps);
    EXPECT_EQ(Utf8(cells[2].strText), "c/d");
    EXPECT_NEAR(cells[2].pntPos.x, 0, kEps);
}

TEST_F(WatLayout, FractionTurnsAboutItsStart) {
    CellList cells;
    Convert("/12/3/", cells, 0.0, 90.0);
    ASSERT_EQ(cells.Size(), 3);
    const KTX::tagTextLineCell& bar = AsLine(cells, 0);
    EXPECT_NEAR(bar.pntPos.x, 0, kEps);
    EXPECT_NEAR(bar.pntPos.y, 0, kEps);
    EXPECT_NEAR(bar.pntEnd.x, 0, kEps);
    EXPECT_NEAR(bar.pntEnd.y, 8, kEps);
    EXPECT_NEAR(cells[1].pntPos.x, -12.5, kEps);
    EXPECT_NEAR(cells[1].pntPos.y, 0, kEps);
    EXPECT_NEAR(cells[2].pntPos.x, 2.5, kEps);
    EXPECT_NEAR(cells[2].pntPos.y, 2, kEps);
}

TEST_F(WatLayout, FractionWithoutInnerSlashGivesNothing) {
    CellList cells;
    EXPECT_EQ(Convert("/12/", cells), 0);
    EXPECT_EQ(Convert("/", cells), 0);
    EXPECT_EQ(Convert("//", cells), 0);
}

TEST_F(WatLayout, PlainRunBeforeGroupIsOnePieceWithoutSpacing) {
    CellList cells;
    Convert("ab H#-2#=", cells);
    // "ab " is one piece; the pen then stands at 3 * W/2 = 12.
    ExpectCells(cells, {{0, 0, "ab ", 0, 0}, {0, 0, "H", 12, 0}, {0, -1, "2", 16, -5}});
}

TEST_F(WatLayout, PlainRunBeforeGroupIsCutWithSpacing) {
    CellList cells;
    Convert("ab H#-2#=", cells, 0.5);
    // Each character advances W/2 + S = 4.5.
    ExpectCells(cells, {{0, 0, "a", 0, 0},
                        {0, 0, "b", 4.5, 0},
                        {0, 0, " ", 9, 0},
                        {0, 0, "H", 13.5, 0},
                        {0, -1, "2", 17.5, -5}});
}

TEST_F(WatLayout, TrailingPlainRunIsAlwaysCut) {
    CellList cells;
    Convert("m#+2#=ab", cells);
    ExpectCells(cells,
                {{0, 0, "m", 0, 0}, {0, 1, "2", 4, 0}, {0, 0, "a", 6, 0}, {0, 0, "b", 10, 0}});
}

TEST_F(WatLayout, CodeAtTheStartIsPlainText) {
    CellList cells;
    Convert("#+2#=", cells);
    ExpectCells(cells, {{0, 0, "#", 0, 0},
                        {0, 0, "+", 4, 0},
                        {0, 0, "2", 8, 0},
                        {0, 0, "#", 12, 0},
                        {0, 0, "=", 16, 0}});
}

TEST_F(WatLayout, GroupWithoutClosingTakesTheRestOfTheText) {
    CellList cells;
    Convert("x#-abc", cells);
    ExpectCells(cells, {{0, 0, "x", 0, 0}, {0, -1, "abc", 4, -5}});
}

TEST_F(WatLayout, CodeInTheLastCharactersStaysInsideTheText) {
    for (const char* text : {"ab#+", "ab#-c", "ab#+c=", "a#-"}) {
        SCOPED_TRACE(text);
        CellList cells;
        Convert(text, cells);
        int nTotal = 0;
        for (int i = 0; i < cells.Size(); ++i)
            nTotal += cells[i].strText.GetLength();
        // Nothing is laid out twice and nothing beyond the text appears.
        EXPECT_LE(nTotal, static_cast<int>(std::string(text).size()));
    }
    CellList cells;
    Convert("ab#+", cells);
    // 'a' plain, 'b' the base; the empty raised group is kept as an empty piece.
    ExpectCells(cells, {{0, 0, "a", 0, 0}, {0, 0, "b", 4, 0}, {0, 1, "", 8, 0}});
}

TEST_F(WatLayout, UnsignedGroupStandsOnTheBaseline) {
    CellList cells;
    double x = 0, y = 0;
    KtReadWatFileTestAccess::ExcuteText02(reader, U("x#+ab#=#-cd#="), 1, 0, x, y, 10, 8, 0, 0,
                                          cells.arr);
    // The "=" between the two closed groups is an unsigned group without text.
    ExpectCells(cells,
                {{0, 0, "x", 0, 0}, {0, 1, "ab", 4, 0}, {0, 0, "", 4, 0}, {0, -1, "cd", 4, -5}});
    EXPECT_NEAR(x, 8, kEps);
}

TEST_F(WatLayout, ResumedCharacterIsNotTestedForCodes) {
    CellList cells;
    // "#+bc=" has no "#=": nothing is raised and the pen stays at the base. The walk resumes
    // at the "#" of "#-d#=", which is then taken as plain text.
    Convert("a#+bc=#-d#=", cells);
    ExpectCells(cells, {{0, 0, "a", 0, 0},
                        {0, 0, "#", 0, 0},
                        {0, 0, "-", 4, 0},
                        {0, 0, "d", 8, 0},
                        {0, 0, "#", 12, 0},
                        {0, 0, "=", 16, 0}});
}

TEST_F(WatLayout, InvalidGroupPositionsProduceNothing) {
    CellList cells;
    double x = 0, y = 0;
    EXPECT_EQ(KtReadWatFileTestAccess::ExcuteText01(reader, U("#+a#="), 0, -1, x, y, 10, 8, 0, 0,
                                                    cells.arr),
              0);
    EXPECT_EQ(
        KtReadWatFileTestAccess::ExcuteText02(reader, U("x#"), 5, 0, x, y, 10, 8, 0, 0, cells.arr),
        0);
    EXPECT_EQ(cells.Size(), 0);
}

}  // namespace
