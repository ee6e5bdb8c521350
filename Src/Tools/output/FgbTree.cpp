// The arithmetic of FlatGeobuf's packed R-tree.
#include "output/FgbTree.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace mapgis_import {

uint32_t HilbertIndex(uint32_t x, uint32_t y) {
    constexpr uint32_t n = 1u << 16;
    uint32_t d = 0;
    for (uint32_t s = n / 2; s > 0; s /= 2) {
        const uint32_t rx = (x & s) != 0 ? 1 : 0;
        const uint32_t ry = (y & s) != 0 ? 1 : 0;
        d += s * s * ((3 * rx) ^ ry);
        if (ry == 0) {
            if (rx == 1) {
                x = n - 1 - x;
                y = n - 1 - y;
            }
            std::swap(x, y);
        }
    }
    return d;
}

uint32_t GridCell(double d, double dMin, double dExtent) {
    const double dCell = dExtent > 0 ? std::floor(65535.0 * (d - dMin) / dExtent) : 0.0;
    return static_cast<uint32_t>(std::min(65535.0, std::max(0.0, dCell)));
}

std::vector<uint64_t> LevelSizes(uint64_t nItems) {
    std::vector<uint64_t> sizes{nItems};
    do {
        sizes.push_back((sizes.back() + kFgbNodeSize - 1) / kFgbNodeSize);
    } while (sizes.back() != 1);
    return sizes;
}

std::vector<uint64_t> LevelStarts(const std::vector<uint64_t>& sizes) {
    std::vector<uint64_t> starts(sizes.size());
    uint64_t nAt = 0;
    for (size_t i = sizes.size(); i-- > 0;) {
        starts[i] = nAt;
        nAt += sizes[i];
    }
    return starts;
}

}  // namespace mapgis_import
