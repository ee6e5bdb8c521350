// Region assembly: an area's arcs read back from the file and joined into rings, and the
// area's fill style.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "KoGeometry/KtGeoRegion.h"
#include "KtReadWapFile.h"
#include "TopologyTestFiles.h"

using namespace KTX;
using topotest::WapArc;
using topotest::WapArea;

namespace {

using Ring = std::vector<PlxPoint2D>;

// Arcs 1 to 4 border area 1; arc 5 borders areas 2 and 3 only; arc 6 has an attribute line
// of 8 fields.
const std::string kArcs =
    "6\n" + WapArc("1,0", {"0,0", "10,0"}, 11) + WapArc("0,1", {"10,0", "10,10"}, 12) +
    WapArc("1,0", {"10,10", "0,10", "-1,5"}, 13) + WapArc("1,0", {"2,2", "4,2", "3,4"}, 14) +
    WapArc("2,3", {"50,50", "60,60"}, 15) + WapArc("1,0", {"7,7", "8,8"}, 16, "1,0,2,0.5,0,0,0,0");

std::string AreaFile(const std::string& strAreas, int nAreas = 1) {
    return "area file\n" + kArcs + "1\n" + std::to_string(nAreas) + "\n" + strAreas;
}

class RegionAssemblyTest : public ::testing::Test {
protected:
    void SetUp() override { topotest::TakeRefusedItemLogs(); }

    // Pre-reads the file and reads area i into m_feature; the reader's result.
    bool ReadArea(const std::string& strText, int i = 0, bool bCADMode = true) {
        if (m_read.index.IsEmpty() && !m_read.Read(strText, ".wap"))
            return false;
        m_read.reader.m_bCADMode = bCADMode;
        return m_read.reader.ReadItemData(m_read.index[i], &m_feature);
    }
    const KtGeoRegion* Region() const {
        return dynamic_cast<const KtGeoRegion*>(m_feature.GetGeometry());
    }
    std::vector<Ring> Rings() const {
        std::vector<Ring> rings;
        const KtGeoRegion* pRegion = Region();
        for (int i = 0; pRegion != nullptr && i < pRegion->GetSubCount(); ++i) {
            const PlxPoint2D* p = pRegion->GetPoints(i);
            rings.emplace_back(p, p + pRegion->GetSubPntCount(i));
        }
        return rings;
    }
    int UserID() const {
        const PlxVariant* pValue = m_feature.GetValue(kUserIDFieldName);
        return pValue == nullptr || pValue->IsNull() ? -999 : pValue->ToInt();
    }

    topotest::PreRead<KtReadWapFile> m_read;
    KtFeature m_feature;
};

struct RingCase {
    const char* pszName;
    std::vector<std::string> refs;
    std::vector<Ring> rings;
};

void PrintTo(const RingCase& c, std::ostream* pOut) {
    *pOut << c.pszName;
}

class RegionRingTest : public RegionAssemblyTest, public ::testing::WithParamInterface<RingCase> {};

TEST_P(RegionRingTest, JoinsArcsIntoRings) {
    const RingCase& c = GetParam();
    ASSERT_TRUE(ReadArea(AreaFile(WapArea(31, c.refs))));
    EXPECT_EQ(UserID(), 31);
    EXPECT_EQ(Rings(), c.rings);
    EXPECT_EQ(topotest::TakeRefusedItemLogs(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    References, RegionRingTest,
    ::testing::Values(RingCase{"ForwardInFileOrder",
                               {"1", "2", "3", "0"},
                               {{{0, 0}, {10, 0}, {10, 0}, {10, 10}, {10, 10}, {0, 10}, {-1, 5}}}},
                      RingCase{"NegativeReferenceRunsBackwards",
                               {"1", "-2", "0"},
                               {{{0, 0}, {10, 0}, {10, 10}, {10, 0}}}},
                      RingCase{"TwoRings",
                               {"1", "2", "0", "4", "0"},
                               {{{0, 0}, {10, 0}, {10, 0}, {10, 10}}, {{2, 2}, {4, 2}, {3, 4}}}},
                      RingCase{"RingOfOneBackwardArc", {"-3", "0"}, {{{-1, 5}, {0, 10}, {10, 10}}}},
                      RingCase{
                          "EmptyRingsAddNothing", {"0", "4", "0", "0"}, {{{2, 2}, {4, 2}, {3, 4}}}},
                      RingCase{"ArcOfOtherAreasLeftOutSilently",
                               {"1", "5", "2", "0"},
                               {{{0, 0}, {10, 0}, {10, 0}, {10, 10}}}},
                      RingCase{"PointsAfterTheLastRingEndAreDropped",
                               {"4", "0", "1", "2"},
                               {{{2, 2}, {4, 2}, {3, 4}}}}),
    [](const ::testing::TestParamInfo<RingCase>& info) { return info.param.pszName; });

TEST_F(RegionAssemblyTest, NoClosingRingEndGivesNoRegionButSetsTheIdentifier) {
    EXPECT_FALSE(ReadArea(AreaFile(WapArea(31, {"1", "2"}))));
    EXPECT_EQ(m_feature.GetGeometry(), nullptr);
    EXPECT_EQ(UserID(), 31);
}

TEST_F(RegionAssemblyTest, ArcWithEightAttributeFieldsIsLoggedOncePerArea) {
    const std::string strAreas = WapArea(1, {"1", "6", "2", "0"}) + WapArea(2, {"6", "5", "0"});
    ASSERT_TRUE(ReadArea(AreaFile(strAreas, 2), 0));
    EXPECT_EQ(Rings(), (std::vector<Ring>{{{0, 0}, {10, 0}, {10, 0}, {10, 10}}}));
    EXPECT_EQ(topotest::TakeRefusedItemLogs(), 1);
    ASSERT_TRUE(ReadArea("", 1));
    EXPECT_EQ(Rings(), (std::vector<Ring>{{{50, 50}, {60, 60}}}));
    EXPECT_EQ(topotest::TakeRefusedItemLogs(), 1);
}

TEST_F(RegionAssemblyTest, UnknownArcReadsFromTheTopAndIsLeftOut) {
    // The not-found record points at the title line, which is no arc attribute line.
    ASSERT_TRUE(ReadArea(AreaFile(WapArea(1, {"99", "4", "0"}))));
    EXPECT_EQ(Rings(), (std::vector<Ring>{{{2, 2}, {4, 2}, {3, 4}}}));
    EXPECT_EQ(topotest::TakeRefusedItemLogs(), 1);
}

TEST_F(RegionAssemblyTest, AreasCanBeReadInAnyOrderAndAgain) {
    // Area 2 is bordered by arc 5 only.
    const std::string strAreas = WapArea(1, {"1", "2", "0"}) + WapArea(2, {"4", "5", "0"});
    ASSERT_TRUE(ReadArea(AreaFile(strAreas, 2), 1));
    EXPECT_EQ(UserID(), 2);
    ASSERT_TRUE(ReadArea("", 0));
    EXPECT_EQ(UserID(), 1);
    ASSERT_TRUE(ReadArea("", 1));
    EXPECT_EQ(Rings(), (std::vector<Ring>{{{50, 50}, {60, 60}}}));
}

TEST_F(RegionAssemblyTest, ArcReadAgainForAnotherAreaAnswersAsItsLinesDo) {
    // Arc 5 borders areas 2 and 3 only. Once read for area 2, the reads for areas 3 and 4
    // find it among the arcs read lately, and must answer as its lines would.
    const std::string strAreas = WapArea(1, {"1", "0"}) + WapArea(2, {"5", "0"}) +
                                 WapArea(3, {"-5", "0"}) + WapArea(4, {"5", "0"}) +
                                 WapArea(5, {"5", "0"});
    ASSERT_TRUE(ReadArea(AreaFile(strAreas, 5), 1));
    EXPECT_EQ(Rings(), (std::vector<Ring>{{{50, 50}, {60, 60}}}));
    ASSERT_TRUE(ReadArea("", 2));
    EXPECT_EQ(Rings(), (std::vector<Ring>{{{60, 60}, {50, 50}}}));
    // Not a neighbour of area 4: left out, and the area has no ring.
    EXPECT_FALSE(ReadArea("", 3));
    // A record whose arc names another identifier than the arc's last line.
    auto* pArea = dynamic_cast<tagWapIndex*>(m_read.index[4]);
    const tagArcIndex arc5 = pArea->arrArcs[0];
    auto pTable = std::make_shared<KtWapArcTable>();
    pTable->arcs.push_back({99, arc5.nFilePos, arc5.nArea1, arc5.nArea2});
    pTable->refs = {1, 0};
    pArea->arrArcs = KtAreaArcs(pTable, 0, 2);
    m_feature.SetGeometry(nullptr);
    EXPECT_FALSE(ReadArea("", 4));
    EXPECT_EQ(topotest::TakeRefusedItemLogs(), 0);
}

TEST_F(RegionAssemblyTest, AFileOpenedAgainIsReadAgain) {
    ASSERT_TRUE(ReadArea(AreaFile(WapArea(1, {"4", "0"}))));
    EXPECT_EQ(Rings(), (std::vector<Ring>{{{2, 2}, {4, 2}, {3, 4}}}));
    // The same layout with other points: every arc stands where it stood in the first file.
    std::string strOther = AreaFile(WapArea(1, {"4", "0"}));
    strOther.replace(strOther.find("2,2\n4,2\n3,4"), 11, "5,5\n7,5\n6,7");
    topotest::PreRead<KtReadWapFile> other;
    ASSERT_TRUE(other.Read(strOther, ".wap"));
    ASSERT_TRUE(other.reader.ReadItemData(other.index[0], &m_feature));
    EXPECT_EQ(Rings(), (std::vector<Ring>{{{5, 5}, {7, 5}, {6, 7}}}));
}

TEST_F(RegionAssemblyTest, IdentifierChangedSinceThePreReadIsRefused) {
    ASSERT_TRUE(m_read.Read(AreaFile(WapArea(31, {"4", "0"})), ".wap"));
    auto* pArea = dynamic_cast<tagWapIndex*>(m_read.index[0]);
    pArea->nItemID = 32;
    EXPECT_FALSE(m_read.reader.ReadItemData(pArea, &m_feature));
    EXPECT_EQ(m_feature.GetGeometry(), nullptr);
    EXPECT_EQ(UserID(), -999);
    EXPECT_EQ(topotest::TakeRefusedItemLogs(), 0);
}

TEST_F(RegionAssemblyTest, AreaLineNoLongerOfElevenFieldsIsLogged) {
    ASSERT_TRUE(m_read.Read(AreaFile(WapArea(31, {"4", "0"})), ".wap"));
    // Moved to the arc count line, which has one field.
    tagWapIndex* pArea = dynamic_cast<tagWapIndex*>(m_read.index[0]);
    pArea->nFilePos = static_cast<int>(std::string("area file\n").size());
    EXPECT_FALSE(m_read.reader.ReadItemData(pArea, &m_feature));
    EXPECT_EQ(topotest::TakeRefusedItemLogs(), 1);
}

TEST_F(RegionAssemblyTest, NullFeatureIsRefused) {
    ASSERT_TRUE(m_read.Read(AreaFile(WapArea(31, {"4", "0"})), ".wap"));
    EXPECT_FALSE(m_read.reader.ReadItemData(m_read.index[0], nullptr));
    EXPECT_FALSE(m_read.reader.ReadItemData(nullptr, &m_feature));
}

TEST_F(RegionAssemblyTest, FeatureCarriesTheUserIdentifierField) {
    ASSERT_TRUE(ReadArea(AreaFile(WapArea(31, {"4", "0"}))));
    const PlxFieldInfos& infos = m_feature.GetFieldInfos();
    ASSERT_EQ(infos.GetSize(), 1);
    EXPECT_EQ(infos[0].m_strName, PlxUnicodeString(kUserIDFieldName));
}

// Colours 3 red, 5 light cyan, 7 green; fill pattern 4 maps to host fill style 6.
const std::string kColors =
    topotest::ColorFile({{3, 0, 100, 100, 0}, {5, 50, 0, 0, 0}, {7, 100, 0, 100, 0}});
const std::string kStyles = "fill 4 6 test pattern\n";

struct StyleCase {
    const char* pszName;
    int nFillColor, nPatternColor;
    bool bFillColorSet;
    PLXCOLOR crFill;
    bool bLineColorSet;
    PLXCOLOR crLine;
};

void PrintTo(const StyleCase& c, std::ostream* pOut) {
    *pOut << c.pszName;
}

class RegionStyleTest : public RegionAssemblyTest,
                        public ::testing::WithParamInterface<StyleCase> {};

TEST_P(RegionStyleTest, PatternColourGoesOverFillColour) {
    const StyleCase& c = GetParam();
    topotest::SharedTables tables(m_read.Dir(), kColors, kStyles);
    ASSERT_TRUE(ReadArea(AreaFile(WapArea(1, {"4", "0"}, c.nFillColor, 4, c.nPatternColor))));
    const KtStyle* pStyle = Region()->GetStyle();
    ASSERT_NE(pStyle, nullptr);
    EXPECT_EQ(pStyle->IsSet(KtStyle::FillForeColorSet), c.bFillColorSet);
    if (c.bFillColorSet) {
        EXPECT_EQ(pStyle->GetFillForeColor(), c.crFill);
    }
    EXPECT_EQ(pStyle->IsSet(KtStyle::LineColorSet), c.bLineColorSet);
    if (c.bLineColorSet) {
        EXPECT_EQ(pStyle->GetLineColor(), c.crLine);
    }
    EXPECT_TRUE(pStyle->IsSet(KtStyle::FillStyleSet));
    EXPECT_EQ(pStyle->GetFillStyle(), 6);
}

INSTANTIATE_TEST_SUITE_P(
    Colours, RegionStyleTest,
    ::testing::Values(StyleCase{"FillColourOnly", 3, 9, true, PLXRGB(255, 0, 0), false, 0},
                      StyleCase{"PatternColourWins", 3, 7, true, PLXRGB(0, 255, 0), true,
                                PLXRGB(0, 255, 0)},
                      StyleCase{"PatternColourOnly", 99, 5, true, PLXRGB(127, 255, 255), true,
                                PLXRGB(127, 255, 255)},
                      StyleCase{"NeitherKnown", 98, 99, false, 0, false, 0}),
    [](const ::testing::TestParamInfo<StyleCase>& info) { return info.param.pszName; });

TEST_F(RegionAssemblyTest, UnmappedPatternGivesHostFillStyleZero) {
    topotest::SharedTables tables(m_read.Dir(), kColors, kStyles);
    ASSERT_TRUE(ReadArea(AreaFile(WapArea(1, {"4", "0"}, 3, 2, 0))));
    ASSERT_NE(Region()->GetStyle(), nullptr);
    EXPECT_EQ(Region()->GetStyle()->GetFillStyle(), 0);
}

TEST_F(RegionAssemblyTest, WithoutCADModeTheRegionHasNoStyle) {
    topotest::SharedTables tables(m_read.Dir(), kColors, kStyles);
    ASSERT_TRUE(ReadArea(AreaFile(WapArea(1, {"4", "0"}, 3, 4, 7)), 0, false));
    ASSERT_NE(Region(), nullptr);
    EXPECT_EQ(Region()->GetStyle(), nullptr);
    EXPECT_EQ(Rings(), (std::vector<Ring>{{{2, 2}, {4, 2}, {3, 4}}}));
}

}  // namespace
