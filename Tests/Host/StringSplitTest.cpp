// Split: piece boundaries, empty pieces, several separators, and reuse of the array's strings.
#include <gtest/gtest.h>

#include <vector>

#include "PlxUnicodeString.h"

using KTX::PlxArray;
using KTX::PlxUnicodeString;

namespace {

std::vector<std::u16string> Pieces(const PlxArray<PlxUnicodeString>& arr) {
    std::vector<std::u16string> out;
    for (const PlxUnicodeString& s : arr)
        out.push_back(s.Str());
    return out;
}

struct SplitCase {
    const char16_t* pszText;
    const char16_t* pszSeparators;
    int nFlag;
    std::vector<std::u16string> expected;
};

class SplitCases : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCases, GivesThePiecesBetweenSeparators) {
    const SplitCase& c = GetParam();
    PlxArray<PlxUnicodeString> arr;
    arr.Add(u"left over from an earlier line");
    const int n = PlxUnicodeString(c.pszText).Split(arr, c.pszSeparators, c.nFlag);
    EXPECT_EQ(n, static_cast<int>(c.expected.size()));
    EXPECT_EQ(arr.GetSize(), n);
    EXPECT_EQ(Pieces(arr), c.expected);
}

constexpr int kKeep = PlxUnicodeString::SplitKeepEmpty;
constexpr int kSkip = PlxUnicodeString::SplitSkipEmpty;

INSTANTIATE_TEST_SUITE_P(
    Host, SplitCases,
    ::testing::Values(SplitCase{u"12.5,7", u",", kKeep, {u"12.5", u"7"}},
                      SplitCase{u"a,,b", u",", kKeep, {u"a", u"", u"b"}},
                      SplitCase{u"a,b,", u",", kKeep, {u"a", u"b", u""}},
                      SplitCase{u",a", u",", kKeep, {u"", u"a"}},
                      SplitCase{u",", u",", kKeep, {u"", u""}},
                      SplitCase{u"abc", u",", kKeep, {u"abc"}}, SplitCase{u"", u",", kKeep, {}},
                      SplitCase{u"", u",", kSkip, {}},
                      SplitCase{u"a b;c,d", u" ;,", kKeep, {u"a", u"b", u"c", u"d"}},
                      SplitCase{u"a; b", u" ;", kKeep, {u"a", u"", u"b"}},
                      SplitCase{u"a,,b,", u",", kSkip, {u"a", u"b"}},
                      SplitCase{u",,,", u",", kSkip, {}},
                      SplitCase{u"  x  y ", u" ", kSkip, {u"x", u"y"}},
                      SplitCase{u"\u4E2D,\u6587", u",", kKeep, {u"\u4E2D", u"\u6587"}},
                      SplitCase{u"a=1:b", u":=", kKeep, {u"a", u"1", u"b"}}));

TEST(StringSplit, RefillingReusesTheStringsOfTheArray) {
    // Readers split every line of a file into the same array; pieces that fit the strings
    // already there must not get new buffers.
    PlxArray<PlxUnicodeString> arr;
    PlxUnicodeString(u"first-piece-longer-than-any-small-buffer,second-piece-also-long-enough")
        .Split(arr, u",");
    ASSERT_EQ(arr.GetSize(), 2);
    const char16_t* p0 = arr[0].GetString();
    const char16_t* p1 = arr[1].GetString();
    EXPECT_EQ(PlxUnicodeString(u"shorter-text-0123456789,another-text-0123456789").Split(arr, u","),
              2);
    EXPECT_EQ(arr[0].Str(), u"shorter-text-0123456789");
    EXPECT_EQ(arr[1].Str(), u"another-text-0123456789");
    EXPECT_EQ(arr[0].GetString(), p0);
    EXPECT_EQ(arr[1].GetString(), p1);
}

TEST(StringSplit, FewerPiecesShrinkTheArray) {
    PlxArray<PlxUnicodeString> arr;
    EXPECT_EQ(PlxUnicodeString(u"1,2,3,4").Split(arr, u","), 4);
    EXPECT_EQ(PlxUnicodeString(u"5,6").Split(arr, u","), 2);
    EXPECT_EQ(Pieces(arr), (std::vector<std::u16string>{u"5", u"6"}));
    EXPECT_EQ(PlxUnicodeString().Split(arr, u","), 0);
    EXPECT_EQ(arr.GetSize(), 0);
}

TEST(StringSplit, WithoutSeparatorsTheWholeTextIsOnePiece) {
    PlxArray<PlxUnicodeString> arr;
    EXPECT_EQ(PlxUnicodeString(u"a,b").Split(arr, PlxUnicodeString()), 1);
    EXPECT_EQ(arr[0].Str(), u"a,b");
}

}  // namespace
