// What the driver and mapgis-import check of a file before anything reads it, and how they
// pass on and show its name: file names are bytes (GBK ones from Chinese Windows and old
// archives), never assumed UTF-8.
#pragma once

#include <set>
#include <string>

#include "KoBase/PlxUnicodeString.h"
#include "mapgisdriver.h"

namespace mapgis {

// The name as the host's file functions take it: valid UTF-8 decoded, every other byte
// 0xNN kept as the lone surrogate U+DC00 + 0xNN, which the host turns back into the byte.
KTX::PlxUnicodeString HostPath(const std::string& strPath);

// The colour numbers a colour index file gives, read as the reader reads it: after two
// header lines, each entry's first line names its number ("Color:<number>") and the four
// lines after it are its inks.
std::set<int> ColorIndexNumbers(const std::string& strPath);

// Whether the first line of a file (its first bytes) is a header line; false with why not. The
// reader skips the first line unread, so a file whose header is missing loses its count line
// or its first record to it. A header is text (MAPGIS writes "WMAP..."); a line that begins
// as a number, as count lines and records do, is data in the header's place.
bool CheckHeaderLine(const char* pszStart, size_t nBytes, std::string* pstrWhy);

}  // namespace mapgis
