// ugatof computes plain decimals directly when that is exact and leaves the rest to
// from_chars: either way the double must be the one from_chars gives for the same digits.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "PlxUnicodeString.h"

using KTX::PlxUnicodeString;

namespace {

// The reference: the text's digits converted by from_chars, the sign applied afterwards.
double Reference(const std::string& text) {
    const bool bNegative = !text.empty() && text[0] == '-';
    const char* p = text.data() + (bNegative || (!text.empty() && text[0] == '+') ? 1 : 0);
    double d = 0.0;
    std::from_chars(p, text.data() + text.size(), d, std::chars_format::general);
    return bNegative ? -d : d;
}

std::uint64_t Bits(double d) {
    std::uint64_t n = 0;
    std::memcpy(&n, &d, sizeof n);
    return n;
}

class UgatofBits : public ::testing::TestWithParam<const char*> {};

TEST_P(UgatofBits, EqualsFromChars) {
    const std::string text = GetParam();
    const double d = KTX::ugatof(PlxUnicodeString::FromUtf8(text));
    EXPECT_EQ(Bits(d), Bits(Reference(text))) << text << " gave " << d;
}

INSTANTIATE_TEST_SUITE_P(
    Decimals, UgatofBits,
    ::testing::Values("38512345.678901", "3412345.678901", "0.1", "0.3", "2.50", "-45.00", "-0.0",
                      "0", "123456789012345678", "1234567890123456789",
                      "12345678901234567890",                  // 20 digits: the general conversion
                      "9007199254740992", "9007199254740993",  // 2^53 and one beyond
                      "0.0000000000000000000001",              // 1e-22, the last exact power
                      "0.00000000000000000000001", "1e22", "1e23", "4.5e21", "17e-22",
                      "1.7976931348623157e308", "2.2250738585072014e-308", "5e-324",
                      "1.2345678901234567", "+7.25", "12.5e+3", "9.999999999999999e22"));

// Projected coordinates with six decimals, the bulk of every exchange file: a deterministic
// spread of them over several magnitudes.
TEST(UgatofBitsSpread, SixDecimalCoordinatesEqualFromChars) {
    std::uint64_t nState = 12345;
    for (int i = 0; i < 20000; ++i) {
        nState = nState * 6364136223846793005ULL + 1442695040888963407ULL;
        const std::uint64_t nWhole = (nState >> 20) % 100000000ULL;
        const std::uint64_t nFraction = (nState >> 8) % 1000000ULL;
        std::string text = std::to_string(nWhole) + ".";
        const std::string strFraction = std::to_string(nFraction);
        text += std::string(6 - strFraction.size(), '0') + strFraction;
        if (i % 3 == 0)
            text = "-" + text;
        ASSERT_EQ(Bits(KTX::ugatof(PlxUnicodeString::FromUtf8(text))), Bits(Reference(text)))
            << text;
    }
}

}  // namespace
