// Whole files imported through the loaded plug-in, as a host does: the compound layer with
// every item and its style, and the typed layers with the items of their kind. Expected
// values are read off the files by hand.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "PluginLoader.h"
#include "PluginTestSupport.h"

using namespace KTX;
using pt::Points;
using testfiles::DataFile;
using testfiles::ImportedLayer;
using testfiles::ImportOptions;
using testfiles::ImportResult;

namespace {

const std::string kSamples = MAPGIS_SAMPLES_DIR;

ImportResult Import(const std::string& strPath, int nMode, int nBatch = 2,
                    const std::string& strColors = "") {
    ImportOptions opt;
    opt.nImportMode = nMode;
    opt.nBatchSize = nBatch;
    opt.strColorIndexFile = strColors;
    return testfiles::ImportThroughPlugin(strPath, opt);
}

std::vector<int> Types(const ImportedLayer& layer) {
    std::vector<int> types;
    for (const auto& p : layer.features)
        types.push_back(p->GetGeometry() == nullptr ? 0 : p->GetGeometry()->GetType());
    return types;
}

std::vector<int> IDs(const ImportedLayer& layer) {
    std::vector<int> ids;
    for (const auto& p : layer.features)
        ids.push_back(pt::UserID(*p));
    return ids;
}

class PluginImport : public ::testing::Test {
protected:
    void SetUp() override { KtLogFile::GetInstance(true); }
    testfiles::TempDir dir;
};

TEST_F(PluginImport, PointSampleInOneCompoundLayer) {
    const ImportResult result = Import(kSamples + "/sample.wat", KTIMPORT_CAD, 4);
    ASSERT_TRUE(result.bOpened);
    ASSERT_EQ(result.layers.size(), 1u);
    const ImportedLayer& layer = result.layers[0];
    EXPECT_EQ(layer.nType, 149);
    EXPECT_EQ(layer.strName, "dest");
    EXPECT_EQ(layer.nFeatureCount, 11);
    // The image and the record continued on a second line give no feature; the latter is
    // logged.
    EXPECT_EQ(layer.nFilled, 9);
    EXPECT_EQ(Types(layer), (std::vector<int>{7, 1000, 7, 1000, 7, 24, 15, 15, 1, 0, 0}));
    EXPECT_EQ(IDs(layer), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    EXPECT_EQ(pt::Bound(layer.rcBound), (std::vector<double>{523412.5, 3364340, 523720, 3364120}));
    EXPECT_EQ(pt::TakeRefusedLogs("KtReadWatFile"), 1);
}

TEST_F(PluginImport, TypedLayersTakeTheItemsOfTheirKind) {
    const ImportResult result = Import(DataFile("wat/kinds.wat"), KTIMPORT_TYPED);
    ASSERT_TRUE(result.bOpened);
    ASSERT_EQ(result.layers.size(), 4u);
    const struct {
        int nType;
        const char* pszName;
        std::vector<int> ids, types;
    } kLayers[] = {
        {1, "destP", {2}, {1}},
        // The unfilled circle and the arc, as lines.
        {3, "destL", {4, 5}, {3, 3}},
        // The filled circle as a region; the unfilled one comes as its outline, which the
        // region layer keeps as a line.
        {5, "destR", {3, 4}, {5, 3}},
        // The coded text's pieces are merged into one text.
        {7, "destT", {1, 7, 8}, {7, 7, 7}},
    };
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(kLayers[i].pszName);
        const ImportedLayer& layer = result.layers[i];
        EXPECT_EQ(layer.nType, kLayers[i].nType);
        EXPECT_EQ(layer.strName, kLayers[i].pszName);
        EXPECT_EQ(layer.nFeatureCount, static_cast<int>(kLayers[i].ids.size()));
        EXPECT_EQ(layer.nFilled, static_cast<int>(kLayers[i].ids.size()));
        EXPECT_EQ(IDs(layer), kLayers[i].ids);
        EXPECT_EQ(Types(layer), kLayers[i].types);
        // Every typed layer has the bound of the whole file.
        EXPECT_EQ(pt::Bound(layer.rcBound), (std::vector<double>{8, 30, 22, 16}));
        for (const auto& pFeature : layer.features) {
            ASSERT_NE(pFeature->GetGeometry(), nullptr);
            EXPECT_EQ(pFeature->GetGeometry()->GetStyle(), nullptr);
        }
    }
    const auto* pCoded =
        dynamic_cast<const KtGeoText*>(result.layers[3].features.at(2)->GetGeometry());
    ASSERT_NE(pCoded, nullptr);
    EXPECT_EQ(pCoded->GetSubCount(), 2);
}

TEST_F(PluginImport, TypedFeatureBehindARefusedItemIsReshapedToo) {
    // The first text has a comma in it and is refused; the coded text behind it in the same
    // batch must still be merged into one text.
    const std::string strPath = dir.Write("t.wat",
                                          "points\n2\n1,1,1,0,'a,b',2,2,0,0,1,0,0,0,3,0,0\n"
                                          "5,5,2,0,'x#+2#=',2,2,0,0,1,0,0,0,3,0,0\n");
    const ImportResult result = Import(strPath, KTIMPORT_TYPED, 4);
    ASSERT_EQ(result.layers.size(), 1u);
    EXPECT_EQ(result.layers[0].strName, "destT");
    EXPECT_EQ(result.layers[0].nFilled, 1);
    EXPECT_EQ(IDs(result.layers[0]), (std::vector<int>{1, 2}));
    EXPECT_EQ(Types(result.layers[0]), (std::vector<int>{0, KTGEO_TEXT}));
}

// Colour 5 is red, colour 6 half cyan; colour 99 is not listed.
TEST_F(PluginImport, LineFileWithItsStyles) {
    const std::string strColors =
        dir.Write("c.clr", pt::ColorFile({{5, 0, 100, 100, 0}, {6, 50, 0, 0, 0}}));
    const ImportResult result = Import(DataFile("wal/basic.wal"), KTIMPORT_CAD, 2, strColors);
    ASSERT_TRUE(result.bOpened);
    ASSERT_EQ(result.layers.size(), 1u);
    const ImportedLayer& layer = result.layers[0];
    EXPECT_EQ(layer.nType, 149);
    EXPECT_EQ(layer.nFeatureCount, 3);
    EXPECT_EQ(layer.nFilled, 3);
    EXPECT_EQ(IDs(layer), (std::vector<int>{101, 102, 103}));
    EXPECT_EQ(pt::Bound(layer.rcBound), (std::vector<double>{-12.25, 40, 30, -5}));
    ASSERT_EQ(layer.features.size(), 3u);
    EXPECT_EQ(pt::Parts(layer.features[0]->GetGeometry()),
              (std::vector<Points>{{{10, 20}, {30, -5}, {15.5, 40}}}));
    EXPECT_EQ(pt::Parts(layer.features[1]->GetGeometry()),
              (std::vector<Points>{{{-12.25, 7}, {0, 0}}}));
    // Widths are written in tenths; the shipped table maps line type 2 to dashes, 9 to long
    // dashes, and not 11.
    const struct {
        PLXCOLOR crLine;  // 0: not set
        double dWidth;
        int nLineStyle;
    } kStyles[] = {{pt::kRed, 1.5, 2}, {PLXRGB(127, 255, 255), 0.5, 4}, {0, 0, 0}};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        ASSERT_NE(layer.features[i]->GetGeometry(), nullptr);
        const KtStyle* pStyle = layer.features[i]->GetGeometry()->GetStyle();
        ASSERT_NE(pStyle, nullptr);
        EXPECT_EQ(pStyle->IsSet(KtStyle::LineColorSet), kStyles[i].crLine != 0);
        if (kStyles[i].crLine != 0) {
            EXPECT_EQ(pStyle->GetLineColor(), kStyles[i].crLine);
        }
        EXPECT_TRUE(pStyle->IsSet(KtStyle::LineStyleSet | KtStyle::LineWidthSet));
        EXPECT_EQ(pStyle->GetLineWidth(), kStyles[i].dWidth);
        EXPECT_EQ(pStyle->GetLineStyle(), kStyles[i].nLineStyle);
    }

    const ImportResult typed = Import(DataFile("wal/basic.wal"), KTIMPORT_TYPED);
    ASSERT_EQ(typed.layers.size(), 1u);
    EXPECT_EQ(IDs(typed.layers[0]), (std::vector<int>{101, 102, 103}));
    for (const auto& pFeature : typed.layers[0].features) {
        ASSERT_NE(pFeature->GetGeometry(), nullptr);
        EXPECT_EQ(pFeature->GetGeometry()->GetStyle(), nullptr);
    }
}

struct LineFileCase {
    friend std::ostream& operator<<(std::ostream& o, const LineFileCase& c) {
        return o << c.pszFile;
    }
    const char* pszFile;
    bool bOpened;
    int nFilled;
    std::vector<int> ids;  // of the features the layer touched; -1: refused
    std::vector<double> bound;
    Points first;  // the first line's points; empty: not checked
};

class LineFiles : public ::testing::TestWithParam<LineFileCase> {};

TEST_P(LineFiles, ImportWhatTheFileHolds) {
    const LineFileCase& c = GetParam();
    // One feature a batch: every batch must fill its last place.
    const ImportResult result = Import(DataFile(std::string("wal/") + c.pszFile), KTIMPORT_CAD, 1);
    EXPECT_EQ(result.bOpened, c.bOpened);
    ASSERT_EQ(result.layers.size(), c.bOpened ? 1u : 0u);
    if (!c.bOpened)
        return;
    EXPECT_EQ(result.layers[0].nFilled, c.nFilled);
    EXPECT_EQ(IDs(result.layers[0]), c.ids);
    EXPECT_EQ(pt::Bound(result.layers[0].rcBound), c.bound);
    if (!c.first.empty()) {
        EXPECT_EQ(pt::Parts(result.layers[0].features.at(0)->GetGeometry()),
                  std::vector<Points>{c.first});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, LineFiles,
    ::testing::Values(
        LineFileCase{"negative-count.wal", true, 0, {}, {1e10, -1e10, -1e10, 1e10}, {}},
        LineFileCase{"zero-count.wal", false, 0, {}, {}, {}},
        LineFileCase{"short.wal", true, 2, {11, 12}, {1, 8, 7, 2}, {}},
        LineFileCase{"empty-item.wal", true, 1, {7}, {1, 4, 3, 2}, {}},
        LineFileCase{"malformed-points.wal", true, 1, {201}, {0, 10, 10, 0}, {{0, 0}, {10, 10}}},
        // 302 has no usable identifier line and is not indexed; 301's style line is refused.
        LineFileCase{"bad-lines.wal", true, 1, {-1, 303}, {0, 5, 5, 0}, {}}));

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

TEST_F(PluginImport, AreaSampleInBothModes) {
    for (const int nMode : {KTIMPORT_CAD, KTIMPORT_TYPED}) {
        SCOPED_TRACE(nMode);
        const ImportResult result = Import(kSamples + "/sample.wap", nMode);
        ASSERT_TRUE(result.bOpened);
        ASSERT_EQ(result.layers.size(), 1u);
        const ImportedLayer& layer = result.layers[0];
        EXPECT_EQ(layer.nType, nMode == KTIMPORT_CAD ? 149 : 5);
        EXPECT_EQ(layer.strName, nMode == KTIMPORT_CAD ? "dest" : "destR");
        EXPECT_EQ(layer.nFeatureCount, 3);
        EXPECT_EQ(layer.nFilled, 3);
        EXPECT_EQ(IDs(layer), (std::vector<int>{1, 2, 3}));
        EXPECT_EQ(pt::Bound(layer.rcBound),
                  (std::vector<double>{39512000, 3421300, 39512700, 3421000}));
        ASSERT_EQ(layer.features.size(), 3u);
        const std::vector<std::vector<Points>> rings = {
            {kOuterA, kPond}, {kRingB}, {Points(kPond.rbegin(), kPond.rend())}};
        for (size_t i = 0; i < 3; ++i) {
            const KtGeometry* pGeometry = layer.features[i]->GetGeometry();
            ASSERT_NE(pGeometry, nullptr);
            EXPECT_EQ(pGeometry->GetType(), KTGEO_REGION);
            EXPECT_EQ(pt::Parts(pGeometry), rings[i]) << "area " << i + 1;
            EXPECT_EQ(pGeometry->GetStyle() != nullptr, nMode == KTIMPORT_CAD);
        }
    }
}

// The roads: arcs 1 to 3 form network line 501, arc 4 network line 502; five nodes.
const std::vector<Points> kRoads = {
    {{39512000, 3421000}, {39512200, 3421050}, {39512400, 3421000}},
    {{39512400, 3421000}, {39512400, 3421300}},
    {{39512400, 3421300}, {39512700, 3421300}},
    {{39512400, 3421000}, {39512550, 3420980}, {39512700, 3421000}}};
const std::vector<Points> kNodes = {{{39512000, 3421000}},
                                    {{39512400, 3421000}},
                                    {{39512400, 3421300}},
                                    {{39512700, 3421300}},
                                    {{39512700, 3421000}}};

TEST_F(PluginImport, NetworkSampleInBothModes) {
    const std::vector<std::vector<int>> arcsOfLine = {{0, 1, 2}, {3}};
    for (const int nMode : {KTIMPORT_CAD, KTIMPORT_TYPED}) {
        SCOPED_TRACE(nMode);
        const ImportResult result = Import(kSamples + "/sample.wan", nMode);
        ASSERT_TRUE(result.bOpened);
        ASSERT_EQ(result.layers.size(), 1u);
        const ImportedLayer& layer = result.layers[0];
        EXPECT_EQ(layer.nType, nMode == KTIMPORT_CAD ? 149 : 3);
        EXPECT_EQ(layer.strName, nMode == KTIMPORT_CAD ? "dest" : "destL");
        EXPECT_EQ(layer.nFeatureCount, 2);
        EXPECT_EQ(layer.nFilled, 2);
        EXPECT_EQ(pt::Bound(layer.rcBound),
                  (std::vector<double>{39512000, 3421300, 39512700, 3420980}));
        ASSERT_EQ(layer.features.size(), 2u);
        for (size_t i = 0; i < 2; ++i) {
            const KtGeometry* pGeometry = layer.features[i]->GetGeometry();
            ASSERT_NE(pGeometry, nullptr);
            // Network lines carry the identifier field without a value.
            EXPECT_EQ(pt::UserID(*layer.features[i]), -1);
            std::vector<Points> expected;
            for (int k : arcsOfLine[i])
                expected.push_back(kRoads[k]);
            if (nMode == KTIMPORT_TYPED) {
                // One line whose parts are the arcs; the nodes drop out.
                EXPECT_EQ(pGeometry->GetType(), KTGEO_LINE);
                EXPECT_EQ(pt::Parts(pGeometry), expected);
                EXPECT_EQ(pGeometry->GetStyle(), nullptr);
                continue;
            }
            // The arcs, then the nodes as points.
            EXPECT_EQ(pGeometry->GetType(), KTGEO_COMPOUND);
            expected.insert(expected.end(), kNodes.begin(), kNodes.end());
            EXPECT_EQ(pt::Parts(pGeometry), expected);
        }
    }
}

}  // namespace
