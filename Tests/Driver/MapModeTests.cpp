// MODE=MAP, the default: a layer per kind the file holds, one geometry type each, read through
// the compound reading. The expected layers and counts are worked out from the records below
// and from the samples' records.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "DriverTestSupport.h"
#include "TestFiles.h"

using drivertest::OpenMapgis;

namespace {

// Records: 1 a fraction "1 over 2" (a bar and two pieces), 2 a symbol, 3 a filled circle,
// 4 a circle without fill, 5 an arc, 6 a plain text (one piece).
const char* const kMixed =
    "WMAPGIS points\n"
    "6\n"
    "10,20,1,0,\"/1/2/\",4,3,0,0,1,0,0,0,3,0,0\n"
    "14,24,2,1,12,4.0,4.0,0.0,0,3,0.5,0,0\n"
    "30,30,3,2,5.0,3,1,1,5,0,0\n"
    "40,40,4,2,5.0,3,1,0,5,0,0\n"
    "50,50,5,3,25.0,0.0,135.0,1,3,0,0\n"
    "60,60,6,0,\"AB\",4,3,0,0,1,0,0,0,3,0,0\n";

// Circles whose fill flags, 0.9 and 0, truncate to zero: unfilled, so drawn as lines only.
const char* const kOutlines =
    "WMAPGIS points\n"
    "2\n"
    "10,10,1,2,5.0,3,1,0.9,5,0,0\n"
    "20,20,2,2,4.0,3,2,0,0,0,0\n";

// Texts only: no bar, so no lines layer.
const char* const kTexts =
    "WMAPGIS points\n"
    "2\n"
    "10,20,1,0,\"A/B\",4,3,0,0,1,0,0,0,3,0,0\n"
    "60,60,2,0,\"/AB/\",4,3,0,0,1,0,0,0,3,0,0\n";

struct LayerWant {
    std::string strName;
    OGRwkbGeometryType eType;
    std::vector<GIntBig> fids;
    std::vector<int> rbUserIds;
};

struct MapCase {
    const char* pszName;
    std::string strPath;  // a sample, or the name of a file written from strContent
    std::string strContent;
    std::vector<LayerWant> layers;
};

std::vector<GIntBig> Fids(int nFirst, int nLast) {
    std::vector<GIntBig> fids;
    for (int i = nFirst; i <= nLast; ++i)
        fids.push_back(i);
    return fids;
}

std::vector<MapCase> Cases() {
    using drivertest::Sample;
    return {
        {"mixed",
         "mixed.wat",
         kMixed,
         {{"mixed_areas", wkbMultiSurface, {3}, {3}},
          {"mixed_lines", wkbMultiCurve, {1, 4, 5}, {1, 4, 5}},
          {"mixed_points", wkbPoint, {2}, {2}},
          {"mixed_texts", wkbPoint, {1, 2, 3}, {1, 1, 6}}}},
        {"outlines",
         "outlines.wat",
         kOutlines,
         {{"outlines_lines", wkbMultiCurve, {1, 2}, {1, 2}}}},
        {"texts", "texts.wat", kTexts, {{"texts_texts", wkbPoint, {1, 2}, {1, 2}}}},
        // Items 1 to 11: texts 1-5 give 1, 3 (H, 2, O), 6 (vertical), 5 (spaced) and 1
        // pieces; 6 an arc; 7 a filled circle (fill flag 1), 8 one without (0); 9 a symbol;
        // 10 an image; 11 refused.
        {"sample_wat",
         Sample("sample.wat"),
         "",
         {{"sample_areas", wkbMultiSurface, {7}, {7}},
          {"sample_lines", wkbMultiCurve, {6, 8}, {6, 8}},
          {"sample_points", wkbPoint, {9}, {9}},
          {"sample_texts",
           wkbPoint,
           Fids(1, 16),
           {1, 2, 2, 2, 3, 3, 3, 3, 3, 3, 4, 4, 4, 4, 4, 5}}}},
        {"sample_wal",
         Sample("sample.wal"),
         "",
         {{"sample_lines", wkbMultiCurve, Fids(1, 30), {}}}},
        {"sample_wap",
         Sample("sample.wap"),
         "",
         {{"sample_areas", wkbMultiSurface, Fids(1, 3), {}}}},
        // Two network lines, each with the network's nodes.
        {"sample_wan",
         Sample("sample.wan"),
         "",
         {{"sample_network", wkbMultiCurve, {1, 2}, {}},
          {"sample_nodes", wkbMultiPoint, {1, 2}, {}}}},
    };
}

class MapMode : public ::testing::TestWithParam<MapCase> {
protected:
    std::string Path() {
        const MapCase& c = GetParam();
        return c.strContent.empty() ? c.strPath : m_dir.Write(c.strPath, c.strContent);
    }

private:
    testfiles::TempDir m_dir;
};

std::vector<GIntBig> FidsOf(OGRLayer* poLayer) {
    std::vector<GIntBig> fids;
    for (auto& f : *poLayer)
        fids.push_back(f->GetFID());
    return fids;
}

}  // namespace

TEST_P(MapMode, LayersInDrawingOrderOfOneTypeWithTheirItems) {
    const MapCase& c = GetParam();
    drivertest::ErrorCollector quiet;
    // The default mode.
    const char* const apszDrivers[] = {"MAPGIS", nullptr};
    GDALDatasetUniquePtr ds(GDALDataset::Open(Path().c_str(), GDAL_OF_VECTOR, apszDrivers));
    ASSERT_NE(ds, nullptr);
    ASSERT_EQ(ds->GetLayerCount(), static_cast<int>(c.layers.size()));
    for (size_t i = 0; i < c.layers.size(); ++i) {
        const LayerWant& want = c.layers[i];
        OGRLayer* poLayer = ds->GetLayer(static_cast<int>(i));
        SCOPED_TRACE(want.strName);
        EXPECT_EQ(poLayer->GetName(), want.strName);
        EXPECT_EQ(poLayer->GetGeomType(), want.eType);
        EXPECT_EQ(poLayer->GetFeatureCount(FALSE), -1);
        std::vector<int> ids;
        for (auto& f : *poLayer) {
            ASSERT_NE(f->GetGeometryRef(), nullptr);
            EXPECT_EQ(f->GetGeometryRef()->getGeometryType(), want.eType);
            ids.push_back(f->GetFieldAsInteger("RbUserID"));
        }
        EXPECT_EQ(FidsOf(poLayer), want.fids);
        if (!want.rbUserIds.empty()) {
            EXPECT_EQ(ids, want.rbUserIds);
        }
        EXPECT_TRUE(poLayer->TestCapability(OLCFastFeatureCount));
        EXPECT_EQ(poLayer->GetFeatureCount(FALSE), static_cast<GIntBig>(want.fids.size()));
        EXPECT_STREQ(poLayer->GetMetadataItem("FEATURE_COUNT", "MAPGIS"),
                     std::to_string(want.fids.size()).c_str());
    }
}

TEST_P(MapMode, InterleavedReadsGiveWhatEachLayerGivesAlone) {
    drivertest::ErrorCollector quiet;
    const std::string strPath = Path();
    GDALDatasetUniquePtr alone = OpenMapgis(strPath, "MAP");
    GDALDatasetUniquePtr mixed = OpenMapgis(strPath, "MAP");
    ASSERT_NE(alone, nullptr);
    ASSERT_NE(mixed, nullptr);
    std::vector<std::vector<std::string>> want, got(mixed->GetLayerCount());
    for (int i = 0; i < alone->GetLayerCount(); ++i)
        want.push_back(drivertest::DumpAll(alone->GetLayer(i)));
    // Round robin, one feature of each layer in turn, last layer first.
    for (bool bAny = true; bAny;) {
        bAny = false;
        for (int i = mixed->GetLayerCount(); i-- > 0;) {
            std::unique_ptr<OGRFeature> f(mixed->GetLayer(i)->GetNextFeature());
            if (f != nullptr) {
                got[static_cast<size_t>(i)].push_back(drivertest::Dump(f.get()));
                bAny = true;
            }
        }
    }
    EXPECT_EQ(got, want);
}

// GDAL's translation reads a dataset that allows it in one pass, layers interleaved.
TEST_P(MapMode, OnePassOverTheDatasetGivesEachLayersFeatures) {
    drivertest::ErrorCollector quiet;
    const std::string strPath = Path();
    GDALDatasetUniquePtr alone = OpenMapgis(strPath, "MAP");
    GDALDatasetUniquePtr pass = OpenMapgis(strPath, "MAP");
    ASSERT_NE(alone, nullptr);
    ASSERT_NE(pass, nullptr);
    ASSERT_TRUE(pass->TestCapability(ODsCRandomLayerRead));
    std::map<std::string, std::vector<std::string>> want, got;
    for (int i = 0; i < alone->GetLayerCount(); ++i)
        want[alone->GetLayer(i)->GetName()] = drivertest::DumpAll(alone->GetLayer(i));
    double dfLast = 0;
    for (int nPass = 0; nPass < 2; ++nPass) {
        got.clear();
        for (int i = 0; i < pass->GetLayerCount(); ++i)
            got[pass->GetLayer(i)->GetName()];
        pass->ResetReading();
        OGRLayer* poLayer = nullptr;
        double dfDone = 0;
        while (auto* poFeature = pass->GetNextFeature(&poLayer, &dfDone, nullptr, nullptr)) {
            std::unique_ptr<OGRFeature> f(poFeature);
            ASSERT_NE(poLayer, nullptr);
            got[poLayer->GetName()].push_back(drivertest::Dump(f.get()));
            EXPECT_GE(dfDone, dfLast);
            dfLast = dfDone;
        }
        EXPECT_EQ(got, want) << "pass " << nPass;
        dfLast = 0;
    }
    // The layers know their counts from the pass.
    for (int i = 0; i < pass->GetLayerCount(); ++i) {
        OGRLayer* poLayer = pass->GetLayer(i);
        EXPECT_EQ(poLayer->GetFeatureCount(FALSE),
                  static_cast<GIntBig>(want[poLayer->GetName()].size()));
    }
    // A progress function that says stop ends the pass.
    pass->ResetReading();
    EXPECT_EQ(pass->GetNextFeature(
                  nullptr, nullptr, [](double, const char*, void*) { return FALSE; }, nullptr),
              nullptr);
}

TEST_P(MapMode, ReadsByIdGiveTheSequentialFeatures) {
    drivertest::ErrorCollector quiet;
    const std::string strPath = Path();
    GDALDatasetUniquePtr ds = OpenMapgis(strPath, "MAP");
    GDALDatasetUniquePtr byId = OpenMapgis(strPath, "MAP");
    ASSERT_NE(ds, nullptr);
    ASSERT_NE(byId, nullptr);
    for (int i = 0; i < ds->GetLayerCount(); ++i) {
        OGRLayer* poLayer = ds->GetLayer(i);
        SCOPED_TRACE(poLayer->GetName());
        std::map<GIntBig, std::string> sequential;
        OGREnvelope covered;
        for (auto& f : *poLayer) {
            sequential[f->GetFID()] = drivertest::Dump(f.get());
            if (!f->GetGeometryRef()->IsEmpty()) {
                OGREnvelope env;
                f->GetGeometryRef()->getEnvelope(&env);
                covered.Merge(env);
            }
        }
        // Backwards on a layer not read yet: each id found without the sequential read.
        OGRLayer* poFresh = byId->GetLayer(i);
        for (auto it = sequential.rbegin(); it != sequential.rend(); ++it) {
            std::unique_ptr<OGRFeature> f(poFresh->GetFeature(it->first));
            EXPECT_EQ(drivertest::Dump(f.get()), it->second);
        }
        EXPECT_EQ(std::unique_ptr<OGRFeature>(poFresh->GetFeature(0)), nullptr);
        const GIntBig nPast = sequential.empty() ? 1 : sequential.rbegin()->first + 100;
        EXPECT_EQ(std::unique_ptr<OGRFeature>(poFresh->GetFeature(nPast)), nullptr);
        EXPECT_EQ(drivertest::Extent(poLayer, FALSE), drivertest::Text(covered));
        EXPECT_EQ(poFresh->GetFeatureCount(TRUE), static_cast<GIntBig>(sequential.size()));
        // A read by id leaves the sequential read where it was.
        poLayer->ResetReading();
        std::unique_ptr<OGRFeature> first(poLayer->GetNextFeature());
        std::unique_ptr<OGRFeature> last(poLayer->GetFeature(sequential.rbegin()->first));
        std::unique_ptr<OGRFeature> second(poLayer->GetNextFeature());
        if (sequential.size() >= 2) {
            EXPECT_EQ(drivertest::Dump(second.get()), std::next(sequential.begin())->second);
        }
    }
}

TEST_P(MapMode, EveryItemIsInALayerAndTheAccountAddsUp) {
    drivertest::ErrorCollector quiet;
    const std::string strPath = Path();
    GDALDatasetUniquePtr map = OpenMapgis(strPath, "MAP", {"ACCOUNT=YES"});
    GDALDatasetUniquePtr compound = OpenMapgis(strPath, "COMPOUND", {"ACCOUNT=YES"});
    ASSERT_NE(map, nullptr);
    ASSERT_NE(compound, nullptr);
    std::set<GIntBig> items;  // compound ids of what the non-text layers hold
    std::set<int> ids;
    for (int i = 0; i < map->GetLayerCount(); ++i) {
        OGRLayer* poLayer = map->GetLayer(i);
        const bool bTexts = EQUAL(poLayer->GetMetadataItem("MAP_KIND", "MAPGIS"), "texts");
        for (auto& f : *poLayer) {
            ids.insert(f->GetFieldAsInteger("RbUserID"));
            if (!bTexts)
                items.insert(f->GetFID());
        }
    }
    for (auto& f : *compound->GetLayer(0)) {
        if (f->IsFieldSetAndNotNull(0)) {
            EXPECT_EQ(ids.count(f->GetFieldAsInteger(0)), 1u) << drivertest::Dump(f.get());
        } else {
            EXPECT_EQ(items.count(f->GetFID()), 1u) << drivertest::Dump(f.get());
        }
    }
    const char* const apszKeys[] = {"FILE_ITEM_COUNT", "FILE_IMPORTED_COUNT", "FILE_REFUSED_COUNT",
                                    "FILE_NOT_IMPORTABLE_COUNT", "FILE_SKIPPED_COUNT"};
    std::vector<long long> mapFigures, compoundFigures;
    for (const char* pszKey : apszKeys) {
        mapFigures.push_back(drivertest::MapgisNumber(map.get(), pszKey));
        compoundFigures.push_back(drivertest::MapgisNumber(compound.get(), pszKey));
    }
    EXPECT_EQ(mapFigures, compoundFigures);
    EXPECT_EQ(mapFigures[0], mapFigures[1] + mapFigures[2] + mapFigures[3] + mapFigures[4]);
    EXPECT_GT(mapFigures[0], 0);
    EXPECT_EQ(map->GetLayer(0)->GetMetadataItem("DESCRIPTION"),
              std::string(compound->GetLayer(0)->GetMetadataItem("DESCRIPTION")));
}

INSTANTIATE_TEST_SUITE_P(Files, MapMode, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.pszName); });

// The sample sheet's point file: 11 items, 9 imported, item 11 refused, item 10 an image.
TEST(MapModeAccount, SampleFiguresAsCounted) {
    drivertest::ErrorCollector quiet;
    GDALDatasetUniquePtr ds = OpenMapgis(drivertest::Sample("sample.wat"), "MAP", {"ACCOUNT=YES"});
    ASSERT_NE(ds, nullptr);
    std::vector<long long> figures;
    for (const char* pszKey : {"FILE_ITEM_COUNT", "FILE_IMPORTED_COUNT", "FILE_REFUSED_COUNT",
                               "FILE_NOT_IMPORTABLE_COUNT", "FILE_SKIPPED_COUNT"})
        figures.push_back(drivertest::MapgisNumber(ds->GetLayer(3), pszKey));
    EXPECT_EQ(figures, (std::vector<long long>{11, 9, 1, 1, 0}));
}

// A fraction's bar and its pieces share the item's RbUserID; the pieces carry their own text
// and the LABEL that places them, the bar its pen.
TEST(MapModePieces, AFractionGivesALineAndTwoTexts) {
    testfiles::TempDir dir;
    GDALDatasetUniquePtr ds = OpenMapgis(dir.Write("mixed.wat", kMixed), "MAP");
    ASSERT_NE(ds, nullptr);
    OGRLayer* poTexts = ds->GetLayerByName("mixed_texts");
    ASSERT_NE(poTexts, nullptr);
    std::vector<std::string> texts;
    for (auto& f : *poTexts) {
        texts.push_back(f->GetFieldAsString("Text"));
        EXPECT_EQ(std::string(f->GetStyleString()).rfind("LABEL(", 0), 0u) << texts.back();
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"1", "2", "AB"}));
    std::unique_ptr<OGRFeature> bar(ds->GetLayerByName("mixed_lines")->GetFeature(1));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->GetFieldAsInteger("RbUserID"), 1);
    EXPECT_EQ(wkbFlatten(bar->GetGeometryRef()->getGeometryType()), wkbMultiCurve);
}

// MAPGIS draws a circle without fill as its outline: a closed circular line with its pen
// only; a filled one stays a disc with its brush. Item 4 of kMixed: centre (40, 40), radius 5,
// colour 3 (red in the sample colour index), width 1 mm; item 3 fills with colour 5 (blue).
TEST(MapModePieces, AnUnfilledCircleIsItsOutlineWithItsPen) {
    testfiles::TempDir dir;
    GDALDatasetUniquePtr ds = OpenMapgis(dir.Write("mixed.wat", kMixed), "MAP",
                                         {"COLOR_INDEX=" + drivertest::Sample("colors.txt")});
    ASSERT_NE(ds, nullptr);
    std::unique_ptr<OGRFeature> outline(ds->GetLayerByName("mixed_lines")->GetFeature(4));
    ASSERT_NE(outline, nullptr);
    char* pszWkt = nullptr;
    outline->GetGeometryRef()->exportToWkt(&pszWkt, wkbVariantIso);
    EXPECT_STREQ(pszWkt, "MULTICURVE (CIRCULARSTRING (45 40,35 40,45 40))");
    CPLFree(pszWkt);
    const char* pszOutline = outline->GetStyleString();
    ASSERT_NE(pszOutline, nullptr);
    const std::string strOutline = pszOutline;
    EXPECT_EQ(strOutline.rfind("PEN(c:#FF0000,w:1mm", 0), 0u) << strOutline;
    EXPECT_EQ(strOutline.find("BRUSH("), std::string::npos) << strOutline;
    std::unique_ptr<OGRFeature> disc(ds->GetLayerByName("mixed_areas")->GetFeature(3));
    ASSERT_NE(disc, nullptr);
    EXPECT_EQ(wkbFlatten(disc->GetGeometryRef()->getGeometryType()), wkbMultiSurface);
    ASSERT_NE(disc->GetStyleString(), nullptr);
    EXPECT_NE(std::string(disc->GetStyleString()).find("BRUSH(fc:#0000FF"), std::string::npos)
        << disc->GetStyleString();
}

// Each mode answers the others' layer names, so that a host may list one mode's layers and
// open them with another mode's options.
TEST(MapModeNames, EachModeFindsTheOthersLayers) {
    const std::string strPath = drivertest::Sample("sample.wat");
    const std::map<std::string, std::vector<std::string>> names = {
        {"MAP", {"sample", "sampleT", "sample_texts"}},
        {"COMPOUND", {"sample_areas", "sampleP", "sample"}},
        {"TYPED", {"sample_points", "sample", "sampleT"}}};
    for (const auto& [strMode, found] : names) {
        SCOPED_TRACE(strMode);
        GDALDatasetUniquePtr ds = OpenMapgis(strPath, strMode);
        ASSERT_NE(ds, nullptr);
        for (const std::string& strName : found) {
            OGRLayer* poLayer = ds->GetLayerByName(strName.c_str());
            ASSERT_NE(poLayer, nullptr) << strName;
            EXPECT_EQ(poLayer->GetName(), strName);
        }
        EXPECT_EQ(ds->GetLayerByName("sample_roads"), nullptr);
    }
}
