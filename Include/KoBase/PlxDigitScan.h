// Runs of decimal digits in UTF-16 text, read four at a time: the numbers of a record line
// are long runs of digits ("38500050.000000"), and reading them a character at a time was
// most of the cost of converting them.
#pragma once

#include <cstdint>
#include <cstring>

namespace KTX {

// The value of the four characters at p when all four are ASCII digits, else -1.
inline int PlxFourDigits(const char16_t* p) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    std::uint64_t x = 0;
    std::memcpy(&x, p, sizeof x);
    constexpr std::uint64_t kHigh = 0x8000800080008000ULL;
    // Every unit below 0x80; none above '9' (adding 0x46 would reach 0x80); none below '0'
    // (with each unit's top bit set first, taking 0x30 away clears it only for those).
    if ((x & 0xFF80FF80FF80FF80ULL) | ((x + 0x0046004600460046ULL) & 0x0080008000800080ULL) |
        ((((x | kHigh) - 0x0030003000300030ULL) & kHigh) ^ kHigh))
        return -1;
    const std::uint64_t v = x - 0x0030003000300030ULL;
    // Pairs of digits, then the two pairs: the first character is the lowest unit.
    const std::uint64_t pairs = (v * 10 + (v >> 16)) & 0x0000FFFF0000FFFFULL;
    return static_cast<int>((pairs * 100 + (pairs >> 32)) & 0xFFFFFFFFULL);
#else
    int n = 0;
    for (int i = 0; i < 4; ++i) {
        if (p[i] < u'0' || p[i] > u'9')
            return -1;
        n = n * 10 + (p[i] - u'0');
    }
    return n;
#endif
}

// Appends the digits from p up to the first other character or pEnd to nValue (modulo
// 2^64) and counts them in nDigits; returns the first character after them.
inline const char16_t* PlxScanDigits(const char16_t* p, const char16_t* pEnd, std::uint64_t& nValue,
                                     int& nDigits) {
    for (int nFour = 0; pEnd - p >= 4 && (nFour = PlxFourDigits(p)) >= 0; p += 4) {
        nValue = nValue * 10000 + static_cast<unsigned>(nFour);
        nDigits += 4;
    }
    for (; p < pEnd && static_cast<unsigned>(*p - u'0') < 10; ++p) {
        nValue = nValue * 10 + static_cast<unsigned>(*p - u'0');
        ++nDigits;
    }
    return p;
}

}  // namespace KTX
