// The share of a sheet of an archive.
#include "plan/SheetShares.h"

#include <cstdlib>

namespace mapgis_import {

uint64_t NameHash(const std::string& strName) {
    uint64_t nHash = 14695981039346656037ULL;
    for (const char c : strName) {
        nHash ^= static_cast<unsigned char>(c);
        nHash *= 1099511628211ULL;
    }
    return nHash;
}

int ShareOf(const std::string& strName, int nShares) {
    // FNV-1a's low bits depend on the low bits of the bytes alone (s0 and s4 would share
    // a share of 4): MurmurHash3's finalizer spreads every bit over them first.
    uint64_t nHash = NameHash(strName);
    nHash ^= nHash >> 33;
    nHash *= 0xff51afd7ed558ccdULL;
    nHash ^= nHash >> 33;
    nHash *= 0xc4ceb9fe1a85ec53ULL;
    nHash ^= nHash >> 33;
    return static_cast<int>(nHash % static_cast<uint64_t>(nShares)) + 1;
}

namespace {

// A number of decimal digits only, from 1 to kMaxShares; 0 for anything else.
int Count(const std::string& strText) {
    if (strText.empty() || strText.size() > 6 ||
        strText.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    const long n = std::strtol(strText.c_str(), nullptr, 10);
    return n <= kMaxShares ? static_cast<int>(n) : 0;
}

}  // namespace

bool ParseShare(const std::string& strText, int* pnShare, int* pnShares) {
    const size_t nSlash = strText.find('/');
    if (nSlash == std::string::npos)
        return false;
    const int nShare = Count(strText.substr(0, nSlash));
    const int nShares = Count(strText.substr(nSlash + 1));
    if (nShare < 1 || nShares < 1 || nShare > nShares)
        return false;
    *pnShare = nShare;
    *pnShares = nShares;
    return true;
}

}  // namespace mapgis_import
