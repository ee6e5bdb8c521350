// Whole files imported through the loaded plug-in, as a host does: the compound layer with
// every item and its style, and the typed layers with the items of their kind. Expected
// values are read off the files by hand.
#include <gtest/gtest.h>

#include <memory>
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

// A layer's definition and what reading it gave: the identifiers of the features it
// touched, one per item the definition counts.
void ExpectLayer(const ImportedLayer& layer, int nType, const std::string& strName, int nFilled,
                 const std::vector<int>& ids, const std::vector<double>& bound) {
    EXPECT_EQ(layer.nType, nType);
    EXPECT_EQ(layer.strName, strName);
    EXPECT_EQ(layer.nFeatureCount, static_cast<int>(ids.size()));
    EXPECT_EQ(layer.nFilled, nFilled);
    EXPECT_EQ(IDs(layer), ids);
    EXPECT_EQ(pt::Bound(layer.rcBound), bound);
}

// Whether every feature has a geometry without style, as the typed layers give them.
bool Unstyled(const ImportedLayer& layer) {
    for (const auto& p : layer.features) {
        if (p->GetGeometry() == nullptr || p->GetGeometry()->GetStyle() != nullptr)
            return false;
    }
    return true;
}

class PluginImport : public ::testing::Test {
protected:
    void SetUp() override { KtLogFile::GetInstance(true); }
    // Imports a file that must give one layer, and returns that layer.
    const ImportedLayer& ImportOne(const std::string& strPath, int nMode, int nBatch = 2,
                                   const std::string& strColors = "") {
        static const ImportedLayer none;
        result = Import(strPath, nMode, nBatch, strColors);
        EXPECT_TRUE(result.bOpened);
        EXPECT_EQ(result.layers.size(), 1u);
        return result.layers.size() == 1 ? result.layers[0] : none;
    }
    testfiles::TempDir dir;
    ImportResult result;
};

TEST_F(PluginImport, PointSampleInOneCompoundLayer) {
    const ImportedLayer& layer = ImportOne(kSamples + "/sample.wat", KTIMPORT_CAD, 4);
    // The image and the record continued on a second line give no feature; the latter is
    // logged.
    ExpectLayer(layer, 149, "dest", 9, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11},
                {523412.5, 3364340, 523720, 3364120});
    EXPECT_EQ(Types(layer), (std::vector<int>{7, 1000, 7, 1000, 7, 24, 15, 15, 1, 0, 0}));
    EXPECT_EQ(pt::TakeRefusedLogs("KtReadWatFile"), 1);
}

TEST_F(PluginImport, TypedLayersTakeTheItemsOfTheirKind) {
    result = Import(DataFile("wat/kinds.wat"), KTIMPORT_TYPED);
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
        // Every typed layer has the bound of the whole file.
        ExpectLayer(layer, kLayers[i].nType, kLayers[i].pszName,
                    static_cast<int>(kLayers[i].ids.size()), kLayers[i].ids, {8, 30, 22, 16});
        EXPECT_EQ(Types(layer), kLayers[i].types);
        EXPECT_TRUE(Unstyled(layer));
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
    const ImportedLayer& layer = ImportOne(strPath, KTIMPORT_TYPED, 4);
    EXPECT_EQ(layer.strName, "destT");
    EXPECT_EQ(layer.nFilled, 1);
    EXPECT_EQ(IDs(layer), (std::vector<int>{1, 2}));
    EXPECT_EQ(Types(layer), (std::vector<int>{0, KTGEO_TEXT}));
}

// Colour 5 is red, colour 6 half cyan; colour 99 is not listed.
TEST_F(PluginImport, LineFileWithItsStyles) {
    const std::string strColors =
        dir.Write("c.clr", pt::ColorFile({{5, 0, 100, 100, 0}, {6, 50, 0, 0, 0}}));
    const ImportedLayer& layer = ImportOne(DataFile("wal/basic.wal"), KTIMPORT_CAD, 2, strColors);
    ExpectLayer(layer, 149, "dest", 3, {101, 102, 103}, {-12.25, 40, 30, -5});
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
        EXPECT_EQ(pt::ColorIf(pStyle->IsSet(KtStyle::LineColorSet), pStyle->GetLineColor()),
                  kStyles[i].crLine);
        EXPECT_TRUE(pStyle->IsSet(KtStyle::LineStyleSet | KtStyle::LineWidthSet));
        EXPECT_EQ(pStyle->GetLineWidth(), kStyles[i].dWidth);
        EXPECT_EQ(pStyle->GetLineStyle(), kStyles[i].nLineStyle);
    }
}

TEST_F(PluginImport, LineFilesGiveWhatTheyHold) {
    const struct {
        const char* pszFile;
        bool bOpened;
        int nFilled;
        std::vector<int> ids;  // of the features the layer touched; -1: refused
        std::vector<double> bound;
        Points first;  // the first line's points; empty: not checked
    } kFiles[] = {
        {"negative-count.wal", true, 0, {}, {1e10, -1e10, -1e10, 1e10}, {}},
        {"zero-count.wal", false, 0, {}, {}, {}},
        {"short.wal", true, 2, {11, 12}, {1, 8, 7, 2}, {}},
        {"empty-item.wal", true, 1, {7}, {1, 4, 3, 2}, {}},
        {"malformed-points.wal", true, 1, {201}, {0, 10, 10, 0}, {{0, 0}, {10, 10}}},
        // 302 has no usable identifier line and is not indexed; 301's style line is refused.
        {"bad-lines.wal", true, 1, {-1, 303}, {0, 5, 5, 0}, {}}};
    for (const auto& c : kFiles) {
        SCOPED_TRACE(c.pszFile);
        // One feature a batch: every batch must fill its last place.
        result = Import(DataFile(std::string("wal/") + c.pszFile), KTIMPORT_CAD, 1);
        EXPECT_EQ(result.bOpened, c.bOpened);
        ASSERT_EQ(result.layers.size(), c.bOpened ? 1u : 0u);
        if (!c.bOpened)
            continue;
        EXPECT_EQ(result.layers[0].nFilled, c.nFilled);
        EXPECT_EQ(IDs(result.layers[0]), c.ids);
        EXPECT_EQ(pt::Bound(result.layers[0].rcBound), c.bound);
        if (!c.first.empty()) {
            EXPECT_EQ(pt::Parts(result.layers[0].features.at(0)->GetGeometry()),
                      std::vector<Points>{c.first});
        }
    }
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

TEST_F(PluginImport, AreaSampleInBothModes) {
    const std::vector<std::vector<Points>> rings = {
        {kOuterA, kPond}, {kRingB}, {Points(kPond.rbegin(), kPond.rend())}};
    for (const int nMode : {KTIMPORT_CAD, KTIMPORT_TYPED}) {
        SCOPED_TRACE(nMode);
        const bool bCAD = nMode == KTIMPORT_CAD;
        const ImportedLayer& layer = ImportOne(kSamples + "/sample.wap", nMode);
        ExpectLayer(layer, bCAD ? 149 : 5, bCAD ? "dest" : "destR", 3, {1, 2, 3},
                    {39512000, 3421300, 39512700, 3421000});
        ASSERT_EQ(layer.features.size(), 3u);
        for (size_t i = 0; i < 3; ++i) {
            const KtGeometry* pGeometry = layer.features[i]->GetGeometry();
            ASSERT_NE(pGeometry, nullptr);
            EXPECT_EQ(pGeometry->GetType(), KTGEO_REGION);
            EXPECT_EQ(pt::Parts(pGeometry), rings[i]) << "area " << i + 1;
            EXPECT_EQ(pGeometry->GetStyle() != nullptr, bCAD);
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
        const bool bCAD = nMode == KTIMPORT_CAD;
        const ImportedLayer& layer = ImportOne(kSamples + "/sample.wan", nMode);
        // Network lines carry the identifier field without a value.
        ExpectLayer(layer, bCAD ? 149 : 3, bCAD ? "dest" : "destL", 2, {-1, -1},
                    {39512000, 3421300, 39512700, 3420980});
        if (!bCAD) {
            EXPECT_TRUE(Unstyled(layer));
        }
        ASSERT_EQ(layer.features.size(), 2u);
        for (size_t i = 0; i < 2; ++i) {
            const KtGeometry* pGeometry = layer.features[i]->GetGeometry();
            ASSERT_NE(pGeometry, nullptr);
            // Typed: one line whose parts are the arcs. Compound: the arcs, then the nodes.
            std::vector<Points> expected;
            for (int k : arcsOfLine[i])
                expected.push_back(kRoads[k]);
            if (bCAD)
                expected.insert(expected.end(), kNodes.begin(), kNodes.end());
            EXPECT_EQ(pGeometry->GetType(), bCAD ? KTGEO_COMPOUND : KTGEO_LINE);
            EXPECT_EQ(pt::Parts(pGeometry), expected);
        }
    }
}

}  // namespace
