// What GDAL applications expect of every layer, checked on every sample and test file of
// every format in both modes: the count is what iteration gives, a reset reads the same
// features again, random reads by id give what the sequential read gave, and the extent and
// item count are those the plug-in reports to a host that loads it directly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>

#include "DriverTestSupport.h"
#include "FeatureDump.h"
#include "PluginLoader.h"
#include "ogr_featurestyle.h"

namespace {

struct ContractCase {
    std::string strPath;
    std::string strMode;
};

std::vector<ContractCase> AllCases() {
    std::vector<std::string> files;
    for (const char* pszRoot : {MAPGIS_SAMPLES_DIR, MAPGIS_TEST_DATA_DIR}) {
        std::error_code ec;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(pszRoot, ec)) {
            const std::string strExt = entry.path().extension().string();
            if (strExt.size() == 4 && strExt.compare(0, 3, ".wa") == 0) {
                files.push_back(entry.path().string());
            }
        }
    }
    std::sort(files.begin(), files.end());
    std::vector<ContractCase> cases;
    for (const std::string& f : files) {
        cases.push_back({f, "COMPOUND"});
        cases.push_back({f, "TYPED"});
    }
    return cases;
}

std::string CaseName(const ::testing::TestParamInfo<ContractCase>& info) {
    std::string strName =
        std::filesystem::path(info.param.strPath).parent_path().filename().string() + "_" +
        std::filesystem::path(info.param.strPath).filename().string() + "_" + info.param.strMode;
    for (char& c : strName) {
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    }
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

std::vector<std::string> ReadAll(OGRLayer* poLayer, std::vector<GIntBig>* pFids,
                                 OGREnvelope* pUnion = nullptr) {
    std::vector<std::string> dumps;
    poLayer->ResetReading();
    while (OGRFeature* poFeature = poLayer->GetNextFeature()) {
        ExpectStyleParses(poFeature);
        dumps.push_back(drivertest::Dump(poFeature));
        if (pFids != nullptr)
            pFids->push_back(poFeature->GetFID());
        const OGRGeometry* poGeom = poFeature->GetGeometryRef();
        if (pUnion != nullptr && poGeom != nullptr && !poGeom->IsEmpty()) {
            OGREnvelope env;
            poGeom->getEnvelope(&env);
            pUnion->Merge(env);
        }
        delete poFeature;
    }
    return dumps;
}

void ExpectExtent(OGRLayer* poLayer, int bForce, const OGREnvelope& expected) {
    OGREnvelope env;
    if (!expected.IsInit()) {
        EXPECT_EQ(poLayer->GetExtent(&env, bForce), OGRERR_FAILURE);
        return;
    }
    ASSERT_EQ(poLayer->GetExtent(&env, bForce), OGRERR_NONE);
    EXPECT_EQ(env.MinX, expected.MinX);
    EXPECT_EQ(env.MaxX, expected.MaxX);
    EXPECT_EQ(env.MinY, expected.MinY);
    EXPECT_EQ(env.MaxY, expected.MaxY);
}

}  // namespace

TEST_P(LayerContract, Holds) {
    const ContractCase& c = GetParam();
    testfiles::ImportOptions options;
    options.nImportMode = c.strMode == "TYPED" ? KTX::KTIMPORT_TYPED : KTX::KTIMPORT_CAD;
    options.strDestName = std::filesystem::path(c.strPath).stem().string();
    options.nBatchSize = 1;
    const testfiles::ImportResult direct = testfiles::ImportThroughPlugin(c.strPath, options);

    drivertest::ErrorCollector quiet;
    GDALDatasetUniquePtr ds = drivertest::OpenMapgis(c.strPath, c.strMode, {"ENCODING=UTF-8"});
    if (!direct.bOpened || direct.layers.empty()) {
        // What the plug-in cannot open, the driver does not open either; a typed import
        // without layers of a readable file is a dataset without layers.
        options.nImportMode = KTX::KTIMPORT_CAD;
        options.nBatchSize = 16;
        if (testfiles::ImportThroughPlugin(c.strPath, options).bOpened) {
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

        // Line, area and network files know their extent before any read: the bound of the
        // index. The items of a point file reach beyond their anchors, so its extent is the
        // union of what the features cover, known once they have all been read.
        const bool bPointFile = EQUAL(CPLGetExtension(c.strPath.c_str()), "wat");
        OGREnvelope bound;
        const KTX::PlxRect2D& rc = reference.rcBound;
        if (!bPointFile && rc.left <= rc.right && rc.bottom <= rc.top) {
            bound.MinX = rc.left;
            bound.MaxX = rc.right;
            bound.MinY = rc.bottom;
            bound.MaxY = rc.top;
        }
        if (bPointFile) {
            OGREnvelope env;
            EXPECT_EQ(poLayer->GetExtent(&env, FALSE), OGRERR_FAILURE);
            EXPECT_FALSE(poLayer->TestCapability(OLCFastGetExtent));
        } else {
            ExpectExtent(poLayer, FALSE, bound);
        }

        std::vector<GIntBig> fids;
        OGREnvelope covered;
        const std::vector<std::string> first = ReadAll(poLayer, &fids, &covered);
        EXPECT_EQ(static_cast<int>(first.size()), reference.nFilled);
        EXPECT_EQ(poLayer->GetFeatureCount(TRUE), static_cast<GIntBig>(first.size()));
        EXPECT_EQ(ReadAll(poLayer, nullptr), first);
        if (bPointFile) {
            EXPECT_TRUE(poLayer->TestCapability(OLCFastGetExtent));
            ExpectExtent(poLayer, FALSE, covered);
            // Forced on a layer not read yet, the same.
            GDALDatasetUniquePtr fresh =
                drivertest::OpenMapgis(c.strPath, c.strMode, {"ENCODING=UTF-8"});
            ASSERT_NE(fresh, nullptr);
            ExpectExtent(fresh->GetLayer(i), TRUE, covered);
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

INSTANTIATE_TEST_SUITE_P(AllFiles, LayerContract, ::testing::ValuesIn(AllCases()), CaseName);
