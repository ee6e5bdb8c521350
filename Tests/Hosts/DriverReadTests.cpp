// Reading through the driver: the line sample and small files written here, with every
// expected value worked out from the files.
#include <gtest/gtest.h>

#include <cmath>

#include "DriverTestSupport.h"
#include "FeatureDump.h"
#include "TestFiles.h"

using drivertest::Dump;
using drivertest::OpenMapgis;
using drivertest::Sample;

namespace {

// Colour 3: (C,M,Y,K) = (0,100,100,0), red; colour 5: (100,100,0,0), blue.
const char* const kColours =
    "colours\n2\n"
    "0,0,0,0,\"Color:3\",0,0,0,0,0,0,0,0,0,0,0\n0,0,0,0,\"Black=0\",0,0,0,0,0,0,0,0,0,0,0\n"
    "0,0,0,0,\"Cyan=0\",0,0,0,0,0,0,0,0,0,0,0\n0,0,0,0,\"Magenta=100\",0,0,0,0,0,0,0,0,0,0,0\n"
    "0,0,0,0,\"Yellow=100\",0,0,0,0,0,0,0,0,0,0,0\n"
    "0,0,0,0,\"Color:5\",0,0,0,0,0,0,0,0,0,0,0\n0,0,0,0,\"Black=0\",0,0,0,0,0,0,0,0,0,0,0\n"
    "0,0,0,0,\"Cyan=100\",0,0,0,0,0,0,0,0,0,0,0\n0,0,0,0,\"Magenta=100\",0,0,0,0,0,0,0,0,0,0,0\n"
    "0,0,0,0,\"Yellow=0\",0,0,0,0,0,0,0,0,0,0,0\n";

std::string FieldNames(OGRLayer* poLayer) {
    std::string out;
    for (int i = 0; i < poLayer->GetLayerDefn()->GetFieldCount(); ++i) {
        if (i > 0)
            out += ",";
        out += poLayer->GetLayerDefn()->GetFieldDefn(i)->GetNameRef();
    }
    return out;
}

}  // namespace

TEST(LineSample, CompoundLayerWithColours) {
    GDALDatasetUniquePtr ds =
        OpenMapgis(Sample("sample.wal"), "COMPOUND", {"COLOR_INDEX=" + Sample("colors.txt")});
    ASSERT_NE(ds, nullptr);
    ASSERT_EQ(ds->GetLayerCount(), 1);
    OGRLayer* poLayer = ds->GetLayer(0);
    EXPECT_STREQ(poLayer->GetName(), "sample");
    EXPECT_EQ(poLayer->GetGeomType(), wkbUnknown);
    EXPECT_EQ(FieldNames(poLayer),
              "RbUserID,GeomKind,Color,FillColor,LineWidth,LineStyle,FillStyle,Symbol,"
              "SymbolSize,SymbolAngle,Text,TextHeight,TextAngle,FontName");
    OGREnvelope env;
    ASSERT_EQ(poLayer->GetExtent(&env, FALSE), OGRERR_NONE);
    EXPECT_EQ(env.MinX, 39511100.0);  // item 1, first point
    EXPECT_EQ(env.MinY, 3420050.0);
    EXPECT_EQ(env.MaxX, 39514180.0);  // item 30, fourth point
    EXPECT_EQ(env.MaxY, 3421555.0);
    EXPECT_EQ(poLayer->GetFeatureCount(TRUE), 30);

    // Item 1: line type 1 (solid), colour 3, width 5 tenths.
    std::unique_ptr<OGRFeature> f(poLayer->GetFeature(1));
    EXPECT_EQ(Dump(f.get()),
              "FID 1 RbUserID=3001 GeomKind=line Color=#FF0000 FillColor=null LineWidth=0.5 "
              "LineStyle=0 FillStyle=null Symbol=null SymbolSize=null SymbolAngle=null Text=null "
              "TextHeight=null TextAngle=null FontName=null "
              "style=PEN(c:#FF0000,w:0.5mm,id:\"ogr-pen-0\") "
              "geom=LINESTRING (39511100 3420050,39511160 3420090,39511220 3420060)");
    // Item 15: line type 2 (dashed), colour 5, width 3, five points from (39512500, 3420750).
    f.reset(poLayer->GetFeature(15));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->GetFieldAsInteger("RbUserID"), 3015);
    EXPECT_STREQ(f->GetStyleString(), "PEN(c:#0000FF,w:0.3mm,p:\"4 2mm\",id:\"ogr-pen-2\")");
    EXPECT_EQ(f->GetGeometryRef()->exportToWkt(),
              "LINESTRING (39512500 3420750,39512560 3420790,39512620 3420760,39512680 3420805,"
              "39512740 3420775)");
    // Item 30: line type 3 (short dashes), colour 8 (black), width 10.
    f.reset(poLayer->GetFeature(30));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->GetFieldAsInteger("RbUserID"), 3030);
    EXPECT_STREQ(f->GetStyleString(), "PEN(c:#000000,w:1mm,p:\"2 2mm\",id:\"ogr-pen-3\")");
    EXPECT_EQ(poLayer->GetFeature(31), nullptr);
    EXPECT_EQ(poLayer->GetFeature(0), nullptr);
}

TEST(LineSample, TypedLayerIsNamedAndPlain) {
    GDALDatasetUniquePtr ds = OpenMapgis(Sample("sample.wal"), "TYPED", {"NAME=roads"});
    ASSERT_NE(ds, nullptr);
    ASSERT_EQ(ds->GetLayerCount(), 1);
    OGRLayer* poLayer = ds->GetLayer(0);
    EXPECT_STREQ(poLayer->GetName(), "roadsL");
    EXPECT_EQ(poLayer->GetGeomType(), wkbMultiLineString);
    EXPECT_EQ(FieldNames(poLayer), "RbUserID");
    std::unique_ptr<OGRFeature> f(poLayer->GetNextFeature());
    EXPECT_EQ(Dump(f.get()),
              "FID 1 RbUserID=3001 style=none "
              "geom=MULTILINESTRING ((39511100 3420050,39511160 3420090,39511220 3420060))");
}

TEST(RefusedItems, LeaveGapsInTheIdsAndAreCounted) {
    testfiles::TempDir dir;
    const std::string strPath = dir.Write("refused.wal",
                                          "WMAP lines\n3\n"
                                          "1,0,3,5,0,0,0,0,0\n2\n0,0\n10,0\n11,0\n"
                                          "1,0,3,5,0,0,0,0\n2\n0,10\n10,10\n12,0\n"
                                          "2,0,3,5,0,0,0,0,0\n2\n0,20\n10,20\n13,0\n");
    GDALDatasetUniquePtr ds = OpenMapgis(strPath, "COMPOUND");
    ASSERT_NE(ds, nullptr);
    OGRLayer* poLayer = ds->GetLayer(0);
    EXPECT_STREQ(poLayer->GetName(), "refused");
    EXPECT_FALSE(poLayer->TestCapability(OLCFastFeatureCount));
    std::vector<GIntBig> fids;
    std::vector<int> ids;
    for (auto& f : *poLayer) {
        fids.push_back(f->GetFID());
        ids.push_back(f->GetFieldAsInteger("RbUserID"));
    }
    EXPECT_EQ(fids, (std::vector<GIntBig>{1, 3}));
    EXPECT_EQ(ids, (std::vector<int>{11, 13}));
    EXPECT_EQ(poLayer->GetFeatureCount(TRUE), 2);
    EXPECT_TRUE(poLayer->TestCapability(OLCFastFeatureCount));
    EXPECT_EQ(poLayer->GetFeature(2), nullptr);
    EXPECT_STREQ(poLayer->GetMetadataItem("ITEM_COUNT", "MAPGIS"), "3");
    EXPECT_STREQ(poLayer->GetMetadataItem("FEATURE_COUNT", "MAPGIS"), "2");
    EXPECT_STREQ(poLayer->GetMetadataItem("REFUSED_COUNT", "MAPGIS"), "1");
    EXPECT_STREQ(poLayer->GetMetadataItem("REFUSED_REASON_1", "MAPGIS"),
                 "1: no message from the reader");
    OGREnvelope env;
    ASSERT_EQ(poLayer->GetExtent(&env, FALSE), OGRERR_NONE);
    EXPECT_EQ(env.MinX, 0.0);
    EXPECT_EQ(env.MaxX, 10.0);
    EXPECT_EQ(env.MinY, 0.0);
    EXPECT_EQ(env.MaxY, 20.0);
}

TEST(ReaderMessages, BecomeWarningsNamingFileAndFeature) {
    testfiles::TempDir dir;
    const std::string strColours = dir.Write("colours.clr", kColours);
    // An arc, an arc record with one field too many, a filled circle.
    const std::string strPath = dir.Write("points.wat",
                                          "WMAP points\n3\n"
                                          "100,200,41,3,10,0,90,1,3,0,0\n"
                                          "150,250,42,3,10,0,90,1,3,0,0,9\n"
                                          "120,220,43,2,5,3,1,1,5,0,0\n");
    drivertest::ErrorCollector errors;
    // Without repairs nothing takes the census that would name the record's line.
    GDALDatasetUniquePtr ds =
        OpenMapgis(strPath, "COMPOUND", {"COLOR_INDEX=" + strColours, "REPAIR=NO"});
    ASSERT_NE(ds, nullptr);
    OGRLayer* poLayer = ds->GetLayer(0);
    std::vector<std::string> dumps;
    for (auto& f : *poLayer)
        dumps.push_back(Dump(f.get()));
    ASSERT_EQ(dumps.size(), 2u);
    std::unique_ptr<OGRFeature> arc(poLayer->GetFeature(1));
    ASSERT_NE(arc, nullptr);
    EXPECT_EQ(arc->GetFieldAsInteger("RbUserID"), 41);
    EXPECT_STREQ(arc->GetStyleString(), "PEN(c:#FF0000,w:1mm)");
    const OGRCircularString* poArc = arc->GetGeometryRef()->toCircularString();
    EXPECT_NEAR(poArc->getX(0), 110.0, 1e-9);
    EXPECT_NEAR(poArc->getY(0), 200.0, 1e-9);
    EXPECT_NEAR(poArc->getX(1), 100.0 + 10.0 * std::sqrt(0.5), 1e-9);
    EXPECT_NEAR(poArc->getX(2), 100.0, 1e-9);
    EXPECT_NEAR(poArc->getY(2), 210.0, 1e-9);
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
    const char* pszReason = poLayer->GetMetadataItem("REFUSED_REASON_1", "MAPGIS");
    ASSERT_NE(pszReason, nullptr);
    EXPECT_EQ(std::string(pszReason).rfind("1: IMe056", 0), 0u) << pszReason;
}

TEST(ReaderMessages, TypedModeSplitsArcsAndCirclesIntoTheirLayers) {
    testfiles::TempDir dir;
    const std::string strPath = dir.Write("points.wat",
                                          "WMAP points\n2\n"
                                          "100,200,41,3,10,0,90,1,3,0,0\n"
                                          "120,220,43,2,5,3,1,1,5,0,0\n");
    GDALDatasetUniquePtr ds = OpenMapgis(strPath, "TYPED");
    ASSERT_NE(ds, nullptr);
    ASSERT_EQ(ds->GetLayerCount(), 2);
    EXPECT_STREQ(ds->GetLayer(0)->GetName(), "pointsL");
    EXPECT_STREQ(ds->GetLayer(1)->GetName(), "pointsR");
    EXPECT_EQ(ds->GetLayer(1)->GetGeomType(), wkbPolygon);
    std::unique_ptr<OGRFeature> region(ds->GetLayer(1)->GetNextFeature());
    ASSERT_NE(region, nullptr);
    EXPECT_EQ(region->GetFieldAsInteger("RbUserID"), 43);
    EXPECT_EQ(region->GetStyleString(), nullptr);
    ASSERT_EQ(region->GetGeometryRef()->getGeometryType(), wkbPolygon);
    // The circle of radius 5 about (120, 220), cut into segments by the host.
    OGREnvelope env;
    region->GetGeometryRef()->getEnvelope(&env);
    EXPECT_NEAR(env.MinX, 115.0, 1e-9);
    EXPECT_NEAR(env.MaxX, 125.0, 1e-9);
}

TEST(Regions, DegenerateRingsAreLeftOutWithAWarning) {
    testfiles::TempDir dir;
    // Three arcs bordering area 1: a square, a two-point arc, and a three-point arc that
    // returns to its start. The area walks each as a ring of its own.
    const std::string strPath =
        dir.Write("area.wap",
                  "WMAP areas\n3\n"
                  "1,0,1,1,0,0,0,0,0\n0,0\n1,0\n4\n0,0\n10,0\n10,10\n0,10\n501,0\n"
                  "1,0,1,1,0,0,0,0,0\n0,0\n1,0\n2\n2,2\n4,4\n502,0\n"
                  "1,0,1,1,0,0,0,0,0\n0,0\n1,0\n3\n0,0\n1,1\n0,0\n503,0\n"
                  "1\n1\n"
                  "3,0,0,0,0,0,0,0,77,0,0\n6\n1\n0\n2\n0\n3\n0\n");
    drivertest::ErrorCollector errors;
    GDALDatasetUniquePtr ds = OpenMapgis(strPath, "COMPOUND");
    ASSERT_NE(ds, nullptr);
    std::unique_ptr<OGRFeature> f(ds->GetLayer(0)->GetNextFeature());
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->GetFieldAsInteger("RbUserID"), 77);
    EXPECT_EQ(f->GetGeometryRef()->exportToWkt(), "POLYGON ((0 0,10 0,10 10,0 10,0 0))");
    ASSERT_EQ(errors.warnings.size(), 2u);
    EXPECT_EQ(errors.warnings[0].rfind("area.wap: area feature 1 (RbUserID 77): ring 2 of 3", 0),
              0u)
        << errors.warnings[0];
    EXPECT_NE(errors.warnings[1].find("ring 3 of 3"), std::string::npos) << errors.warnings[1];
}

// Bad options, files that are not exchange files and files without content fail with a
// message; the extension is matched whatever its case.
TEST(OpenOptions, WhatCannotBeReadFailsWithAMessage) {
    testfiles::TempDir dir;
    const std::string strText = dir.Write("lines.txt", "WMAP lines\n1\n");
    const std::string strBinary = dir.Write("binary.wal", std::string("WMAP\0\1\2", 7));
    const std::string strZero = dir.Write("zero.wal", "WMAP lines\n0\n");
    drivertest::ErrorCollector errors;
    EXPECT_EQ(OpenMapgis(Sample("sample.wal"), "SIDEWAYS"), nullptr);
    EXPECT_EQ(OpenMapgis(Sample("sample.wal"), "COMPOUND", {"ENCODING=LATIN1"}), nullptr);
    EXPECT_EQ(OpenMapgis(Sample("sample.wal"), "COMPOUND", {"COLOR_INDEX=/nonexistent.clr"}),
              nullptr);
    ASSERT_EQ(errors.errors.size(), 3u);
    EXPECT_EQ(errors.errors[0], "MODE=SIDEWAYS: expected COMPOUND or TYPED");
    EXPECT_EQ(OpenMapgis(strText, "COMPOUND"), nullptr);
    EXPECT_EQ(OpenMapgis(strBinary, "COMPOUND"), nullptr);
    for (const char* pszMode : {"COMPOUND", "TYPED"}) {
        errors.errors.clear();
        EXPECT_EQ(OpenMapgis(strZero, pszMode), nullptr);
        ASSERT_EQ(errors.errors.size(), 1u);
        EXPECT_EQ(errors.errors[0].rfind("zero.wal: ", 0), 0u) << errors.errors[0];
    }
    const std::string strUpper =
        dir.Write("UPPER.WAL", "WMAP\n1\n1,0,3,5,0,0,0,0,0\n2\n0,0\n1,1\n9,0\n");
    GDALDatasetUniquePtr ds = OpenMapgis(strUpper, "COMPOUND");
    ASSERT_NE(ds, nullptr);
    EXPECT_EQ(ds->GetLayer(0)->GetFeatureCount(TRUE), 1);
}
