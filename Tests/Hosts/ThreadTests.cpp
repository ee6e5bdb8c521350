// Several threads reading at once: every call into the plug-in is serialised, so each
// thread sees exactly what a lone reader sees.
#include <gtest/gtest.h>

#include <thread>

#include "DriverTestSupport.h"
#include "FeatureDump.h"

namespace {

std::vector<std::string> ReadFile(const std::string& strPath, const std::string& strMode) {
    std::vector<std::string> dumps;
    GDALDatasetUniquePtr ds = drivertest::OpenMapgis(strPath, strMode);
    if (ds == nullptr)
        return dumps;
    for (int i = 0; i < ds->GetLayerCount(); ++i) {
        for (auto& f : *ds->GetLayer(i))
            dumps.push_back(drivertest::Dump(f.get()));
    }
    return dumps;
}

}  // namespace

TEST(Threads, ConcurrentReadersSeeWhatALoneReaderSees) {
    const std::string strPath = drivertest::Sample("sample.wal");
    const std::vector<std::string> expected = ReadFile(strPath, "COMPOUND");
    ASSERT_EQ(expected.size(), 30u);
    std::vector<std::vector<std::string>> results(4);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < results.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 3; ++round)
                results[t] = ReadFile(strPath, "COMPOUND");
        });
    }
    for (std::thread& th : threads)
        th.join();
    for (const auto& r : results)
        EXPECT_EQ(r, expected);
}
