// What every harness shares: the bytes of one run written to a file of this process, and
// the charset picked by an input byte.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "KoBase/PlxTypes.h"

namespace fuzzinput {

// A file of this process, rewritten by every run: the readers take paths, not buffers.
// /dev/shm keeps the runs off the disk where it exists.
inline std::string TempPath(const char* pszName) {
    static const std::string strDir = [] {
        if (access("/dev/shm", W_OK) == 0)
            return std::string("/dev/shm");
        const char* pszTmp = std::getenv("TMPDIR");
        return std::string(pszTmp != nullptr && *pszTmp != '\0' ? pszTmp : "/tmp");
    }();
    return strDir + "/mapgis-fuzz-" + std::to_string(getpid()) + "-" + pszName;
}

// Writes the bytes; aborts when the file cannot be written, since every later check would
// then test a stale file.
inline std::string WriteTempFile(const char* pszName, const std::uint8_t* pData,
                                 std::size_t nSize) {
    const std::string strPath = TempPath(pszName);
    std::FILE* pFile = std::fopen(strPath.c_str(), "wb");
    if (pFile == nullptr)
        std::abort();
    const bool bWritten = nSize == 0 || std::fwrite(pData, 1, nSize, pFile) == nSize;
    if (std::fclose(pFile) != 0 || !bWritten)
        std::abort();
    return strPath;
}

// The charsets an import may name.
inline KTX::PLXCharset CharsetOf(std::uint8_t nByte) {
    static constexpr KTX::PLXCharset kCharsets[] = {KTX::PLXCharsetDefault, KTX::PLXCharsetGBK,
                                                    KTX::PLXCharsetGB18030, KTX::PLXCharsetUTF8};
    return kCharsets[nByte % 4];
}

// A check of the importer's contract; a failure is a finding like a sanitizer report.
inline void Require(bool bHolds, const char* pszWhat) {
    if (!bHolds) {
        std::fprintf(stderr, "contract broken: %s\n", pszWhat);
        std::abort();
    }
}

}  // namespace fuzzinput
