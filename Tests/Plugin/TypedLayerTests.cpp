// The typed layers: which items they keep, and how they reshape what the readers deliver.
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "KoGeometry/KtGeoLine.h"
#include "KoGeometry/KtGeoPoint.h"
#include "KoGeometry/KtGeoRegion.h"
#include "KoGeometry/KtGeoText.h"
#include "KoGeometryCAD/KtGeoArc.h"
#include "KoGeometryCAD/KtGeoCircle.h"
#include "KoGeometryCAD/KtGeoCompound.h"
#include "KtMapGisLineLayer.h"
#include "KtMapGisPointLayer.h"
#include "KtMapGisRegionLayer.h"
#include "KtMapGisTextLayer.h"
#include "LayerTestDoubles.h"
#include "TestFiles.h"

namespace {

using namespace KTX;
using layertest::FakeReader;
using layertest::FeatureBatch;
using layertest::OpenLayer;
using layertest::UserID;

KtMapGisImportParams Params(const std::string& strPath) {
    KtMapGisImportParams params;
    params.SetFilePathName(PlxUnicodeString::FromUtf8(strPath));
    params.SetImportMode(KTIMPORT_TYPED);
    params.SetImportOrExportCharset(PLXCharsetUTF8);
    params.SetDestDTName(PlxUnicodeString(u"rivers"));
    return params;
}

// Typed layers on a line file, whose items are all of reader type 3.
class TypedLayerDefinition : public ::testing::Test {
protected:
    const std::string strLines = testfiles::DataFile("wal/basic.wal");
};

TEST_F(TypedLayerDefinition, LineLayerKeepsEveryLineOfALineFile) {
    OpenLayer<KtMapGisLineLayer> layer;
    const KtFeatureClassDefn* pDefn = layer.ReadLayerDefn(Params(strLines));
    ASSERT_EQ(pDefn, &layer.GetFeatureClassDefn());
    EXPECT_EQ(pDefn->GetType(), 3);
    EXPECT_EQ(pDefn->GetName(), PlxUnicodeString(u"riversL"));
    EXPECT_EQ(layer.GetLayerName(), PlxUnicodeString(u"riversL"));
    EXPECT_EQ(pDefn->GetFeatureCount(), 3);
    EXPECT_EQ(layer.m_arrFileIndex.GetSize(), 3);
    EXPECT_EQ(layer.m_arrFileIndex[1]->nItemID, 102);
    EXPECT_FALSE(layer.m_bCADMode);
    // The bound the pre-read found for the whole file.
    EXPECT_EQ(pDefn->GetBound().left, -12.25);
    EXPECT_EQ(pDefn->GetBound().top, 40);
    EXPECT_EQ(pDefn->GetBound().right, 30);
    EXPECT_EQ(pDefn->GetBound().bottom, -5);
}

TEST_F(TypedLayerDefinition, OtherKindsFindNothingInALineFile) {
    OpenLayer<KtMapGisPointLayer> points;
    OpenLayer<KtMapGisRegionLayer> regions;
    OpenLayer<KtMapGisTextLayer> texts;
    EXPECT_EQ(points.ReadLayerDefn(Params(strLines)), nullptr);
    EXPECT_EQ(regions.ReadLayerDefn(Params(strLines)), nullptr);
    EXPECT_EQ(texts.ReadLayerDefn(Params(strLines)), nullptr);
    EXPECT_EQ(points.m_arrFileIndex.GetSize(), 0);
    EXPECT_EQ(regions.m_arrFileIndex.GetSize(), 0);
    EXPECT_EQ(texts.m_arrFileIndex.GetSize(), 0);
}

TEST_F(TypedLayerDefinition, NoReaderNoLayer) {
    testfiles::TempDir dir;
    OpenLayer<KtMapGisLineLayer> layer;
    EXPECT_EQ(layer.ReadLayerDefn(Params(dir.Write("lines.txt", "T\n1\n"))), nullptr);
    EXPECT_EQ(layer.m_pReadFile, nullptr);
}

TEST_F(TypedLayerDefinition, SecondReadingStartsOver) {
    OpenLayer<KtMapGisLineLayer> layer;
    ASSERT_NE(layer.ReadLayerDefn(Params(strLines)), nullptr);
    ASSERT_NE(layer.ReadLayerDefn(Params(strLines)), nullptr);
    EXPECT_EQ(layer.m_arrFileIndex.GetSize(), 3);
    EXPECT_EQ(layer.GetFeatureClassDefn().GetFeatureCount(), 3);
    FeatureBatch batch(4);
    EXPECT_EQ(layer.ReadFeatures(batch.Array(), 0), 3);
    EXPECT_EQ(UserID(batch[2]), 103);
}

// Geometry builders; every pointer returned is the caller's.
KtGeoLine* Line(const std::vector<PlxPoint2D>& points) {
    auto* pLine = new KtGeoLine();
    EXPECT_TRUE(pLine->Make(points.data(), static_cast<int>(points.size())));
    return pLine;
}

KtGeoArc* Arc() {
    auto* pArc = new KtGeoArc();
    EXPECT_TRUE(pArc->Make(PlxPoint2D(0, 0), 1.0, 0.0, 90.0));
    return pArc;
}

KtGeoCircle* Circle() {
    auto* pCircle = new KtGeoCircle();
    EXPECT_TRUE(pCircle->Make(PlxPoint2D(5, 5), 2.0));
    return pCircle;
}

KtGeoPoint* Point() {
    auto* pPoint = new KtGeoPoint();
    EXPECT_TRUE(pPoint->Make(3, 4));
    return pPoint;
}

KtGeoRegion* Square() {
    const PlxPoint2D ring[] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    auto* pRegion = new KtGeoRegion();
    EXPECT_TRUE(pRegion->AddSub(ring, 4));
    return pRegion;
}

KtGeoText* Text(const std::vector<const char*>& pieces, double dX, double dHeight) {
    auto* pText = new KtGeoText();
    for (const char* pszPiece : pieces) {
        EXPECT_TRUE(pText->AddSub(PlxUnicodeString::FromUtf8(pszPiece), PlxPoint2D(dX, 0), 0.0));
        dX += 1;
    }
    KtTextStyle style;
    style.SetHeight(dHeight);
    pText->SetTextStyle(&style, false);
    return pText;
}

std::unique_ptr<KtGeometry> Compound(std::initializer_list<KtGeometry*> parts) {
    auto pCompound = std::make_unique<KtGeoCompound>();
    for (KtGeometry* pPart : parts)
        EXPECT_TRUE(pCompound->AddCompound(pPart, true));
    return pCompound;
}

std::vector<PlxPoint2D> SubPoints(const KtGeoLine& line, int iSub) {
    const PlxPoint2D* p = line.GetPoints(iSub);
    return std::vector<PlxPoint2D>(p, p + line.GetSubPntCount(iSub));
}

std::vector<PlxPoint2D> RingPoints(const KtGeoRegion& region, int iRing) {
    const PlxPoint2D* p = region.GetPoints(iRing);
    return std::vector<PlxPoint2D>(p, p + region.GetSubPntCount(iRing));
}

// A typed layer fed by the fake reader: one record per prepared geometry, identifiers 1, 2...
template <class Layer>
class Reshaping : public ::testing::Test {
protected:
    void Feed(std::vector<std::unique_ptr<KtGeometry>> geometries) {
        auto pReader = std::make_unique<FakeReader>();
        std::vector<int> ids;
        for (size_t i = 0; i < geometries.size(); ++i) {
            const int nID = static_cast<int>(i) + 1;
            pReader->SetGeometry(nID, std::move(geometries[i]));
            ids.push_back(nID);
        }
        m_pReader = layer.Install(std::move(pReader), ids);
        layer.m_bCADMode = false;
    }
    // Reads one item into a new feature and returns its geometry.
    const KtGeometry* ReadNext() {
        features.push_back(std::make_unique<FeatureBatch>(1));
        EXPECT_EQ(layer.ReadFeatures(features.back()->Array(), 0), 1);
        return (*features.back())[0].GetGeometry();
    }

    OpenLayer<Layer> layer;
    FakeReader* m_pReader = nullptr;
    std::vector<std::unique_ptr<FeatureBatch>> features;
};

template <class... T>
std::vector<std::unique_ptr<KtGeometry>> Geometries(T*... parts) {
    std::vector<std::unique_ptr<KtGeometry>> v;
    (v.emplace_back(parts), ...);
    return v;
}

using LineReshaping = Reshaping<KtMapGisLineLayer>;

TEST_F(LineReshaping, CompoundOfTwoLinesAndAnArcBecomesOneLineOfThreeParts) {
    Feed(Geometries(
        Compound({Line({{0, 0}, {1, 1}, {2, 0}}), Line({{5, 5}, {6, 6}}), Arc()}).release()));
    const auto* pLine = dynamic_cast<const KtGeoLine*>(ReadNext());
    ASSERT_NE(pLine, nullptr);
    ASSERT_EQ(pLine->GetSubCount(), 3);
    EXPECT_EQ(SubPoints(*pLine, 0), (std::vector<PlxPoint2D>{{0, 0}, {1, 1}, {2, 0}}));
    EXPECT_EQ(SubPoints(*pLine, 1), (std::vector<PlxPoint2D>{{5, 5}, {6, 6}}));
    const std::vector<PlxPoint2D> arc = SubPoints(*pLine, 2);
    ASSERT_GE(arc.size(), 2u);
    EXPECT_NEAR(arc.front().x, 1.0, 1e-9);  // the arc runs from angle 0 ...
    EXPECT_NEAR(arc.front().y, 0.0, 1e-9);
    EXPECT_NEAR(arc.back().x, 0.0, 1e-9);  // ... to angle 90
    EXPECT_NEAR(arc.back().y, 1.0, 1e-9);
    EXPECT_EQ(pLine->GetStyle(), nullptr);
}

TEST_F(LineReshaping, CompoundWithNothingLineLikeStaysAsItIs) {
    Feed(Geometries(Compound({Circle(), Point()}).release()));
    const KtGeometry* pGeometry = ReadNext();
    ASSERT_NE(pGeometry, nullptr);
    EXPECT_EQ(pGeometry->GetType(), KTGEO_COMPOUND);
    EXPECT_EQ(static_cast<const KtGeoCompound*>(pGeometry)->GetCount(), 2);
}

TEST_F(LineReshaping, CurvesAndRegionsBecomeLines) {
    Feed(Geometries(Circle(), Arc(), Square()));
    const auto* pCircle = dynamic_cast<const KtGeoLine*>(ReadNext());
    ASSERT_NE(pCircle, nullptr);
    const std::vector<PlxPoint2D> outline = SubPoints(*pCircle, 0);
    ASSERT_GE(outline.size(), 3u);
    EXPECT_NEAR(outline.front().x, 7.0, 1e-9);  // angle 0 of the circle about (5, 5), radius 2
    EXPECT_NEAR(outline.back().x, outline.front().x, 1e-9);
    EXPECT_NEAR(outline.back().y, outline.front().y, 1e-9);

    const auto* pArc = dynamic_cast<const KtGeoLine*>(ReadNext());
    ASSERT_NE(pArc, nullptr);
    EXPECT_EQ(pArc->GetSubCount(), 1);

    const auto* pSquare = dynamic_cast<const KtGeoLine*>(ReadNext());
    ASSERT_NE(pSquare, nullptr);
    EXPECT_EQ(SubPoints(*pSquare, 0),
              (std::vector<PlxPoint2D>{{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}}));
}

TEST_F(LineReshaping, FeatureBehindARefusedItemIsReshapedToo) {
    Feed(Geometries(Line({{0, 0}, {1, 1}}), Line({{2, 2}, {3, 3}}), Circle()));
    m_pReader->m_failing = {2};
    FeatureBatch batch(3);
    EXPECT_EQ(layer.ReadFeatures(batch.Array(), 0), 2);
    EXPECT_EQ(batch[1].GetGeometry(), nullptr);
    ASSERT_NE(batch[2].GetGeometry(), nullptr);
    EXPECT_EQ(batch[2].GetGeometry()->GetType(), KTGEO_LINE);
}

using RegionReshaping = Reshaping<KtMapGisRegionLayer>;

TEST_F(RegionReshaping, CompoundOfOneLineBecomesARegionOfOneRing) {
    Feed(Geometries(Compound({Line({{0, 0}, {4, 0}, {4, 3}})}).release()));
    const auto* pRegion = dynamic_cast<const KtGeoRegion*>(ReadNext());
    ASSERT_NE(pRegion, nullptr);
    ASSERT_EQ(pRegion->GetSubCount(), 1);
    EXPECT_EQ(RingPoints(*pRegion, 0), (std::vector<PlxPoint2D>{{0, 0}, {4, 0}, {4, 3}}));
}

TEST_F(RegionReshaping, CircleBecomesARegionAndALoneArcStaysAnArc) {
    Feed(Geometries(Circle(), Arc(), Compound({Circle()}).release()));
    const auto* pCircle = dynamic_cast<const KtGeoRegion*>(ReadNext());
    ASSERT_NE(pCircle, nullptr);
    EXPECT_EQ(pCircle->GetSubCount(), 1);
    EXPECT_GE(pCircle->GetSubPntCount(0), 3);
    const KtGeometry* pArc = ReadNext();
    ASSERT_NE(pArc, nullptr);
    EXPECT_EQ(pArc->GetType(), KTGEO_ARC);
    const KtGeometry* pCompound = ReadNext();
    ASSERT_NE(pCompound, nullptr);
    EXPECT_EQ(pCompound->GetType(), KTGEO_COMPOUND);
}

using TextReshaping = Reshaping<KtMapGisTextLayer>;

TEST_F(TextReshaping, CompoundOfTextsBecomesOneTextWithTheLastStyle) {
    Feed(Geometries(
        Compound({Text({"a", "b"}, 0, 2.5), Line({{0, 0}, {1, 1}}), Text({"c", "d", "e"}, 10, 4)})
            .release()));
    const auto* pText = dynamic_cast<const KtGeoText*>(ReadNext());
    ASSERT_NE(pText, nullptr);
    ASSERT_EQ(pText->GetSubCount(), 5);
    const char16_t* expected[] = {u"a", u"b", u"c", u"d", u"e"};
    const double anchors[] = {0, 1, 10, 11, 12};
    for (int i = 0; i < 5; ++i) {
        ASSERT_NE(pText->GetSub(i), nullptr);
        EXPECT_EQ(pText->GetSub(i)->GetText(), PlxUnicodeString(expected[i]));
        EXPECT_EQ(pText->GetSubAnchor(i).x, anchors[i]);
    }
    ASSERT_NE(pText->GetTextStyle(), nullptr);
    EXPECT_EQ(pText->GetTextStyle()->GetHeight(), 4);
}

TEST_F(TextReshaping, CompoundWithoutTextStaysAsItIs) {
    Feed(Geometries(Compound({Line({{0, 0}, {1, 1}}), Point()}).release()));
    const KtGeometry* pGeometry = ReadNext();
    ASSERT_NE(pGeometry, nullptr);
    EXPECT_EQ(pGeometry->GetType(), KTGEO_COMPOUND);
}

using PointReading = Reshaping<KtMapGisPointLayer>;

TEST_F(PointReading, GeometriesAreNotReshaped) {
    Feed(Geometries(Compound({Point(), Line({{0, 0}, {1, 1}})}).release(), Circle()));
    const KtGeometry* pCompound = ReadNext();
    ASSERT_NE(pCompound, nullptr);
    EXPECT_EQ(pCompound->GetType(), KTGEO_COMPOUND);
    const KtGeometry* pCircle = ReadNext();
    ASSERT_NE(pCircle, nullptr);
    EXPECT_EQ(pCircle->GetType(), KTGEO_CIRCLE);
}

}  // namespace
