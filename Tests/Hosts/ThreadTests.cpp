// Several threads reading at once: every call into the plug-in is serialised, so each
// thread sees exactly what a lone reader sees. Built once more under ThreadSanitizer
// (scripts/build tsan), where any data race fails the test.
#include <gtest/gtest.h>

#include <thread>

#include "DriverTestSupport.h"
#include "FeatureDump.h"

namespace {

std::vector<std::string> ReadFile(const std::string& strPath, const std::string& strMode) {
    std::vector<std::string> dumps;
    GDALDatasetUniquePtr ds = drivertest::OpenMapgis(
        strPath, strMode, {"COLOR_INDEX=" + drivertest::Sample("colors.txt")});
    if (ds == nullptr)
        return dumps;
    for (int i = 0; i < ds->GetLayerCount(); ++i) {
        for (auto& f : *ds->GetLayer(i))
            dumps.push_back(drivertest::Dump(f.get()));
    }
    return dumps;
}

// Each thread reads its own sample, so that different files (and different readers of the
// plug-in) are read at the same time.
const char* const kFiles[] = {"sample.wal", "sample.wat", "sample.wap", "sample.wan"};

void ExpectConcurrentMatchesSerial(const std::string& strMode) {
    std::vector<std::vector<std::string>> expected;
    for (const char* pszFile : kFiles) {
        expected.push_back(ReadFile(drivertest::Sample(pszFile), strMode));
        ASSERT_FALSE(expected.back().empty()) << pszFile;
    }
    std::vector<std::vector<std::string>> results(std::size(kFiles));
    std::vector<std::thread> threads;
    for (size_t t = 0; t < results.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 3; ++round) {
                std::vector<std::string> dumps = ReadFile(drivertest::Sample(kFiles[t]), strMode);
                // Any round that differs is kept, so the comparison below sees it.
                if (round == 0 || dumps != expected[t])
                    results[t] = std::move(dumps);
            }
        });
    }
    for (std::thread& th : threads)
        th.join();
    for (size_t t = 0; t < results.size(); ++t)
        EXPECT_EQ(results[t], expected[t]) << kFiles[t];
}

}  // namespace

TEST(Threads, ConcurrentReadsMatchSerialReads) {
    for (const char* pszMode : {"COMPOUND", "TYPED"})
        ExpectConcurrentMatchesSerial(pszMode);
}
