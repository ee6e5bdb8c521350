// Several threads reading at once: every call into the plug-in is serialised, so each
// thread sees exactly what a lone reader sees. Built once more under ThreadSanitizer
// (scripts/build tsan), where any data race fails the test.
#include <gtest/gtest.h>

#include <thread>

#include "DriverTestSupport.h"

namespace {

std::vector<std::string> ReadFile(const std::string& strPath, const std::string& strMode) {
    std::vector<std::string> dumps;
    GDALDatasetUniquePtr ds = drivertest::OpenMapgis(
        strPath, strMode, {"COLOR_INDEX=" + drivertest::Sample("colors.txt")});
    if (ds == nullptr)
        return dumps;
    for (int i = 0; i < ds->GetLayerCount(); ++i) {
        const std::vector<std::string> layer = drivertest::DumpAll(ds->GetLayer(i));
        dumps.insert(dumps.end(), layer.begin(), layer.end());
    }
    return dumps;
}

// One sample a thread: different files, and readers of the plug-in, at the same time.
const char* const kFiles[] = {"sample.wal", "sample.wat", "sample.wap", "sample.wan"};

}  // namespace

TEST(Threads, ConcurrentReadsMatchSerialReads) {
    for (const char* pszMode : {"COMPOUND", "TYPED"}) {
        std::vector<std::vector<std::string>> expected;
        for (const char* pszFile : kFiles) {
            expected.push_back(ReadFile(drivertest::Sample(pszFile), pszMode));
            ASSERT_FALSE(expected.back().empty()) << pszFile;
        }
        std::vector<std::vector<std::string>> results(std::size(kFiles));
        std::vector<std::thread> threads;
        for (size_t t = 0; t < results.size(); ++t) {
            threads.emplace_back([&, t] {
                for (int round = 0; round < 3; ++round) {
                    std::vector<std::string> dumps =
                        ReadFile(drivertest::Sample(kFiles[t]), pszMode);
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
}
