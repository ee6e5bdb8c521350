// ugatoi and ugatof: the leading number of a text, locale-free, bounded by the given range.
#include <gtest/gtest.h>

#include <charconv>
#include <climits>
#include <cmath>
#include <random>
#include <string>

#include "PlxUnicodeString.h"

using KTX::PlxUnicodeString;
using KTX::ugatof;
using KTX::ugatoi;

namespace {

struct IntCase {
    const char16_t* pszText;
    int nExpected;
};

class UgatoiCases : public ::testing::TestWithParam<IntCase> {};

TEST_P(UgatoiCases, ReadsTheLeadingInteger) {
    EXPECT_EQ(ugatoi(PlxUnicodeString(GetParam().pszText)), GetParam().nExpected)
        << std::string(PlxUnicodeString(GetParam().pszText).ToUtf8());
}

INSTANTIATE_TEST_SUITE_P(
    Host, UgatoiCases,
    ::testing::Values(IntCase{u"42", 42}, IntCase{u"  -17", -17}, IntCase{u"\t\r\n 9", 9},
                      IntCase{u"+8", 8}, IntCase{u"12abc", 12}, IntCase{u"abc", 0}, IntCase{u"", 0},
                      IntCase{u"-", 0}, IntCase{u"- 5", 0}, IntCase{u"+-5", 0}, IntCase{u"3.9", 3},
                      IntCase{u"-3.9", -3}, IntCase{u"007", 7}, IntCase{u"0x1A", 0},
                      IntCase{u"1e5", 1}, IntCase{u"12 34", 12}, IntCase{u"2147483647", INT_MAX},
                      IntCase{u"2147483648", INT_MAX}, IntCase{u"99999999999999999999999", INT_MAX},
                      IntCase{u"-2147483648", INT_MIN}, IntCase{u"-2147483649", INT_MIN},
                      IntCase{u"\uFF11", 0}));

struct RealCase {
    const char16_t* pszText;
    double dExpected;
};

class UgatofCases : public ::testing::TestWithParam<RealCase> {};

TEST_P(UgatofCases, ReadsTheLeadingReal) {
    const double d = ugatof(PlxUnicodeString(GetParam().pszText));
    const double e = GetParam().dExpected;
    if (std::isinf(e)) {
        EXPECT_EQ(d, e);
    } else {
        EXPECT_DOUBLE_EQ(d, e) << std::string(PlxUnicodeString(GetParam().pszText).ToUtf8());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Host, UgatofCases,
    ::testing::Values(RealCase{u"1.5", 1.5}, RealCase{u"  -2.25", -2.25}, RealCase{u"+3", 3.0},
                      RealCase{u"1.", 1.0}, RealCase{u".5", 0.5}, RealCase{u"-.5e-3", -0.0005},
                      RealCase{u"1e5", 1e5}, RealCase{u"2E2", 200.0}, RealCase{u"1e", 1.0},
                      RealCase{u"1e+", 1.0}, RealCase{u"1e-x", 1.0}, RealCase{u"7.25e+2", 725.0},
                      RealCase{u".", 0.0}, RealCase{u"-", 0.0}, RealCase{u"e5", 0.0},
                      RealCase{u"abc", 0.0}, RealCase{u"", 0.0}, RealCase{u"12abc", 12.0},
                      RealCase{u"1,5", 1.0}, RealCase{u"3.14.15", 3.14}, RealCase{u"inf", 0.0},
                      RealCase{u"nan", 0.0}, RealCase{u"0x10", 0.0},
                      RealCase{u"123456789.125", 123456789.125}, RealCase{u"1e400", HUGE_VAL},
                      RealCase{u"-1e400", -HUGE_VAL}, RealCase{u"1e-400", 0.0},
                      RealCase{u"1e99999999999999999999", HUGE_VAL},
                      RealCase{u"0e99999999999999999999", 0.0}));

TEST(StringNumber, UnderflowKeepsTheSign) {
    const double d = ugatof(PlxUnicodeString(u"-1e-400"));
    EXPECT_EQ(d, 0.0);
    EXPECT_TRUE(std::signbit(d));
}

TEST(StringNumber, RangeOverloadsStopAtTheEndOfTheRange) {
    // No terminator after the digits: anything read beyond the range would be a fault
    // (and caught by the address sanitizer).
    const char16_t digits[3] = {u'1', u'2', u'3'};
    EXPECT_EQ(ugatoi(digits, digits + 3), 123);
    EXPECT_EQ(ugatoi(digits, digits + 2), 12);
    const char16_t real[3] = {u'2', u'.', u'5'};
    EXPECT_DOUBLE_EQ(ugatof(real, real + 3), 2.5);
    const char16_t exponent[2] = {u'1', u'e'};
    EXPECT_DOUBLE_EQ(ugatof(exponent, exponent + 2), 1.0);
    const char16_t signOnly[1] = {u'-'};
    EXPECT_EQ(ugatoi(signOnly, signOnly + 1), 0);
    EXPECT_EQ(ugatof(signOnly, signOnly + 1), 0.0);
    // Digits after the range's end are not part of the number.
    const std::u16string s = u"4.75e12";
    EXPECT_DOUBLE_EQ(ugatof(s.data(), s.data() + 3), 4.7);
    EXPECT_DOUBLE_EQ(ugatof(s.data(), s.data() + 5), 4.75);
    EXPECT_EQ(ugatoi(s.data(), s.data()), 0);
    EXPECT_EQ(ugatoi(nullptr, nullptr), 0);
}

TEST(StringNumber, DigitsEndAtTheFirstCharacterThatIsNoDigit) {
    // Characters whose low byte is an ASCII digit, and the neighbours of '0' and '9', end
    // the digits wherever they stand in a group of four.
    const std::u16string stops[] = {u"/", u":", u"\u0130", u"\u0B35", u"\uFF11", u"\u3039"};
    for (const std::u16string& stop : stops) {
        for (size_t nAt = 0; nAt <= 9; ++nAt) {
            const std::u16string digits = u"1234567890";
            const std::u16string s = digits.substr(0, nAt) + stop + u"987654";
            const int nExpected =
                nAt == 0 ? 0 : std::stoi(PlxUnicodeString(digits.substr(0, nAt)).ToUtf8());
            EXPECT_EQ(ugatof(PlxUnicodeString(s)), static_cast<double>(nExpected))
                << nAt << " " << static_cast<int>(stop[0]);
        }
    }
    // A range that ends inside a group of four digits.
    const char16_t six[6] = {u'9', u'8', u'7', u'6', u'5', u'4'};
    EXPECT_EQ(ugatof(six, six + 5), 98765.0);
    EXPECT_EQ(ugatof(six + 1, six + 6), 87654.0);
}

TEST(StringNumber, SameDoubleAsFromChars) {
    std::mt19937_64 rng(7);
    std::uniform_int_distribution<int> length(1, 22);
    std::uniform_int_distribution<int> digit(0, 9);
    for (int i = 0; i < 20000; ++i) {
        const int nDigits = length(rng);
        std::string text;
        for (int k = 0; k < nDigits; ++k)
            text += static_cast<char>('0' + digit(rng));
        text.insert(static_cast<size_t>(rng() % (text.size() + 1)), ".");
        if (i % 3 == 0)
            text += "e" + std::to_string(static_cast<int>(rng() % 40) - 20);
        double dExpected = 0.0;
        std::from_chars(text.data(), text.data() + text.size(), dExpected);
        const std::u16string u(text.begin(), text.end());
        ASSERT_EQ(ugatof(PlxUnicodeString(u + u",7")), dExpected) << text;
        ASSERT_EQ(ugatof(PlxUnicodeString(u"-" + u)), -dExpected) << text;
    }
}

TEST(StringNumber, LongNumbersAreStillRight) {
    // 0.000...001 with 500 zeros after the point is 1e-501; scaled by 1e501 it is 1.
    std::u16string s = u"0." + std::u16string(500, u'0') + u"1e501";
    EXPECT_DOUBLE_EQ(ugatof(PlxUnicodeString(s)), 1.0);
    // 1 followed by 449 zeros: 1e449, beyond any double.
    s = u"1" + std::u16string(449, u'0');
    EXPECT_EQ(ugatof(PlxUnicodeString(s)), HUGE_VAL);
    // 450 digits, then a fraction and an exponent that brings it back to 1.25.
    s = u"125" + std::u16string(447, u'0') + u".000e-449";
    EXPECT_DOUBLE_EQ(ugatof(PlxUnicodeString(s)), 1.25);
    EXPECT_EQ(ugatoi(PlxUnicodeString(u"-" + std::u16string(600, u'9'))), INT_MIN);
}

}  // namespace
