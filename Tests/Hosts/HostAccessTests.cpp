// What hosts such as QGIS ask of the driver beyond reading: its metadata, update access, and
// layer names of the other mode.
#include <gtest/gtest.h>

#include "DriverTestSupport.h"

using drivertest::OpenMapgis;
using drivertest::Sample;

TEST(DriverMetadata, DeclaresFeatureStylesAndALongNameWithoutExtensions) {
    GDALDriver* poDriver = GetGDALDriverManager()->GetDriverByName("MAPGIS");
    ASSERT_NE(poDriver, nullptr);
    EXPECT_STREQ(poDriver->GetMetadataItem(GDAL_DCAP_FEATURE_STYLES), "YES");
    // QGIS adds the extension list itself.
    EXPECT_STREQ(poDriver->GetMetadataItem(GDAL_DMD_LONGNAME), "MAPGIS exchange files");
    EXPECT_STREQ(poDriver->GetMetadataItem(GDAL_DMD_EXTENSIONS), "wat wal wap wan");
}

TEST(UpdateAccess, OpensReadOnlyWithoutErrorAndRefusesWrites) {
    drivertest::ErrorCollector errors;
    const char* const apszDrivers[] = {"MAPGIS", nullptr};
    GDALDatasetUniquePtr ds(GDALDataset::Open(Sample("sample.wal").c_str(),
                                              GDAL_OF_VECTOR | GDAL_OF_UPDATE, apszDrivers, nullptr,
                                              nullptr));
    ASSERT_NE(ds, nullptr);
    EXPECT_TRUE(errors.errors.empty()) << errors.errors.front();
    EXPECT_EQ(ds->GetAccess(), GA_ReadOnly);
    for (const char* pszCap :
         {ODsCCreateLayer, ODsCDeleteLayer, ODsCCreateGeomFieldAfterCreateLayer, ODsCTransactions,
          ODsCRandomLayerWrite}) {
        EXPECT_FALSE(ds->TestCapability(pszCap)) << pszCap;
    }
    OGRLayer* poLayer = ds->GetLayer(0);
    ASSERT_NE(poLayer, nullptr);
    for (const char* pszCap : {OLCSequentialWrite, OLCRandomWrite, OLCCreateField, OLCDeleteFeature,
                               OLCDeleteField, OLCAlterFieldDefn}) {
        EXPECT_FALSE(poLayer->TestCapability(pszCap)) << pszCap;
    }
    std::unique_ptr<OGRFeature> f(poLayer->GetFeature(1));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(poLayer->SetFeature(f.get()), OGRERR_UNSUPPORTED_OPERATION);
    EXPECT_EQ(poLayer->CreateFeature(f.get()), OGRERR_UNSUPPORTED_OPERATION);
    EXPECT_EQ(poLayer->DeleteFeature(1), OGRERR_UNSUPPORTED_OPERATION);
    OGRFieldDefn field("Extra", OFTString);
    EXPECT_NE(poLayer->CreateField(&field), OGRERR_NONE);
    EXPECT_EQ(poLayer->GetLayerDefn()->GetFieldIndex("Extra"), -1);
    // The write left the file as it was: item 1 still reads the same.
    std::unique_ptr<OGRFeature> again(poLayer->GetFeature(1));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->GetFieldAsInteger("RbUserID"), 3001);
}

// sample.wat holds texts, an arc, circles, a symbol and an image: typed mode keeps the
// point (symbol), line (arc, circles), region (circles) and text layers.
TEST(OtherModeNames, TypedDatasetAnswersTheCompoundName) {
    GDALDatasetUniquePtr ds = OpenMapgis(Sample("sample.wat"), "TYPED");
    ASSERT_NE(ds, nullptr);
    ASSERT_EQ(ds->GetLayerCount(), 4);
    EXPECT_STREQ(ds->GetLayer(0)->GetName(), "sampleP");
    OGRLayer* poCompound = ds->GetLayerByName("sample");
    ASSERT_NE(poCompound, nullptr);
    EXPECT_STREQ(poCompound->GetName(), "sample");
    EXPECT_EQ(poCompound->GetGeomType(), wkbUnknown);
    // Items 1 to 9 of the file's 11: item 10 is an image, item 11 is refused.
    EXPECT_EQ(poCompound->GetFeatureCount(TRUE), 9);
    EXPECT_EQ(ds->GetLayerCount(), 4);
    EXPECT_EQ(ds->GetLayerByName("sample"), poCompound);
    EXPECT_EQ(ds->GetLayerByName("sampleX"), nullptr);
    EXPECT_EQ(ds->GetLayerByName("sampleP"), ds->GetLayer(0));
}

TEST(OtherModeNames, CompoundDatasetAnswersTheTypedNames) {
    GDALDatasetUniquePtr ds = OpenMapgis(Sample("sample.wat"), "COMPOUND", {"NAME=qh"});
    ASSERT_NE(ds, nullptr);
    ASSERT_EQ(ds->GetLayerCount(), 1);
    EXPECT_STREQ(ds->GetLayer(0)->GetName(), "qh");
    OGRLayer* poTexts = ds->GetLayerByName("qhT");
    ASSERT_NE(poTexts, nullptr);
    EXPECT_STREQ(poTexts->GetName(), "qhT");
    EXPECT_EQ(poTexts->GetGeomType(), wkbMultiPoint);
    EXPECT_EQ(poTexts->GetFeatureCount(TRUE), 5);  // items 1 to 5
    OGRLayer* poPoints = ds->GetLayerByName("qhP");
    ASSERT_NE(poPoints, nullptr);
    EXPECT_EQ(poPoints->GetFeatureCount(TRUE), 1);  // item 9, the symbol
    std::unique_ptr<OGRFeature> f(poPoints->GetNextFeature());
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->GetFieldAsInteger("RbUserID"), 9);
    EXPECT_EQ(ds->GetLayerCount(), 1);
    EXPECT_EQ(ds->GetLayerByName("sampleT"), nullptr);
    EXPECT_EQ(ds->GetLayerByName("qhX"), nullptr);
}

TEST(OtherModeNames, AKindWithoutItemsHasNoTypedLayer) {
    // sample.wal holds lines only.
    GDALDatasetUniquePtr ds = OpenMapgis(Sample("sample.wal"), "COMPOUND");
    ASSERT_NE(ds, nullptr);
    ASSERT_NE(ds->GetLayerByName("sampleL"), nullptr);
    EXPECT_EQ(ds->GetLayerByName("sampleL")->GetFeatureCount(TRUE), 30);
    EXPECT_EQ(ds->GetLayerByName("sampleT"), nullptr);
}

TEST(OtherModeNames, TheSecondSessionKeepsTheOpenOptions) {
    const char* const apszDrivers[] = {"MAPGIS", nullptr};
    CPLStringList aosOptions;
    aosOptions.SetNameValue("MODE", "TYPED");
    aosOptions.SetNameValue("COLOR_INDEX", Sample("colors.txt").c_str());
    aosOptions.SetNameValue("SCALE", "2");
    GDALDatasetH hDS = GDALOpenEx(Sample("sample.wal").c_str(), GDAL_OF_VECTOR, apszDrivers,
                                  aosOptions.List(), nullptr);
    ASSERT_NE(hDS, nullptr);
    OGRLayerH hLayer = GDALDatasetGetLayerByName(hDS, "sample");
    ASSERT_NE(hLayer, nullptr);
    OGRFeatureH hFeature = OGR_L_GetFeature(hLayer, 1);
    ASSERT_NE(hFeature, nullptr);
    // Item 1: colour 3 (red), first point (39511100, 3420050) scaled by 2.
    EXPECT_STREQ(OGR_F_GetFieldAsString(hFeature, OGR_F_GetFieldIndex(hFeature, "Color")),
                 "#FF0000");
    OGRGeometryH hGeom = OGR_F_GetGeometryRef(hFeature);
    ASSERT_NE(hGeom, nullptr);
    EXPECT_EQ(OGR_G_GetX(hGeom, 0), 79022200.0);
    EXPECT_EQ(OGR_G_GetY(hGeom, 0), 6840100.0);
    OGR_F_Destroy(hFeature);
    GDALClose(hDS);
}
