// What GDAL applications expect of every layer of every sample and test file in both modes:
// the count is what iteration gives, a reset or a read by id gives the same features, and the
// extent and item count are those the plug-in reports to a host that loads it directly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <tuple>

#include "DriverTestSupport.h"
#include "PluginLoader.h"
#include "ogr_featurestyle.h"

namespace {

std::vector<std::string> AllFiles() {
    std::vector<std::string> files;
    for (const char* pszRoot : {MAPGIS_SAMPLES_DIR, MAPGIS_TEST_DATA_DIR}) {
        std::error_code ec;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(pszRoot, ec)) {
            const std::string strExt = entry.path().extension().string();
            if (strExt.size() == 4 && strExt.compare(0, 3, ".wa") == 0)
                files.push_back(entry.path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

using ContractCase = std::tuple<std::string, std::string>;  // the file and the mode

std::string CaseName(const ::testing::TestParamInfo<ContractCase>& info) {
    const std::filesystem::path path(std::get<0>(info.param));
    std::string strName = path.parent_path().filename().string() + "_" + path.filename().string() +
                          "_" + std::get<1>(info.param);
    std::replace_if(
        strName.begin(), strName.end(), [](unsigned char c) { return !std::isalnum(c); }, '_');
    return strName;
}

class LayerContract : public ::testing::TestWithParam<ContractCase> {};

// OGR's own parser reads every tool of a style string.
void ExpectStyleParses(OGRFeature* poFeature) {
    const char* pszStyle = poFeature->GetStyleString();
    if (pszStyle == nullptr)
        return;
    OGRStyleMgr mgr;
    ASSERT_TRUE(mgr.InitStyleString(pszStyle)) << pszStyle;
    const int nTools = 1 + static_cast<int>(std::count(pszStyle, pszStyle + strlen(pszStyle), ';'));
    EXPECT_EQ(mgr.GetPartCount(), nTools) << pszStyle;
    for (int i = 0; i < mgr.GetPartCount(); ++i) {
        std::unique_ptr<OGRStyleTool> poTool(mgr.GetPart(i));
        ASSERT_NE(poTool, nullptr) << pszStyle;
        EXPECT_NE(poTool->GetType(), OGRSTCNone) << pszStyle;
    }
}

// Every feature as text, with the ids and the union of what the geometries cover.
std::vector<std::string> ReadAll(OGRLayer* poLayer, std::vector<GIntBig>* pFids = nullptr,
                                 OGREnvelope* pUnion = nullptr) {
    std::vector<std::string> dumps;
    for (auto& f : *poLayer) {
        ExpectStyleParses(f.get());
        dumps.push_back(drivertest::Dump(f.get()));
        if (pFids != nullptr)
            pFids->push_back(f->GetFID());
        const OGRGeometry* poGeom = f->GetGeometryRef();
        if (pUnion != nullptr && poGeom != nullptr && !poGeom->IsEmpty()) {
            OGREnvelope env;
            poGeom->getEnvelope(&env);
            pUnion->Merge(env);
        }
    }
    return dumps;
}

}  // namespace

TEST_P(LayerContract, Holds) {
    const auto& [strPath, strMode] = GetParam();
    testfiles::ImportOptions options;
    options.nImportMode = strMode == "TYPED" ? KTX::KTIMPORT_TYPED : KTX::KTIMPORT_CAD;
    options.strDestName = std::filesystem::path(strPath).stem().string();
    options.nBatchSize = 1;
    const testfiles::ImportResult direct = testfiles::ImportThroughPlugin(strPath, options);

    drivertest::ErrorCollector quiet;
    GDALDatasetUniquePtr ds = drivertest::OpenMapgis(strPath, strMode, {"ENCODING=UTF-8"});
    if (!direct.bOpened || direct.layers.empty()) {
        // What the plug-in cannot open, the driver does not open either; a typed import
        // without layers of a readable file is a dataset without layers.
        options.nImportMode = KTX::KTIMPORT_CAD;
        options.nBatchSize = 16;
        if (testfiles::ImportThroughPlugin(strPath, options).bOpened) {
            ASSERT_NE(ds, nullptr);
            EXPECT_EQ(ds->GetLayerCount(), 0);
        } else {
            EXPECT_EQ(ds, nullptr);
        }
        return;
    }
    ASSERT_NE(ds, nullptr);
    ASSERT_EQ(ds->GetLayerCount(), static_cast<int>(direct.layers.size()));
    for (int i = 0; i < ds->GetLayerCount(); ++i) {
        OGRLayer* poLayer = ds->GetLayer(i);
        const testfiles::ImportedLayer& reference = direct.layers[static_cast<size_t>(i)];
        SCOPED_TRACE(poLayer->GetName());
        EXPECT_EQ(poLayer->GetName(), reference.strName);
        EXPECT_STREQ(poLayer->GetMetadataItem("ITEM_COUNT", "MAPGIS"),
                     std::to_string(reference.nFeatureCount).c_str());

        // Other files know their extent before any read (the index's bound); a point file's
        // items reach beyond their anchors: its extent is what they cover, once all are read.
        const bool bPointFile = EQUAL(CPLGetExtension(strPath.c_str()), "wat");
        OGREnvelope bound;
        const KTX::PlxRect2D& rc = reference.rcBound;
        if (!bPointFile && rc.left <= rc.right && rc.bottom <= rc.top) {
            bound.Merge(rc.left, rc.bottom);
            bound.Merge(rc.right, rc.top);
        }
        EXPECT_EQ(drivertest::Extent(poLayer, FALSE), drivertest::Text(bound));
        if (bPointFile) {
            EXPECT_FALSE(poLayer->TestCapability(OLCFastGetExtent));
        }

        std::vector<GIntBig> fids;
        OGREnvelope covered;
        const std::vector<std::string> first = ReadAll(poLayer, &fids, &covered);
        EXPECT_EQ(static_cast<int>(first.size()), reference.nFilled);
        EXPECT_EQ(poLayer->GetFeatureCount(TRUE), static_cast<GIntBig>(first.size()));
        EXPECT_EQ(ReadAll(poLayer), first);
        if (bPointFile) {
            EXPECT_TRUE(poLayer->TestCapability(OLCFastGetExtent));
            EXPECT_EQ(drivertest::Extent(poLayer, FALSE), drivertest::Text(covered));
            // Forced on a layer not read yet, the same.
            GDALDatasetUniquePtr fresh =
                drivertest::OpenMapgis(strPath, strMode, {"ENCODING=UTF-8"});
            ASSERT_NE(fresh, nullptr);
            EXPECT_EQ(drivertest::Extent(fresh->GetLayer(i), TRUE), drivertest::Text(covered));
        }

        // Backwards, so that every read lies behind the cursor.
        for (size_t k = fids.size(); k-- > 0;) {
            std::unique_ptr<OGRFeature> f(poLayer->GetFeature(fids[k]));
            EXPECT_EQ(drivertest::Dump(f.get()), first[k]);
        }
        // Ids between the features are items the plug-in refused.
        for (GIntBig fid = 1; fid <= reference.nFeatureCount; ++fid) {
            if (std::find(fids.begin(), fids.end(), fid) != fids.end())
                continue;
            std::unique_ptr<OGRFeature> f(poLayer->GetFeature(fid));
            EXPECT_EQ(f, nullptr) << "fid " << fid;
        }
        EXPECT_STREQ(poLayer->GetMetadataItem("FEATURE_COUNT", "MAPGIS"),
                     std::to_string(first.size()).c_str());
        // Interleaved: a random read does not move the sequential one.
        if (first.size() >= 2) {
            poLayer->ResetReading();
            std::unique_ptr<OGRFeature> a(poLayer->GetNextFeature());
            std::unique_ptr<OGRFeature> last(poLayer->GetFeature(fids.back()));
            std::unique_ptr<OGRFeature> b(poLayer->GetNextFeature());
            EXPECT_EQ(drivertest::Dump(b.get()), first[1]);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllFiles, LayerContract,
                         ::testing::Combine(::testing::ValuesIn(AllFiles()),
                                            ::testing::Values("COMPOUND", "TYPED")),
                         CaseName);
