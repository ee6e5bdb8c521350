// PlxUnicodeString's text operations: extracts, search, comparison, trimming, conversions.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "PlxUnicodeString.h"

using KTX::PlxUnicodeString;

namespace {

TEST(StringExtract, LeftRightMidClipToTheString) {
    const PlxUnicodeString s(u"abcdef");
    EXPECT_EQ(s.Left(2).Str(), u"ab");
    EXPECT_EQ(s.Left(0).Str(), u"");
    EXPECT_EQ(s.Left(-1).Str(), u"");
    EXPECT_EQ(s.Left(10).Str(), u"abcdef");
    EXPECT_EQ(s.Right(3).Str(), u"def");
    EXPECT_EQ(s.Right(0).Str(), u"");
    EXPECT_EQ(s.Right(6).Str(), u"abcdef");
    EXPECT_EQ(s.Right(99).Str(), u"abcdef");
    EXPECT_EQ(PlxUnicodeString(u".wal").Right(3).Str(), u"wal");
    EXPECT_EQ(PlxUnicodeString(u".a").Right(3).Str(), u".a");
    EXPECT_EQ(s.Mid(2).Str(), u"cdef");
    EXPECT_EQ(s.Mid(2, 2).Str(), u"cd");
    EXPECT_EQ(s.Mid(4, 10).Str(), u"ef");
    EXPECT_EQ(s.Mid(6).Str(), u"");
    EXPECT_EQ(s.Mid(-3, 2).Str(), u"ab");
}

TEST(StringSearch, FindGivesTheIndexOrMinusOne) {
    const PlxUnicodeString s(u"x=1,y=2");
    EXPECT_EQ(s.Find(u'='), 1);
    EXPECT_EQ(s.Find(u'=', 2), 5);
    EXPECT_EQ(s.Find(u'=', 6), -1);
    EXPECT_EQ(s.Find(u'#'), -1);
    EXPECT_EQ(s.Find(u'x', -4), 0);
    EXPECT_EQ(s.Find(u'x', 100), -1);
    EXPECT_EQ(s.Find(PlxUnicodeString(u"y=")), 4);
    EXPECT_EQ(s.Find(PlxUnicodeString(u"=2"), 5), 5);
    EXPECT_EQ(s.Find(PlxUnicodeString(u"=3")), -1);
    EXPECT_EQ(PlxUnicodeString().Find(u'a'), -1);
}

TEST(StringCompare, CompareNoCaseFoldsAsciiLettersOnly) {
    EXPECT_EQ(PlxUnicodeString(u"WAL").CompareNoCase(u"wal"), 0);
    EXPECT_EQ(PlxUnicodeString(u"wAt").CompareNoCase(u"WaT"), 0);
    EXPECT_LT(PlxUnicodeString(u"wal").CompareNoCase(u"WAN"), 0);
    EXPECT_GT(PlxUnicodeString(u"wap").CompareNoCase(u"WAN"), 0);
    EXPECT_LT(PlxUnicodeString(u"wa").CompareNoCase(u"wal"), 0);
    EXPECT_GT(PlxUnicodeString(u"wal").CompareNoCase(u"wa"), 0);
    EXPECT_NE(PlxUnicodeString(u"\u00C4").CompareNoCase(u"\u00E4"), 0);
    EXPECT_NE(PlxUnicodeString(u"[").CompareNoCase(u"{"), 0);
    EXPECT_EQ(PlxUnicodeString().CompareNoCase(PlxUnicodeString()), 0);
    EXPECT_EQ(PlxUnicodeString(u"a").Compare(u"b"), -1);
    EXPECT_EQ(PlxUnicodeString(u"b").Compare(u"a"), 1);
    EXPECT_EQ(PlxUnicodeString(u"a").Compare(u"a"), 0);
}

TEST(StringTrim, WhiteSpaceAndCharacterSets) {
    PlxUnicodeString s(u" \t\r\n 12 N \v\f");
    EXPECT_EQ(PlxUnicodeString(s).TrimLeft().Str(), u"12 N \v\f");
    EXPECT_EQ(PlxUnicodeString(s).TrimRight().Str(), u" \t\r\n 12 N");
    EXPECT_EQ(s.Trim().Str(), u"12 N");
    EXPECT_EQ(PlxUnicodeString(u"..wal").TrimLeft(u".").Str(), u"wal");
    EXPECT_EQ(PlxUnicodeString(u"x.,.,").TrimRight(u",.").Str(), u"x");
    EXPECT_EQ(PlxUnicodeString(u"....").TrimLeft(u".").Str(), u"");
    EXPECT_EQ(PlxUnicodeString(u"   ").Trim().Str(), u"");
    EXPECT_EQ(PlxUnicodeString(u"\u3000a").TrimLeft().Str(), u"\u3000a");
}

TEST(StringTrim, TrimRightStringRemovesWholeTrailingRepetitions) {
    EXPECT_EQ(PlxUnicodeString(u"12NN").TrimRightString(u"N").Str(), u"12");
    EXPECT_EQ(PlxUnicodeString(u"12N3").TrimRightString(u"N").Str(), u"12N3");
    EXPECT_EQ(PlxUnicodeString(u"xabab").TrimRightString(u"ab").Str(), u"x");
    EXPECT_EQ(PlxUnicodeString(u"xaba").TrimRightString(u"ab").Str(), u"xaba");
    EXPECT_EQ(PlxUnicodeString(u"abab").TrimRightString(u"ab").Str(), u"");
    EXPECT_EQ(PlxUnicodeString(u"b").TrimRightString(u"ab").Str(), u"b");
    EXPECT_EQ(PlxUnicodeString(u"abc").TrimRightString(PlxUnicodeString()).Str(), u"abc");
}

TEST(StringEdit, RemoveDropsEveryOccurrenceAndCounts) {
    PlxUnicodeString s(u",a,,b,");
    EXPECT_EQ(s.Remove(u','), 4);
    EXPECT_EQ(s.Str(), u"ab");
    EXPECT_EQ(s.Remove(u','), 0);
    EXPECT_EQ(s.Str(), u"ab");
}

struct ToIntCase {
    const char16_t* pszText;
    int nRadix;
    int nExpected;
};

class ToIntCases : public ::testing::TestWithParam<ToIntCase> {};

TEST_P(ToIntCases, ReadsTheLeadingIntegerInTheRadix) {
    const ToIntCase& c = GetParam();
    EXPECT_EQ(PlxUnicodeString(c.pszText).ToInt(c.nRadix), c.nExpected);
}

INSTANTIATE_TEST_SUITE_P(
    Host, ToIntCases,
    ::testing::Values(ToIntCase{u"12", 10, 12}, ToIntCase{u" -12x", 10, -12},
                      ToIntCase{u"ff", 16, 255}, ToIntCase{u"FFg", 16, 255},
                      ToIntCase{u"-101", 2, -5}, ToIntCase{u"102", 2, 2}, ToIntCase{u"z", 36, 35},
                      ToIntCase{u"17", 8, 15}, ToIntCase{u"9", 8, 0}, ToIntCase{u"12", 1, 0},
                      ToIntCase{u"12", 37, 0}, ToIntCase{u"", 10, 0}, ToIntCase{u"N", 10, 0},
                      ToIntCase{u"7fffffff", 16, INT_MAX}, ToIntCase{u"80000000", 16, INT_MAX},
                      ToIntCase{u"-80000000", 16, INT_MIN},
                      ToIntCase{u"-9999999999", 10, INT_MIN}));

TEST(StringFormat, PrintfConversionsWithUtf8Strings) {
    PlxUnicodeString s(u"old");
    s.Format(u"%d|%s|%.2f|%5s|%x", -7, "ab", 1.5, "z", 255);
    EXPECT_EQ(s.Str(), u"-7|ab|1.50|    z|ff");
    s.Format(u"%s=%d", "\xE4\xB8\xAD\xE6\x96\x87", 3);  // UTF-8 of two Chinese characters
    EXPECT_EQ(s.Str(), u"\u4E2D\u6587=3");
    s.Format(u"\u5BBD%d", 2);
    EXPECT_EQ(s.Str(), u"\u5BBD2");
    // Longer than any first guess at the output size.
    const std::string strLong(1000, 'q');
    s.Format(u"<%s>", strLong.c_str());
    EXPECT_EQ(s.Str(), u"<" + std::u16string(1000, u'q') + u">");
}

struct Utf8Case {
    const char* pszName;
    std::string utf8;
    std::u16string utf16;
};

class FromUtf8Cases : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(FromUtf8Cases, DecodesWithOneReplacementPerBadByte) {
    EXPECT_EQ(PlxUnicodeString::FromUtf8(GetParam().utf8).Str(), GetParam().utf16)
        << GetParam().pszName;
}

INSTANTIATE_TEST_SUITE_P(
    Host, FromUtf8Cases,
    ::testing::Values(Utf8Case{"ascii", "abc", u"abc"},
                      Utf8Case{"two and three bytes", "\xC3\xA9\xE4\xB8\xAD", u"\u00E9\u4E2D"},
                      Utf8Case{"four bytes", "\xF0\x9F\x98\x80!", u"\U0001F600!"},
                      Utf8Case{"stray continuation", "a\x80z", u"a\uFFFDz"},
                      Utf8Case{"invalid lead", "\xFF\xC0\xC1", u"\uFFFD\uFFFD\uFFFD"},
                      Utf8Case{"truncated at end", "ab\xE4\xB8", u"ab\uFFFD\uFFFD"},
                      Utf8Case{"truncated before ascii", "\xE4(", u"\uFFFD("},
                      Utf8Case{"overlong", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
                      Utf8Case{"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
                      Utf8Case{"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
                      Utf8Case{"nul kept", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
                      Utf8Case{"long ascii run", std::string(37, 'x') + "\xC3\xA9",
                               std::u16string(37, u'x') + u"\u00E9"}));

TEST(StringUtf8, ToUtf8EncodesPairsAndReplacesLoneSurrogates) {
    EXPECT_EQ(PlxUnicodeString(u"\u00E9\u4E2D\U0001F600").ToUtf8(),
              "\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80");
    const char16_t lone[] = {u'a', 0xD800, u'b', 0xDC00, 0};
    EXPECT_EQ(PlxUnicodeString(lone).ToUtf8(),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD");
    const char16_t highAtEnd[] = {u'a', 0xDBFF, 0};
    EXPECT_EQ(PlxUnicodeString(highAtEnd).ToUtf8(), "a\xEF\xBF\xBD");
}

TEST(StringUtf8, AppendUtf8KeepsWhatWasThere) {
    // Three-byte characters fill the room reserved for them exactly; the pair takes four
    // bytes for its two units and leaves room that must not stay in the result.
    std::string out = "ab";
    PlxUnicodeString(u"\u4E2D\u6587").AppendUtf8(out);
    EXPECT_EQ(out, "ab\xE4\xB8\xAD\xE6\x96\x87");
    PlxUnicodeString(u"\U0001F600z").AppendUtf8(out);
    EXPECT_EQ(out, "ab\xE4\xB8\xAD\xE6\x96\x87\xF0\x9F\x98\x80z");
    PlxUnicodeString().AppendUtf8(out);
    EXPECT_EQ(out.size(), 13u);
}

TEST(StringConstruct, PointerCountAndRepeat) {
    EXPECT_EQ(PlxUnicodeString(u"abcdef", 3).Str(), u"abc");
    EXPECT_EQ(PlxUnicodeString(u"abc", 0).Str(), u"");
    EXPECT_EQ(PlxUnicodeString(static_cast<const char16_t*>(nullptr)).Str(), u"");
    EXPECT_EQ(PlxUnicodeString(u'-', 3).Str(), u"---");
    EXPECT_EQ(PlxUnicodeString(u'-', 0).Str(), u"");
}

}  // namespace
