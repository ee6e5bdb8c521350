// The area file pre-read: arc, node and area sections, the index records and the bound.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <ostream>
#include <string>

#include "KtReadWapFile.h"
#include "TopologyTestFiles.h"

using namespace KTX;
using topotest::Lines;
using topotest::WapArc;
using topotest::WapArea;

namespace {

// Three arcs; area numbers name the areas 1 and 2.
const std::string kArcs = "3\n" + WapArc("1,0", {"0,0", "10,0"}, 11) +
                          WapArc("1,2", {"10,0", "10,10", "0,10"}, 12) +
                          WapArc("2,0", {"-5,20", "30,-7.5"}, 13);

class WapPreReadTest : public ::testing::Test {
protected:
    bool Read(const std::string& strText) { return m_read.Read(strText, ".wap"); }
    const tagWapIndex& Area(int i) const { return m_read.At<tagWapIndex>(i); }
    topotest::PreRead<KtReadWapFile> m_read;
};

TEST_F(WapPreReadTest, ResolvesSignedReferencesAndRingEnds) {
    const std::string strText = "title\n" + kArcs + "1\n1\n" + WapArea(70, {"1", "-2", "0"});
    ASSERT_TRUE(Read(strText));
    ASSERT_EQ(m_read.index.GetSize(), 1);
    const tagWapIndex& area = Area(0);
    EXPECT_EQ(area.nItemID, 70);
    EXPECT_EQ(area.nAreaNo, 1);
    EXPECT_EQ(area.nFilePos, topotest::OffsetOf(strText, "1,0,0.0,0.0,0.0,0,0,0,70,0,0"));
    ASSERT_EQ(area.arrArcs.GetSize(), 3);

    // Arc 1 starts after the title and the arc count line: "title\n3\n" is 8 bytes.
    EXPECT_EQ(area.arrArcs[0].nItemID, 11);
    EXPECT_EQ(area.arrArcs[0].nFilePos, 8);
    EXPECT_EQ(area.arrArcs[0].nArea1, 1);
    EXPECT_EQ(area.arrArcs[0].nArea2, 0);
    EXPECT_EQ(area.arrArcs[0].nArcNo, 1);

    const std::string strArc1 = WapArc("1,0", {"0,0", "10,0"}, 11);
    EXPECT_EQ(area.arrArcs[1].nItemID, 12);
    EXPECT_EQ(area.arrArcs[1].nFilePos, 8 + static_cast<int>(strArc1.size()));
    EXPECT_EQ(area.arrArcs[1].nArea1, 1);
    EXPECT_EQ(area.arrArcs[1].nArea2, 2);
    EXPECT_EQ(area.arrArcs[1].nArcNo, -2);

    EXPECT_EQ(area.arrArcs[2].nItemID, -1);
    EXPECT_EQ(area.arrArcs[2].nFilePos, 0);
    EXPECT_EQ(area.arrArcs[2].nArcNo, 0);
}

TEST_F(WapPreReadTest, UnknownReferenceKeepsTheNotFoundRecordWithItsNumber) {
    ASSERT_TRUE(Read("title\n" + kArcs + "1\n1\n" + WapArea(5, {"-99", "3", "0"})));
    const tagWapIndex& area = Area(0);
    ASSERT_EQ(area.arrArcs.GetSize(), 3);
    EXPECT_EQ(area.arrArcs[0].nItemID, -1);
    EXPECT_EQ(area.arrArcs[0].nFilePos, 0);
    EXPECT_EQ(area.arrArcs[0].nArcNo, -99);
    EXPECT_EQ(area.arrArcs[1].nItemID, 13);
    EXPECT_EQ(area.arrArcs[1].nArcNo, 3);
}

TEST_F(WapPreReadTest, BoundCoversEveryArcPoint) {
    ASSERT_TRUE(Read("title\n" + kArcs + "1\n1\n" + WapArea(1, {"1", "0"})));
    EXPECT_EQ(m_read.defn.GetFeatureCount(), 1);
    // x from -5 to 30, y from -7.5 to 20.
    const PlxRect2D& rc = m_read.defn.GetBound();
    EXPECT_DOUBLE_EQ(rc.left, -5.0);
    EXPECT_DOUBLE_EQ(rc.top, 20.0);
    EXPECT_DOUBLE_EQ(rc.right, 30.0);
    EXPECT_DOUBLE_EQ(rc.bottom, -7.5);
}

TEST_F(WapPreReadTest, ArcsWithoutPointsLeaveTheStartBound) {
    ASSERT_TRUE(Read("title\n2\n" + WapArc("1,0", {}, 1) + WapArc("1,0", {}, 2) + "1\n1\n" +
                     WapArea(1, {"1", "2", "0"})));
    const PlxRect2D& rc = m_read.defn.GetBound();
    EXPECT_EQ(rc.left, 1e10);
    EXPECT_EQ(rc.top, -1e10);
    EXPECT_EQ(rc.right, -1e10);
    EXPECT_EQ(rc.bottom, 1e10);
}

TEST_F(WapPreReadTest, PointLineWithOneValueAddsNoPoint) {
    ASSERT_TRUE(Read("title\n1\n" + WapArc("1,0", {"1,2", "500", "3,4"}, 1) + "1\n1\n" +
                     WapArea(1, {"1", "0"})));
    const PlxRect2D& rc = m_read.defn.GetBound();
    EXPECT_DOUBLE_EQ(rc.left, 1.0);
    EXPECT_DOUBLE_EQ(rc.top, 4.0);
    EXPECT_DOUBLE_EQ(rc.right, 3.0);
    EXPECT_DOUBLE_EQ(rc.bottom, 2.0);
}

TEST_F(WapPreReadTest, ArcThirdLineWithOneValueBordersNoArea) {
    ASSERT_TRUE(
        Read("title\n1\n" + WapArc("1", {"0,0", "1,1"}, 1) + "1\n1\n" + WapArea(1, {"1", "0"})));
    EXPECT_EQ(Area(0).arrArcs[0].nArea1, 0);
    EXPECT_EQ(Area(0).arrArcs[0].nArea2, 0);
}

// The node section: a count line c and c - 1 entries of a coordinate line, a count line and
// skipped lines. Each case must land exactly on the area count.
struct NodeCase {
    const char* pszName;
    std::string strNodes;
    int nNodePoints;
};

void PrintTo(const NodeCase& c, std::ostream* pOut) {
    *pOut << c.pszName;
}

class WapNodeSectionTest : public WapPreReadTest, public ::testing::WithParamInterface<NodeCase> {};

TEST_P(WapNodeSectionTest, SkipsToTheAreaSection) {
    const NodeCase& c = GetParam();
    ASSERT_TRUE(Read("title\n" + kArcs + c.strNodes + "1\n" + WapArea(44, {"1", "0"})));
    ASSERT_EQ(m_read.index.GetSize(), 1);
    EXPECT_EQ(Area(0).nItemID, 44);
    ASSERT_EQ(Area(0).arrArcs.GetSize(), 2);
    EXPECT_EQ(Area(0).arrArcs[0].nItemID, 11);
    EXPECT_EQ(m_read.reader.GetNodePoints().GetSize(), c.nNodePoints);
}

std::string Skipped(int n) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s += "9,9,9\n";
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Counts, WapNodeSectionTest,
    ::testing::Values(NodeCase{"OneMeansEmpty", "1\n", 0},
                      NodeCase{"TwoCharactersSkipThatMany", "2\n5,6\n12\n" + Skipped(12), 1},
                      NodeCase{"OtherCountsSkipOneLess", "2\n5,6\n5\n" + Skipped(4), 1},
                      NodeCase{"PaddingIsTrimmed", "2\n5,6\n 3 \n" + Skipped(2), 1},
                      NodeCase{"TwoEntries", "3\n5,6\n2\n9\n7,8\n3\n1\n2\n", 2},
                      NodeCase{"ZeroSkipsNothing", "2\n5,6\n1\n", 1}),
    [](const ::testing::TestParamInfo<NodeCase>& info) { return info.param.pszName; });

TEST_F(WapPreReadTest, NodeTableHoldsTheEntriesIntegers) {
    ASSERT_TRUE(
        Read("title\n" + kArcs + "3\n5.9,6\n2\n9\n-7,8\n2\n9\n1\n" + WapArea(1, {"1", "0"})));
    const PlxArray<PlxPoint2D>& nodes = m_read.reader.GetNodePoints();
    ASSERT_EQ(nodes.GetSize(), 2);
    EXPECT_EQ(nodes[0], PlxPoint2D(5, 6));
    EXPECT_EQ(nodes[1], PlxPoint2D(-7, 8));
}

TEST_F(WapPreReadTest, NodeCountBelowOneFails) {
    m_read.defn.SetFeatureCount(77);
    EXPECT_FALSE(Read("title\n" + kArcs + "0\n1\n" + WapArea(1, {"1", "0"})));
    EXPECT_EQ(m_read.index.GetSize(), 0);
    EXPECT_EQ(m_read.defn.GetFeatureCount(), 77);
}

TEST_F(WapPreReadTest, MalformedAreaLinesUseUpPasses) {
    // Four stated areas: the 10-field line, its count line and its one reference use up
    // three passes, the fourth finds the good area.
    const std::string strBad = "1,0,0.0,0.0,0.0,0,0,0,8,0\n1\n1\n";
    ASSERT_TRUE(Read("title\n" + kArcs + "1\n4\n" + strBad + WapArea(9, {"2", "0"}) +
                     WapArea(10, {"3", "0"})));
    ASSERT_EQ(m_read.index.GetSize(), 1);
    EXPECT_EQ(Area(0).nItemID, 9);
    EXPECT_EQ(Area(0).nAreaNo, 4);
    EXPECT_EQ(m_read.defn.GetFeatureCount(), 1);
}

TEST_F(WapPreReadTest, FeatureCountIsTheAreasFoundNotTheStatedCount) {
    ASSERT_TRUE(
        Read("title\n" + kArcs + "1\n5\n" + WapArea(1, {"1", "0"}) + WapArea(2, {"3", "0"})));
    ASSERT_EQ(m_read.index.GetSize(), 2);
    EXPECT_EQ(Area(1).nAreaNo, 2);
    EXPECT_EQ(m_read.defn.GetFeatureCount(), 2);
}

TEST_F(WapPreReadTest, AreaCountZeroFailsWithoutTouchingTheDefinition) {
    m_read.defn.SetFeatureCount(77);
    EXPECT_FALSE(Read("title\n" + kArcs + "1\n0\n" + WapArea(1, {"1", "0"})));
    EXPECT_EQ(m_read.index.GetSize(), 0);
    EXPECT_EQ(m_read.defn.GetFeatureCount(), 77);
    EXPECT_EQ(m_read.defn.GetBound().left, 0.0);
}

TEST_F(WapPreReadTest, NegativeAreaCountSucceedsEmpty) {
    m_read.defn.SetFeatureCount(77);
    ASSERT_TRUE(Read("title\n" + kArcs + "1\n-1\n" + WapArea(1, {"1", "0"})));
    EXPECT_EQ(m_read.index.GetSize(), 0);
    EXPECT_EQ(m_read.defn.GetFeatureCount(), 0);
    EXPECT_DOUBLE_EQ(m_read.defn.GetBound().right, 30.0);
}

TEST_F(WapPreReadTest, FileCutShortBeforeItsAreasFails) {
    EXPECT_FALSE(Read("title\n3\n" + WapArc("1,0", {"0,0", "10,0"}, 11)));
    EXPECT_EQ(m_read.index.GetSize(), 0);
}

TEST_F(WapPreReadTest, FileCutShortInTheNodeSectionFails) {
    EXPECT_FALSE(Read("title\n" + kArcs + "2\n5,6\n5\n1\n"));
    EXPECT_EQ(m_read.index.GetSize(), 0);
}

TEST_F(WapPreReadTest, FileCutShortInsideAnAreaKeepsWhatWasRead) {
    ASSERT_TRUE(Read("title\n" + kArcs + "1\n3\n" + WapArea(1, {"1", "0"}) +
                     "1,0,0.0,0.0,0.0,0,0,0,2,0,0\n4\n2\n"));
    ASSERT_EQ(m_read.index.GetSize(), 2);
    EXPECT_EQ(Area(1).nItemID, 2);
    ASSERT_EQ(Area(1).arrArcs.GetSize(), 1);
    EXPECT_EQ(Area(1).arrArcs[0].nArcNo, 2);
}

TEST_F(WapPreReadTest, FileThatCannotBeOpenedFails) {
    EXPECT_FALSE(m_read.reader.PreReadFile(u"/nonexistent/folder/t.wap", PLXCharsetUTF8,
                                           m_read.defn, m_read.index));
    tagWapIndex record;
    EXPECT_EQ(m_read.reader.GetType(&record), 0);
    KtFeature feature;
    EXPECT_FALSE(m_read.reader.ReadItemData(&record, &feature));
}

TEST_F(WapPreReadTest, RecordsAreRegions) {
    ASSERT_TRUE(Read("title\n" + kArcs + "1\n1\n" + WapArea(1, {"1", "0"})));
    EXPECT_EQ(m_read.reader.GetType(m_read.index[0]), 5);
    EXPECT_EQ(m_read.reader.GetType(nullptr), 0);
}

TEST_F(WapPreReadTest, TypedLayerChoiceKeepsOnlyRecordsOfItsTypes) {
    const std::string strText =
        "title\n" + kArcs + "1\n2\n" + WapArea(1, {"1", "0"}) + WapArea(2, {"2", "0"});
    m_read.reader.SetKeptTypes({1, 3});
    ASSERT_TRUE(Read(strText));
    EXPECT_EQ(m_read.index.GetSize(), 0);
    // The definition still counts every area the file holds.
    EXPECT_EQ(m_read.defn.GetFeatureCount(), 2);

    topotest::PreRead<KtReadWapFile> regions;
    regions.reader.SetKeptTypes({5});
    ASSERT_TRUE(regions.Read(strText, ".wap"));
    ASSERT_EQ(regions.index.GetSize(), 2);
    EXPECT_EQ(regions.At<tagWapIndex>(1).nItemID, 2);
}

TEST_F(WapPreReadTest, CloneCopiesTheArcListIndependently) {
    ASSERT_TRUE(Read("title\n" + kArcs + "1\n1\n" + WapArea(3, {"1", "-2", "0"})));
    std::unique_ptr<tagFileIndex> pCopy(m_read.index[0]->Clone());
    auto* pArea = dynamic_cast<tagWapIndex*>(pCopy.get());
    ASSERT_NE(pArea, nullptr);
    EXPECT_EQ(pArea->nItemID, 3);
    EXPECT_EQ(pArea->nFilePos, Area(0).nFilePos);
    EXPECT_EQ(pArea->nAreaNo, 1);
    ASSERT_EQ(pArea->arrArcs.GetSize(), 3);
    EXPECT_EQ(pArea->arrArcs[1].nArcNo, -2);
    pArea->arrArcs = {};
    EXPECT_EQ(Area(0).arrArcs.GetSize(), 3);
}

TEST_F(WapPreReadTest, RecordsKeepTheirArcsAfterTheReaderIsGone) {
    // A layer deletes its reader before its records; the arcs must not go with the reader.
    auto pRead = std::make_unique<topotest::PreRead<KtReadWapFile>>();
    ASSERT_TRUE(pRead->Read("title\n" + kArcs + "1\n1\n" + WapArea(3, {"2", "-1", "0"}), ".wap"));
    std::unique_ptr<tagFileIndex> pRecord(pRead->index[0]);
    pRead->index.RemoveAll();
    pRead.reset();
    std::unique_ptr<tagFileIndex> pCopy(pRecord->Clone());
    pRecord.reset();

    const auto& area = dynamic_cast<const tagWapIndex&>(*pCopy);
    ASSERT_EQ(area.arrArcs.GetSize(), 3);
    EXPECT_EQ(area.arrArcs[0].nItemID, 12);
    EXPECT_EQ(area.arrArcs[0].nArea2, 2);
    EXPECT_EQ(area.arrArcs[1].nItemID, 11);
    EXPECT_EQ(area.arrArcs[1].nFilePos, 8);
    EXPECT_EQ(area.arrArcs[1].nArcNo, -1);
    EXPECT_EQ(area.arrArcs[2].nArcNo, 0);
}

// Counts a file states but does not back with lines: each read ends at the end of the file
// at once, allocating nothing in proportion to the count.
struct HostileCase {
    const char* pszName;
    std::string strText;
    bool bResult;
    int nAreas;
};

void PrintTo(const HostileCase& c, std::ostream* pOut) {
    *pOut << c.pszName;
}

class WapHostileCountTest : public WapPreReadTest,
                            public ::testing::WithParamInterface<HostileCase> {};

TEST_P(WapHostileCountTest, EndsQuicklyAtTheEndOfTheFile) {
    const HostileCase& c = GetParam();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Read(c.strText), c.bResult);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(m_read.index.GetSize(), c.nAreas);
}

const std::string kHuge = "2147483647";

INSTANTIATE_TEST_SUITE_P(
    Counts, WapHostileCountTest,
    ::testing::Values(
        HostileCase{"Arcs", "t\n" + kHuge + "\n1,0,2,0.5,0,0,0,0,0\n", false, 0},
        HostileCase{"Points", "t\n1\n1,0,2,0.5,0,0,0,0,0\n1,2\n1,0\n" + kHuge + "\n1,1\n", false,
                    0},
        HostileCase{"Nodes", "t\n0\n" + kHuge + "\n1,1\n2\n", false, 0},
        HostileCase{"NodeSkip", "t\n0\n2\n1,1\n" + kHuge + "\n1\n", false, 0},
        HostileCase{"Areas", "t\n" + kArcs + "1\n" + kHuge + "\n" + WapArea(1, {"1", "0"}), true,
                    1},
        HostileCase{"References",
                    "t\n" + kArcs + "1\n1\n1,0,0.0,0.0,0.0,0,0,0,1,0,0\n" + kHuge + "\n1\n", true,
                    1}),
    [](const ::testing::TestParamInfo<HostileCase>& info) { return info.param.pszName; });

TEST(WapArcLookup, FindsArcsBySignedNumber) {
    struct Lookup : KtReadMAPGISFile {
        using KtReadMAPGISFile::FindArcByItemID;
    } reader;
    PlxArray<tagArcIndex> arcs;
    for (int i = 1; i <= 3; ++i) {
        tagArcIndex arc;
        arc.nItemID = 100 + i;
        arc.nFilePos = 10 * i;
        arc.nArcNo = i;
        arcs.Add(arc);
    }
    EXPECT_EQ(reader.FindArcByItemID(2, arcs).nItemID, 102);
    EXPECT_EQ(reader.FindArcByItemID(-2, arcs).nItemID, 102);
    EXPECT_EQ(reader.FindArcByItemID(-2, arcs).nArcNo, 2);
    const tagArcIndex missing = reader.FindArcByItemID(4, arcs);
    EXPECT_EQ(missing.nItemID, -1);
    EXPECT_EQ(missing.nFilePos, 0);
    EXPECT_EQ(missing.nArcNo, 0);
    EXPECT_EQ(reader.FindArcByItemID(-2147483647 - 1, arcs).nItemID, -1);
}

}  // namespace
