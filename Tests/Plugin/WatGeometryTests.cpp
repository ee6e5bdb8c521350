// Arcs, circles and sub-maps, for the compound layer (with their MAPGIS styles) and for the
// typed layers (plain lines and regions without style).
// Arc: x, y, id, 3, radius, start, end, width, colour, -, -.
// Circle: x, y, id, 2, radius, line colour, width, fill flag, fill colour, -, -.
// Sub-map: x, y, id, 1, symbol, height, width, angle, -, colour, line width, -, -.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "KoGeometry/KtGeoLine.h"
#include "KoGeometry/KtGeoPoint.h"
#include "KoGeometry/KtGeoRegion.h"
#include "KoGeometryCAD/KtGeoArc.h"
#include "KoGeometryCAD/KtGeoCircle.h"
#include "WatTestSupport.h"

using testfiles::TempDir;
using wattest::WatFile;
using wattest::WatText;

namespace {

class WatGeometryItem : public ::testing::Test {
protected:
    void SetUp() override {
        KTX::KtLogFile::GetInstance(true);
        wattest::LoadTestColors(dir);
    }

    const KTX::KtGeometry* Read(const std::string& record, bool bCADMode, bool bExpectOk = true) {
        m_pWat = std::make_unique<WatFile>(dir, WatText({record}));
        EXPECT_EQ(m_pWat->Count(), 1);
        if (m_pWat->Count() != 1)
            return nullptr;
        bool bOk = !bExpectOk;
        m_pFeature = m_pWat->Read(0, bCADMode, bOk);
        EXPECT_EQ(bOk, bExpectOk);
        return m_pFeature->GetGeometry();
    }

    TempDir dir;
    std::unique_ptr<WatFile> m_pWat;
    std::unique_ptr<KTX::KtFeature> m_pFeature;
};

TEST_F(WatGeometryItem, ArcKeepsItsShapeAndStyle) {
    const auto* pArc =
        dynamic_cast<const KTX::KtGeoArc*>(Read("5,6,1,3,2.5,30,120,2.7,3,0,0", true));
    ASSERT_NE(pArc, nullptr);
    EXPECT_EQ(pArc->GetCenter().x, 5);
    EXPECT_EQ(pArc->GetCenter().y, 6);
    EXPECT_EQ(pArc->GetRadius(), 2.5);
    EXPECT_EQ(pArc->GetStartAngle(), 30);
    EXPECT_EQ(pArc->GetEndAngle(), 120);
    ASSERT_NE(pArc->GetStyle(), nullptr);
    EXPECT_EQ(pArc->GetStyle()->GetLineColor(), wattest::kRed);
    // The width field is read as an integer.
    EXPECT_EQ(pArc->GetStyle()->GetLineWidth(), 2.0);
}

TEST_F(WatGeometryItem, ArcWithUnknownColourKeepsTheDefaultColour) {
    const KTX::KtGeometry* pArc = Read("5,6,1,3,2.5,30,120,3,42,0,0", true);
    ASSERT_NE(pArc, nullptr);
    ASSERT_NE(pArc->GetStyle(), nullptr);
    EXPECT_FALSE(pArc->GetStyle()->IsSet(KTX::KtStyle::LineColorSet));
    EXPECT_EQ(pArc->GetStyle()->GetLineWidth(), 3.0);
}

TEST_F(WatGeometryItem, ArcBecomesALineForTypedLayers) {
    const auto* pLine = dynamic_cast<const KTX::KtGeoLine*>(Read("0,0,1,3,2,0,90,1,3,0,0", false));
    ASSERT_NE(pLine, nullptr);
    EXPECT_EQ(pLine->GetStyle(), nullptr);
    ASSERT_GE(pLine->GetPointCount(), 2);
    // From the start point (2, 0) to the end point (0, 2).
    const KTX::PlxPoint2D* p = pLine->GetPoints(0);
    EXPECT_NEAR(p[0].x, 2, 1e-9);
    EXPECT_NEAR(p[0].y, 0, 1e-9);
    EXPECT_NEAR(p[pLine->GetPointCount() - 1].x, 0, 1e-9);
    EXPECT_NEAR(p[pLine->GetPointCount() - 1].y, 2, 1e-9);
}

TEST_F(WatGeometryItem, ArcThatCannotBeMadeIsRefusedWithoutLog) {
    EXPECT_EQ(Read("0,0,1,3,0,0,90,1,3,0,0", true, false), nullptr);
    EXPECT_EQ(Read("0,0,1,3,-2,0,90,1,3,0,0", false, false), nullptr);
    EXPECT_EQ(KTX::KtLogFile::GetInstance(false)->GetRecordCount(), 0);
}

TEST_F(WatGeometryItem, UnfilledCircleStyle) {
    const auto* pCircle =
        dynamic_cast<const KTX::KtGeoCircle*>(Read("7,8,1,2,3,5,4,0.9,7,0,0", true));
    ASSERT_NE(pCircle, nullptr);
    EXPECT_EQ(pCircle->GetCenter().x, 7);
    EXPECT_EQ(pCircle->GetCenter().y, 8);
    EXPECT_EQ(pCircle->GetRadius(), 3);
    const KTX::KtStyle* pStyle = pCircle->GetStyle();
    ASSERT_NE(pStyle, nullptr);
    EXPECT_EQ(pStyle->GetLineColor(), wattest::kGreen);
    EXPECT_EQ(pStyle->GetLineWidth(), 4);
    EXPECT_FALSE(pStyle->IsSet(KTX::KtStyle::FillForeColorSet));
}

class WatFilledCircle : public WatGeometryItem,
                        public ::testing::WithParamInterface<const char*> {};

TEST_P(WatFilledCircle, GetsItsFillColour) {
    const std::string record = std::string("7,8,1,2,3,5,4.6,") + GetParam() + ",7,0,0";
    const KTX::KtGeometry* pCircle = Read(record, true);
    ASSERT_NE(pCircle, nullptr);
    EXPECT_EQ(pCircle->GetType(), KTX::KTGEO_CIRCLE);
    const KTX::KtStyle* pStyle = pCircle->GetStyle();
    ASSERT_NE(pStyle, nullptr);
    EXPECT_EQ(pStyle->GetFillForeColor(), wattest::kBlue);
    EXPECT_EQ(pStyle->GetLineColor(), wattest::kGreen);
    EXPECT_EQ(pStyle->GetLineWidth(), 4);
}

TEST_P(WatFilledCircle, BecomesARegionForTypedLayers) {
    const std::string record = std::string("7,8,1,2,3,5,4,") + GetParam() + ",7,0,0";
    const auto* pRegion = dynamic_cast<const KTX::KtGeoRegion*>(Read(record, false));
    ASSERT_NE(pRegion, nullptr);
    EXPECT_EQ(pRegion->GetSubCount(), 1);
    EXPECT_EQ(pRegion->GetStyle(), nullptr);
    // The ring starts on the circle at angle 0.
    EXPECT_NEAR(pRegion->GetPoints(0)[0].x, 10, 1e-9);
    EXPECT_NEAR(pRegion->GetPoints(0)[0].y, 8, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Flags, WatFilledCircle, ::testing::Values("1", "-1", "2.5"));

TEST_F(WatGeometryItem, FilledCircleWithUnknownFillColour) {
    const KTX::KtGeometry* pCircle = Read("7,8,1,2,3,5,4,1,42,0,0", true);
    ASSERT_NE(pCircle, nullptr);
    const KTX::KtStyle* pStyle = pCircle->GetStyle();
    ASSERT_NE(pStyle, nullptr);
    EXPECT_EQ(pStyle->GetSetMask(), KTX::KtStyle::LineColorSet | KTX::KtStyle::LineWidthSet);
}

TEST_F(WatGeometryItem, UnfilledCircleBecomesALineForTypedLayers) {
    for (const char* flag : {"0", "0.9"}) {
        SCOPED_TRACE(flag);
        const auto* pLine = dynamic_cast<const KTX::KtGeoLine*>(
            Read(std::string("7,8,1,2,3,5,4,") + flag + ",7,0,0", false));
        ASSERT_NE(pLine, nullptr);
        EXPECT_EQ(pLine->GetStyle(), nullptr);
        // A closed outline: the first point is repeated at the end.
        const int n = pLine->GetPointCount();
        ASSERT_GE(n, 4);
        EXPECT_NEAR(pLine->GetPoints(0)[0].x, pLine->GetPoints(0)[n - 1].x, 1e-9);
        EXPECT_NEAR(pLine->GetPoints(0)[0].y, pLine->GetPoints(0)[n - 1].y, 1e-9);
    }
}

TEST_F(WatGeometryItem, CircleThatCannotBeMadeIsRefused) {
    EXPECT_EQ(Read("7,8,1,2,0,5,4,1,7,0,0", true, false), nullptr);
    EXPECT_EQ(KTX::KtLogFile::GetInstance(false)->GetRecordCount(), 0);
}

TEST_F(WatGeometryItem, SubMapMarkerStyle) {
    const auto* pPoint = dynamic_cast<const KTX::KtGeoPoint*>(
        Read("12.5,-3,1,1,987654,4.5,3.5,30,0,7,2.7,0,0", true));
    ASSERT_NE(pPoint, nullptr);
    EXPECT_EQ(pPoint->GetPoint().x, 12.5);
    EXPECT_EQ(pPoint->GetPoint().y, -3);
    const KTX::KtStyle* pStyle = pPoint->GetStyle();
    ASSERT_NE(pStyle, nullptr);
    EXPECT_EQ(pStyle->GetLineColor(), wattest::kBlue);
    // The sub-map's line width is a real number.
    EXPECT_EQ(pStyle->GetLineWidth(), 2.7);
    EXPECT_EQ(pStyle->GetMarkerHeight(), 4.5);
    EXPECT_EQ(pStyle->GetMarkerWidth(), 3.5);
    EXPECT_EQ(pStyle->GetMarkerAngle(), 30);
    // No mapping for this symbol: marker 0, still set.
    EXPECT_TRUE(pStyle->IsSet(KTX::KtStyle::MarkerStyleSet));
    EXPECT_EQ(pStyle->GetMarkerStyle(), 0);
}

TEST_F(WatGeometryItem, SubMapHasNoStyleForTypedLayers) {
    const auto* pPoint =
        dynamic_cast<const KTX::KtGeoPoint*>(Read("1,2,1,1,7,4,3,0,0,7,1,0,0", false));
    ASSERT_NE(pPoint, nullptr);
    EXPECT_EQ(pPoint->GetPoint().x, 1);
    EXPECT_EQ(pPoint->GetStyle(), nullptr);
}

}  // namespace
