// The bundled area and network samples imported through the loaded plug-in, in compound
// and in typed mode. Expected values are read off the sample files by hand.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KoGeometry/KtGeoLine.h"
#include "KoGeometry/KtGeoPoint.h"
#include "KoGeometry/KtGeoRegion.h"
#include "KoGeometryCAD/KtGeoCompound.h"
#include "PluginLoader.h"

using namespace KTX;

namespace {

using Points = std::vector<PlxPoint2D>;

const std::string kSampleWap = std::string(MAPGIS_SAMPLES_DIR) + "/sample.wap";
const std::string kSampleWan = std::string(MAPGIS_SAMPLES_DIR) + "/sample.wan";

testfiles::ImportResult Import(const std::string& strPath, int nMode) {
    testfiles::ImportOptions opt;
    opt.nImportMode = nMode;
    opt.nBatchSize = 2;
    return testfiles::ImportThroughPlugin(strPath, opt);
}

int UserID(const KtFeature& feature) {
    const PlxVariant* pValue = feature.GetValue(u"RbUserID");
    return pValue == nullptr || pValue->IsNull() ? -999 : pValue->ToInt();
}

std::vector<Points> RingsOf(const KtGeometry* pGeometry) {
    std::vector<Points> rings;
    const auto* pRegion = dynamic_cast<const KtGeoRegion*>(pGeometry);
    for (int i = 0; pRegion != nullptr && i < pRegion->GetSubCount(); ++i) {
        const PlxPoint2D* p = pRegion->GetPoints(i);
        rings.emplace_back(p, p + pRegion->GetSubPntCount(i));
    }
    return rings;
}

// The parcels: A (area 1) with the pond as a hole, B (area 2) walking both its arcs
// backwards, and the pond C (area 3) walking the pond arc backwards.
const Points kOuterA = {{39512400, 3421000}, {39512000, 3421000}, {39512000, 3421300},
                        {39512400, 3421300}, {39512400, 3421300}, {39512400, 3421150},
                        {39512400, 3421000}};
const Points kPond = {{39512105.50, 3421102.25},
                      {39512198.75, 3421102.25},
                      {39512198.75, 3421197.40},
                      {39512105.50, 3421197.40},
                      {39512105.50, 3421102.25}};
const Points kRingB = {{39512400, 3421000}, {39512400, 3421150}, {39512400, 3421300},
                       {39512400, 3421300}, {39512700, 3421300}, {39512700, 3421000},
                       {39512400, 3421000}};
const Points kPondBackwards(kPond.rbegin(), kPond.rend());

void ExpectParcels(const testfiles::ImportedLayer& layer, bool bStyled) {
    EXPECT_EQ(layer.nFeatureCount, 3);
    EXPECT_EQ(layer.nFilled, 3);
    EXPECT_DOUBLE_EQ(layer.rcBound.left, 39512000.0);
    EXPECT_DOUBLE_EQ(layer.rcBound.top, 3421300.0);
    EXPECT_DOUBLE_EQ(layer.rcBound.right, 39512700.0);
    EXPECT_DOUBLE_EQ(layer.rcBound.bottom, 3421000.0);
    ASSERT_EQ(layer.features.size(), 3u);
    const std::vector<std::vector<Points>> expected = {
        {kOuterA, kPond}, {kRingB}, {kPondBackwards}};
    for (size_t i = 0; i < 3; ++i) {
        const KtFeature& feature = *layer.features[i];
        EXPECT_EQ(UserID(feature), static_cast<int>(i) + 1);
        ASSERT_NE(feature.GetGeometry(), nullptr);
        EXPECT_EQ(feature.GetGeometry()->GetType(), KTGEO_REGION);
        EXPECT_EQ(RingsOf(feature.GetGeometry()), expected[i]) << "area " << i + 1;
        EXPECT_EQ(feature.GetGeometry()->GetStyle() != nullptr, bStyled);
    }
}

TEST(TopologyImport, AreaSampleInCompoundMode) {
    const testfiles::ImportResult result = Import(kSampleWap, KTIMPORT_CAD);
    ASSERT_TRUE(result.bOpened);
    ASSERT_EQ(result.layers.size(), 1u);
    EXPECT_EQ(result.layers[0].nType, 149);
    EXPECT_EQ(result.layers[0].strName, "dest");
    ExpectParcels(result.layers[0], true);
}

TEST(TopologyImport, AreaSampleInTypedModeIsOneRegionLayer) {
    const testfiles::ImportResult result = Import(kSampleWap, KTIMPORT_TYPED);
    ASSERT_TRUE(result.bOpened);
    ASSERT_EQ(result.layers.size(), 1u);
    EXPECT_EQ(result.layers[0].nType, 5);
    EXPECT_EQ(result.layers[0].strName, "destR");
    ExpectParcels(result.layers[0], false);
}

// The roads: arcs 1 to 3 form network line 501, arc 4 network line 502; five nodes.
const std::vector<Points> kRoads = {
    {{39512000, 3421000}, {39512200, 3421050}, {39512400, 3421000}},
    {{39512400, 3421000}, {39512400, 3421300}},
    {{39512400, 3421300}, {39512700, 3421300}},
    {{39512400, 3421000}, {39512550, 3420980}, {39512700, 3421000}}};
const Points kNodes = {{39512000, 3421000},
                       {39512400, 3421000},
                       {39512400, 3421300},
                       {39512700, 3421300},
                       {39512700, 3421000}};

void ExpectNetworkDefinition(const testfiles::ImportedLayer& layer) {
    EXPECT_EQ(layer.nFeatureCount, 2);
    EXPECT_EQ(layer.nFilled, 2);
    EXPECT_DOUBLE_EQ(layer.rcBound.left, 39512000.0);
    EXPECT_DOUBLE_EQ(layer.rcBound.top, 3421300.0);
    EXPECT_DOUBLE_EQ(layer.rcBound.right, 39512700.0);
    EXPECT_DOUBLE_EQ(layer.rcBound.bottom, 3420980.0);
}

Points LinePoints(const KtGeometry* pGeometry, int iSub) {
    const auto* pLine = dynamic_cast<const KtGeoLine*>(pGeometry);
    if (pLine == nullptr || iSub >= pLine->GetSubCount())
        return {};
    const PlxPoint2D* p = pLine->GetPoints(iSub);
    return Points(p, p + pLine->GetSubPntCount(iSub));
}

TEST(TopologyImport, NetworkSampleInCompoundMode) {
    const testfiles::ImportResult result = Import(kSampleWan, KTIMPORT_CAD);
    ASSERT_TRUE(result.bOpened);
    ASSERT_EQ(result.layers.size(), 1u);
    const testfiles::ImportedLayer& layer = result.layers[0];
    EXPECT_EQ(layer.nType, 149);
    ExpectNetworkDefinition(layer);
    ASSERT_EQ(layer.features.size(), 2u);

    const std::vector<std::vector<int>> arcsOfLine = {{0, 1, 2}, {3}};
    for (size_t i = 0; i < 2; ++i) {
        const KtFeature& feature = *layer.features[i];
        EXPECT_EQ(UserID(feature), -999) << "network lines carry no identifier value";
        const auto* pCompound = dynamic_cast<const KtGeoCompound*>(feature.GetGeometry());
        ASSERT_NE(pCompound, nullptr);
        const std::vector<int>& arcs = arcsOfLine[i];
        ASSERT_EQ(pCompound->GetCount(), static_cast<int>(arcs.size() + kNodes.size()));
        for (size_t k = 0; k < arcs.size(); ++k) {
            EXPECT_EQ(LinePoints(pCompound->GetAt(static_cast<int>(k)), 0), kRoads[arcs[k]]);
        }
        for (size_t k = 0; k < kNodes.size(); ++k) {
            const auto* pPoint = dynamic_cast<const KtGeoPoint*>(
                pCompound->GetAt(static_cast<int>(arcs.size() + k)));
            ASSERT_NE(pPoint, nullptr);
            EXPECT_EQ(pPoint->GetPoint(), kNodes[k]);
            ASSERT_NE(pPoint->GetStyle(), nullptr);
            EXPECT_EQ(pPoint->GetStyle()->GetMarkerStyle(), 1050);
        }
    }
    // Arc 1 is 5 wide, arc 2 is 3 wide, both taken as they stand.
    const auto* pCompound = dynamic_cast<const KtGeoCompound*>(layer.features[0]->GetGeometry());
    ASSERT_NE(pCompound->GetAt(0)->GetStyle(), nullptr);
    EXPECT_DOUBLE_EQ(pCompound->GetAt(0)->GetStyle()->GetLineWidth(), 5.0);
    ASSERT_NE(pCompound->GetAt(1)->GetStyle(), nullptr);
    EXPECT_DOUBLE_EQ(pCompound->GetAt(1)->GetStyle()->GetLineWidth(), 3.0);
}

TEST(TopologyImport, NetworkSampleInTypedModeIsOneLineLayer) {
    const testfiles::ImportResult result = Import(kSampleWan, KTIMPORT_TYPED);
    ASSERT_TRUE(result.bOpened);
    ASSERT_EQ(result.layers.size(), 1u);
    const testfiles::ImportedLayer& layer = result.layers[0];
    EXPECT_EQ(layer.nType, 3);
    EXPECT_EQ(layer.strName, "destL");
    ExpectNetworkDefinition(layer);
    ASSERT_EQ(layer.features.size(), 2u);

    // Each network line becomes one line whose parts are its arcs; the nodes drop out.
    const std::vector<std::vector<int>> arcsOfLine = {{0, 1, 2}, {3}};
    for (size_t i = 0; i < 2; ++i) {
        const KtGeometry* pGeometry = layer.features[i]->GetGeometry();
        ASSERT_NE(pGeometry, nullptr);
        ASSERT_EQ(pGeometry->GetType(), KTGEO_LINE);
        const auto* pLine = dynamic_cast<const KtGeoLine*>(pGeometry);
        ASSERT_EQ(pLine->GetSubCount(), static_cast<int>(arcsOfLine[i].size()));
        for (size_t k = 0; k < arcsOfLine[i].size(); ++k) {
            EXPECT_EQ(LinePoints(pGeometry, static_cast<int>(k)), kRoads[arcsOfLine[i][k]]);
        }
        EXPECT_EQ(pGeometry->GetStyle(), nullptr);
    }
}

}  // namespace
