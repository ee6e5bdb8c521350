// Table names PostgreSQL keeps as written. The hashes are FNV-1a of the laundered name,
// worked out apart from the program.
#include <gtest/gtest.h>

#include <string>

#include "output/Connection.h"

namespace mapgis_import {
namespace {

struct Laundering {
    const char* pszGiven;
    const char* pszLaundered;
};

class Laundered : public testing::TestWithParam<Laundering> {};

TEST_P(Laundered, AsPostgresqlKeepsIt) {
    EXPECT_EQ(LaunderName(GetParam().pszGiven), GetParam().pszLaundered);
}

INSTANTIATE_TEST_SUITE_P(
    Names, Laundered,
    testing::Values(
        Laundering{"Sheet 7_lines", "sheet_7_lines"}, Laundering{"1_lines", "_1_lines"},
        Laundering{"", "_"}, Laundering{"a-b.c", "a_b_c"}, Laundering{"图幅_areas", "图幅_areas"},
        // 40 bytes: kept whole.
        Laundering{"abcdefghij_abcdefghij_abcdefghij_abcdefg",
                   "abcdefghij_abcdefghij_abcdefghij_abcdefg"},
        // 48 bytes: the first 25, the hash, the kind.
        Laundering{"Very Long Sheet Name From The Archive 2019_lines",
                   "very_long_sheet_name_from_ee0a80f7_lines"},
        // 51 bytes of UTF-8: 25 would cut the ninth character, so 8 characters (24 bytes).
        Laundering{"一二三四五六七八九十一二三四五_areas", "一二三四五六七八_0fbce608_areas"}));

TEST(SheetTableName, HashOnlyWhenNamesMeet) {
    EXPECT_EQ(SheetTableName("a/b/1", false), "a_b_1");
    EXPECT_EQ(SheetTableName("a/b/1", true), "a_b_1_197db3");
    EXPECT_EQ(PathHash("a/b/1"), "197db3");
}

TEST(Schema, PlainNamesOnly) {
    EXPECT_TRUE(IsPlainSchema("maps_2019"));
    EXPECT_FALSE(IsPlainSchema("Maps"));
    EXPECT_FALSE(IsPlainSchema("2019"));
    EXPECT_FALSE(IsPlainSchema(""));
    EXPECT_FALSE(IsPlainSchema(std::string(41, 'a')));
    EXPECT_TRUE(IsPlainSchema(std::string(40, 'a')));
    EXPECT_EQ(SchemaOrPublic(""), "public");
    EXPECT_EQ(SchemaOrPublic("maps"), "maps");
}

}  // namespace
}  // namespace mapgis_import
