// Checks of input files before they are read, and file names as bytes.
#include "mapgissource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "cpl_string.h"
#include "mapgiscolorlibrary.h"

namespace mapgis {

namespace {

// The length of the valid UTF-8 sequence at p (strict: no overlong forms, no surrogates,
// nothing above U+10FFFF), or 0.
size_t SequenceLength(const unsigned char* p, size_t n) {
    const unsigned char c = p[0];
    if (c < 0x80)
        return 1;
    size_t nLen = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        nLen = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        nLen = 3;
        lo = c == 0xE0 ? 0xA0 : 0x80;
        hi = c == 0xED ? 0x9F : 0xBF;
    } else if (c >= 0xF0 && c <= 0xF4) {
        nLen = 4;
        lo = c == 0xF0 ? 0x90 : 0x80;
        hi = c == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (n < nLen || p[1] < lo || p[1] > hi)
        return 0;
    for (size_t i = 2; i < nLen; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
    }
    return nLen;
}

// Reads up to nMax bytes of a regular file without ever blocking on what is not one.
bool ReadStart(const std::string& strPath, size_t nMax, std::string* pstrData) {
    const int fd = ::open(strPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    bool bOk = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    pstrData->resize(bOk ? nMax : 0);
    size_t nRead = 0;
    while (bOk && nRead < nMax) {
        const ssize_t n = ::read(fd, &(*pstrData)[nRead], nMax - nRead);
        if (n <= 0) {
            bOk = n == 0;
            break;
        }
        nRead += static_cast<size_t>(n);
    }
    ::close(fd);
    pstrData->resize(nRead);
    return bOk;
}

// Whether the line is the first line of a colour entry, as the reader takes one; its colour
// number in *pnColor.
bool IsColorEntry(const std::string& strLine, int* pnColor = nullptr) {
    const CPLStringList aosFields(CSLTokenizeString2(strLine.c_str(), ",", CSLT_ALLOWEMPTYTOKENS));
    if (aosFields.size() != 16)
        return false;
    // Stricter than the reader, which takes any "x...:..." there: a colour index encloses
    // "<label>:<number>" in one delimiter, and JSON or CSV that happens to have 16 fields
    // must not pass for one.
    const std::string strField = aosFields[4];
    if (strField.size() < 4 || strField.front() != strField.back())
        return false;
    const std::string strInner = strField.substr(1, strField.size() - 2);
    const size_t nColon = strInner.find(':');
    if (nColon == std::string::npos || nColon + 1 == strInner.size() ||
        strInner.find_first_not_of("0123456789", nColon + 1) != std::string::npos)
        return false;
    if (pnColor != nullptr)
        *pnColor = atoi(strInner.c_str() + nColon + 1);
    return true;
}

}  // namespace

std::string ShownPath(const std::string& strPath) {
    const auto* p = reinterpret_cast<const unsigned char*>(strPath.data());
    std::string out;
    for (size_t i = 0; i < strPath.size();) {
        const size_t nLen = SequenceLength(p + i, strPath.size() - i);
        if (nLen == 0) {
            out += CPLSPrintf("\\x%02x", p[i]);
            ++i;
        } else {
            out.append(strPath, i, nLen);
            i += nLen;
        }
    }
    return out;
}

KTX::PlxUnicodeString HostPath(const std::string& strPath) {
    const auto* p = reinterpret_cast<const unsigned char*>(strPath.data());
    KTX::PlxUnicodeString out;
    size_t iRun = 0;  // the start of the valid run not yet decoded
    for (size_t i = 0; i < strPath.size();) {
        const size_t nLen = SequenceLength(p + i, strPath.size() - i);
        if (nLen != 0) {
            i += nLen;
            continue;
        }
        out += KTX::PlxUnicodeString::FromUtf8(std::string_view(strPath).substr(iRun, i - iRun));
        out += static_cast<char16_t>(0xDC00 + p[i]);
        iRun = ++i;
    }
    out += KTX::PlxUnicodeString::FromUtf8(std::string_view(strPath).substr(iRun));
    return out;
}

std::string DecodedName(const std::string& strBytes) {
    if (CPLIsUTF8(strBytes.c_str(), -1))
        return strBytes;
    // Chinese Windows writes names in GBK; GB18030 decodes every GBK name.
    CPLErrorStateBackuper errors;
    CPLPushErrorHandler(CPLQuietErrorHandler);
    CPLErrorReset();
    char* pszDecoded = CPLRecode(strBytes.c_str(), "GB18030", CPL_ENC_UTF8);
    // The decoder drops what it cannot decode, with a warning: then the bytes are shown.
    const bool bWhole = CPLGetLastErrorType() == CE_None;
    CPLPopErrorHandler();
    std::string strName = bWhole && pszDecoded != nullptr && CPLIsUTF8(pszDecoded, -1)
                              ? pszDecoded
                              : ShownPath(strBytes);
    CPLFree(pszDecoded);
    return strName;
}

std::string WhyNotAFile(const std::string& strPath) {
    struct stat st {};
    if (::stat(strPath.c_str(), &st) != 0)
        return "no such file";
    if (S_ISREG(st.st_mode))
        return std::string();
    if (S_ISDIR(st.st_mode))
        return "a folder, not a file";
    if (S_ISFIFO(st.st_mode))
        return "a FIFO (named pipe), not a file";
    if (S_ISSOCK(st.st_mode))
        return "a socket, not a file";
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        return "a device, not a file";
    return "not a regular file";
}

bool CheckColorSource(const std::string& strPath, std::string* pstrWhy) {
    *pstrWhy = WhyNotAFile(strPath);
    if (!pstrWhy->empty())
        return false;
    constexpr size_t kLooked = 64 * 1024;
    std::string strStart;
    if (!ReadStart(strPath, kLooked, &strStart)) {
        *pstrWhy = "cannot be read";
        return false;
    }
    if (ColorLibrary::HasSignature(strStart.data(), strStart.size())) {
        ColorLibrary library;
        std::vector<std::uint8_t> bytes(strStart.begin(), strStart.end());
        // Only what the first 64 KiB hold is checked; the library's own read sees the rest.
        if (strStart.size() < kLooked && !library.Parse(bytes, pstrWhy))
            return false;
        return true;
    }
    if (strStart.compare(0, 6, "PCOLOR") == 0 || strStart.find('\0') != std::string::npos) {
        *pstrWhy =
            "neither a MAPGIS colour index file (text) nor a colour library of MAPGIS 6.x "
            "(its first 8 bytes are not \"PCOLOR 3\")";
        return false;
    }
    size_t nLine = 0;
    while (nLine < strStart.size()) {
        size_t nEnd = strStart.find('\n', nLine);
        // A line cut by the end of what is looked at counts only at the end of the file.
        if (nEnd == std::string::npos && strStart.size() == kLooked)
            break;
        nEnd = nEnd == std::string::npos ? strStart.size() : nEnd;
        std::string strLine = strStart.substr(nLine, nEnd - nLine);
        if (!strLine.empty() && strLine.back() == '\r')
            strLine.pop_back();
        if (IsColorEntry(strLine))
            return true;
        nLine = nEnd + 1;
    }
    *pstrWhy =
        "not a MAPGIS colour index file: no colour entry (a line of 16 fields whose "
        "fifth is \"Color:<number>\") in its first 64 KiB";
    return false;
}

bool IsColorLibraryFile(const std::string& strPath) {
    std::string strStart;
    return ReadStart(strPath, 8, &strStart) &&
           ColorLibrary::HasSignature(strStart.data(), strStart.size());
}

std::set<int> ColorIndexNumbers(const std::string& strPath) {
    std::set<int> numbers;
    VSILFILE* fp = VSIFOpenL(strPath.c_str(), "rb");
    if (fp == nullptr)
        return numbers;
    auto readLine = [fp] { return CPLReadLine2L(fp, -1, nullptr); };
    readLine();
    readLine();
    while (const char* pszLine = readLine()) {
        int nColor = 0;
        if (!IsColorEntry(pszLine, &nColor))
            continue;
        numbers.insert(nColor);
        for (int i = 0; i < 4; ++i)
            readLine();
    }
    VSIFCloseL(fp);
    return numbers;
}

bool CheckHeaderLine(const char* pszStart, size_t nBytes, std::string* pstrWhy) {
    size_t i = 0;
    // A UTF-8 byte order mark is the charset's, not the line's.
    if (nBytes >= 3 && std::memcmp(pszStart, "\xEF\xBB\xBF", 3) == 0)
        i = 3;
    while (i < nBytes && (pszStart[i] == ' ' || pszStart[i] == '\t'))
        ++i;
    const char c = i < nBytes ? pszStart[i] : '\n';
    if ((c < '0' || c > '9') && c != '-' && c != '+' && c != '.')
        return true;
    const size_t nEnd = std::string(pszStart, nBytes).find_first_of("\r\n", i);
    std::string strLine(pszStart + i, nEnd == std::string::npos ? nBytes - i : nEnd - i);
    constexpr size_t kShown = 40;
    if (strLine.size() > kShown)
        strLine = strLine.substr(0, kShown) + "...";
    *pstrWhy = "line 1 is not a header line: \"" + strLine +
               "\" reads as data (a count or a record), so the header line is likely missing and "
               "the reader takes this line for it";
    return false;
}

}  // namespace mapgis
