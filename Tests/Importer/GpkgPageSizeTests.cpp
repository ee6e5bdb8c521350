// The page size of a GeoPackage from the size of its inputs.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "output/GpkgPageSize.h"

namespace mapgis_import {
namespace {

constexpr uint64_t kMiB = 1024 * 1024;

struct Sized {
    uint64_t nInputBytes;
    int nPage;
};

class PageSizeOf : public testing::TestWithParam<Sized> {};

TEST_P(PageSizeOf, IsAThousandthOfTheInputWithinSqlitesDefaultAndItsLargest) {
    EXPECT_EQ(GpkgPageSize(GetParam().nInputBytes), GetParam().nPage);
}

INSTANTIATE_TEST_SUITE_P(Inputs, PageSizeOf,
                         testing::Values(Sized{0, 4096}, Sized{400 * 1024, 4096},
                                         Sized{8 * kMiB - 1, 4096}, Sized{8 * kMiB, 8192},
                                         Sized{16 * kMiB - 1, 8192}, Sized{16 * kMiB, 16384},
                                         Sized{32 * kMiB, 32768}, Sized{64 * kMiB - 1, 32768},
                                         Sized{64 * kMiB, 65536}, Sized{100 * 1000 * 1000, 65536},
                                         Sized{10240 * kMiB, 65536}));

TEST(InputBytes, SumsTheFilesThatAreThere) {
    const std::string strDir = testing::TempDir();
    const std::vector<std::string> paths = {strDir + "/page-a.wal", strDir + "/page-b.wap"};
    for (size_t i = 0; i < paths.size(); ++i) {
        FILE* pFile = std::fopen(paths[i].c_str(), "wb");
        ASSERT_NE(pFile, nullptr) << paths[i];
        const std::string strBytes(1000 * (i + 1), 'x');
        std::fwrite(strBytes.data(), 1, strBytes.size(), pFile);
        std::fclose(pFile);
    }
    EXPECT_EQ(InputBytes({paths[0], paths[1], strDir + "/page-missing.wat"}), 3000u);
    for (const std::string& strPath : paths)
        std::remove(strPath.c_str());
}

}  // namespace
}  // namespace mapgis_import
