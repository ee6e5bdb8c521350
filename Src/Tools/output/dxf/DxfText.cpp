// Text as an R2000 DXF under code page ANSI_936 holds it.
#include "DxfText.h"

#include <iconv.h>

#include <cstdio>

namespace mapgis_dxf {

namespace {

// The code point at strText[*pnPos], moving past it; U+FFFD for a malformed sequence.
char32_t NextCodePoint(const std::string& strText, size_t* pnPos) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(strText[i]); };
    const unsigned char c = byte(*pnPos);
    const int nTrail = c >= 0xF0 && c < 0xF5 ? 3 : c >= 0xE0 ? 2 : c >= 0xC2 ? 1 : 0;
    if (c < 0x80 || nTrail == 0 || c >= 0xF5 || *pnPos + nTrail >= strText.size()) {
        ++*pnPos;
        return c < 0x80 ? c : 0xFFFD;
    }
    char32_t nCode = c & (0x3F >> nTrail);
    for (int i = 1; i <= nTrail; ++i) {
        const unsigned char t = byte(*pnPos + i);
        if ((t & 0xC0) != 0x80) {
            ++*pnPos;
            return 0xFFFD;
        }
        nCode = nCode << 6 | (t & 0x3F);
    }
    *pnPos += nTrail + 1;
    return nCode;
}

void AppendEscape(char32_t nCode, std::string* pstrOut) {
    char szBuf[16];
    std::snprintf(szBuf, sizeof(szBuf), "\\U+%04X", static_cast<unsigned>(nCode));
    *pstrOut += szBuf;
}

// One code point in GBK through iconv; false when GBK lacks it.
bool AppendGbk(iconv_t hConv, char32_t nCode, std::string* pstrOut) {
    wchar_t aInput[1] = {static_cast<wchar_t>(nCode)};
    char* pszIn = reinterpret_cast<char*>(aInput);
    size_t nIn = sizeof(aInput);
    char szOut[8];
    char* pszOut = szOut;
    size_t nOut = sizeof(szOut);
    iconv(hConv, nullptr, nullptr, nullptr, nullptr);
    if (iconv(hConv, &pszIn, &nIn, &pszOut, &nOut) == static_cast<size_t>(-1))
        return false;
    // The C library puts the euro sign at 0x80, as Windows does; GBK itself has no single
    // byte above 0x7F, and readers that follow it (Python's) reject that byte.
    if (pszOut - szOut == 1)
        return false;
    pstrOut->append(szOut, pszOut);
    return true;
}

// The blocks of East Asian width F and W, first and last code point.
constexpr char32_t kWideBlocks[][2] = {
    {0x1100, 0x115F}, {0x2E80, 0x303E}, {0x3041, 0x33FF}, {0x3400, 0x4DBF},
    {0x4E00, 0x9FFF}, {0xA000, 0xA4CF}, {0xAC00, 0xD7A3}, {0xF900, 0xFAFF},
    {0xFE30, 0xFE4F}, {0xFF00, 0xFF60}, {0xFFE0, 0xFFE6}, {0x20000, 0x3FFFD},
};

}  // namespace

bool IsOneFullWidthCharacter(const std::string& strUtf8) {
    size_t nPos = 0;
    if (strUtf8.empty())
        return false;
    const char32_t nCode = NextCodePoint(strUtf8, &nPos);
    if (nPos != strUtf8.size())
        return false;
    for (const auto& block : kWideBlocks) {
        if (nCode >= block[0] && nCode <= block[1])
            return true;
    }
    return false;
}

DxfEncodedText EncodeDxfText(const std::string& strUtf8) {
    DxfEncodedText result;
    iconv_t hConv = iconv_open("GBK", "WCHAR_T");
    size_t nPos = 0;
    while (nPos < strUtf8.size()) {
        const char32_t nCode = NextCodePoint(strUtf8, &nPos);
        if (nCode >= 0x20 && nCode < 0x7F) {
            result.strBytes += static_cast<char>(nCode);
            continue;
        }
        const bool bMalformed = nCode == 0xFFFD;
        if (nCode >= 0x80 && !bMalformed && hConv != reinterpret_cast<iconv_t>(-1) &&
            AppendGbk(hConv, nCode, &result.strBytes))
            continue;
        if (nCode > 0xFFFF) {
            AppendEscape(0xD800 + ((nCode - 0x10000) >> 10), &result.strBytes);
            AppendEscape(0xDC00 + ((nCode - 0x10000) & 0x3FF), &result.strBytes);
        } else {
            AppendEscape(nCode, &result.strBytes);
        }
        ++result.nEscaped;
    }
    if (hConv != reinterpret_cast<iconv_t>(-1))
        iconv_close(hConv);
    return result;
}

}  // namespace mapgis_dxf
