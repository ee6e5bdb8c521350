// ugatoi and ugatof, through which every count, identifier and coordinate of a file is read:
// the leading number of a text, locale-free, within the given range.
#include <gtest/gtest.h>

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "PlxUnicodeString.h"

using KTX::PlxUnicodeString;
using KTX::ugatof;
using KTX::ugatoi;

namespace {

std::uint64_t Bits(double d) {
    std::uint64_t n = 0;
    std::memcpy(&n, &d, sizeof n);
    return n;
}

// Both readers over the same text; the doubles are the correctly rounded values, so they
// compare exactly. U+0130 has the low byte of '0' and U+FF11 is a full-width digit: neither
// is a digit. An exponent needs a digit after it.
TEST(Number, LeadingIntegerAndReal) {
    const struct {
        const char16_t* pszText;
        int nInt;
        double dReal;
    } cases[] = {{u"42", 42, 42.0},
                 {u"  -17", -17, -17.0},
                 {u"\t\r\n 9", 9, 9.0},
                 {u"+8", 8, 8.0},
                 {u"+12.5", 12, 12.5},
                 {u"-3.9", -3, -3.9},
                 {u".5", 0, 0.5},
                 {u"12abc", 12, 12.0},
                 {u"12\u01305", 12, 12.0},
                 {u"\uFF11", 0, 0.0},
                 {u"abc", 0, 0.0},
                 {u"", 0, 0.0},
                 {u"-", 0, 0.0},
                 {u"inf", 0, 0.0},
                 {u"1.5e3", 1, 1500.0},
                 {u"1.5e-3", 1, 0.0015},
                 {u"-.5e-3", 0, -0.0005},
                 {u"7.25E+2", 7, 725.0},
                 {u"1e", 1, 1.0},
                 {u"1e-x", 1, 1.0},
                 {u"2147483648", INT_MAX, 2147483648.0},
                 {u"-2147483648", INT_MIN, -2147483648.0},
                 {u"-2147483649", INT_MIN, -2147483649.0},
                 {u"99999999999999999999999", INT_MAX, 1e23},
                 {u"1e400", 1, HUGE_VAL},
                 {u"-1e400", -1, -HUGE_VAL},
                 {u"1e-400", 1, 0.0},
                 {u"1e99999999999999999999", 1, HUGE_VAL},
                 {u"0e99999999999999999999", 0, 0.0}};
    for (const auto& c : cases) {
        const PlxUnicodeString s(c.pszText);
        EXPECT_EQ(ugatoi(s), c.nInt) << s.ToUtf8();
        EXPECT_EQ(ugatof(s), c.dReal) << s.ToUtf8();
    }
    // Longer than any buffer kept for the conversion.
    EXPECT_EQ(ugatof(PlxUnicodeString(u"0." + std::u16string(500, u'0') + u"1e501")), 1.0);
    EXPECT_EQ(ugatof(PlxUnicodeString(u"1" + std::u16string(449, u'0'))), HUGE_VAL);
    EXPECT_EQ(ugatoi(PlxUnicodeString(u"-" + std::u16string(600, u'9'))), INT_MIN);
}

// Fields are read in place from the record line: nothing after the range's end counts.
TEST(Number, RangeEndsTheNumber) {
    const std::u16string s = u"4.75e12,9";
    const char16_t* p = s.data();
    EXPECT_EQ(ugatof(p, p + 3), 4.7);
    EXPECT_EQ(ugatof(p, p + 4), 4.75);
    EXPECT_EQ(ugatof(p, p + 5), 4.75);
    EXPECT_EQ(ugatof(p, p + 7), 4.75e12);
    EXPECT_EQ(ugatoi(p + 5, p + 6), 1);
    EXPECT_EQ(ugatoi(p + 8, p + 9), 9);
    EXPECT_EQ(ugatoi(p, p), 0);
    EXPECT_EQ(ugatof(p, p), 0.0);
    EXPECT_EQ(ugatoi(nullptr, nullptr), 0);
}

// The double must be the very one from_chars gives for the same digits, whether ugatof
// computes it directly or not: boundary cases, then six-decimal projected coordinates (the
// bulk of every file) and digit strings of any length.
TEST(Number, SameDoubleAsFromChars) {
    const auto expectSame = [](const std::string& text) {
        const bool bNegative = text[0] == '-';
        const char* p = text.data() + (bNegative || text[0] == '+' ? 1 : 0);
        double d = 0.0;
        std::from_chars(p, text.data() + text.size(), d);
        const double dExpected = bNegative ? -d : d;
        const double dRead = ugatof(PlxUnicodeString::FromUtf8(text + ",7"));
        ASSERT_EQ(Bits(dRead), Bits(dExpected)) << text;
    };
    for (const char* psz :
         {"0.1", "-0.0", "123456789012345678", "12345678901234567890", "9007199254740992",
          "9007199254740993", "0.0000000000000000000001", "0.00000000000000000000001", "1e22",
          "1e23", "17e-22", "5e-324", "1.7976931348623157e308", "2.2250738585072014e-308",
          "9.999999999999999e22", "+7.25"}) {
        expectSame(psz);
    }
    std::uint64_t nState = 12345;
    const auto next = [&nState] {
        nState = nState * 6364136223846793005ULL + 1442695040888963407ULL;
        return nState >> 16;
    };
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        if (i % 2 == 0) {
            const std::string strFraction = std::to_string(next() % 1000000);
            text = std::to_string(next() % 100000000) + "." +
                   std::string(6 - strFraction.size(), '0') + strFraction;
        } else {
            for (int k = 0, n = 1 + static_cast<int>(next() % 22); k < n; ++k)
                text += static_cast<char>('0' + next() % 10);
            text.insert(next() % (text.size() + 1), ".");
            if (i % 3 == 0)
                text += "e" + std::to_string(static_cast<int>(next() % 40) - 20);
        }
        expectSame(i % 5 == 0 ? "-" + text : text);
    }
}

}  // namespace
