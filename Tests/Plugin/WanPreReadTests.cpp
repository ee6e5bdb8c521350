// The network file pre-read: arcs, nodes and network lines, the index records and the bound.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <ostream>
#include <string>

#include "KtReadWanFile.h"
#include "TopologyTestFiles.h"

using namespace KTX;
using topotest::WanArc;
using topotest::WanLine;
using topotest::WanNode;

namespace {

// Arc 3 is not drawn (third line starts with 1) but is recorded; arc 4's last line has three
// fields, so it gets no record, though its points widen the bound; arc 5 has a point line of
// three values, which the bound ignores.
const std::string kArc4 = "1,0,2,5,0,0,0,0,0\n1,2\n0,0,0\n2\n-50,-40\n50,30\n24,0,0\n";
const std::string kArcs = "5\n" + WanArc({"0,0", "10,0"}, 21) + WanArc({"10,0", "10,10"}, 22) +
                          WanArc({"10,10", "0,10"}, 23, "1,0,0") + kArc4 +
                          WanArc({"5,5", "100,100,100", "7,7"}, 25);
// Node 3's count line gives no reference line, so it is not recorded.
const std::string kNodes = "5\n" + WanNode("0,0", "2", {"1"}) +
                           WanNode("10,0", "3N", {"-1", "2", "4"}) + WanNode("1,1", "1", {}) +
                           WanNode("5,5", "2", {"5"});

class WanPreReadTest : public ::testing::Test {
protected:
    bool Read(const std::string& strText) { return m_read.Read(strText, ".wan"); }
    const tagWanIndex& Line(int i) const { return m_read.At<tagWanIndex>(i); }
    topotest::PreRead<KtReadWanFile> m_read;
};

TEST_F(WanPreReadTest, LineEntriesBecomeRecordsWithEveryNode) {
    const std::string strLines =
        "2\n" + WanLine("0,0,501", {"1", "2", "3"}) + WanLine("7,0,502,x", {"5", "-5", "99"});
    const std::string strText = "network\n" + kArcs + kNodes + strLines;
    ASSERT_TRUE(Read(strText));
    ASSERT_EQ(m_read.index.GetSize(), 2);
    EXPECT_EQ(m_read.defn.GetFeatureCount(), 2);

    const tagWanIndex& first = Line(0);
    EXPECT_EQ(first.nItemID, 501);
    EXPECT_EQ(first.nFilePos, topotest::OffsetOf(strText, "0,0,501"));
    EXPECT_EQ(first.nNetLineNo, 0);
    ASSERT_EQ(first.arrArcs.GetSize(), 3);
    // "network\n5\n" is 10 bytes.
    EXPECT_EQ(first.arrArcs[0].nItemID, 21);
    EXPECT_EQ(first.arrArcs[0].nFilePos, 10);
    EXPECT_EQ(first.arrArcs[0].nArcNo, 1);
    EXPECT_EQ(first.arrArcs[1].nItemID, 22);
    EXPECT_EQ(first.arrArcs[2].nItemID, 23);
    EXPECT_EQ(first.arrArcs[2].nArcNo, 3);

    // "5" and "-5" both give arc 5 with its own number; there is no arc 99.
    const tagWanIndex& second = Line(1);
    EXPECT_EQ(second.nItemID, 502);
    EXPECT_EQ(second.nFilePos, topotest::OffsetOf(strText, "7,0,502,x"));
    ASSERT_EQ(second.arrArcs.GetSize(), 2);
    for (const tagArcIndex& arc : second.arrArcs) {
        EXPECT_EQ(arc.nItemID, 25);
        EXPECT_EQ(arc.nArcNo, 5);
    }

    for (const tagWanIndex* pLine : {&first, &second}) {
        ASSERT_EQ(pLine->arrNodes.GetSize(), 3);
        EXPECT_EQ(pLine->arrNodes[0].nItemID, 1);
        EXPECT_EQ(pLine->arrNodes[0].nFilePos, topotest::OffsetOf(strText, "0,0\n2"));
        EXPECT_EQ(pLine->arrNodes[1].nItemID, 2);
        EXPECT_EQ(pLine->arrNodes[2].nItemID, 4);
    }
    // Node 2 lists arcs -1, 2 and 4; arc 4 has no record.
    const tagWanPointIndex& node2 = first.arrNodes[1];
    ASSERT_EQ(node2.arrArcs.GetSize(), 2);
    EXPECT_EQ(node2.arrArcs[0].nItemID, 21);
    EXPECT_EQ(node2.arrArcs[0].nArcNo, 1);
    EXPECT_EQ(node2.arrArcs[1].nItemID, 22);
}

TEST_F(WanPreReadTest, BoundCoversTwoFieldPointLinesOfEveryArc) {
    ASSERT_TRUE(Read("network\n" + kArcs + kNodes + "0\n"));
    const PlxRect2D& rc = m_read.defn.GetBound();
    EXPECT_DOUBLE_EQ(rc.left, -50.0);
    EXPECT_DOUBLE_EQ(rc.top, 30.0);
    EXPECT_DOUBLE_EQ(rc.right, 50.0);
    EXPECT_DOUBLE_EQ(rc.bottom, -40.0);
}

TEST_F(WanPreReadTest, LineCountZeroGivesTheWholeNetwork) {
    const std::string strText = "network\n" + kArcs + kNodes + "0\n";
    ASSERT_TRUE(Read(strText));
    ASSERT_EQ(m_read.index.GetSize(), 1);
    EXPECT_EQ(m_read.defn.GetFeatureCount(), 1);
    const tagWanIndex& network = Line(0);
    EXPECT_EQ(network.nItemID, 1);
    EXPECT_EQ(network.nFilePos, static_cast<int>(strText.size()) - 2);
    ASSERT_EQ(network.arrArcs.GetSize(), 4);
    const int nIDs[] = {21, 22, 23, 25};
    const int nNumbers[] = {1, 2, 3, 5};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(network.arrArcs[i].nItemID, nIDs[i]);
        EXPECT_EQ(network.arrArcs[i].nArcNo, nNumbers[i]);
    }
    EXPECT_EQ(network.arrNodes.GetSize(), 3);
}

TEST_F(WanPreReadTest, NegativeLineCountGivesNoRecord) {
    ASSERT_TRUE(Read("network\n" + kArcs + kNodes + "-1\n" + WanLine("0,0,1", {"1"})));
    EXPECT_EQ(m_read.index.GetSize(), 0);
    EXPECT_EQ(m_read.defn.GetFeatureCount(), 0);
}

TEST_F(WanPreReadTest, LineFirstLineWithoutAnIdentifierFieldGivesZero) {
    ASSERT_TRUE(Read("network\n" + kArcs + kNodes + "1\n" + WanLine("9,9", {"2"})));
    ASSERT_EQ(m_read.index.GetSize(), 1);
    EXPECT_EQ(Line(0).nItemID, 0);
    ASSERT_EQ(Line(0).arrArcs.GetSize(), 1);
    EXPECT_EQ(Line(0).arrArcs[0].nItemID, 22);
}

TEST_F(WanPreReadTest, FileCutShortInTheLineSectionKeepsWhatWasRead) {
    ASSERT_TRUE(
        Read("network\n" + kArcs + kNodes + "3\n" + WanLine("0,0,8", {"1"}) + "0,0,9\n3\n2\n"));
    ASSERT_EQ(m_read.index.GetSize(), 2);
    EXPECT_EQ(Line(1).nItemID, 9);
    ASSERT_EQ(Line(1).arrArcs.GetSize(), 1);
    EXPECT_EQ(Line(1).arrArcs[0].nItemID, 22);
}

struct FailCase {
    const char* pszName;
    std::string strText;
};

void PrintTo(const FailCase& c, std::ostream* pOut) {
    *pOut << c.pszName;
}

class WanPreReadFailTest : public WanPreReadTest, public ::testing::WithParamInterface<FailCase> {};

TEST_P(WanPreReadFailTest, FailsWithoutTouchingTheDefinition) {
    m_read.defn.SetFeatureCount(77);
    EXPECT_FALSE(Read(GetParam().strText));
    EXPECT_EQ(m_read.index.GetSize(), 0);
    EXPECT_EQ(m_read.defn.GetFeatureCount(), 77);
}

INSTANTIATE_TEST_SUITE_P(
    Files, WanPreReadFailTest,
    ::testing::Values(FailCase{"NoArcs", "network\n0\n2\n1,1\n2\n1\n0\n"},
                      FailCase{"NegativeArcCount", "network\n-3\n"},
                      FailCase{"NoNodeCount", "network\n" + kArcs + "0\n0\n"},
                      FailCase{"CutInTheArcs", "network\n6\n" + WanArc({"0,0", "1,1"}, 1)},
                      FailCase{"CutInTheNodes", "network\n" + kArcs + "3\n1,1\n3\n1\n"},
                      FailCase{"Empty", ""}),
    [](const ::testing::TestParamInfo<FailCase>& info) { return info.param.pszName; });

// A node entry's count line and the reference lines it announces.
struct NodeCountCase {
    const char* pszName;
    std::string strCount;
    int nRefs;
};

void PrintTo(const NodeCountCase& c, std::ostream* pOut) {
    *pOut << c.pszName;
}

class WanNodeCountTest : public WanPreReadTest,
                         public ::testing::WithParamInterface<NodeCountCase> {};

TEST_P(WanNodeCountTest, CountLineGivesTheReferenceLines) {
    const NodeCountCase& c = GetParam();
    std::string strNode = "3,4\n" + c.strCount + "\n";
    for (int i = 0; i < c.nRefs; ++i)
        strNode += "2\n";
    ASSERT_TRUE(Read("network\n" + kArcs + "2\n" + strNode + "0\n"));
    ASSERT_EQ(m_read.index.GetSize(), 1);
    const tagWanIndex& network = Line(0);
    if (c.nRefs <= 0) {
        EXPECT_EQ(network.arrNodes.GetSize(), 0);
        return;
    }
    ASSERT_EQ(network.arrNodes.GetSize(), 1);
    ASSERT_EQ(network.arrNodes[0].arrArcs.GetSize(), c.nRefs);
    EXPECT_EQ(network.arrNodes[0].arrArcs[c.nRefs - 1].nItemID, 22);
    EXPECT_EQ(network.arrArcs.GetSize(), 4);
}

INSTANTIATE_TEST_SUITE_P(Counts, WanNodeCountTest,
                         ::testing::Values(NodeCountCase{"OneDigitCountsOneMore", "3", 2},
                                           NodeCountCase{"TwoDigitsAsTheyStand", "12", 12},
                                           NodeCountCase{"MarkedAsItStands", "3N", 3},
                                           NodeCountCase{"SeveralMarks", "2NN", 2},
                                           NodeCountCase{"PaddingIsTrimmed", " 4 ", 3},
                                           NodeCountCase{"OneMeansNoReference", "1", 0},
                                           NodeCountCase{"Negative", "-4", 0}),
                         [](const ::testing::TestParamInfo<NodeCountCase>& info) {
                             return info.param.pszName;
                         });

TEST_F(WanPreReadTest, NodeCountThreeIsFollowedByTwoEntries) {
    ASSERT_TRUE(Read("network\n" + kArcs + "3\n" + WanNode("1,1", "2", {"1"}) +
                     WanNode("2,2", "2", {"2"}) + "0\n"));
    ASSERT_EQ(m_read.index.GetSize(), 1);
    ASSERT_EQ(Line(0).arrNodes.GetSize(), 2);
    EXPECT_EQ(Line(0).arrNodes[1].nItemID, 2);
    EXPECT_EQ(Line(0).arrNodes[1].arrArcs[0].nItemID, 22);
}

TEST_F(WanPreReadTest, RecordsAreLines) {
    ASSERT_TRUE(Read("network\n" + kArcs + kNodes + "0\n"));
    EXPECT_EQ(m_read.reader.GetType(m_read.index[0]), 3);
    EXPECT_EQ(m_read.reader.GetType(nullptr), 0);
}

TEST_F(WanPreReadTest, TypedLayerChoiceKeepsOnlyRecordsOfItsTypes) {
    const std::string strText =
        "network\n" + kArcs + kNodes + "2\n" + WanLine("0,0,7", {"1"}) + WanLine("0,0,8", {"2"});
    m_read.reader.SetKeptTypes({5});
    ASSERT_TRUE(Read(strText));
    EXPECT_EQ(m_read.index.GetSize(), 0);

    topotest::PreRead<KtReadWanFile> lines;
    lines.reader.SetKeptTypes({3});
    ASSERT_TRUE(lines.Read(strText, ".wan"));
    ASSERT_EQ(lines.index.GetSize(), 2);
    EXPECT_EQ(lines.At<tagWanIndex>(1).nItemID, 8);
}

TEST_F(WanPreReadTest, FileThatCannotBeOpenedFails) {
    EXPECT_FALSE(m_read.reader.PreReadFile(u"/nonexistent/folder/t.wan", PLXCharsetUTF8,
                                           m_read.defn, m_read.index));
    tagWanIndex record;
    EXPECT_EQ(m_read.reader.GetType(&record), 0);
}

TEST_F(WanPreReadTest, ClonesCopyArcsAndNodes) {
    ASSERT_TRUE(Read("network\n" + kArcs + kNodes + "1\n" + WanLine("0,0,42", {"1", "2"})));
    auto* pLine = dynamic_cast<tagWanIndex*>(m_read.index[0]);
    pLine->nNetLineNo = 5;
    std::unique_ptr<tagFileIndex> pCopy(pLine->Clone());
    auto* pLineCopy = dynamic_cast<tagWanIndex*>(pCopy.get());
    ASSERT_NE(pLineCopy, nullptr);
    EXPECT_EQ(pLineCopy->nItemID, 42);
    EXPECT_EQ(pLineCopy->nFilePos, pLine->nFilePos);
    EXPECT_EQ(pLineCopy->nNetLineNo, 0);
    EXPECT_EQ(pLineCopy->arrArcs.GetSize(), 2);
    ASSERT_EQ(pLineCopy->arrNodes.GetSize(), 3);
    EXPECT_EQ(pLineCopy->arrNodes[1].arrArcs.GetSize(), 2);

    std::unique_ptr<tagFileIndex> pNodeCopy(pLine->arrNodes[1].Clone());
    auto* pNode = dynamic_cast<tagWanPointIndex*>(pNodeCopy.get());
    ASSERT_NE(pNode, nullptr);
    EXPECT_EQ(pNode->nItemID, 2);
    EXPECT_EQ(pNode->nFilePos, pLine->arrNodes[1].nFilePos);
    EXPECT_EQ(pNode->arrArcs.GetSize(), 2);
    pLine->arrNodes = {};
    EXPECT_EQ(pLineCopy->arrNodes.GetSize(), 3);
}

TEST_F(WanPreReadTest, LinesKeepTheirNodesAfterTheReaderIsGone) {
    // The lines of a file share their nodes; a layer deletes its reader before them, and
    // each line deleted must leave the nodes to the others.
    auto pRead = std::make_unique<topotest::PreRead<KtReadWanFile>>();
    ASSERT_TRUE(pRead->Read(
        "network\n" + kArcs + kNodes + "2\n" + WanLine("0,0,42", {"1"}) + WanLine("0,0,43", {"2"}),
        ".wan"));
    std::unique_ptr<tagFileIndex> pFirst(pRead->index[0]);
    std::unique_ptr<tagFileIndex> pSecond(pRead->index[1]);
    pRead->index.RemoveAll();
    pRead.reset();
    pFirst.reset();

    const auto& line = dynamic_cast<const tagWanIndex&>(*pSecond);
    EXPECT_EQ(line.nItemID, 43);
    ASSERT_EQ(line.arrNodes.GetSize(), 3);
    EXPECT_EQ(line.arrNodes[1].nItemID, 2);
    ASSERT_EQ(line.arrNodes[1].arrArcs.GetSize(), 2);
    EXPECT_EQ(line.arrNodes[1].arrArcs[0].nItemID, 21);
    EXPECT_EQ(line.arrNodes[2].nItemID, 4);
}

struct HostileCase {
    const char* pszName;
    std::string strText;
    bool bResult;
    int nLines;
};

void PrintTo(const HostileCase& c, std::ostream* pOut) {
    *pOut << c.pszName;
}

class WanHostileCountTest : public WanPreReadTest,
                            public ::testing::WithParamInterface<HostileCase> {};

TEST_P(WanHostileCountTest, EndsQuicklyAtTheEndOfTheFile) {
    const HostileCase& c = GetParam();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Read(c.strText), c.bResult);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(m_read.index.GetSize(), c.nLines);
}

const std::string kHuge = "2147483647";
const std::string kOneArc = "1\n" + WanArc({"0,0", "1,1"}, 1);

INSTANTIATE_TEST_SUITE_P(
    Counts, WanHostileCountTest,
    ::testing::Values(
        HostileCase{"Arcs", "t\n" + kHuge + "\n1,0,2,5,0,0,0,0,0\n", false, 0},
        HostileCase{"Points", "t\n1\n1,0,2,5,0,0,0,0,0\n1,2\n0,0,0\n" + kHuge + "\n1,1\n", false,
                    0},
        HostileCase{"Nodes", "t\n" + kOneArc + kHuge + "\n1,1\n2\n1\n", false, 0},
        HostileCase{"NodeReferences", "t\n" + kOneArc + "2\n1,1\n" + kHuge + "N\n1\n", false, 0},
        HostileCase{"Lines", "t\n" + kOneArc + "1\n" + kHuge + "\n" + WanLine("0,0,1", {"1"}), true,
                    1},
        HostileCase{"LineReferences", "t\n" + kOneArc + "1\n1\n0,0,1\n" + kHuge + "\n1\n", true,
                    1}),
    [](const ::testing::TestParamInfo<HostileCase>& info) { return info.param.pszName; });

}  // namespace
