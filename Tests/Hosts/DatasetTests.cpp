// Behaviour of datasets as a whole: capped warnings, and datasets with different colour
// files open side by side.
#include <gtest/gtest.h>

#include "DriverTestSupport.h"
#include "TestFiles.h"

using drivertest::OpenMapgis;

namespace {

std::string ColourFile(int nCyan, int nMagenta, int nYellow) {
    auto line = [](const std::string& s) {
        return "0,0,0,0,\"" + s + "\",0,0,0,0,0,0,0,0,0,0,0\n";
    };
    return "colours\n1\n" + line("Color:3") + line("Black=0") +
           line("Cyan=" + std::to_string(nCyan)) + line("Magenta=" + std::to_string(nMagenta)) +
           line("Yellow=" + std::to_string(nYellow));
}

}  // namespace

TEST(Warnings, AFloodIsCutShortWithATotal) {
    testfiles::TempDir dir;
    // 25 arc records with one field too many: each is refused with a log message.
    std::string strWat = "WMAP points\n25\n";
    for (int i = 1; i <= 25; ++i) {
        strWat += std::to_string(i) + ",0," + std::to_string(i) + ",3,10,0,90,1,3,0,0,9\n";
    }
    const std::string strPath = dir.Write("flood.wat", strWat);
    drivertest::ErrorCollector errors;
    {
        GDALDatasetUniquePtr ds = OpenMapgis(strPath, "COMPOUND", {"REPAIR=NO"});
        ASSERT_NE(ds, nullptr);
        OGRLayer* poLayer = ds->GetLayer(0);
        EXPECT_EQ(poLayer->GetNextFeature(), nullptr);
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
    testfiles::TempDir dir;
    const std::string strRed = dir.Write("red.clr", ColourFile(0, 100, 100));
    const std::string strBlue = dir.Write("blue.clr", ColourFile(100, 100, 0));
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
