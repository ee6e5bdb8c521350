// PlxUnicodeString as the readers use it: record lines split into fields, and UTF-8 at the
// host's edges.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PlxUnicodeString.h"

using KTX::PlxArray;
using KTX::PlxUnicodeString;

namespace {

using Pieces = std::vector<std::u16string>;

Pieces Of(const PlxArray<PlxUnicodeString>& arr) {
    Pieces out;
    for (const PlxUnicodeString& s : arr)
        out.push_back(s.Str());
    return out;
}

// An independent splitter to compare against.
Pieces Reference(const std::u16string& s, const std::u16string& seps, bool bSkipEmpty) {
    Pieces out;
    size_t nStart = 0;
    for (size_t i = 0; !s.empty() && i <= s.size(); ++i) {
        if (i == s.size() || seps.find(s[i]) != std::u16string::npos) {
            if (!bSkipEmpty || i > nStart)
                out.push_back(s.substr(nStart, i - nStart));
            nStart = i + 1;
        }
    }
    return out;
}

constexpr int kDefault = -1;  // Split called without a flag
constexpr int kKeep = PlxUnicodeString::SplitKeepEmpty;
constexpr int kSkip = PlxUnicodeString::SplitSkipEmpty;

TEST(StringSplit, PiecesBetweenSeparators) {
    const struct {
        const char16_t* pszText;
        const char16_t* pszSeps;
        int nFlag;
        Pieces expected;
    } cases[] = {
        // An empty field must not shift the fields after it.
        {u"a,,b", u",", kDefault, {u"a", u"", u"b"}},
        {u"a,b,", u",", kDefault, {u"a", u"b", u""}},
        {u"", u",", kDefault, {}},
        {u"12.5,\u012C,,3400000.25,7",
         u",",
         kDefault,
         {u"12.5", u"\u012C", u"", u"3400000.25", u"7"}},
        {u"a; b", u" ;", kKeep, {u"a", u"", u"b"}},
        {u"a,,b,", u",", kSkip, {u"a", u"b"}},
        {u",,,", u",", kSkip, {}},
    };
    for (const auto& c : cases) {
        PlxArray<PlxUnicodeString> arr;
        arr.Add(u"left over from an earlier line");
        const PlxUnicodeString s(c.pszText);
        const int n =
            c.nFlag == kDefault ? s.Split(arr, c.pszSeps) : s.Split(arr, c.pszSeps, c.nFlag);
        EXPECT_EQ(n, static_cast<int>(c.expected.size())) << s.ToUtf8();
        EXPECT_EQ(Of(arr), c.expected) << s.ToUtf8();
    }
}

// Readers split line after line into one array: no piece of an earlier line may survive.
// Lines of every length up to 40, cut at one separator (the fast path) and at a set, with
// U+012C, whose low byte is a comma, among the characters.
TEST(StringSplit, SameArrayLineAfterLineAgreesWithReference) {
    PlxArray<PlxUnicodeString> arr;
    unsigned nSeed = 12345;
    const char16_t alphabet[] = {u',', u',', u';', u'\u012C', u'7', u'.', u'x', u'\u4E2D'};
    for (int nLength = 0; nLength <= 40; ++nLength) {
        for (int nRound = 0; nRound < 12; ++nRound) {
            std::u16string line;
            for (int i = 0; i < nLength; ++i) {
                nSeed = nSeed * 1103515245u + 12345u;
                line += alphabet[(nSeed >> 16) % 8];
            }
            if (nRound % 4 == 0)
                line += std::u16string(30, u'9');  // a piece beyond the inline buffer
            const std::u16string seps = nRound % 2 ? u"," : u",;";
            const bool bSkip = nRound % 3 == 0;
            const int n = PlxUnicodeString(line).Split(arr, seps.c_str(), bSkip ? kSkip : kKeep);
            const Pieces expected = Reference(line, seps, bSkip);
            ASSERT_EQ(n, static_cast<int>(expected.size())) << PlxUnicodeString(line).ToUtf8();
            ASSERT_EQ(Of(arr), expected) << PlxUnicodeString(line).ToUtf8();
        }
    }
}

TEST(StringUtf8, BadBytesBecomeOneReplacementEach) {
    const struct {
        std::string utf8;
        std::u16string utf16;
    } cases[] = {
        {"\xC3\xA9\xE4\xB8\xAD", u"\u00E9\u4E2D"},
        {"\xF0\x9F\x98\x80!", u"\U0001F600!"},
        {"a\x80z", u"a\uFFFDz"},
        {"ab\xE4\xB8", u"ab\uFFFD\uFFFD"},
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},  // overlong
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // encoded surrogate
        {std::string(37, 'x') + "\xC3\xA9", std::u16string(37, u'x') + u"\u00E9"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PlxUnicodeString::FromUtf8(c.utf8).Str(), c.utf16) << c.utf8;
    const char16_t lone[] = {u'a', 0xD800, u'b', 0};
    EXPECT_EQ(PlxUnicodeString(lone).ToUtf8(),
              "a\xEF\xBF\xBD"
              "b");
    std::string out = "ab";
    PlxUnicodeString(u"\u4E2D\U0001F600z").AppendUtf8(out);
    EXPECT_EQ(out, "ab\xE4\xB8\xAD\xF0\x9F\x98\x80z");
}

}  // namespace
