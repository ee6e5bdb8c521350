#include "mapgisnumber.h"

#include <charconv>
#include <cmath>
#include <cstddef>

namespace mapgis {

namespace {

constexpr int kPrecision = 10;

// "%.10g" rounding to ten digits, the slow way.
void AppendRounded(std::string& out, double d) {
    char sz[64];
    const auto res = std::to_chars(sz, sz + sizeof(sz), d, std::chars_format::general, kPrecision);
    out.append(sz, res.ptr);
}

}  // namespace

std::string& AppendGeneral10(std::string& out, double d) {
    if (!std::isfinite(d)) {
        AppendRounded(out, d);
        return out;
    }
    // Whole numbers of up to ten digits, the usual sizes and angles, are written as integers.
    if (std::fabs(d) < 1e10 && d == std::trunc(d)) {
        if (d == 0.0 && std::signbit(d))
            return out += "-0";
        char szInt[16];
        const auto res = std::to_chars(szInt, szInt + sizeof(szInt), static_cast<long long>(d));
        return out.append(szInt, res.ptr);
    }
    // The shortest digits that read back as d, as "[-]d[.ddd]e[+-]xx". When there are at
    // most ten of them they are the digits "%.10g" prints (d lies far closer to them than
    // to any midpoint of the ten-digit grid), and only the layout is left to do.
    char sz[64];
    const auto res = std::to_chars(sz, sz + sizeof(sz), d, std::chars_format::scientific);
    const char* p = sz;
    const bool bNegative = *p == '-';
    p += bNegative ? 1 : 0;
    char digits[32];
    int nDigits = 0;
    for (; p != res.ptr && *p != 'e'; ++p) {
        if (*p != '.' && nDigits < static_cast<int>(sizeof(digits)))
            digits[nDigits++] = *p;
    }
    int nExp = 0;
    if (p != res.ptr)
        std::from_chars(p + (p[1] == '+' ? 2 : 1), res.ptr, nExp);
    if (nDigits > kPrecision) {
        AppendRounded(out, d);
        return out;
    }
    if (nExp < -4 || nExp >= kPrecision) {
        // Scientific notation with those digits is what "%.10g" writes too.
        out.append(sz, res.ptr);
        return out;
    }
    if (bNegative)
        out += '-';
    if (nExp < 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-nExp - 1), '0');
        out.append(digits, static_cast<std::size_t>(nDigits));
    } else if (nDigits <= nExp + 1) {
        out.append(digits, static_cast<std::size_t>(nDigits));
        out.append(static_cast<std::size_t>(nExp + 1 - nDigits), '0');
    } else {
        out.append(digits, static_cast<std::size_t>(nExp + 1));
        out += '.';
        out.append(digits + nExp + 1, static_cast<std::size_t>(nDigits - nExp - 1));
    }
    return out;
}

}  // namespace mapgis
