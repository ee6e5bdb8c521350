// UTF-8 codec of the host: strict decoding (no overlong forms, no surrogates, nothing above
// U+10FFFF) with one replacement character per rejected byte, so nothing is ever dropped.
#include "PlxUtf8.h"

#include <cstdint>
#include <cstring>

namespace KTX {
namespace utf8 {

namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

bool IsContinuation(unsigned char c) {
    return (c & 0xC0u) == 0x80u;
}

}  // namespace

bool IsAscii(const char* p, std::size_t n) {
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, p + i, 8);
        if (w & kHighBits)
            return false;
    }
    for (; i < n; ++i) {
        if (static_cast<unsigned char>(p[i]) & 0x80u)
            return false;
    }
    return true;
}

std::size_t Decode(const char* p, std::size_t n, char16_t* pOut) {
    const auto* s = reinterpret_cast<const unsigned char*>(p);
    std::size_t i = 0;
    std::size_t o = 0;
    while (i < n) {
        // Runs of ASCII are copied eight bytes at a time.
        while (i + 8 <= n) {
            std::uint64_t w;
            std::memcpy(&w, s + i, 8);
            if (w & kHighBits)
                break;
            for (int k = 0; k < 8; ++k)
                pOut[o++] = s[i + k];
            i += 8;
        }
        if (i >= n)
            break;
        const unsigned char c = s[i];
        if (c < 0x80u) {
            pOut[o++] = c;
            ++i;
            continue;
        }
        std::size_t nLen = 0;
        std::uint32_t cp = 0;
        unsigned char lo = 0x80u;  // allowed range of the second byte
        unsigned char hi = 0xBFu;
        if (c >= 0xC2u && c <= 0xDFu) {
            nLen = 2;
            cp = c & 0x1Fu;
        } else if (c >= 0xE0u && c <= 0xEFu) {
            nLen = 3;
            cp = c & 0x0Fu;
            if (c == 0xE0u)
                lo = 0xA0u;  // overlong
            if (c == 0xEDu)
                hi = 0x9Fu;  // surrogates
        } else if (c >= 0xF0u && c <= 0xF4u) {
            nLen = 4;
            cp = c & 0x07u;
            if (c == 0xF0u)
                lo = 0x90u;  // overlong
            if (c == 0xF4u)
                hi = 0x8Fu;  // above U+10FFFF
        }
        bool bValid = nLen != 0 && i + nLen <= n && s[i + 1] >= lo && s[i + 1] <= hi;
        for (std::size_t k = 2; bValid && k < nLen; ++k)
            bValid = IsContinuation(s[i + k]);
        if (!bValid) {
            pOut[o++] = kReplacement;
            ++i;
            continue;
        }
        for (std::size_t k = 1; k < nLen; ++k)
            cp = (cp << 6) | (s[i + k] & 0x3Fu);
        i += nLen;
        if (cp >= 0x10000u) {
            cp -= 0x10000u;
            pOut[o++] = static_cast<char16_t>(0xD800u + (cp >> 10));
            pOut[o++] = static_cast<char16_t>(0xDC00u + (cp & 0x3FFu));
        } else {
            pOut[o++] = static_cast<char16_t>(cp);
        }
    }
    return o;
}

void Encode(const char16_t* p, std::size_t n, std::string& strOut) {
    // Three bytes at most per UTF-16 unit (a surrogate pair takes four for two); written
    // through a pointer and cut to size once.
    const std::size_t nStart = strOut.size();
    strOut.resize(nStart + 3 * n);
    char* pOut = strOut.data() + nStart;
    char* const pBegin = pOut;
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t cp = p[i];
        if (cp < 0x80u) {
            *pOut++ = static_cast<char>(cp);
            continue;
        }
        if (cp >= 0xD800u && cp <= 0xDBFFu && i + 1 < n && p[i + 1] >= 0xDC00u &&
            p[i + 1] <= 0xDFFFu) {
            cp = 0x10000u + ((cp - 0xD800u) << 10) + (p[i + 1] - 0xDC00u);
            ++i;
        } else if (cp >= 0xD800u && cp <= 0xDFFFu) {
            cp = kReplacement;
        }
        if (cp < 0x800u) {
            *pOut++ = static_cast<char>(0xC0u | (cp >> 6));
        } else if (cp < 0x10000u) {
            *pOut++ = static_cast<char>(0xE0u | (cp >> 12));
            *pOut++ = static_cast<char>(0x80u | ((cp >> 6) & 0x3Fu));
        } else {
            *pOut++ = static_cast<char>(0xF0u | (cp >> 18));
            *pOut++ = static_cast<char>(0x80u | ((cp >> 12) & 0x3Fu));
            *pOut++ = static_cast<char>(0x80u | ((cp >> 6) & 0x3Fu));
        }
        *pOut++ = static_cast<char>(0x80u | (cp & 0x3Fu));
    }
    strOut.resize(nStart + static_cast<std::size_t>(pOut - pBegin));
}

std::string EncodePath(const char16_t* p, std::size_t n) {
    std::string out;
    std::size_t iRun = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const bool bPaired = i > 0 && p[i - 1] >= 0xD800u && p[i - 1] <= 0xDBFFu;
        if (p[i] < 0xDC80u || p[i] > 0xDCFFu || bPaired)
            continue;
        Encode(p + iRun, i - iRun, out);
        out += static_cast<char>(p[i] - 0xDC00u);
        iRun = i + 1;
    }
    Encode(p + iRun, n - iRun, out);
    return out;
}

}  // namespace utf8
}  // namespace KTX
