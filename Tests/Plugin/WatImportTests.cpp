// Point files imported through the loaded plug-in, as a host does: the compound layer with
// every item, and the typed layers with the items of their kind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KoBase/KtLogFile.h"
#include "KoGeometry/KtGeoText.h"
#include "KoGeometry/KtGeometry.h"
#include "KoGeometryCAD/KtGeoArc.h"
#include "PluginLoader.h"
#include "TestFiles.h"
#include "WatTestSupport.h"

namespace {

using testfiles::ImportOptions;
using testfiles::ImportResult;
using testfiles::ImportThroughPlugin;

std::vector<int> GeometryTypes(const testfiles::ImportedLayer& layer) {
    std::vector<int> types;
    for (const auto& pFeature : layer.features) {
        types.push_back(pFeature->GetGeometry() == nullptr ? 0
                                                           : pFeature->GetGeometry()->GetType());
    }
    return types;
}

std::vector<int> UserIDs(const testfiles::ImportedLayer& layer) {
    std::vector<int> ids;
    for (const auto& pFeature : layer.features)
        ids.push_back(wattest::UserID(*pFeature));
    return ids;
}

class WatImport : public ::testing::Test {
protected:
    void SetUp() override { KTX::KtLogFile::GetInstance(true); }
};

TEST_F(WatImport, SampleFileInOneCompoundLayer) {
    testfiles::TempDir dir;
    ImportOptions options;
    options.strColorIndexFile =
        dir.Write("colors.txt", wattest::ColorFileText({{3, 0, 100, 100, 0}}));
    options.nBatchSize = 4;
    const ImportResult result =
        ImportThroughPlugin(std::string(MAPGIS_SAMPLES_DIR) + "/sample.wat", options);
    ASSERT_TRUE(result.bOpened);
    ASSERT_EQ(result.layers.size(), 1u);
    const testfiles::ImportedLayer& layer = result.layers[0];
    EXPECT_EQ(layer.nType, 149);
    EXPECT_EQ(layer.strName, "dest");
    EXPECT_EQ(layer.nFeatureCount, 11);
    // The image and the record continued on a second line give no feature.
    EXPECT_EQ(layer.nFilled, 9);
    EXPECT_EQ(GeometryTypes(layer), (std::vector<int>{7, 1000, 7, 1000, 7, 24, 15, 15, 1, 0, 0}));
    EXPECT_EQ(UserIDs(layer), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    EXPECT_EQ(layer.rcBound.left, 523412.50);
    EXPECT_EQ(layer.rcBound.right, 523720.00);
    EXPECT_EQ(layer.rcBound.top, 3364340.00);
    EXPECT_EQ(layer.rcBound.bottom, 3364120.00);
    EXPECT_EQ(KTX::KtLogFile::GetInstance(false)->GetRecordCount(), 1);

    const auto* pArc = dynamic_cast<const KTX::KtGeoArc*>(layer.features[5]->GetGeometry());
    ASSERT_NE(pArc, nullptr);
    ASSERT_NE(pArc->GetStyle(), nullptr);
    EXPECT_EQ(pArc->GetStyle()->GetLineColor(), wattest::kRed);
    EXPECT_EQ(pArc->GetRadius(), 25.0);
}

TEST_F(WatImport, EveryKindInTheCompoundLayer) {
    const ImportResult result = ImportThroughPlugin(testfiles::DataFile("wat/kinds.wat"));
    ASSERT_EQ(result.layers.size(), 1u);
    const testfiles::ImportedLayer& layer = result.layers[0];
    EXPECT_EQ(layer.nFeatureCount, 8);
    EXPECT_EQ(layer.nFilled, 7);
    EXPECT_EQ(GeometryTypes(layer), (std::vector<int>{7, 1, 15, 15, 24, 0, 7, 1000}));
    EXPECT_EQ(layer.rcBound.left, 8);
    EXPECT_EQ(layer.rcBound.top, 30);
    EXPECT_EQ(layer.rcBound.right, 22);
    EXPECT_EQ(layer.rcBound.bottom, 16);
}

TEST_F(WatImport, TypedLayersTakeTheItemsOfTheirKind) {
    ImportOptions options;
    options.nImportMode = KTX::KTIMPORT_TYPED;
    const ImportResult result = ImportThroughPlugin(testfiles::DataFile("wat/kinds.wat"), options);
    ASSERT_TRUE(result.bOpened);
    ASSERT_EQ(result.layers.size(), 4u);

    const struct {
        int nType;
        const char* name;
        std::vector<int> ids;
        std::vector<int> geometries;
    } kLayers[] = {
        {1, "destP", {2}, {1}},
        // The unfilled circle and the arc, both as lines.
        {3, "destL", {4, 5}, {3, 3}},
        // Both circles; the filled one is in this layer only. The reader hands an unfilled
        // circle to every typed layer as its outline, which the region layer keeps as a line.
        {5, "destR", {3, 4}, {5, 3}},
        // The coded text's pieces are merged into one text.
        {7, "destT", {1, 7, 8}, {7, 7, 7}},
    };
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(kLayers[i].name);
        const testfiles::ImportedLayer& layer = result.layers[i];
        EXPECT_EQ(layer.nType, kLayers[i].nType);
        EXPECT_EQ(layer.strName, kLayers[i].name);
        EXPECT_EQ(layer.nFeatureCount, static_cast<int>(kLayers[i].ids.size()));
        EXPECT_EQ(layer.nFilled, static_cast<int>(kLayers[i].ids.size()));
        EXPECT_EQ(UserIDs(layer), kLayers[i].ids);
        EXPECT_EQ(GeometryTypes(layer), kLayers[i].geometries);
        EXPECT_EQ(layer.rcBound.left, 8);
        EXPECT_EQ(layer.rcBound.bottom, 16);
        for (const auto& pFeature : layer.features) {
            ASSERT_NE(pFeature->GetGeometry(), nullptr);
            EXPECT_EQ(pFeature->GetGeometry()->GetStyle(), nullptr);
        }
    }
    const auto* pCoded =
        dynamic_cast<const KTX::KtGeoText*>(result.layers[3].features[2]->GetGeometry());
    ASSERT_NE(pCoded, nullptr);
    EXPECT_EQ(pCoded->GetSubCount(), 2);
    EXPECT_EQ(pCoded->GetTextStyle(), nullptr);
}

}  // namespace
