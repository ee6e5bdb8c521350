// Network line assembly: a compound of the line's arcs, read back and styled, followed by
// the network's nodes as marker points.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KoGeometry/KtGeoLine.h"
#include "KoGeometry/KtGeoPoint.h"
#include "KoGeometryCAD/KtGeoCompound.h"
#include "KtReadWanFile.h"
#include "TopologyTestFiles.h"

using namespace KTX;
using topotest::WanArc;
using topotest::WanLine;
using topotest::WanNode;

namespace {

using Points = std::vector<PlxPoint2D>;

// Arc 1: line style 3, colour 5, width 5. Arc 2: line style 1, colour 9 (not in the colour
// table), width 0.25. Arc 3 belongs to network line 1, so it is not drawn. Arc 4's attribute
// line has 8 fields.
const std::string kArcs = "4\n" + WanArc({"0,0", "10,0"}, 21, "0,0,0", "3,0,5,5,0,0,0,0,0") +
                          WanArc({"10,0", "10,10", "12,14"}, 22, "0,7,7", "1,0,9,0.25,0,0,0,0,0") +
                          WanArc({"10,10", "0,10"}, 23, "1,0,0") +
                          WanArc({"3,3", "4,4"}, 24, "0,0,0", "1,0,2,5,0,0,0,0");
// Four recorded nodes, of which the fourth lists no arc of the file and is not drawn; the
// fifth entry announces no reference and is not recorded.
const std::string kNodes =
    "6\n" + WanNode("0,0", "2", {"1"}) + WanNode("10,0", "3N", {"-1", "2", "3"}) +
    WanNode("10.5,10.25", "2", {"3"}) + WanNode("8,8", "2", {"77"}) + WanNode("9,9", "1", {});

std::string NetworkFile(const std::string& strLines, const std::string& strNodes = kNodes) {
    return "network\n" + kArcs + strNodes + strLines;
}

// Colour 5 red; line type 3 maps to host line style 4.
const std::string kColors = topotest::ColorFile({{5, 0, 100, 100, 0}});
const std::string kStyles = "line 3 4 test pen\nline 1 2 other pen\n";

class NetworkAssemblyTest : public ::testing::Test {
protected:
    void SetUp() override { topotest::TakeRefusedItemLogs(); }

    bool ReadLine(const std::string& strText, int i = 0, bool bCADMode = true) {
        if (m_read.index.IsEmpty() && !m_read.Read(strText, ".wan"))
            return false;
        m_read.reader.m_bCADMode = bCADMode;
        return m_read.reader.ReadItemData(m_read.index[i], &m_feature);
    }
    const KtGeoCompound* Compound() const {
        return dynamic_cast<const KtGeoCompound*>(m_feature.GetGeometry());
    }
    const KtGeoLine* LinePart(int i) const {
        return dynamic_cast<const KtGeoLine*>(Compound()->GetAt(i));
    }
    const KtGeoPoint* PointPart(int i) const {
        return dynamic_cast<const KtGeoPoint*>(Compound()->GetAt(i));
    }
    static Points PointsOf(const KtGeoLine* pLine) {
        if (pLine == nullptr)
            return {};
        return Points(pLine->GetPoints(0), pLine->GetPoints(0) + pLine->GetPointCount());
    }

    topotest::PreRead<KtReadWanFile> m_read;
    KtFeature m_feature;
};

TEST_F(NetworkAssemblyTest, LinesFirstThenEveryRecordedNode) {
    ASSERT_TRUE(ReadLine(NetworkFile("1\n" + WanLine("0,0,501", {"1", "-2", "3"}))));
    ASSERT_NE(Compound(), nullptr);
    ASSERT_EQ(Compound()->GetCount(), 5);
    // Arcs keep their stored direction; arc 3 is network line 1's.
    EXPECT_EQ(PointsOf(LinePart(0)), (Points{{0, 0}, {10, 0}}));
    EXPECT_EQ(PointsOf(LinePart(1)), (Points{{10, 0}, {10, 10}, {12, 14}}));
    ASSERT_NE(PointPart(2), nullptr);
    EXPECT_EQ(PointPart(2)->GetPoint(), PlxPoint2D(0, 0));
    ASSERT_NE(PointPart(3), nullptr);
    EXPECT_EQ(PointPart(3)->GetPoint(), PlxPoint2D(10, 0));
    ASSERT_NE(PointPart(4), nullptr);
    EXPECT_EQ(PointPart(4)->GetPoint(), PlxPoint2D(10.5, 10.25));
    EXPECT_EQ(topotest::TakeRefusedItemLogs(), 0);
}

TEST_F(NetworkAssemblyTest, FeatureHasTheIdentifierFieldButNoValue) {
    ASSERT_TRUE(ReadLine(NetworkFile("1\n" + WanLine("0,0,501", {"1"}))));
    ASSERT_EQ(m_feature.GetFieldInfos().GetSize(), 1);
    EXPECT_EQ(m_feature.GetFieldInfos()[0].m_strName, PlxUnicodeString(kUserIDFieldName));
    const PlxVariant* pValue = m_feature.GetValue(kUserIDFieldName);
    ASSERT_NE(pValue, nullptr);
    EXPECT_TRUE(pValue->IsNull());
}

TEST_F(NetworkAssemblyTest, ArcsOfOtherNetworkLinesLeaveOnlyTheNodes) {
    ASSERT_TRUE(ReadLine(NetworkFile("1\n" + WanLine("0,0,501", {"3", "-3"}))));
    ASSERT_EQ(Compound()->GetCount(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Compound()->GetAt(i)->GetType(), KTGEO_POINT);
    EXPECT_EQ(topotest::TakeRefusedItemLogs(), 0);
}

TEST_F(NetworkAssemblyTest, NothingReadableGivesNoGeometry) {
    EXPECT_FALSE(ReadLine(NetworkFile("1\n" + WanLine("0,0,501", {"3"}), "1\n")));
    EXPECT_EQ(m_feature.GetGeometry(), nullptr);
}

TEST_F(NetworkAssemblyTest, ArcWithEightAttributeFieldsIsLoggedAndLeftOut) {
    ASSERT_TRUE(ReadLine(NetworkFile("1\n" + WanLine("0,0,501", {"4", "1"}), "1\n")));
    ASSERT_EQ(Compound()->GetCount(), 1);
    EXPECT_EQ(PointsOf(LinePart(0)), (Points{{0, 0}, {10, 0}}));
    EXPECT_EQ(topotest::TakeRefusedItemLogs(), 1);
}

TEST_F(NetworkAssemblyTest, NodeLineOfThreeValuesIsLoggedAndLeftOut) {
    const std::string strNodes = "3\n" + WanNode("1,2,3", "2", {"1"}) + WanNode("4,5", "2", {"1"});
    ASSERT_TRUE(ReadLine(NetworkFile("0\n", strNodes)));
    // The whole network: arcs 1 and 2 drawn (arc 4 logged), then the one good node (the
    // other logged).
    ASSERT_EQ(Compound()->GetCount(), 3);
    ASSERT_NE(PointPart(2), nullptr);
    EXPECT_EQ(PointPart(2)->GetPoint(), PlxPoint2D(4, 5));
    EXPECT_EQ(topotest::TakeRefusedItemLogs(), 2);
}

TEST_F(NetworkAssemblyTest, ArcChangedSinceThePreReadIsLeftOut) {
    ASSERT_TRUE(m_read.Read(NetworkFile("1\n" + WanLine("0,0,501", {"1", "2"}), "1\n"), ".wan"));
    auto* pLine = dynamic_cast<tagWanIndex*>(m_read.index[0]);
    pLine->arrArcs[0].nItemID = 99;
    ASSERT_TRUE(m_read.reader.ReadItemData(pLine, &m_feature));
    ASSERT_EQ(Compound()->GetCount(), 1);
    EXPECT_EQ(PointsOf(LinePart(0)), (Points{{10, 0}, {10, 10}, {12, 14}}));
}

TEST_F(NetworkAssemblyTest, LinesGetTheirArcStyleInCADMode) {
    topotest::SharedTables tables(m_read.Dir(), kColors, kStyles);
    ASSERT_TRUE(ReadLine(NetworkFile("1\n" + WanLine("0,0,501", {"1", "2"}))));
    const KtStyle* pFirst = LinePart(0)->GetStyle();
    ASSERT_NE(pFirst, nullptr);
    EXPECT_EQ(pFirst->GetLineColor(), PLXRGB(255, 0, 0));
    EXPECT_DOUBLE_EQ(pFirst->GetLineWidth(), 5.0);
    EXPECT_EQ(pFirst->GetLineStyle(), 4);

    const KtStyle* pSecond = LinePart(1)->GetStyle();
    ASSERT_NE(pSecond, nullptr);
    EXPECT_FALSE(pSecond->IsSet(KtStyle::LineColorSet));
    EXPECT_DOUBLE_EQ(pSecond->GetLineWidth(), 0.25);
    EXPECT_EQ(pSecond->GetLineStyle(), 2);
}

TEST_F(NetworkAssemblyTest, NodesGetTheNodeMarkerInCADMode) {
    ASSERT_TRUE(ReadLine(NetworkFile("1\n" + WanLine("0,0,501", {"1"}))));
    const KtStyle* pStyle = PointPart(1)->GetStyle();
    ASSERT_NE(pStyle, nullptr);
    EXPECT_EQ(pStyle->GetSetMask(),
              KtStyle::MarkerHeightSet | KtStyle::MarkerWidthSet | KtStyle::MarkerStyleSet);
    EXPECT_DOUBLE_EQ(pStyle->GetMarkerHeight(), 10.0);
    EXPECT_DOUBLE_EQ(pStyle->GetMarkerWidth(), 10.0);
    EXPECT_EQ(pStyle->GetMarkerStyle(), 1050);
}

TEST_F(NetworkAssemblyTest, WithoutCADModeNothingIsStyled) {
    topotest::SharedTables tables(m_read.Dir(), kColors, kStyles);
    ASSERT_TRUE(ReadLine(NetworkFile("1\n" + WanLine("0,0,501", {"1", "2"})), 0, false));
    ASSERT_EQ(Compound()->GetCount(), 5);
    for (int i = 0; i < Compound()->GetCount(); ++i) {
        EXPECT_EQ(Compound()->GetAt(i)->GetStyle(), nullptr) << "part " << i;
    }
}

TEST_F(NetworkAssemblyTest, LinesCanBeReadInAnyOrderAndAgain) {
    const std::string strLines = "2\n" + WanLine("0,0,501", {"1"}) + WanLine("0,0,502", {"2"});
    ASSERT_TRUE(ReadLine(NetworkFile(strLines, "1\n"), 1));
    EXPECT_EQ(PointsOf(LinePart(0)), (Points{{10, 0}, {10, 10}, {12, 14}}));
    ASSERT_TRUE(ReadLine("", 0));
    EXPECT_EQ(PointsOf(LinePart(0)), (Points{{0, 0}, {10, 0}}));
    ASSERT_TRUE(ReadLine("", 1));
    EXPECT_EQ(PointsOf(LinePart(0)), (Points{{10, 0}, {10, 10}, {12, 14}}));
}

}  // namespace
