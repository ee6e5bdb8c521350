// Numbers in style strings: "%.10g" of the "C" locale, written without printf.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <utility>

#include "mapgisnumber.h"

namespace {

std::string Written(double d) {
    std::string out = "x";
    mapgis::AppendGeneral10(out, d);
    return out.substr(1);
}

std::string Printf(double d) {
    char sz[64];
    std::snprintf(sz, sizeof sz, "%.10g", d);
    return sz;
}

}  // namespace

// The values the random ones below do not reach, and the switch to the scientific form.
TEST(StyleNumber, EdgesOfTheTenDigitGeneralForm) {
    const std::pair<double, const char*> kCases[] = {
        {0.0, "0"},
        {-0.0, "-0"},
        {0.0001, "0.0001"},
        {0.00001, "1e-05"},
        {1234567890.0, "1234567890"},
        {12345678901.0, "1.23456789e+10"},
        {38506718.212206, "38506718.21"},
        {1e-300, "1e-300"},
        {std::numeric_limits<double>::infinity(), "inf"},
    };
    for (const auto& [d, pszText] : kCases)
        EXPECT_EQ(Written(d), pszText) << pszText;
}

TEST(StyleNumber, AgreesWithPrintfOnManyValues) {
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> exponent(-8, 14);
    std::uniform_int_distribution<int> decimals(0, 12);
    for (int i = 0; i < 20000; ++i) {
        double d = mantissa(rng) * std::pow(10.0, exponent(rng));
        // Half the values with few decimals, as map styles have them.
        if (i % 2 == 0) {
            const double scale = std::pow(10.0, decimals(rng));
            d = std::round(d * scale) / scale;
        }
        ASSERT_EQ(Written(d), Printf(d)) << i;
    }
}
