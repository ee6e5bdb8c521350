// Areas and network lines read back: an area's arcs joined into rings with the area's fill
// style, and a network line's arcs followed by the network's nodes.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "KtReadWanFile.h"
#include "KtReadWapFile.h"
#include "PluginTestSupport.h"

using namespace KTX;
using pt::Points;
using topo::WanArc;
using topo::WanLine;
using topo::WanNode;
using topo::WapArc;
using topo::WapArea;

namespace {

// Arcs 1 to 4 border area 1 (arc 2 on its second side); arc 5 borders areas 2 and 3 only;
// arc 6 has an attribute line of 8 fields.
const std::string kArcs =
    "6\n" + WapArc("1,0", {"0,0", "10,0"}, 11) + WapArc("0,1", {"10,0", "10,10"}, 12) +
    WapArc("1,0", {"10,10", "0,10", "-1,5"}, 13) + WapArc("1,0", {"2,2", "4,2", "3,4"}, 14) +
    WapArc("2,3", {"50,50", "60,60"}, 15) + WapArc("1,0", {"7,7", "8,8"}, 16, "1,0,2,0.5,0,0,0,0");
const Points kTriangle = {{2, 2}, {4, 2}, {3, 4}};

std::string AreaFile(const std::string& strAreas, int nAreas = 1) {
    return "area file\n" + kArcs + "1\n" + std::to_string(nAreas) + "\n" + strAreas;
}

class RegionRead : public ::testing::Test {
protected:
    void SetUp() override { KtLogFile::GetInstance(true); }
    // Reads area i of the file pre-read first.
    bool ReadArea(int i, bool bCADMode = true) {
        feature = std::make_unique<KtFeature>();
        return wap.ReadItem(i, *feature, bCADMode);
    }
    std::vector<Points> Rings() const { return pt::Parts(feature->GetGeometry()); }

    pt::PreRead<KtReadWapFile> wap;
    std::unique_ptr<KtFeature> feature = std::make_unique<KtFeature>();
};

TEST_F(RegionRead, ArcsJoinIntoRingsAtEveryRingEnd) {
    const struct {
        const char* pszName;
        std::vector<std::string> refs;
        std::vector<Points> rings;
    } kCases[] = {
        {"ForwardInFileOrder",
         {"1", "2", "3", "0"},
         {{{0, 0}, {10, 0}, {10, 0}, {10, 10}, {10, 10}, {0, 10}, {-1, 5}}}},
        {"NegativeReferenceRunsBackwards",
         {"1", "-2", "0"},
         {{{0, 0}, {10, 0}, {10, 10}, {10, 0}}}},
        {"TwoRings", {"1", "2", "0", "4", "0"}, {{{0, 0}, {10, 0}, {10, 0}, {10, 10}}, kTriangle}},
        {"OneBackwardArc", {"-3", "0"}, {{{-1, 5}, {0, 10}, {10, 10}}}},
        {"EmptyRingsAddNothing", {"0", "4", "0", "0"}, {kTriangle}},
        {"ArcOfOtherAreasLeftOut", {"1", "5", "2", "0"}, {{{0, 0}, {10, 0}, {10, 0}, {10, 10}}}},
        {"PointsAfterTheLastRingEndDropped", {"4", "0", "1", "2"}, {kTriangle}},
        // No region at all, but the identifier.
        {"WithoutRingEnd", {"1", "2"}, {}}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.pszName);
        pt::PreRead<KtReadWapFile> read;
        ASSERT_TRUE(read.Read(AreaFile(WapArea(31, c.refs)), "t.wap"));
        feature = std::make_unique<KtFeature>();
        EXPECT_EQ(read.ReadItem(0, *feature), !c.rings.empty());
        EXPECT_EQ(pt::UserID(*feature), 31);
        EXPECT_EQ(Rings(), c.rings);
    }
    EXPECT_EQ(pt::TakeRefusedLogs("KtReadTopologyFile"), 0);
}

TEST_F(RegionRead, MalformedAndUnknownArcsAreLoggedAndLeftOut) {
    // Arc 99 resolves to the top of the file, which is no arc attribute line; arc 6 is logged
    // for every area that reads it.
    ASSERT_TRUE(
        wap.Read(AreaFile(WapArea(1, {"99", "1", "6", "2", "0"}) + WapArea(2, {"6", "5", "0"}), 2),
                 "t.wap"));
    ASSERT_TRUE(ReadArea(0));
    EXPECT_EQ(Rings(), (std::vector<Points>{{{0, 0}, {10, 0}, {10, 0}, {10, 10}}}));
    EXPECT_EQ(pt::TakeRefusedLogs("KtReadTopologyFile"), 2);
    ASSERT_TRUE(ReadArea(1));
    EXPECT_EQ(Rings(), (std::vector<Points>{{{50, 50}, {60, 60}}}));
    EXPECT_EQ(pt::TakeRefusedLogs("KtReadTopologyFile"), 1);
}

TEST_F(RegionRead, ArcsReadAgainAnswerAsTheirLinesDo) {
    // Arc 5 borders areas 2 and 3 only; read for area 2 first, then found among the arcs
    // read lately for the others, in any order.
    ASSERT_TRUE(wap.Read(AreaFile(WapArea(1, {"4", "0"}) + WapArea(2, {"5", "0"}) +
                                      WapArea(3, {"-5", "0"}) + WapArea(4, {"5", "0"}),
                                  4),
                         "t.wap"));
    ASSERT_TRUE(ReadArea(1));
    EXPECT_EQ(Rings(), (std::vector<Points>{{{50, 50}, {60, 60}}}));
    ASSERT_TRUE(ReadArea(2));
    EXPECT_EQ(Rings(), (std::vector<Points>{{{60, 60}, {50, 50}}}));
    EXPECT_FALSE(ReadArea(3));  // not a neighbour of area 4
    ASSERT_TRUE(ReadArea(0));
    // The same layout opened again with other points is read again.
    pt::PreRead<KtReadWapFile> other;
    std::string strOther = AreaFile(WapArea(1, {"4", "0"}));
    strOther.replace(strOther.find("2,2\n4,2\n3,4"), 11, "5,5\n7,5\n6,7");
    ASSERT_TRUE(other.Read(strOther, "other.wap"));
    ASSERT_TRUE(other.ReadItem(0, *feature));
    EXPECT_EQ(Rings(), (std::vector<Points>{{{5, 5}, {7, 5}, {6, 7}}}));
    EXPECT_EQ(pt::TakeRefusedLogs("KtReadTopologyFile"), 0);
}

TEST_F(RegionRead, PatternColourGoesOverFillColour) {
    // Colour 3 red, 5 half cyan, 7 green; fill pattern 4 maps to host fill style 6.
    pt::SharedTables tables(wap.dir, {{3, 0, 100, 100, 0}, {5, 50, 0, 0, 0}, {7, 100, 0, 100, 0}},
                            "fill 4 6 test pattern\n");
    const struct {
        int nFillColor, nPatternColor;
        PLXCOLOR crFill, crLine;  // 0: not set
    } kCases[] = {{3, 9, pt::kRed, 0},
                  {3, 7, pt::kGreen, pt::kGreen},
                  {99, 5, PLXRGB(127, 255, 255), PLXRGB(127, 255, 255)},
                  {98, 99, 0, 0}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.nFillColor * 100 + c.nPatternColor);
        pt::PreRead<KtReadWapFile> read;
        ASSERT_TRUE(
            read.Read(AreaFile(WapArea(1, {"4", "0"}, c.nFillColor, 4, c.nPatternColor)), "t.wap"));
        feature = std::make_unique<KtFeature>();
        ASSERT_TRUE(read.ReadItem(0, *feature));
        const KtStyle* pStyle = feature->GetGeometry()->GetStyle();
        ASSERT_NE(pStyle, nullptr);
        EXPECT_EQ(pt::ColorIf(pStyle->IsSet(KtStyle::FillForeColorSet), pStyle->GetFillForeColor()),
                  c.crFill);
        EXPECT_EQ(pt::ColorIf(pStyle->IsSet(KtStyle::LineColorSet), pStyle->GetLineColor()),
                  c.crLine);
        EXPECT_EQ(pStyle->GetFillStyle(), 6);
    }
}

// Arc 1: line type 3, colour 5, width 5. Arc 2: line type 1, colour 9 (not in the table),
// width 0.25. Arc 3 is network line 1's. Arc 4's attribute line has 8 fields. Of the nodes the
// fourth lists no arc of the file and is not drawn; the fifth is not recorded.
const std::string kWanArcs =
    "4\n" + WanArc({"0,0", "10,0"}, 21, "0,0,0", "3,0,5,5,0,0,0,0,0") +
    WanArc({"10,0", "10,10", "12,14"}, 22, "0,7,7", "1,0,9,0.25,0,0,0,0,0") +
    WanArc({"10,10", "0,10"}, 23, "1,0,0") + WanArc({"3,3", "4,4"}, 24, "0,0,0", "1,0,2,5,0,0,0,0");
const std::string kWanNodes =
    "6\n" + WanNode("0,0", "2", {"1"}) + WanNode("10,0", "3N", {"-1", "2", "3"}) +
    WanNode("10.5,10.25", "2", {"3"}) + WanNode("8,8", "2", {"77"}) + WanNode("9,9", "1", {});
const Points kArc1 = {{0, 0}, {10, 0}};
const Points kArc2 = {{10, 0}, {10, 10}, {12, 14}};

std::string Network(const std::string& strLines, const std::string& strNodes = kWanNodes) {
    return "network\n" + kWanArcs + strNodes + strLines;
}

class NetworkRead : public ::testing::Test {
protected:
    void SetUp() override { KtLogFile::GetInstance(true); }
    bool ReadLine(int i, bool bCADMode = true) {
        feature = std::make_unique<KtFeature>();
        return wan.ReadItem(i, *feature, bCADMode);
    }
    // The compound read; anything else throws, failing the test.
    const KtGeoCompound& Compound() const {
        return dynamic_cast<const KtGeoCompound&>(*feature->GetGeometry());
    }
    std::vector<Points> PartPoints() const { return pt::Parts(feature->GetGeometry()); }

    pt::PreRead<KtReadWanFile> wan;
    std::unique_ptr<KtFeature> feature = std::make_unique<KtFeature>();
};

TEST_F(NetworkRead, LineArcsThenEveryNodeWithStyles) {
    pt::SharedTables tables(wan.dir, {{5, 0, 100, 100, 0}}, "line 3 4 pen\nline 1 2 other pen\n");
    ASSERT_TRUE(wan.Read(Network("1\n" + WanLine("0,0,501", {"1", "-2", "3"})), "t.wan"));
    ASSERT_TRUE(ReadLine(0));
    // Arcs keep their stored direction; arc 3 is left to network line 1.
    ASSERT_EQ(PartPoints(),
              (std::vector<Points>{kArc1, kArc2, {{0, 0}}, {{10, 0}}, {{10.5, 10.25}}}));
    // The identifier field is there without a value.
    ASSERT_EQ(feature->GetFieldInfos().GetSize(), 1);
    EXPECT_EQ(pt::UserID(*feature), -1);

    // Network widths are the host's already.
    const KtStyle* pFirst = Compound().GetAt(0)->GetStyle();
    ASSERT_NE(pFirst, nullptr);
    EXPECT_EQ(pFirst->GetLineColor(), pt::kRed);
    EXPECT_EQ(pFirst->GetLineWidth(), 5.0);
    EXPECT_EQ(pFirst->GetLineStyle(), 4);
    const KtStyle* pSecond = Compound().GetAt(1)->GetStyle();
    ASSERT_NE(pSecond, nullptr);
    EXPECT_FALSE(pSecond->IsSet(KtStyle::LineColorSet));
    EXPECT_EQ(pSecond->GetLineWidth(), 0.25);
    EXPECT_EQ(pSecond->GetLineStyle(), 2);
    const KtStyle* pNode = Compound().GetAt(3)->GetStyle();
    ASSERT_NE(pNode, nullptr);
    EXPECT_EQ(pNode->GetSetMask(),
              KtStyle::MarkerHeightSet | KtStyle::MarkerWidthSet | KtStyle::MarkerStyleSet);
    EXPECT_EQ(pNode->GetMarkerHeight(), 10.0);
    EXPECT_EQ(pNode->GetMarkerWidth(), 10.0);
    EXPECT_EQ(pNode->GetMarkerStyle(), 1050);

    ASSERT_TRUE(ReadLine(0, false));
    ASSERT_EQ(Compound().GetCount(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(Compound().GetAt(i)->GetStyle(), nullptr) << "part " << i;
    EXPECT_EQ(pt::TakeRefusedLogs("KtReadTopologyFile"), 0);
}

TEST_F(NetworkRead, OnlyOtherLinesArcsAndNoNodeDrawNothing) {
    ASSERT_TRUE(wan.Read(Network("1\n" + WanLine("0,0,503", {"3", "-3"}), "1\n"), "t.wan"));
    EXPECT_FALSE(ReadLine(0));
    EXPECT_EQ(feature->GetGeometry(), nullptr);
}

TEST_F(NetworkRead, MalformedArcsAndNodesAreLoggedAndLeftOut) {
    const std::string strNodes = "3\n" + WanNode("1,2,3", "2", {"1"}) + WanNode("4,5", "2", {"1"});
    ASSERT_TRUE(wan.Read(Network("0\n", strNodes), "t.wan"));
    // The whole network: arcs 1 and 2 (arc 4 logged), then the good node (the other logged).
    ASSERT_TRUE(ReadLine(0));
    EXPECT_EQ(PartPoints(), (std::vector<Points>{kArc1, kArc2, {{4, 5}}}));
    EXPECT_EQ(pt::TakeRefusedLogs("KtReadTopologyFile"), 2);
}

}  // namespace
