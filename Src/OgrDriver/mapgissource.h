// What the driver and mapgis-import check of a file before anything reads it, and how they
// pass on and show its name: file names are bytes (GBK ones from Chinese Windows and old
// archives), never assumed UTF-8.
#pragma once

#include <set>
#include <string>

#include "KoBase/PlxUnicodeString.h"

namespace mapgis {

// The name as messages show it: UTF-8 as it is, any other byte as \xNN.
std::string ShownPath(const std::string& strPath);

// The name as the host's file functions take it: valid UTF-8 decoded, every other byte
// 0xNN kept as the lone surrogate U+DC00 + 0xNN, which the host turns back into the byte.
KTX::PlxUnicodeString HostPath(const std::string& strPath);

// A name made from a file or folder name (a layer's): as it is when UTF-8, else decoded from
// GBK (GB18030 decodes every GBK name), else with its bytes beyond UTF-8 as \xNN.
std::string DecodedName(const std::string& strBytes);

// Why the path cannot be read as a file, asking only the file system (never opening it,
// which blocks on a FIFO): "no such file", "a folder", "a FIFO", ...; empty for a regular
// file (a symbolic link counts as what it points to).
std::string WhyNotAFile(const std::string& strPath);

// Whether the file is a colour source; false with why not. Two kinds, told apart by content:
// MAPGIS's binary colour library (Pcolor.lib, starting "PCOLOR 3"), which only the driver's
// map layers read, and the MAPGIS colour index file that the reader takes, text whose
// entries start with a line of 16 fields whose fifth is a delimited "label:number"
// ("Color:1"); a file with no such entry within its first 64 KiB is not one.
bool CheckColorSource(const std::string& strPath, std::string* pstrWhy);

// Whether the file starts as a MAPGIS colour library does.
bool IsColorLibraryFile(const std::string& strPath);

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
