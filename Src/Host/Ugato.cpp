// Leading numbers of UTF-16 texts, independent of the C locale: plain decimals that a double
// holds exactly are computed directly, the rest is copied to ASCII and converted with
// std::from_chars.
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <string>

#include "PlxDigitScan.h"
#include "PlxUnicodeString.h"

namespace KTX {

namespace {

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// Skips white space and reads an optional sign; returns the first character after them.
const char16_t* SkipBlankAndSign(const char16_t* p, const char16_t* pEnd, bool& bNegative) {
    while (p < pEnd && IsBlank(*p))
        ++p;
    bNegative = false;
    if (p < pEnd && (*p == u'-' || *p == u'+')) {
        bNegative = *p == u'-';
        ++p;
    }
    return p;
}

// Decimal exponent of the leading significant digit, used only to tell an overflow from an
// underflow when from_chars reports the value out of range.
long long Magnitude(const char* p, const char* pEnd) {
    long long nMag = 0;
    bool bSeenPoint = false;
    bool bSignificant = false;
    for (; p < pEnd && *p != 'e' && *p != 'E'; ++p) {
        if (*p == '.') {
            bSeenPoint = true;
        } else if (*p != '0' || bSignificant) {
            bSignificant = true;
            if (!bSeenPoint)
                ++nMag;
        } else if (bSeenPoint) {
            --nMag;
        }
    }
    if (p < pEnd) {
        ++p;
        bool bNegative = false;
        if (p < pEnd && (*p == '-' || *p == '+'))
            bNegative = *p++ == '-';
        long long nExp = 0;
        for (; p < pEnd && nExp < 1000000000000000LL; ++p)
            nExp = nExp * 10 + (*p - '0');
        nMag += bNegative ? -nExp : nExp;
    }
    return nMag;
}

double Convert(const char* p, const char* pEnd, bool bNegative) {
    double d = 0.0;
    const auto res = std::from_chars(p, pEnd, d, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range)
        d = Magnitude(p, pEnd) > 0 ? HUGE_VAL : 0.0;
    return bNegative ? -d : d;
}

// The number's characters as ASCII through from_chars. Kept out of line: its buffer would
// give every conversion, most of which take the exact path, a large stack frame.
[[gnu::noinline]] double ConvertUnits(const char16_t* pStart, const char16_t* p, bool bNegative) {
    const size_t n = static_cast<size_t>(p - pStart);
    char szSmall[400];
    if (n <= sizeof szSmall) {
        for (size_t i = 0; i < n; ++i)
            szSmall[i] = static_cast<char>(pStart[i]);
        return Convert(szSmall, szSmall + n, bNegative);
    }
    const std::string strLong(pStart, p);
    return Convert(strLong.data(), strLong.data() + n, bNegative);
}

}  // namespace

int ugatoi(const char16_t* pBegin, const char16_t* pEnd) {
    if (pBegin == nullptr || pEnd == nullptr || pBegin >= pEnd)
        return 0;
    bool bNegative = false;
    const char16_t* p = SkipBlankAndSign(pBegin, pEnd, bNegative);
    const long long nLimit = bNegative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long nValue = 0;
    for (; p < pEnd && IsDigit(*p); ++p) {
        if (nValue <= nLimit)
            nValue = nValue * 10 + (*p - u'0');
    }
    if (nValue > nLimit)
        nValue = nLimit;
    return static_cast<int>(bNegative ? -nValue : nValue);
}

int ugatoi(const PlxUnicodeString& str) {
    const char16_t* p = str.GetString();
    return ugatoi(p, p + str.GetLength());
}

double ugatof(const char16_t* pBegin, const char16_t* pEnd) {
    if (pBegin == nullptr || pEnd == nullptr || pBegin >= pEnd)
        return 0.0;
    bool bNegative = false;
    const char16_t* const pStart = SkipBlankAndSign(pBegin, pEnd, bNegative);
    const char16_t* p = pStart;
    // The digits are also gathered into an integer mantissa for the exact path below.
    int nDigits = 0;
    int nFraction = 0;
    // Past 19 digits the mantissa wraps, but then the exact path is not taken.
    std::uint64_t nMantissa = 0;
    p = PlxScanDigits(p, pEnd, nMantissa, nDigits);
    if (p < pEnd && *p == u'.') {
        p = PlxScanDigits(p + 1, pEnd, nMantissa, nFraction);
        nDigits += nFraction;
    }
    if (nDigits == 0)
        return 0.0;
    // The exponent belongs to the number only when at least one digit follows it.
    int nExponent = 0;
    bool bExponentSmall = true;
    if (p < pEnd && (*p == u'e' || *p == u'E')) {
        const char16_t* q = p + 1;
        bool bExpNegative = false;
        if (q < pEnd && (*q == u'-' || *q == u'+'))
            bExpNegative = *q++ == u'-';
        if (q < pEnd && IsDigit(*q)) {
            for (; q < pEnd && IsDigit(*q); ++q) {
                if (nExponent < 1000)
                    nExponent = nExponent * 10 + (*q - u'0');
                else
                    bExponentSmall = false;
            }
            if (bExpNegative)
                nExponent = -nExponent;
            p = q;
        }
    }
    // Exact path: a mantissa of at most 2^53 and a power of ten up to 1e22 are both exact
    // doubles, so one multiplication or division rounds the true value once, correctly -
    // the very double from_chars gives. Everything else goes through from_chars.
    const int nScale = nExponent - nFraction;
    if (nDigits <= 19 && bExponentSmall && nMantissa <= (std::uint64_t{1} << 53) && nScale >= -22 &&
        nScale <= 22) {
        const double d = static_cast<double>(nMantissa);
        const double r = nScale < 0 ? d / kPowersOfTen[-nScale] : d * kPowersOfTen[nScale];
        return bNegative ? -r : r;
    }
    return ConvertUnits(pStart, p, bNegative);
}

double ugatof(const PlxUnicodeString& str) {
    const char16_t* p = str.GetString();
    return ugatof(p, p + str.GetLength());
}

}  // namespace KTX
