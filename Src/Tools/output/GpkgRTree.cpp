// SQLite R-tree nodes for a GeoPackage's spatial index.
#include "output/GpkgRTree.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace mapgis_import {

namespace {

float Centre(const Cell& cell, int iAxis) {
    return cell.aBox[2 * iAxis] / 2 + cell.aBox[2 * iAxis + 1] / 2;
}

void PutBigEndian(unsigned char* p, uint64_t n, int nBytes) {
    for (int i = nBytes - 1; i >= 0; --i, n >>= 8)
        p[i] = static_cast<unsigned char>(n & 0xff);
}

}  // namespace

float RoundedDown(double d) {
    float f = static_cast<float>(d);
    return static_cast<double>(f) > d ? std::nextafter(f, -INFINITY) : f;
}

float RoundedUp(double d) {
    float f = static_cast<float>(d);
    return static_cast<double>(f) < d ? std::nextafter(f, INFINITY) : f;
}

std::vector<std::pair<size_t, size_t>> SortIntoTiles(std::vector<Cell>& cells, size_t nCapacity) {
    const size_t nNodes = (cells.size() + nCapacity - 1) / nCapacity;
    const size_t nSlices = static_cast<size_t>(std::ceil(std::sqrt(static_cast<double>(nNodes))));
    const size_t nPerSlice = nSlices * nCapacity;
    auto byAxis = [](int iAxis) {
        return
            [iAxis](const Cell& a, const Cell& b) { return Centre(a, iAxis) < Centre(b, iAxis); };
    };
    std::sort(cells.begin(), cells.end(), byAxis(0));
    std::vector<std::pair<size_t, size_t>> tiles;
    for (size_t iSlice = 0; iSlice < cells.size(); iSlice += nPerSlice) {
        const size_t nEnd = std::min(cells.size(), iSlice + nPerSlice);
        std::sort(cells.begin() + static_cast<std::ptrdiff_t>(iSlice),
                  cells.begin() + static_cast<std::ptrdiff_t>(nEnd), byAxis(1));
        for (size_t i = iSlice; i < nEnd; i += nCapacity)
            tiles.emplace_back(i, std::min(nEnd, i + nCapacity));
    }
    return tiles;
}

void NodeBlob(const Cell* pFirst, const Cell* pEnd, int nDepth, std::vector<unsigned char>& blob) {
    std::fill(blob.begin(), blob.end(), 0);
    PutBigEndian(&blob[0], static_cast<uint64_t>(nDepth), 2);
    PutBigEndian(&blob[2], static_cast<uint64_t>(pEnd - pFirst), 2);
    unsigned char* p = &blob[4];
    for (const Cell* pCell = pFirst; pCell < pEnd; ++pCell) {
        const Cell& cell = *pCell;
        PutBigEndian(p, static_cast<uint64_t>(cell.nId), 8);
        for (int i = 0; i < 4; ++i) {
            uint32_t nBits;
            std::memcpy(&nBits, &cell.aBox[i], 4);
            PutBigEndian(p + 8 + 4 * i, nBits, 4);
        }
        p += 24;
    }
}

}  // namespace mapgis_import
