// Datasets as hosts such as QGIS use them: the driver's metadata, update access, layer names
// of the other mode, capped warnings, and datasets with different colour files side by side.
#include <gtest/gtest.h>

#include "DriverTestSupport.h"
#include "TestFiles.h"

using drivertest::OpenMapgis;
using drivertest::Sample;

TEST(Driver, DeclaresStylesAndALongNameWithoutExtensions) {
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
    EXPECT_FALSE(ds->TestCapability(ODsCCreateLayer));
    OGRLayer* poLayer = ds->GetLayer(0);
    EXPECT_FALSE(poLayer->TestCapability(OLCSequentialWrite));
    std::unique_ptr<OGRFeature> f(poLayer->GetFeature(1));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(poLayer->SetFeature(f.get()), OGRERR_UNSUPPORTED_OPERATION);
    EXPECT_EQ(poLayer->CreateFeature(f.get()), OGRERR_UNSUPPORTED_OPERATION);
    EXPECT_EQ(poLayer->DeleteFeature(1), OGRERR_UNSUPPORTED_OPERATION);
    OGRFieldDefn field("Extra", OFTString);
    EXPECT_NE(poLayer->CreateField(&field), OGRERR_NONE);
    EXPECT_EQ(poLayer->GetLayerDefn()->GetFieldIndex("Extra"), -1);
}

// sample.wat holds texts (items 1 to 5), an arc, circles, a symbol (item 9), an image and a
// refused item: typed mode keeps the point, line, region and text layers.
TEST(OtherModeNames, TypedDatasetAnswersTheCompoundName) {
    GDALDatasetUniquePtr ds = OpenMapgis(Sample("sample.wat"), "TYPED");
    ASSERT_NE(ds, nullptr);
    ASSERT_EQ(ds->GetLayerCount(), 4);
    EXPECT_STREQ(ds->GetLayer(0)->GetName(), "sampleP");
    OGRLayer* poCompound = ds->GetLayerByName("sample");
    ASSERT_NE(poCompound, nullptr);
    EXPECT_EQ(poCompound->GetGeomType(), wkbUnknown);
    EXPECT_EQ(poCompound->GetFeatureCount(TRUE), 9);
    EXPECT_EQ(ds->GetLayerCount(), 4);
    EXPECT_EQ(ds->GetLayerByName("sample"), poCompound);
    EXPECT_EQ(ds->GetLayerByName("sampleX"), nullptr);
}

TEST(OtherModeNames, CompoundDatasetAnswersTheTypedNamesWithItsOptions) {
    GDALDatasetUniquePtr ds = OpenMapgis(Sample("sample.wat"), "COMPOUND", {"NAME=qh"});
    ASSERT_NE(ds, nullptr);
    EXPECT_STREQ(ds->GetLayer(0)->GetName(), "qh");
    OGRLayer* poTexts = ds->GetLayerByName("qhT");
    ASSERT_NE(poTexts, nullptr);
    EXPECT_EQ(poTexts->GetGeomType(), wkbMultiPoint);
    EXPECT_EQ(poTexts->GetFeatureCount(TRUE), 5);
    // Item 2, "H#-2#=O" at 15 degrees: H, a lowered 2, then O.
    std::unique_ptr<OGRFeature> f(poTexts->GetFeature(2));
    ASSERT_NE(f, nullptr);
    EXPECT_STREQ(f->GetFieldAsString("Text"), "H2O");
    EXPECT_EQ(f->GetFieldAsDouble("TextAngle"), 15.0);
    OGRLayer* poPoints = ds->GetLayerByName("qhP");
    ASSERT_NE(poPoints, nullptr);
    f.reset(poPoints->GetNextFeature());
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->GetFieldAsInteger("RbUserID"), 9);
    EXPECT_EQ(ds->GetLayerCount(), 1);
    EXPECT_EQ(ds->GetLayerByName("sampleT"), nullptr);

    // sample.wal holds lines only; the second session reads with the first one's options:
    // item 1 has colour 3 (red) and its first point (39511100, 3420050) scaled by 2.
    GDALDatasetUniquePtr lines = OpenMapgis(Sample("sample.wal"), "TYPED",
                                            {"COLOR_INDEX=" + Sample("colors.txt"), "SCALE=2"});
    ASSERT_NE(lines, nullptr);
    EXPECT_EQ(lines->GetLayerByName("sampleT"), nullptr);
    OGRLayer* poCompound = lines->GetLayerByName("sample");
    ASSERT_NE(poCompound, nullptr);
    f.reset(poCompound->GetFeature(1));
    ASSERT_NE(f, nullptr);
    EXPECT_STREQ(f->GetFieldAsString("Color"), "#FF0000");
    EXPECT_EQ(f->GetGeometryRef()->exportToWkt(),
              "LINESTRING (79022200 6840100,79022320 6840180,79022440 6840120)");
}

TEST(Warnings, AFloodIsCutShortWithATotal) {
    testfiles::TempDir dir;
    // 25 arc records with one field too many: each is refused with a log message.
    std::string strWat = "WMAP points\n25\n";
    for (int i = 1; i <= 25; ++i)
        strWat += std::to_string(i) + ",0," + std::to_string(i) + ",3,10,0,90,1,3,0,0,9\n";
    const std::string strPath = dir.Write("flood.wat", strWat);
    drivertest::ErrorCollector errors;
    {
        GDALDatasetUniquePtr ds = OpenMapgis(strPath, "COMPOUND", {"REPAIR=NO"});
        ASSERT_NE(ds, nullptr);
        OGRLayer* poLayer = ds->GetLayer(0);
        EXPECT_EQ(poLayer->GetFeatureCount(TRUE), 0);
        EXPECT_STREQ(poLayer->GetMetadataItem("REFUSED_COUNT", "MAPGIS"), "25");
        const char* pszReason = poLayer->GetMetadataItem("REFUSED_REASON_1", "MAPGIS");
        ASSERT_NE(pszReason, nullptr);
        EXPECT_EQ(std::string(pszReason).rfind("25: IMe056", 0), 0u) << pszReason;
    }
    ASSERT_EQ(errors.warnings.size(), 21u);
    EXPECT_EQ(errors.warnings[19].rfind("flood.wat: flood feature 20: IMe056", 0), 0u);
    EXPECT_EQ(errors.warnings[20], "flood.wat: 5 more warnings not shown (25 in all)");
}

TEST(ColourTables, EachDatasetReadsWithItsOwnColourFile) {
    auto colourFile = [](int nCyan, int nMagenta, int nYellow) {
        std::string s = "colours\n1\n";
        for (const std::string& v :
             {std::string("Color:3"), std::string("Black=0"), "Cyan=" + std::to_string(nCyan),
              "Magenta=" + std::to_string(nMagenta), "Yellow=" + std::to_string(nYellow)})
            s += "0,0,0,0,\"" + v + "\",0,0,0,0,0,0,0,0,0,0,0\n";
        return s;
    };
    testfiles::TempDir dir;
    const std::string strRed = dir.Write("red.clr", colourFile(0, 100, 100));
    const std::string strBlue = dir.Write("blue.clr", colourFile(100, 100, 0));
    const std::string strWal = dir.Write("one.wal",
                                         "WMAP lines\n2\n1,0,3,5,0,0,0,0,0\n2\n0,0\n1,1\n7,0\n"
                                         "1,0,3,5,0,0,0,0,0\n2\n2,2\n3,3\n8,0\n");
    GDALDatasetUniquePtr red = OpenMapgis(strWal, "COMPOUND", {"COLOR_INDEX=" + strRed});
    GDALDatasetUniquePtr blue = OpenMapgis(strWal, "COMPOUND", {"COLOR_INDEX=" + strBlue});
    ASSERT_NE(red, nullptr);
    ASSERT_NE(blue, nullptr);
    // The blue file was loaded last; the red dataset still reads red, and so on in turn.
    for (int round = 0; round < 2; ++round) {
        std::unique_ptr<OGRFeature> r(red->GetLayer(0)->GetNextFeature());
        std::unique_ptr<OGRFeature> b(blue->GetLayer(0)->GetNextFeature());
        ASSERT_NE(r, nullptr);
        ASSERT_NE(b, nullptr);
        EXPECT_STREQ(r->GetFieldAsString("Color"), "#FF0000");
        EXPECT_STREQ(b->GetFieldAsString("Color"), "#0000FF");
    }
}

TEST(TypedMode, AReadableFileWithoutTypedItemsHasNoLayers) {
    testfiles::TempDir dir;
    // Item count -2: the file is read, nothing is in it.
    const std::string strPath = dir.Write("none.wal", "WMAP lines\n-2\n");
    drivertest::ErrorCollector errors;
    GDALDatasetUniquePtr ds = OpenMapgis(strPath, "TYPED");
    ASSERT_NE(ds, nullptr);
    EXPECT_EQ(ds->GetLayerCount(), 0);
    ASSERT_EQ(errors.warnings.size(), 1u);
    EXPECT_EQ(errors.warnings[0].rfind("none.wal: no item fits", 0), 0u) << errors.warnings[0];
    GDALDatasetUniquePtr compound = OpenMapgis(strPath, "COMPOUND");
    ASSERT_NE(compound, nullptr);
    OGREnvelope env;
    EXPECT_EQ(compound->GetLayer(0)->GetExtent(&env, FALSE), OGRERR_FAILURE);
    EXPECT_EQ(compound->GetLayer(0)->GetFeatureCount(TRUE), 0);
}
