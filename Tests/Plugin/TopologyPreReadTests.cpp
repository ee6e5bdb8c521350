// The pre-read of area (.wap) and network (.wan) files: the arc, node and area or network
// line sections, the records they give and the bound. Every file, hostile counts included,
// must be read at once, whatever the counts it states.
#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "KtReadWanFile.h"
#include "KtReadWapFile.h"
#include "PluginTestSupport.h"

using namespace KTX;
using topo::WanArc;
using topo::WanLine;
using topo::WanNode;
using topo::WapArc;
using topo::WapArea;

namespace {

using Arc = std::pair<int, int>;  // the arc's item identifier and number

struct Record {
    int nItemID;
    int nAreaNo;  // of areas; 0 for network lines
    std::vector<Arc> arcs;
};

struct PreReadCase {
    friend std::ostream& operator<<(std::ostream& o, const PreReadCase& c) {
        return o << c.pszName;
    }
    const char* pszName;
    const char* pszExt;
    std::string strText;
    bool bOk;
    std::vector<Record> records;
    // Area files: x of every node point. Network files: the arcs of each node of record 0.
    std::vector<int> nodes;
    std::vector<double> bound;  // left, top, right, bottom; empty: not checked
    std::vector<int> kept;      // the types of a typed layer
    int nFeatures;              // the definition's count; -1: one per record
};

PreReadCase Case(const char* pszName, const char* pszExt, std::string strText, bool bOk,
                 std::vector<Record> records = {}, std::vector<int> nodes = {},
                 std::vector<double> bound = {}, std::vector<int> kept = {}, int nFeatures = -1) {
    return {pszName,          pszExt,           std::move(strText), bOk,      std::move(records),
            std::move(nodes), std::move(bound), std::move(kept),    nFeatures};
}

template <class Index>
std::vector<Arc> ArcsOf(const Index& arcs) {
    std::vector<Arc> v;
    for (const tagArcIndex& a : arcs)
        v.push_back({a.nItemID, a.nArcNo});
    return v;
}

template <class Reader, class Index>
void ExpectPreRead(const PreReadCase& c) {
    constexpr bool bArea = std::is_same_v<Index, tagWapIndex>;
    pt::PreRead<Reader> read;
    read.defn.SetFeatureCount(77);
    read.reader.SetKeptTypes(c.kept);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(read.Read(c.strText, std::string("t") + c.pszExt), c.bOk);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    // A failed pre-read leaves the definition as it was.
    EXPECT_EQ(read.defn.GetFeatureCount(), !c.bOk             ? 77
                                           : c.nFeatures >= 0 ? c.nFeatures
                                                              : static_cast<int>(c.records.size()));
    ASSERT_EQ(read.Count(), static_cast<int>(c.records.size()));
    for (int i = 0; i < read.Count(); ++i) {
        SCOPED_TRACE("record " + std::to_string(i));
        const Index& record = read.template At<Index>(i);
        EXPECT_EQ(record.nItemID, c.records[i].nItemID);
        EXPECT_EQ(ArcsOf(record.arrArcs), c.records[i].arcs);
        if constexpr (bArea) {
            EXPECT_EQ(record.nAreaNo, c.records[i].nAreaNo);
        }
    }
    std::vector<int> nodes;
    if constexpr (bArea) {
        for (const PlxPoint2D& p : read.reader.GetNodePoints())
            nodes.push_back(static_cast<int>(p.x));
    } else if (read.Count() > 0) {
        for (const tagWanPointIndex& node : read.template At<Index>(0).arrNodes)
            nodes.push_back(node.arrArcs.GetSize());
    }
    if (c.bOk) {
        EXPECT_EQ(nodes, c.nodes);
    }
    if (!c.bound.empty()) {
        EXPECT_EQ(pt::Bound(read.defn.GetBound()), c.bound);
    }
}

class TopologyPreRead : public ::testing::TestWithParam<PreReadCase> {};

TEST_P(TopologyPreRead, GivesTheRecordsOfTheFile) {
    if (std::string(GetParam().pszExt) == ".wap")
        ExpectPreRead<KtReadWapFile, tagWapIndex>(GetParam());
    else
        ExpectPreRead<KtReadWanFile, tagWanIndex>(GetParam());
}

const std::string kHuge = "2147483647";

// Three arcs bordering the areas 1 and 2.
const std::string kWapArcs = "title\n3\n" + WapArc("1,0", {"0,0", "10,0"}, 11) +
                             WapArc("1,2", {"10,0", "10,10", "0,10"}, 12) +
                             WapArc("2,0", {"-5,20", "30,-7.5"}, 13);
const std::vector<double> kWapBound = {-5, 20, 30, -7.5};
const std::string kArea44 = "1\n" + WapArea(44, {"1", "0"});
// Area 1 of the one arc 1, and its record.
const std::string kArea1 = WapArea(1, {"1", "0"});
const Record kRecord1 = {1, 1, {{11, 1}, {-1, 0}}};
const std::vector<Record> kOnly44 = {{44, 1, {{11, 1}, {-1, 0}}}};

std::string Skipped(int n) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s += "9,9,9\n";
    return s;
}

// Arc 3 is drawn by network line 1; arc 4's last line has three fields, so it gets no
// record, though its points widen the bound; arc 5 has a point line of three values, which
// the bound ignores. Node 3's count gives it no reference line: it is not recorded.
const std::string kWanArcs = "network\n5\n" + WanArc({"0,0", "10,0"}, 21) +
                             WanArc({"10,0", "10,10"}, 22) +
                             WanArc({"10,10", "0,10"}, 23, "1,0,0") +
                             "1,0,2,5,0,0,0,0,0\n1,2\n0,0,0\n2\n-50,-40\n50,30\n24,0,0\n" +
                             WanArc({"5,5", "100,100,100", "7,7"}, 25);
const std::string kWanNodes = "5\n" + WanNode("0,0", "2", {"1"}) +
                              WanNode("10,0", "3N", {"-1", "2", "4"}) + WanNode("1,1", "1", {}) +
                              WanNode("5,5", "2", {"5"});
const std::vector<Arc> kWanAll = {{21, 1}, {22, 2}, {23, 3}, {25, 5}};
const std::string kOneArc = "t\n1\n" + WanArc({"0,0", "1,1"}, 1);

// A network of one node whose count line announces n reference lines.
std::string OneNode(const std::string& strCount, int n) {
    std::string s = kWanArcs + "2\n3,4\n" + strCount + "\n";
    for (int i = 0; i < n; ++i)
        s += "2\n";
    return s + "0\n";
}

PreReadCase NodeCount(const char* pszName, const std::string& strCount, int nRefs) {
    return Case(pszName, ".wan", OneNode(strCount, nRefs), true, {{1, 0, kWanAll}},
                nRefs > 0 ? std::vector<int>{nRefs} : std::vector<int>{});
}

INSTANTIATE_TEST_SUITE_P(
    Areas, TopologyPreRead,
    ::testing::Values(
        Case("SignedReferencesAndRingEnds", ".wap",
             kWapArcs + "1\n1\n" + WapArea(70, {"1", "-2", "0"}), true,
             {{70, 1, {{11, 1}, {12, -2}, {-1, 0}}}}, {}, kWapBound),
        Case("LastArcAndUnknownReference", ".wap",
             kWapArcs + "1\n1\n" + WapArea(5, {"-99", "3", "0"}), true,
             {{5, 1, {{-1, -99}, {13, 3}, {-1, 0}}}}),
        // The node section: a count c, then c - 1 entries of a coordinate line, a count line
        // and skipped lines. Each must land on the area count exactly.
        Case("NoNode", ".wap", kWapArcs + "1\n" + kArea44, true, kOnly44, {}),
        Case("TwoCharacterCountSkipsThatMany", ".wap",
             kWapArcs + "2\n5,6\n12\n" + Skipped(12) + kArea44, true, kOnly44, {5}),
        Case("OtherCountsSkipOneLess", ".wap", kWapArcs + "2\n5,6\n5\n" + Skipped(4) + kArea44,
             true, kOnly44, {5}),
        Case("PaddedCountIsTrimmed", ".wap", kWapArcs + "2\n5,6\n 3 \n" + Skipped(2) + kArea44,
             true, kOnly44, {5}),
        // A malformed area line, its count and its reference use up three stated areas.
        Case("MalformedAreaLinesUseUpAreas", ".wap",
             kWapArcs + "1\n4\n1,0,0.0,0.0,0.0,0,0,0,8,0\n1\n1\n" + WapArea(9, {"2", "0"}) +
                 WapArea(10, {"3", "0"}),
             true, {{9, 4, {{12, 2}, {-1, 0}}}}),
        Case("FewerAreasThanStated", ".wap", kWapArcs + "1\n5\n" + kArea1 + WapArea(2, {"3", "0"}),
             true, {kRecord1, {2, 2, {{13, 3}, {-1, 0}}}}),
        Case("NegativeAreaCount", ".wap", kWapArcs + "1\n-1\n" + kArea1, true, {}, {}, kWapBound),
        Case("AreaCountZero", ".wap", kWapArcs + "1\n0\n" + kArea1, false),
        Case("NodeCountZero", ".wap", kWapArcs + "0\n1\n" + kArea1, false),
        Case("CutInTheNodes", ".wap", kWapArcs + "2\n5,6\n5\n1\n", false),
        Case("CutInsideAnArea", ".wap",
             kWapArcs + "1\n3\n" + kArea1 + "1,0,0.0,0.0,0.0,0,0,0,2,0,0\n4\n2\n", true,
             {kRecord1, {2, 2, {{12, 2}}}}),
        Case("ArcsWithoutPointsLeaveTheEmptyBound", ".wap",
             "title\n2\n" + WapArc("1,0", {}, 1) + WapArc("1,0", {}, 2) + "1\n1\n" +
                 WapArea(1, {"1", "2", "0"}),
             true, {{1, 1, {{1, 1}, {2, 2}, {-1, 0}}}}, {}, {1e10, -1e10, -1e10, 1e10}),
        Case("PointLineOfOneValueIsNoPoint", ".wap",
             "title\n1\n" + WapArc("1,0", {"1,2", "500", "3,4"}, 1) + "1\n1\n" + kArea1, true,
             {{1, 1, {{1, 1}, {-1, 0}}}}, {}, {1, 4, 3, 2}),
        Case("TypedLayerOfOtherTypesKeepsNoArea", ".wap",
             kWapArcs + "1\n2\n" + kArea1 + WapArea(2, {"2", "0"}), true, {}, {}, {}, {1, 3}, 2),
        Case("HugeAreaCount", ".wap", kWapArcs + "1\n" + kHuge + "\n" + kArea1, true, {kRecord1}),
        Case("HugeReferenceCount", ".wap",
             kWapArcs + "1\n1\n1,0,0.0,0.0,0.0,0,0,0,1,0,0\n" + kHuge + "\n1\n", true,
             {{1, 1, {{11, 1}}}})),
    [](const ::testing::TestParamInfo<PreReadCase>& info) { return info.param.pszName; });

INSTANTIATE_TEST_SUITE_P(
    Networks, TopologyPreRead,
    ::testing::Values(
        // "5" and "-5" both give arc 5 with its own number; there is no arc 99. Node 2 lists
        // arcs -1, 2 and 4, of which arc 4 has no record.
        Case("LinesWithEveryNode", ".wan",
             kWanArcs + kWanNodes + "2\n" + WanLine("0,0,501", {"1", "2", "3"}) +
                 WanLine("7,0,502,x", {"5", "-5", "99"}),
             true, {{501, 0, {{21, 1}, {22, 2}, {23, 3}}}, {502, 0, {{25, 5}, {25, 5}}}}, {1, 2, 1},
             {-50, 30, 50, -40}),
        Case("NoLineIsTheWholeNetwork", ".wan", kWanArcs + kWanNodes + "0\n", true,
             {{1, 0, kWanAll}}, {1, 2, 1}),
        Case("NegativeLineCount", ".wan", kWanArcs + kWanNodes + "-1\n" + WanLine("0,0,1", {"1"}),
             true, {}),
        Case("LineWithoutIdentifierField", ".wan",
             kWanArcs + kWanNodes + "1\n" + WanLine("9,9", {"2"}), true, {{0, 0, {{22, 2}}}},
             {1, 2, 1}),
        Case("CutInTheLines", ".wan",
             kWanArcs + kWanNodes + "3\n" + WanLine("0,0,8", {"1"}) + "0,0,9\n3\n2\n", true,
             {{8, 0, {{21, 1}}}, {9, 0, {{22, 2}}}}, {1, 2, 1}),
        Case("NoArc", ".wan", "network\n0\n2\n1,1\n2\n1\n0\n", false),
        Case("NodeCountZero", ".wan", kWanArcs + "0\n0\n", false),
        Case("CutInTheArcs", ".wan", "network\n6\n" + WanArc({"0,0", "1,1"}, 1), false),
        Case("CutInTheNodes", ".wan", kWanArcs + "3\n1,1\n3\n1\n", false),
        Case("Empty", ".wan", "", false),
        // A node's count line: one character counts one more than its lines, two characters
        // or an "N" mark count as they stand.
        NodeCount("OneDigitCountsOneMore", "3", 2), NodeCount("TwoDigitsAsTheyStand", "12", 12),
        NodeCount("MarkedAsItStands", "3N", 3), NodeCount("SeveralMarks", "2NN", 2),
        NodeCount("PaddingIsTrimmed", " 4 ", 3), NodeCount("OneMeansNoReference", "1", 0),
        NodeCount("Negative", "-4", 0),
        Case("RegionLayerKeepsNoLine", ".wan",
             kWanArcs + kWanNodes + "2\n" + WanLine("0,0,7", {"1"}) + WanLine("0,0,8", {"2"}), true,
             {}, {}, {}, {5}, 2),
        Case("HugeLineCount", ".wan", kOneArc + "1\n" + kHuge + "\n" + WanLine("0,0,1", {"1"}),
             true, {{1, 0, {{1, 1}}}}),
        Case("HugeLineReferences", ".wan", kOneArc + "1\n1\n0,0,1\n" + kHuge + "\n1\n", true,
             {{1, 0, {{1, 1}}}})),
    [](const ::testing::TestParamInfo<PreReadCase>& info) { return info.param.pszName; });

}  // namespace
