// Reading ahead on a second thread gives the features, ids, warnings and counts of reading
// every item itself, whatever the caller does between reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "DriverTestSupport.h"
#include "TestFiles.h"

namespace {

constexpr int kItems = 700;

// Many more lines than one batch of reads ahead; every 37th has a style line of 8 fields
// and is refused when it is read, leaving a gap in the feature ids and a warning.
std::string ManyLines() {
    std::string s = "WMAP lines\n" + std::to_string(kItems) + "\n";
    for (int i = 1; i <= kItems; ++i) {
        s += i % 37 == 0 ? "2,0,5,15,0,0,0,0\n" : "2,0,5,15,0,0,0,0,0\n";
        s += "2\n" + std::to_string(i) + ",0\n" + std::to_string(i) + ",1\n";
        s += std::to_string(1000 + i) + ",0\n";
    }
    return s;
}

// What one session of calls saw: each answer as text, then the warnings.
using Script = void (*)(OGRLayer& layer, std::vector<std::string>& seen);

std::vector<std::string> RunScript(const std::string& strPath, bool bReadAhead, Script script) {
    std::vector<std::string> seen;
    drivertest::ErrorCollector errors;
    {
        GDALDatasetUniquePtr ds = drivertest::OpenMapgis(
            strPath, "COMPOUND", {std::string("READ_AHEAD=") + (bReadAhead ? "YES" : "NO")});
        if (ds == nullptr)
            return {"(no dataset)"};
        script(*ds->GetLayer(0), seen);
    }
    for (const std::string& w : errors.warnings)
        seen.push_back("warning: " + w);
    return seen;
}

void Next(OGRLayer& layer, std::vector<std::string>& seen, int nCount) {
    for (int i = 0; i < nCount; ++i) {
        std::unique_ptr<OGRFeature> f(layer.GetNextFeature());
        seen.push_back(drivertest::Dump(f.get()));
    }
}

void ReadThrough(OGRLayer& layer, std::vector<std::string>& seen) {
    Next(layer, seen, kItems);
    seen.push_back(layer.GetMetadataItem("REFUSED_COUNT", "MAPGIS"));
}

void JumpAbout(OGRLayer& layer, std::vector<std::string>& seen) {
    Next(layer, seen, 100);
    std::unique_ptr<OGRFeature> f(layer.GetFeature(650));
    seen.push_back(drivertest::Dump(f.get()));
    f.reset(layer.GetFeature(20));
    seen.push_back(drivertest::Dump(f.get()));
    Next(layer, seen, 150);
    seen.push_back(std::to_string(layer.GetFeatureCount(TRUE)));
    Next(layer, seen, 10);
    layer.ResetReading();
    Next(layer, seen, kItems);
}

// A point file of each kind in turn, circles (areas and lines) rare: many more items than
// one batch of reads ahead, most of which a layer of one kind passes over.
std::string ManyPoints() {
    std::string s = "WMAP points\n" + std::to_string(kItems) + "\n";
    for (int i = 1; i <= kItems; ++i) {
        s += std::to_string(i) + "," + std::to_string(i % 50) + "," + std::to_string(i) + ",";
        if (i % 97 == 0)
            s += "2,5.0,3,1,1,4,0,0\n";  // filled circle
        else if (i % 3 == 0)
            s += "0,\"T" + std::to_string(i) + "\",4,3,0,15,1,0,0,0,3,0,0\n";  // text
        else if (i % 3 == 1)
            s += "1,12,4.0,4.0,0.0,0,3,0.5,0,0\n";  // symbol
        else
            s += "3,25.0,0.0,135.0,1,3,0,0\n";  // arc
    }
    return s;
}

// Every map layer read through in turn, as a writer of a file per layer does; then each
// layer's count and its MAPGIS metadata.
std::vector<std::string> ReadMapLayers(const std::string& strPath, bool bReadAhead) {
    GDALDatasetUniquePtr ds = drivertest::OpenMapgis(
        strPath, "MAP", {std::string("READ_AHEAD=") + (bReadAhead ? "YES" : "NO"), "ACCOUNT=YES"});
    if (ds == nullptr)
        return {"(no dataset)"};
    std::vector<std::string> seen;
    for (OGRLayer* poLayer : ds->GetLayers()) {
        seen.push_back(poLayer->GetName());
        for (const std::string& dump : drivertest::DumpAll(poLayer))
            seen.push_back(dump);
    }
    for (OGRLayer* poLayer : ds->GetLayers()) {
        seen.push_back(std::to_string(poLayer->GetFeatureCount(TRUE)));
        for (char** papszItem = poLayer->GetMetadata("MAPGIS"); papszItem && *papszItem;
             ++papszItem)
            seen.push_back(*papszItem);
    }
    return seen;
}

}  // namespace

// A layer of one kind reads ahead only the items that may give it a piece; it must give what
// reading each item itself gives.
TEST(ReadAhead, MapLayersReadOneByOneGetTheSameAnswers) {
    testfiles::TempDir dir;
    const std::string strPath = dir.Write("many.wat", ManyPoints());
    const std::vector<std::string> alone = ReadMapLayers(strPath, false);
    const std::vector<std::string> ahead = ReadMapLayers(strPath, true);
    ASSERT_EQ(ahead.size(), alone.size());
    for (size_t i = 0; i < alone.size(); ++i)
        ASSERT_EQ(ahead[i], alone[i]) << "answer " << i;
    // 7 circles (97, 194, ... 679) give the areas layer its 7 features.
    const auto areas = std::find(alone.begin(), alone.end(), "many_areas");
    ASSERT_NE(areas, alone.end());
    EXPECT_EQ(areas[1].rfind("FID 97 ", 0), 0u) << areas[1];
    EXPECT_EQ(areas[7].rfind("FID 679 ", 0), 0u) << areas[7];
    EXPECT_EQ(areas[8], "many_lines");
}

// Closed after three reads, the thread must stop and give back what it read (the address
// sanitizer sees anything left behind).
TEST(ReadAhead, EveryCallerGetsTheSameAnswersAsWhenReadingAlone) {
    testfiles::TempDir dir;
    const std::string strPath = dir.Write("many.wal", ManyLines());
    const Script kScripts[] = {
        ReadThrough, JumpAbout,
        [](OGRLayer& layer, std::vector<std::string>& seen) { Next(layer, seen, 3); }};
    for (const Script& script : kScripts) {
        SCOPED_TRACE(&script - kScripts);
        const std::vector<std::string> alone = RunScript(strPath, false, script);
        const std::vector<std::string> ahead = RunScript(strPath, true, script);
        ASSERT_EQ(ahead.size(), alone.size());
        for (size_t i = 0; i < alone.size(); ++i)
            ASSERT_EQ(ahead[i], alone[i]) << "answer " << i;
    }
    // The file as written: 18 refused items (37, 74, ... 666), so 682 features.
    const std::vector<std::string> seen = RunScript(strPath, true, ReadThrough);
    EXPECT_EQ(seen[681].rfind("FID 700 RbUserID=1700", 0), 0u) << seen[681];
    EXPECT_EQ(seen[682], "(none)");
    EXPECT_EQ(seen[kItems], "18");
}
