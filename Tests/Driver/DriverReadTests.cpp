// Reading through the driver: the samples and small files written here, with every expected
// value worked out from the files; and datasets as hosts such as QGIS use them.
#include <gtest/gtest.h>

#include "DriverTestSupport.h"
#include "TestFiles.h"

using drivertest::Dump;
using drivertest::OpenMapgis;
using drivertest::Sample;

TEST(LineSample, CompoundLayerWithColoursAndTypedLayer) {
    GDALDatasetUniquePtr ds =
        OpenMapgis(Sample("sample.wal"), "COMPOUND", {"COLOR_INDEX=" + Sample("colors.txt")});
    ASSERT_NE(ds, nullptr);
    ASSERT_EQ(ds->GetLayerCount(), 1);
    OGRLayer* poLayer = ds->GetLayer(0);
    EXPECT_STREQ(poLayer->GetName(), "sample");
    // From item 1's first point to item 30's fourth.
    EXPECT_EQ(drivertest::Extent(poLayer, FALSE), "39511100 39514180 3420050 3421555");

    // Item 1: line type 1 (solid), colour 3, width 0.15 mm, which the reader gives as a tenth.
    std::unique_ptr<OGRFeature> f(poLayer->GetFeature(1));
    EXPECT_EQ(Dump(f.get()),
              "FID 1 RbUserID=3001 GeomKind=line Color=#FF0000 FillColor=null LineWidth=0.015 "
              "LineStyle=0 FillStyle=null Symbol=null SymbolSize=null SymbolAngle=null Text=null "
              "TextHeight=null TextAngle=null FontName=null "
              "style=PEN(c:#FF0000,w:0.015mm,id:\"ogr-pen-0\") "
              "geom=LINESTRING (39511100 3420050,39511160 3420090,39511220 3420060)");
    // Item 30: line type 3 (short dashes), colour 8 (black), width 0.5 mm, a tenth read.
    f.reset(poLayer->GetFeature(30));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->GetFieldAsInteger("RbUserID"), 3030);
    EXPECT_STREQ(f->GetStyleString(), "PEN(c:#000000,w:0.05mm,p:\"2 2mm\",id:\"ogr-pen-3\")");
    EXPECT_EQ(poLayer->GetFeature(31), nullptr);
    EXPECT_EQ(poLayer->GetFeature(0), nullptr);

    // Typed, the layer holds the line type and the id only.
    ds = OpenMapgis(Sample("sample.wal"), "TYPED", {"NAME=roads"});
    ASSERT_NE(ds, nullptr);
    ASSERT_EQ(ds->GetLayerCount(), 1);
    poLayer = ds->GetLayer(0);
    EXPECT_STREQ(poLayer->GetName(), "roadsL");
    EXPECT_EQ(poLayer->GetGeomType(), wkbMultiLineString);
    f.reset(poLayer->GetNextFeature());
    EXPECT_EQ(Dump(f.get()),
              "FID 1 RbUserID=3001 style=none "
              "geom=MULTILINESTRING ((39511100 3420050,39511160 3420090,39511220 3420060))");
}

TEST(RefusedItems, AreCountedWithTheirReason) {
    testfiles::TempDir dir;
    const std::string strPath = dir.Write("refused.wal",
                                          "WMAP lines\n3\n"
                                          "1,0,3,5,0,0,0,0,0\n2\n0,0\n10,0\n11,0\n"
                                          "1,0,3,5,0,0,0,0\n2\n0,10\n10,10\n12,0\n"
                                          "2,0,3,5,0,0,0,0,0\n2\n0,20\n10,20\n13,0\n");
    GDALDatasetUniquePtr ds = OpenMapgis(strPath, "COMPOUND");
    ASSERT_NE(ds, nullptr);
    OGRLayer* poLayer = ds->GetLayer(0);
    // The count is known once every item has been read.
    EXPECT_FALSE(poLayer->TestCapability(OLCFastFeatureCount));
    EXPECT_EQ(drivertest::DumpAll(poLayer).size(), 2u);
    EXPECT_TRUE(poLayer->TestCapability(OLCFastFeatureCount));
    EXPECT_STREQ(poLayer->GetMetadataItem("REFUSED_COUNT", "MAPGIS"), "1");
    EXPECT_STREQ(poLayer->GetMetadataItem("REFUSED_REASON_1", "MAPGIS"),
                 "1: no message from the reader");
}

TEST(ReaderMessages, ARefusedRecordIsAWarningNamingFileAndFeature) {
    testfiles::TempDir dir;
    // An arc, an arc record with one field too many, a filled circle.
    const std::string strPath = dir.Write("points.wat",
                                          "WMAP points\n3\n"
                                          "100,200,41,3,10,0,90,1,3,0,0\n"
                                          "150,250,42,3,10,0,90,1,3,0,0,9\n"
                                          "120,220,43,2,5,3,1,1,5,0,0\n");
    drivertest::ErrorCollector errors;
    // Without repairs nothing takes the census that would name the record's line.
    GDALDatasetUniquePtr ds =
        OpenMapgis(strPath, "COMPOUND", {"COLOR_INDEX=" + Sample("colors.txt"), "REPAIR=NO"});
    ASSERT_NE(ds, nullptr);
    OGRLayer* poLayer = ds->GetLayer(0);
    ASSERT_EQ(drivertest::DumpAll(poLayer).size(), 2u);
    std::unique_ptr<OGRFeature> arc(poLayer->GetFeature(1));
    ASSERT_NE(arc, nullptr);
    EXPECT_EQ(arc->GetFieldAsInteger("RbUserID"), 41);
    EXPECT_STREQ(arc->GetStyleString(), "PEN(c:#FF0000,w:1mm)");
    // Radius 10 about (100, 200) from 0 to 90 degrees; 100 + 10 * sqrt(0.5) = 107.0710678...
    EXPECT_EQ(arc->GetGeometryRef()->exportToWkt(),
              "CIRCULARSTRING (110 200,107.071067811865 207.071067811865,100 210)");
    std::unique_ptr<OGRFeature> circle(poLayer->GetFeature(3));
    EXPECT_EQ(Dump(circle.get()),
              "FID 3 RbUserID=43 GeomKind=circle Color=#FF0000 FillColor=#0000FF LineWidth=1 "
              "LineStyle=null FillStyle=null Symbol=null SymbolSize=null SymbolAngle=null "
              "Text=null TextHeight=null TextAngle=null FontName=null "
              "style=PEN(c:#FF0000,w:1mm);BRUSH(fc:#0000FF) "
              "geom=CURVEPOLYGON (CIRCULARSTRING (125 220,115 220,125 220))");
    // The refused record is reported once, however often the layer is read.
    ASSERT_EQ(errors.warnings.size(), 1u);
    EXPECT_EQ(errors.warnings[0].rfind("points.wat: points feature 2: IMe056", 0), 0u)
        << errors.warnings[0];
    EXPECT_NE(errors.warnings[0].find("(KtReadWatFile:"), std::string::npos);

    // Typed, the arc and the circle go to the line and region layers (the items each layer
    // takes: PluginTests).
    ds = OpenMapgis(strPath, "TYPED");
    ASSERT_NE(ds, nullptr);
    ASSERT_EQ(ds->GetLayerCount(), 2);
    EXPECT_EQ(ds->GetLayer(1)->GetGeomType(), wkbPolygon);
}

// Rings keep their order and direction and are closed; rings without area are left out with
// a warning each.
TEST(Regions, DegenerateRingsAreLeftOutWithAWarning) {
    testfiles::TempDir dir;
    // Five arcs bordering area 1, each walked as a ring of its own: a square, two points, a
    // clockwise triangle, three points back at the start, and two points walked twice.
    std::string strWap = "WMAP areas\n5\n";
    for (const char* pszPoints :
         {"4\n0,0\n10,0\n10,10\n0,10\n", "2\n2,2\n4,4\n", "3\n2,2\n2,4\n4,4\n",
          "3\n0,0\n1,1\n0,0\n", "4\n3,3\n4,4\n3,3\n4,4\n"})
        strWap += std::string("1,0,1,1,0,0,0,0,0\n0,0\n1,0\n") + pszPoints + "500,0\n";
    strWap += "1\n1\n3,0,0,0,0,0,0,0,77,0,0\n10\n1\n0\n2\n0\n3\n0\n4\n0\n5\n0\n";
    const std::string strPath = dir.Write("area.wap", strWap);
    drivertest::ErrorCollector errors;
    GDALDatasetUniquePtr ds = OpenMapgis(strPath, "COMPOUND");
    ASSERT_NE(ds, nullptr);
    std::unique_ptr<OGRFeature> f(ds->GetLayer(0)->GetNextFeature());
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->GetFieldAsInteger("RbUserID"), 77);
    EXPECT_EQ(f->GetGeometryRef()->exportToWkt(),
              "POLYGON ((0 0,10 0,10 10,0 10,0 0),(2 2,2 4,4 4,2 2))");
    ASSERT_EQ(errors.warnings.size(), 3u);
    EXPECT_EQ(errors.warnings[0].rfind("area.wap: area feature 1 (RbUserID 77): ring 2 of 5", 0),
              0u)
        << errors.warnings[0];
    EXPECT_NE(errors.warnings[1].find("ring 4 of 5"), std::string::npos) << errors.warnings[1];
    EXPECT_NE(errors.warnings[2].find("ring 5 of 5"), std::string::npos) << errors.warnings[2];
}

// Bad options and files that are not exchange files fail; the extension's case is free.
TEST(OpenOptions, WhatCannotBeReadFailsWithAMessage) {
    testfiles::TempDir dir;
    const std::string strText = dir.Write("lines.txt", "WMAP lines\n1\n");
    const std::string strBinary = dir.Write("binary.wal", std::string("WMAP\0\1\2", 7));
    drivertest::ErrorCollector errors;
    EXPECT_EQ(OpenMapgis(Sample("sample.wal"), "SIDEWAYS"), nullptr);
    EXPECT_EQ(OpenMapgis(Sample("sample.wal"), "COMPOUND", {"ENCODING=LATIN1"}), nullptr);
    EXPECT_EQ(OpenMapgis(Sample("sample.wal"), "COMPOUND", {"COLOR_INDEX=/nonexistent.clr"}),
              nullptr);
    ASSERT_EQ(errors.errors.size(), 3u);
    EXPECT_EQ(errors.errors[0], "MODE=SIDEWAYS: expected MAP, COMPOUND or TYPED");
    EXPECT_EQ(OpenMapgis(strText, "COMPOUND"), nullptr);
    EXPECT_EQ(OpenMapgis(strBinary, "COMPOUND"), nullptr);
    const std::string strUpper =
        dir.Write("UPPER.WAL", "WMAP\n1\n1,0,3,5,0,0,0,0,0\n2\n0,0\n1,1\n9,0\n");
    GDALDatasetUniquePtr ds = OpenMapgis(strUpper, "COMPOUND");
    ASSERT_NE(ds, nullptr);
    EXPECT_EQ(ds->GetLayer(0)->GetFeatureCount(TRUE), 1);
}

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
    GDALDatasetUniquePtr ds =
        OpenMapgis(Sample("sample.wal"), "COMPOUND", {}, GDAL_OF_VECTOR | GDAL_OF_UPDATE);
    ASSERT_NE(ds, nullptr);
    EXPECT_TRUE(errors.errors.empty()) << errors.errors.front();
    EXPECT_EQ(ds->GetAccess(), GA_ReadOnly);
    EXPECT_FALSE(ds->TestCapability(ODsCCreateLayer));
    EXPECT_FALSE(ds->GetLayer(0)->TestCapability(OLCSequentialWrite));
}

// sample.wat holds texts (items 1 to 5) and a symbol (item 9).
TEST(OtherModeNames, EachModeAnswersTheOtherModesNamesWithItsOptions) {
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

    // Typed, the dataset keeps its four layers (point, line, region and text) and answers
    // the compound name.
    ds = OpenMapgis(Sample("sample.wat"), "TYPED");
    ASSERT_NE(ds, nullptr);
    OGRLayer* poCompound = ds->GetLayerByName("sample");
    ASSERT_NE(poCompound, nullptr);
    EXPECT_EQ(poCompound->GetGeomType(), wkbUnknown);
    EXPECT_EQ(poCompound->GetFeatureCount(TRUE), 9);
    EXPECT_EQ(ds->GetLayerCount(), 4);
    EXPECT_EQ(ds->GetLayerByName("sample"), poCompound);
    EXPECT_EQ(ds->GetLayerByName("sampleX"), nullptr);

    // sample.wal holds lines only; the second session reads with the first one's options:
    // item 1 has colour 3 (red) and its first point (39511100, 3420050) scaled by 2.
    GDALDatasetUniquePtr lines = OpenMapgis(Sample("sample.wal"), "TYPED",
                                            {"COLOR_INDEX=" + Sample("colors.txt"), "SCALE=2"});
    ASSERT_NE(lines, nullptr);
    EXPECT_EQ(lines->GetLayerByName("sampleT"), nullptr);
    poCompound = lines->GetLayerByName("sample");
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

// Colour 3 is red in the sample's colour file and blue, (C,M,Y,K) = (100,100,0,0), in this one.
TEST(ColourTables, EachDatasetReadsWithItsOwnColourFile) {
    testfiles::TempDir dir;
    std::string strBlue = "colours\n1\n";
    for (const char* psz : {"Color:3", "Black=0", "Cyan=100", "Magenta=100", "Yellow=0"})
        strBlue += std::string("0,0,0,0,\"") + psz + "\",0,0,0,0,0,0,0,0,0,0,0\n";
    const std::string strWal = dir.Write("one.wal",
                                         "WMAP lines\n2\n1,0,3,5,0,0,0,0,0\n2\n0,0\n1,1\n7,0\n"
                                         "1,0,3,5,0,0,0,0,0\n2\n2,2\n3,3\n8,0\n");
    GDALDatasetUniquePtr red =
        OpenMapgis(strWal, "COMPOUND", {"COLOR_INDEX=" + Sample("colors.txt")});
    GDALDatasetUniquePtr blue =
        OpenMapgis(strWal, "COMPOUND", {"COLOR_INDEX=" + dir.Write("blue.clr", strBlue)});
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

TEST(TypedMode, AReadableFileWithoutTypedItemsHasNoLayersAndSaysSo) {
    testfiles::TempDir dir;
    // Item count -2: the file is read, nothing is in it.
    const std::string strPath = dir.Write("none.wal", "WMAP lines\n-2\n");
    drivertest::ErrorCollector errors;
    GDALDatasetUniquePtr ds = OpenMapgis(strPath, "TYPED");
    ASSERT_NE(ds, nullptr);
    ASSERT_EQ(errors.warnings.size(), 1u);
    EXPECT_EQ(errors.warnings[0].rfind("none.wal: no item fits", 0), 0u) << errors.warnings[0];
}
