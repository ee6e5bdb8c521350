// The account of an import: every item of a hand-written file is imported, refused, not
// importable or skipped, each with its line, and the four add up to the items in the file.
// The expected figures are worked out from the files below line by line.
#include <gtest/gtest.h>

#include "DriverTestSupport.h"
#include "KoGeometry/KtGeometry.h"
#include "TestFiles.h"
#include "mapgisaccount.h"
#include "mapgiscensus.h"

using drivertest::OpenMapgis;

namespace {

// Line 2 announces 6 records; passes: line 3, 4, 5, 6-7, 8, 9. Line 10 is a seventh.
const char* const kPoints =
    "WMAPGIS points\n"
    "6\n"
    "10,20,1,0,\"A\",4,3,0,0,1,0,0,0,3,0,0\n"   // 3: text 1, imported
    "11,21,2,7,0,0,0,0,0,0,0\n"                 // 4: kind 7, skipped
    "12,22,3,4,0,0,0,0,0,0,0\n"                 // 5: image 3, not importable
    "13,23,4,0,\"B\",4,3,0,\n"                  // 6: text 4, 9 fields, runs on
    "0,1,0,0,0,3,0,0\n"                         // 7: ... so its first line is refused
    "14,24,5,1,12,4.0,4.0,0.0,0,3,0.5,0,0\n"    // 8: symbol 5, imported
    "15,25,6,3,25.0,0.0,135.0,1,3,0,0\n"        // 9: arc 6, imported
    "16,26,7,0,\"C\",4,3,0,0,1,0,0,0,3,0,0\n";  // 10: text 7, beyond the count

// Line 2 announces 4 lines; item E (line 18) is a fifth.
const char* const kLines =
    "WMAP lines\n4\n"
    "1,0,3,5,0,0,0,0,0\n2\n0,0\n10,0\n11,0\n"  // 3-7: line 11, imported
    "1,0,3,5,0,0,0,0\n1\n0,10\n12,0\n"         // 8-11: line 12, style of 8 fields
    "1,0,3,5,0,0,0,0,0\n0\n"                   // 12-13: no points
    "1,0,3,5,0,0,0,0,0\n1\n5,5\n13\n"          // 14-17: last line of one field
    "1,0,3,5,0,0,0,0,0\n1\n1,1\n14,0\n";       // 18-21: line 14, beyond the count

// One arc (lines 3-11), no node entry, three areas announced on line 13.
const char* const kAreas =
    "WMAP areas\n1\n"
    "1,0,3,5,0,0,0,0,0\n0,0\n1,0\n4\n0,0\n10,0\n10,10\n0,0\n501,0.0\n"
    "1\n3\n"
    "1,1,0,0,0,1,0,0,601,0,0\n2\n1\n0\n"   // 14-17: area 601 of arc 1, imported
    "1,1,0,0,0,1,0,0,602,0\n2\n"           // 18-19: 10 fields, two passes
    "1,1,0,0,0,1,0,0,603,0,0\n2\n1\n0\n";  // 20-23: area 603, beyond the count

// Seven items at lines 3, 7, ..., 27, each with a style line of 8 fields.
std::string ManyRefused() {
    std::string s = "WMAP lines\n7\n";
    for (int i = 0; i < 7; ++i)
        s += "1,0,3,5,0,0,0,0\n1\n0,10\n" + std::to_string(20 + i) + ",0\n";
    return s;
}

struct AccountCase {
    const char* pszFile;
    std::string strContent;
    // Items, then imported, refused, not importable and skipped.
    std::vector<long long> counts;
    std::vector<std::string> entryStarts;  // FILE_ITEM_n, each as it begins
    // Every layer's DESCRIPTION, for QGIS and GeoPackage's gpkg_contents.description.
    const char* pszDescription;
};

const AccountCase kCases[] = {
    {"points.wat",
     kPoints,
     {7, 3, 1, 1, 2},
     {"4: item 2 (unknown kind 7) skipped: unknown item kind 7",
      "5: item 3 (image) not importable by design", "6: item 4 (text) refused: IMe056",
      "10: item 7 (text) skipped: beyond the 6 records that line 2 announces"},
     "Of the 7 items of points.wat, 3 were imported (0 repaired), 1 refused (line 6), 1 not "
     "importable by design and 2 skipped."},
    {"lines.wal",
     kLines,
     {5, 1, 1, 0, 3},
     {"8: item 12 (line) refused: refused by the reader",
      "12: line skipped: point count 0 on line 13: no points",
      "14: line skipped: last line malformed: line 17 has 1 fields, not 2",
      "18: item 14 (line) skipped: beyond the 4 lines that line 2 announces"},
     "Of the 5 items of lines.wal, 1 was imported (0 repaired), 1 refused (line 8), 0 not "
     "importable by design and 3 skipped."},
    {"areas.wap",
     kAreas,
     {3, 1, 0, 0, 2},
     {"18: item 602 (area) skipped: area line with 10 fields, not 11",
      "20: item 603 (area) skipped: beyond the 3 areas that line 13 announces"},
     "Of the 3 items of areas.wap, 1 was imported (0 repaired), 0 refused, 0 not importable by "
     "design and 2 skipped."},
    // The description names the first five refused lines only.
    {"many.wal",
     ManyRefused(),
     {7, 0, 7, 0, 0},
     {"3: item 20 (line) refused", "7: item 21", "11: item 22", "15: item 23", "19: item 24",
      "23: item 25", "27: item 26"},
     "Of the 7 items of many.wal, 0 were imported (0 repaired), 7 refused (lines 3, 7, 11, 15, "
     "19 and 2 more), 0 not importable by design and 0 skipped."},
    {"two.wal",
     "WMAP lines\n3\n1,0,3,5,0,0,0,0\n1\n0,10\n11,0\n1,0,3,5,0,0,0,0\n1\n0,20\n12,0\n"
     "1,0,3,5,0,0,0,0,0\n2\n0,30\n10,30\n13,0\n",
     {3, 1, 2, 0, 0},
     {"3: item 11 (line) refused", "7: item 12 (line) refused"},
     "Of the 3 items of two.wal, 1 was imported (0 repaired), 2 refused (lines 3 and 7), 0 not "
     "importable by design and 0 skipped."},
};

class Account : public ::testing::TestWithParam<AccountCase> {};

}  // namespace

TEST_P(Account, EveryItemIsAccountedForWithItsLine) {
    const AccountCase& c = GetParam();
    testfiles::TempDir dir;
    const std::string strPath = dir.Write(c.pszFile, c.strContent);
    drivertest::ErrorCollector errors;
    for (const char* pszMode : {"COMPOUND", "TYPED"}) {
        SCOPED_TRACE(pszMode);
        GDALDatasetUniquePtr ds = OpenMapgis(strPath, pszMode, {"ACCOUNT=YES"});
        ASSERT_NE(ds, nullptr);
        std::vector<long long> counts;
        for (const char* pszKey : {"FILE_ITEM_COUNT", "FILE_IMPORTED_COUNT", "FILE_REFUSED_COUNT",
                                   "FILE_NOT_IMPORTABLE_COUNT", "FILE_SKIPPED_COUNT"})
            counts.push_back(drivertest::MapgisNumber(ds.get(), pszKey));
        EXPECT_EQ(counts, c.counts);
        for (size_t i = 0; i <= c.entryStarts.size(); ++i) {
            const char* psz =
                ds->GetMetadataItem(("FILE_ITEM_" + std::to_string(i + 1)).c_str(), "MAPGIS");
            if (i == c.entryStarts.size()) {
                EXPECT_EQ(psz, nullptr) << psz;
            } else {
                ASSERT_NE(psz, nullptr) << i;
                EXPECT_EQ(std::string(psz).rfind(c.entryStarts[i], 0), 0u) << psz;
            }
        }
        // Every layer carries the account, its DESCRIPTION in a domain ogr2ogr copies.
        for (int i = 0; i < ds->GetLayerCount(); ++i) {
            OGRLayer* poLayer = ds->GetLayer(i);
            EXPECT_EQ(drivertest::MapgisNumber(poLayer, "FILE_SKIPPED_COUNT"), c.counts[4]);
            EXPECT_STREQ(poLayer->GetMetadataItem("DESCRIPTION"), c.pszDescription);
            EXPECT_GE(CPLStringList(poLayer->GetMetadataDomainList()).FindString(""), 0);
        }
        // Without the account there is no description.
        ds = OpenMapgis(strPath, pszMode);
        ASSERT_NE(ds, nullptr);
        OGRLayer* poLayer = ds->GetLayer(0);
        EXPECT_EQ(poLayer->GetMetadataItem("DESCRIPTION"), nullptr);
        EXPECT_LT(CPLStringList(poLayer->GetMetadataDomainList()).FindString(""), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(HandWrittenFiles, Account, ::testing::ValuesIn(kCases),
                         [](const auto& info) {
                             return std::string(CPLGetBasename(info.param.pszFile));
                         });

// With the census taken at open, the warning names the line (without it, the feature:
// DriverReadTests.cpp). Item 1 of the compound layer is text "A".
TEST(AccountWarnings, ARefusedItemIsReportedOnceWithItsLine) {
    testfiles::TempDir dir;
    const std::string strPath = dir.Write("points.wat", kPoints);
    drivertest::ErrorCollector errors;
    GDALDatasetUniquePtr ds = OpenMapgis(strPath, "COMPOUND", {"ACCOUNT=YES"});
    ASSERT_NE(ds, nullptr);
    OGRLayer* poLayer = ds->GetLayer(0);
    for (int round = 0; round < 2; ++round)
        EXPECT_EQ(drivertest::DumpAll(poLayer).size(), 3u);
    ASSERT_EQ(errors.warnings.size(), 1u);
    EXPECT_EQ(errors.warnings[0].rfind("points.wat:6: item 4 (text) refused: IMe056", 0), 0u)
        << errors.warnings[0];
    std::unique_ptr<OGRFeature> poText(poLayer->GetFeature(1));
    ASSERT_NE(poText, nullptr);
    EXPECT_STREQ(poText->GetFieldAsString("Text"), "A");
}

// A text whose text holds commas (line 3, 17 fields) is read whole; one whose delimiter never
// closes (line 4) is refused. Their entries and texts through mapgis-import:
// test_import_safety.py.
TEST(AccountRepairs, TextsHoldingCommasAreReadWholeAndCounted) {
    testfiles::TempDir dir;
    const std::string strPath = dir.Write("notes.wat",
                                          "WMAPGIS points\n3\n"
                                          "10,20,1,0,\"a, b\",4,3,0,0,1,0,0,0,3,0,0\n"
                                          "10,30,2,0,\"a, b,4,3,0,0,1,0,0,0,3,0,0\n"
                                          "10,40,3,0,\"c\",4,3,0,0,1,0,0,0,3,0,0\n");
    GDALDatasetUniquePtr ds = OpenMapgis(strPath, "COMPOUND", {"ACCOUNT=YES"});
    ASSERT_NE(ds, nullptr);
    std::unique_ptr<OGRFeature> poNote(ds->GetLayer(0)->GetFeature(1));
    ASSERT_NE(poNote, nullptr);
    EXPECT_STREQ(poNote->GetFieldAsString("Text"), "a, b");
    EXPECT_STREQ(ds->GetMetadataItem("FILE_REPAIRED_COUNT", "MAPGIS"), "1");
    EXPECT_STREQ(ds->GetMetadataItem("FILE_REFUSED_COUNT", "MAPGIS"), "1");
    EXPECT_STREQ(ds->GetMetadataItem("FILE_ITEM_1", "MAPGIS"),
                 "3: item 1 (text) repaired: its text holds commas, read with the text's "
                 "delimiters honoured");
}

// The census keeps an item's line as a step from the one before: steps that do not fit its
// 16 bits, a line that does not move on and blocks of items past the first must all read back.
TEST(CensusLines, EveryItemReadsBackItsLineAndKind) {
    const int kLines[] = {3,   3,   4,     5,     90000,  90001,  20,    21, 22,
                          23,  24,  25,    26,    27,     28,     29,    30, 31,
                          100, 101, 70000, 70002, 140003, 140004, 140004};
    mapgis::Census census;
    const size_t nItems = sizeof(kLines) / sizeof(kLines[0]);
    for (size_t i = 0; i < nItems; ++i) {
        mapgis::CensusItem item;
        item.eKind = i % 2 ? mapgis::ItemKind::Other : mapgis::ItemKind::Line;
        item.nGeometryType = static_cast<std::uint8_t>(i * 10);
        item.bHasId = i % 3 == 0;
        item.bIndexed = i % 5 != 0;
        census.Add(kLines[i], item, static_cast<int>(i), std::string());
    }
    ASSERT_EQ(census.Size(), nItems);
    for (size_t i = 0; i < nItems; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(census.Line(i), kLines[i]);
        const mapgis::CensusItem item = census.Item(i);
        EXPECT_EQ(item.eKind, i % 2 ? mapgis::ItemKind::Other : mapgis::ItemKind::Line);
        EXPECT_EQ(item.nGeometryType, i * 10);
        EXPECT_EQ(item.bHasId, i % 3 == 0);
        EXPECT_EQ(item.bIndexed, i % 5 != 0);
    }
}

// A layer's positions name census items: the same numbers when the layer holds every item,
// else those of its kind that the index holds, in file order.
TEST(LayerItems, PositionsNameTheCensusItemsOfTheLayer) {
    struct Entry {
        int nType;
        bool bIndexed;
    };
    const Entry kItems[] = {{KTX::KTGEO_TEXT, true},  {KTX::KTGEO_POINT, true},
                            {KTX::KTGEO_TEXT, false}, {KTX::KTGEO_LINE, true},
                            {KTX::KTGEO_TEXT, true},  {KTX::KTGEO_POINT, true}};
    mapgis::Census census;
    for (size_t i = 0; i < 6; ++i) {
        mapgis::CensusItem item;
        item.nGeometryType = static_cast<std::uint8_t>(kItems[i].nType);
        item.bIndexed = kItems[i].bIndexed;
        census.Add(static_cast<int>(i) + 3, item, static_cast<int>(i) + 1, std::string());
    }
    struct Case {
        mapgis::LayerKind eKind;
        std::vector<std::uint32_t> items;
    };
    const Case kCases[] = {{mapgis::LayerKind::Text, {0, 4}},
                           {mapgis::LayerKind::Point, {1, 5}},
                           {mapgis::LayerKind::Line, {3}},
                           {mapgis::LayerKind::Region, {}},
                           {mapgis::LayerKind::Compound, {0, 1, 3, 4, 5}}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(static_cast<int>(c.eKind));
        const mapgis::LayerItems items(census, c.eKind);
        ASSERT_EQ(items.Size(), c.items.size());
        for (size_t k = 0; k < c.items.size(); ++k)
            EXPECT_EQ(items[k], c.items[k]);
    }
    // Every item indexed: a compound layer's positions are the census's own.
    mapgis::Census whole;
    for (int i = 0; i < 3; ++i) {
        mapgis::CensusItem item;
        item.nGeometryType = KTX::KTGEO_TEXT;
        item.bIndexed = true;
        whole.Add(i + 3, item, i + 1, std::string());
    }
    const mapgis::LayerItems items(whole, mapgis::LayerKind::Compound);
    ASSERT_EQ(items.Size(), 3u);
    EXPECT_EQ(items[2], 2u);
}
