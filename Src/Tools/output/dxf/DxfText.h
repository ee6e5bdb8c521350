// Text as an R2000 DXF under code page ANSI_936 holds it.
#pragma once

#include <string>

namespace mapgis_dxf {

struct DxfEncodedText {
    std::string strBytes;  // GBK, with the escapes
    int nEscaped = 0;      // characters written as \U+XXXX
};

// UTF-8 text in GBK. A character GBK lacks, a control character and any byte that is not
// UTF-8 (as U+FFFD) is written as AutoCAD writes it, \U+XXXX in upper-case hexadecimal (a
// character beyond U+FFFF as its two UTF-16 halves), and counted.
DxfEncodedText EncodeDxfText(const std::string& strUtf8);

// Whether the text is one character of East Asian width F or W (Chinese characters,
// full-width punctuation, kana, hangul): a piece the driver gives the full character width.
bool IsOneFullWidthCharacter(const std::string& strUtf8);

}  // namespace mapgis_dxf
