// The writers' traits: every row of the table against what each format is known to need, and
// the format chosen for an output through GDAL's own writers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "gdal.h"
#include "output/OutputFormat.h"

namespace mapgis_import {
namespace {

struct Expected {
    const char* pszName;
    bool bSeveralFiles, bOneType, bCad, bDatabase, bShortNames, bDescriptions, bNeedsColors;
    StyleStore eStyles;
    SystemRule eSystem;
    IndexPacking ePacking;
    MergeRule eMerge;
    const char* pszFirstLayerOption;  // null: none
};

// What each format is: a shapefile is .shp, .shx and .dbf with one geometry type and dBase
// field names; MapInfo's .tab, .map, .dat, .id the same without the name limit; a File
// Geodatabase one type a layer; KML and GeoJSON longitude/latitude by definition.
const Expected kExpected[] = {
    {"GPKG", false, false, false, false, false, true, false, StyleStore::LayerStyles,
     SystemRule::UndefinedCartesian, IndexPacking::GeoPackage, MergeRule::Accepted,
     "SPATIAL_INDEX=NO"},
    {"ESRI Shapefile", true, true, false, false, true, false, false, StyleStore::Beside,
     SystemRule::AsGiven, IndexPacking::None, MergeRule::OutputPerSheet, nullptr},
    {"FlatGeobuf", false, false, false, false, false, false, false, StyleStore::Beside,
     SystemRule::AsGiven, IndexPacking::FlatGeobuf, MergeRule::OutputPerSheet, "SPATIAL_INDEX=NO"},
    {"DXF", false, false, true, false, false, false, false, StyleStore::OwnStyleStrings,
     SystemRule::AsGiven, IndexPacking::None, MergeRule::OutputPerSheet, nullptr},
    {"OpenFileGDB", false, true, false, false, false, false, false, StyleStore::Beside,
     SystemRule::AsGiven, IndexPacking::None, MergeRule::Accepted, nullptr},
    {"PostgreSQL", false, false, false, true, false, false, false, StyleStore::Database,
     SystemRule::AsGiven, IndexPacking::None, MergeRule::Database, "SPATIAL_INDEX=NONE"},
    {"MapInfo File", true, true, false, false, false, false, false, StyleStore::Beside,
     SystemRule::AsGiven, IndexPacking::None, MergeRule::OutputPerSheet, "ENCODING=CP936"},
    {"KML", false, false, false, false, false, false, true, StyleStore::KmlPlacemarks,
     SystemRule::LongitudeLatitude, IndexPacking::None, MergeRule::OutputPerSheet, nullptr},
    {"LIBKML", false, false, false, false, false, false, false, StyleStore::OwnStyleStrings,
     SystemRule::LongitudeLatitude, IndexPacking::None, MergeRule::Accepted, nullptr},
    {"GeoJSON", false, false, false, false, false, false, false, StyleStore::Beside,
     SystemRule::LongitudeLatitude, IndexPacking::None, MergeRule::OutputPerSheet, nullptr},
    {"GeoJSONSeq", false, false, false, false, false, false, false, StyleStore::Beside,
     SystemRule::LongitudeLatitude, IndexPacking::None, MergeRule::OutputPerSheet, nullptr},
    {"CSV", false, false, false, false, false, false, false, StyleStore::Beside,
     SystemRule::AsGiven, IndexPacking::None, MergeRule::OutputPerSheet, "GEOMETRY=AS_WKT"},
    {"Memory", false, false, false, false, false, false, false, StyleStore::Beside,
     SystemRule::AsGiven, IndexPacking::None, MergeRule::Accepted, nullptr},
};

class Traits : public testing::TestWithParam<Expected> {};

TEST_P(Traits, AreThoseOfTheFormat) {
    const Expected& e = GetParam();
    // Any case: -f takes the name as the user types it.
    std::string strLower = e.pszName;
    for (char& c : strLower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const FormatTraits& t = TraitsOf(strLower);
    EXPECT_EQ(t.bSeveralFiles, e.bSeveralFiles);
    EXPECT_EQ(t.bOneType, e.bOneType);
    EXPECT_EQ(t.bCad, e.bCad);
    EXPECT_EQ(t.bDatabase, e.bDatabase);
    EXPECT_EQ(t.bShortNames, e.bShortNames);
    EXPECT_EQ(t.bDbfEncoding, e.bShortNames);  // dBase: the shapefile alone
    EXPECT_EQ(t.bDescriptions, e.bDescriptions);
    EXPECT_EQ(t.bNeedsColors, e.bNeedsColors);
    EXPECT_EQ(t.eStyles, e.eStyles);
    EXPECT_EQ(t.eSystem, e.eSystem);
    EXPECT_EQ(t.ePacking, e.ePacking);
    EXPECT_EQ(t.eMerge, e.eMerge);
    if (e.pszFirstLayerOption == nullptr)
        EXPECT_EQ(t.layerOptions[0], nullptr);
    else
        EXPECT_STREQ(t.layerOptions[0], e.pszFirstLayerOption);
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, Traits, testing::ValuesIn(kExpected));

TEST(Traits, EveryRowIsTested) {
    // The table's rows and the last one, for every writer it does not name.
    ASSERT_EQ(KnownFormats().size(), std::size(kExpected));
    EXPECT_EQ(KnownFormats().back().pszName, nullptr);
    EXPECT_EQ(&TraitsOf("Memory"), &KnownFormats().back());
}

struct Choice {
    const char* pszOutput;
    const char* pszFormat;   // -f, or ""
    const char* pszName;     // the writer chosen
    const char* pszOptions;  // its translation options, joined by spaces
};

class FormatChosen : public testing::TestWithParam<Choice> {};

TEST_P(FormatChosen, FromTheOutputOrFormat) {
    GDALAllRegister();
    Arguments args;
    args.strOutput = GetParam().pszOutput;
    args.strFormat = GetParam().pszFormat;
    args.strSrs = "EPSG:4527";
    args.strColors = "colors.txt";
    OutputFormat format;
    int nExit = 0;
    std::string strError;
    ASSERT_TRUE(ChooseFormat(args, &format, &nExit, &strError)) << strError;
    EXPECT_EQ(format.strName, GetParam().pszName);
    std::string strOptions;
    for (int i = 0; i < format.aosOptions.size(); ++i)
        strOptions += (i ? " " : "") + std::string(format.aosOptions[i]);
    EXPECT_EQ(strOptions, GetParam().pszOptions);
}

INSTANTIATE_TEST_SUITE_P(
    RealWriters, FormatChosen,
    testing::Values(Choice{"out.gpkg", "", "GPKG", "-lco SPATIAL_INDEX=NO"},
                    Choice{"out.shp", "", "ESRI Shapefile", "-lco ENCODING=UTF-8"},
                    Choice{"out.json", "", "GeoJSON", "-t_srs EPSG:4326"},
                    Choice{"out", "kml", "KML", "-t_srs EPSG:4326"},
                    Choice{"out.csv", "", "CSV", "-lco GEOMETRY=AS_WKT"},
                    Choice{"out.fgb", "", "FlatGeobuf", "-lco SPATIAL_INDEX=NO"},
                    Choice{"PG:dbname=x", "", "PostgreSQL",
                           "-lco SPATIAL_INDEX=NONE -lco LAUNDER=NO -lco GEOMETRY_NAME=geom "
                           "-lco FID=fid -gt unlimited"}));

TEST(FormatChosen, GeoPackageWithoutSystemIsCartesian) {
    GDALAllRegister();
    Arguments args;
    OutputFormat format;
    int nExit = 0;
    std::string strError;
    ASSERT_TRUE(ChooseFormat(args, &format, &nExit, &strError)) << strError;
    EXPECT_EQ(format.strName, "GPKG");
    ASSERT_GE(format.aosOptions.size(), 2);
    EXPECT_STREQ(format.aosOptions[0], "-a_srs");
    EXPECT_STREQ(format.aosOptions[1], "LOCAL_CS[\"Undefined cartesian SRS\"]");
}

}  // namespace
}  // namespace mapgis_import
