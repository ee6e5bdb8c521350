// The shares an archive's sheets are split into for several machines: the hash the rule
// rests on, the rule itself, and the K/N it is asked with.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "plan/SheetShares.h"

namespace mapgis_import {
namespace {

struct Hashed {
    const char* pszName;
    uint64_t nHash;
};

class NameHashOf : public testing::TestWithParam<Hashed> {};

// The published test vectors of 64-bit FNV-1a: every machine agrees on them.
TEST_P(NameHashOf, IsFnv1a) {
    EXPECT_EQ(NameHash(GetParam().pszName), GetParam().nHash);
}

INSTANTIATE_TEST_SUITE_P(Vectors, NameHashOf,
                         testing::Values(Hashed{"", 0xcbf29ce484222325ULL},
                                         Hashed{"a", 0xaf63dc4c8601ec8cULL},
                                         Hashed{"foobar", 0x85944171f73967e8ULL}));

struct Shared {
    const char* pszName;
    int nShares;
    int nShare;
};

class ShareOfName : public testing::TestWithParam<Shared> {};

// The hash through MurmurHash3's finalizer, modulo N, plus one: "a" finalized is
// 0x82a2a958a9bece5b, 1 modulo 2, 2 modulo 3, 1 modulo 7.
TEST_P(ShareOfName, IsTheHashModuloTheShares) {
    EXPECT_EQ(ShareOf(GetParam().pszName, GetParam().nShares), GetParam().nShare);
}

INSTANTIATE_TEST_SUITE_P(Rule, ShareOfName,
                         testing::Values(Shared{"a", 1, 1}, Shared{"a", 2, 2}, Shared{"a", 3, 3},
                                         Shared{"a", 7, 2}, Shared{"foobar", 7, 4},
                                         Shared{"", 2, 1}));

std::vector<std::string> SheetNames(int nFolders) {
    std::vector<std::string> names;
    for (int i = 0; i < nFolders; ++i) {
        for (int j = 0; j < 10; ++j)
            names.push_back("f" + std::to_string(i) + "/s" + std::to_string(j));
    }
    return names;
}

TEST(Shares, SheetsAddedElsewhereMoveNoOther) {
    std::map<std::string, int> before;
    for (const std::string& strName : SheetNames(20))
        before[strName] = ShareOf(strName, 4);
    for (const std::string& strName : SheetNames(40)) {
        if (before.count(strName) != 0) {
            EXPECT_EQ(ShareOf(strName, 4), before[strName]) << strName;
        }
    }
}

// Names that differ in one character, as an archive's do, spread evenly (within three
// standard deviations), also over a power of two.
TEST(Shares, AnArchiveSpreadsEvenly) {
    for (const int nShares : {2, 3, 4, 8}) {
        std::vector<int> counts(nShares + 1, 0);
        for (const std::string& strName : SheetNames(200))
            ++counts[ShareOf(strName, nShares)];
        EXPECT_EQ(counts[0], 0);
        const double dWant = 2000.0 / nShares;
        for (int k = 1; k <= nShares; ++k)
            EXPECT_NEAR(counts[k], dWant, 3 * std::sqrt(dWant)) << k << "/" << nShares;
    }
}

struct ShareText {
    const char* pszText;
    bool bValid;
    int nShare;
    int nShares;
};

class ShareParsed : public testing::TestWithParam<ShareText> {};

TEST_P(ShareParsed, TakesKOfN) {
    int nShare = -1, nShares = -1;
    EXPECT_EQ(ParseShare(GetParam().pszText, &nShare, &nShares), GetParam().bValid);
    EXPECT_EQ(nShare, GetParam().nShare);
    EXPECT_EQ(nShares, GetParam().nShares);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ShareParsed,
    testing::Values(ShareText{"1/1", true, 1, 1}, ShareText{"2/3", true, 2, 3},
                    ShareText{"100000/100000", true, 100000, 100000},
                    ShareText{"0/2", false, -1, -1}, ShareText{"3/2", false, -1, -1},
                    ShareText{"x/y", false, -1, -1}, ShareText{"1/0", false, -1, -1},
                    ShareText{"/2", false, -1, -1}, ShareText{"1/", false, -1, -1},
                    ShareText{"2", false, -1, -1}, ShareText{"1/2/3", false, -1, -1},
                    ShareText{"-1/2", false, -1, -1}, ShareText{"+1/2", false, -1, -1},
                    ShareText{" 1/2", false, -1, -1}, ShareText{"1/100001", false, -1, -1},
                    ShareText{"1/99999999999999999999", false, -1, -1}));

}  // namespace
}  // namespace mapgis_import
