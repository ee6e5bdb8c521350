// The page size of a GeoPackage.
#include "output/GpkgPageSize.h"

#include "cpl_vsi.h"

namespace mapgis_import {

int GpkgPageSize(uint64_t nInputBytes) {
    constexpr int kSmallest = 4096;
    constexpr int kLargest = 65536;
    int nPage = kSmallest;
    while (nPage < kLargest && static_cast<uint64_t>(nPage) * 2 * 1024 <= nInputBytes)
        nPage *= 2;
    return nPage;
}

uint64_t InputBytes(const std::vector<std::string>& inputs) {
    uint64_t nBytes = 0;
    for (const std::string& strInput : inputs) {
        VSIStatBufL sStat;
        if (VSIStatL(strInput.c_str(), &sStat) == 0)
            nBytes += static_cast<uint64_t>(sStat.st_size);
    }
    return nBytes;
}

}  // namespace mapgis_import
