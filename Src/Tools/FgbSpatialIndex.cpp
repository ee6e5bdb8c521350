// The spatial index of a FlatGeobuf file, packed in three passes over the file.
#include "FgbSpatialIndex.h"

#include <sys/types.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "cpl_conv.h"
#include "cpl_string.h"
#include "cpl_vsi.h"
#include "gdal_priv.h"
#include "ogr_api.h"

namespace mapgis_import {

namespace {

constexpr uint16_t kNodeSize = 16;  // children of an inner node: the format's default
constexpr size_t kNodeBytes = 40;   // four doubles and an offset, little-endian
constexpr uint32_t kMaxHeader = 16 * 1024 * 1024;
constexpr size_t kBuffer = 1 << 20;

uint64_t GetLE(const unsigned char* p, int nBytes) {
    uint64_t n = 0;
    for (int i = nBytes - 1; i >= 0; --i)
        n = (n << 8) | p[i];
    return n;
}

void PutLE(unsigned char* p, uint64_t n, int nBytes) {
    for (int i = 0; i < nBytes; ++i, n >>= 8)
        p[i] = static_cast<unsigned char>(n & 0xff);
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Buffered for reading or writing in order; nBuffer 0 for reads here and there, each of
// which would otherwise fill the whole buffer.
File Open(const std::string& strPath, const char* pszMode, size_t nBuffer = kBuffer) {
    File file(std::fopen(strPath.c_str(), pszMode));
    if (file)
        std::setvbuf(file.get(), nullptr, nBuffer > 0 ? _IOFBF : _IONBF, nBuffer);
    return file;
}

// The magic bytes, the header and where the header keeps the index's node size; the
// features follow the header when the file has no index.
struct Layout {
    std::vector<unsigned char> prefix;
    size_t nNodeSizeAt = 0;
    uint64_t nFeatures = 0;
    bool bIndexed = false;
};

// The header's table field iField, as its position in the header, or 0 when it is absent.
size_t FieldAt(const std::vector<unsigned char>& h, size_t nBase, size_t nTable, size_t nVtable,
               int iField, size_t nBytes) {
    const size_t nVtableLength = GetLE(&h[nVtable], 2);
    const size_t nEntry = 4 + 2 * static_cast<size_t>(iField);
    if (nEntry + 2 > nVtableLength)
        return 0;
    const size_t nOffset = GetLE(&h[nVtable + nEntry], 2);
    if (nOffset == 0 || nTable + nOffset + nBytes > h.size() - nBase)
        return 0;
    return nBase + nTable + nOffset;
}

bool ReadLayout(std::FILE* f, Layout* pLayout, std::string* pstrError) {
    std::vector<unsigned char>& h = pLayout->prefix;
    h.resize(12);
    static const unsigned char kMagic[] = {'f', 'g', 'b', 3, 'f', 'g', 'b'};
    if (std::fread(h.data(), 1, 12, f) != 12 || std::memcmp(h.data(), kMagic, 7) != 0) {
        *pstrError = "not a FlatGeobuf file of version 3";
        return false;
    }
    const uint32_t nHeader = static_cast<uint32_t>(GetLE(&h[8], 4));
    if (nHeader < 8 || nHeader > kMaxHeader) {
        *pstrError = "header of " + std::to_string(nHeader) + " bytes";
        return false;
    }
    h.resize(12 + size_t{nHeader});
    if (std::fread(&h[12], 1, nHeader, f) != nHeader) {
        *pstrError = "file ends inside its header";
        return false;
    }
    // A flatbuffer: the root table's position, then the table's signed distance back to
    // its vtable, which gives each field's place in the table.
    const size_t nTable = GetLE(&h[12], 4);
    if (nTable + 4 > nHeader) {
        *pstrError = "header root outside the header";
        return false;
    }
    const int64_t nVtable =
        static_cast<int64_t>(nTable) - static_cast<int32_t>(GetLE(&h[12 + nTable], 4));
    if (nVtable < 0 || static_cast<uint64_t>(nVtable) + 4 > nHeader ||
        static_cast<uint64_t>(nVtable) + GetLE(&h[12 + nVtable], 2) > nHeader) {
        *pstrError = "header vtable outside the header";
        return false;
    }
    const size_t nVt = 12 + static_cast<size_t>(nVtable);
    const size_t nCountAt = FieldAt(h, 12, nTable, nVt, 8, 8);
    pLayout->nFeatures = nCountAt != 0 ? GetLE(&h[nCountAt], 8) : 0;
    // An absent node size is the default, 16: an index is there.
    pLayout->nNodeSizeAt = FieldAt(h, 12, nTable, nVt, 9, 2);
    pLayout->bIndexed = pLayout->nNodeSizeAt == 0 || GetLE(&h[pLayout->nNodeSizeAt], 2) != 0;
    return true;
}

// Where each feature begins, from the start of the features, and where the last one ends:
// every size prefix must land inside the file and the last feature end with it.
bool FeatureStarts(std::FILE* f, uint64_t nFeatures, std::vector<uint64_t>* pStarts,
                   std::string* pstrError) {
    // A feature takes at least its size prefix: a count beyond that is not believed.
    const off_t nFirst = ftello(f);
    if (fseeko(f, 0, SEEK_END) != 0 || nFeatures > static_cast<uint64_t>(ftello(f) - nFirst) / 4 ||
        fseeko(f, nFirst, SEEK_SET) != 0) {
        *pstrError = "its header counts more features than the file can hold";
        return false;
    }
    pStarts->reserve(static_cast<size_t>(nFeatures) + 1);
    uint64_t nAt = 0;
    unsigned char a[4];
    for (uint64_t i = 0; i < nFeatures; ++i) {
        if (std::fread(a, 1, 4, f) != 4) {
            *pstrError = "file ends after " + std::to_string(i) + " of " +
                         std::to_string(nFeatures) + " features";
            return false;
        }
        const uint32_t nSize = static_cast<uint32_t>(GetLE(a, 4));
        pStarts->push_back(nAt);
        nAt += 4 + uint64_t{nSize};
        if (fseeko(f, static_cast<off_t>(nSize), SEEK_CUR) != 0) {
            *pstrError = "feature " + std::to_string(i + 1) + " runs past the end of the file";
            return false;
        }
    }
    pStarts->push_back(nAt);
    const off_t nHere = ftello(f);
    if (fseeko(f, 0, SEEK_END) != 0 || ftello(f) != nHere) {
        *pstrError = "the features do not end with the file";
        return false;
    }
    return true;
}

// The distance along a Hilbert curve over a 65536 by 65536 grid.
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

// Calls visit(envelope) for every feature of the FlatGeobuf file at strPath, in file order,
// reading the geometries alone; false with a message, or when there are not nFeatures.
template <typename Visit>
bool ForEachEnvelope(const std::string& strPath, uint64_t nFeatures, OGREnvelope* pExtent,
                     Visit visit, std::string* pstrError) {
    const char* const apszDrivers[] = {"FlatGeobuf", nullptr};
    GDALDatasetUniquePtr ds(GDALDataset::FromHandle(
        GDALOpenEx(strPath.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY | GDAL_OF_VERBOSE_ERROR,
                   apszDrivers, nullptr, nullptr)));
    OGRLayerH hLayer = ds ? GDALDatasetGetLayer(GDALDataset::ToHandle(ds.get()), 0) : nullptr;
    if (hLayer == nullptr) {
        *pstrError = "cannot read it back";
        return false;
    }
    OGRFeatureDefnH hDefn = OGR_L_GetLayerDefn(hLayer);
    CPLStringList aosIgnored;
    for (int i = 0; i < OGR_FD_GetFieldCount(hDefn); ++i)
        aosIgnored.AddString(OGR_Fld_GetNameRef(OGR_FD_GetFieldDefn(hDefn, i)));
    OGR_L_SetIgnoredFields(hLayer, const_cast<const char**>(aosIgnored.List()));
    if (pExtent != nullptr && OGR_L_GetExtent(hLayer, pExtent, TRUE) != OGRERR_NONE) {
        *pstrError = "no extent";
        return false;
    }
    uint64_t nRead = 0;
    while (OGRFeatureH hFeature = OGR_L_GetNextFeature(hLayer)) {
        OGRGeometryH hGeometry = OGR_F_GetGeometryRef(hFeature);
        OGREnvelope envelope;
        const bool bHas = hGeometry != nullptr && !OGR_G_IsEmpty(hGeometry);
        if (bHas)
            OGR_G_GetEnvelope(hGeometry, &envelope);
        OGR_F_Destroy(hFeature);
        if (!bHas || nRead == nFeatures) {
            *pstrError = !bHas ? "feature " + std::to_string(nRead + 1) + " has no geometry"
                               : "more features than its header counts";
            return false;
        }
        visit(envelope);
        ++nRead;
    }
    if (nRead != nFeatures) {
        *pstrError =
            "read " + std::to_string(nRead) + " of " + std::to_string(nFeatures) + " features";
        return false;
    }
    return true;
}

// A feature's place in the new order: its Hilbert value and its number in the old.
struct Entry {
    uint32_t nHilbert;
    uint32_t nFeature;
};

// The packed R-tree's node counts level by level, leaves first; the root level has one.
std::vector<uint64_t> LevelSizes(uint64_t nItems) {
    std::vector<uint64_t> sizes{nItems};
    do {
        sizes.push_back((sizes.back() + kNodeSize - 1) / kNodeSize);
    } while (sizes.back() != 1);
    return sizes;
}

struct Node {
    double aBox[4] = {INFINITY, INFINITY, -INFINITY, -INFINITY};  // min x, min y, max x, max y
    uint64_t nOffset = 0;

    void Expand(const double a[4]) {
        aBox[0] = std::min(aBox[0], a[0]);
        aBox[1] = std::min(aBox[1], a[1]);
        aBox[2] = std::max(aBox[2], a[2]);
        aBox[3] = std::max(aBox[3], a[3]);
    }
    void Put(unsigned char* p) const {
        for (int i = 0; i < 4; ++i) {
            uint64_t nBits;
            std::memcpy(&nBits, &aBox[i], 8);
            PutLE(p + 8 * i, nBits, 8);
        }
        PutLE(p + 32, nOffset, 8);
    }
};

bool WriteNode(std::FILE* f, const Node& node) {
    unsigned char a[kNodeBytes];
    node.Put(a);
    return std::fwrite(a, 1, kNodeBytes, f) == kNodeBytes;
}

bool WriteNodes(std::FILE* f, const std::vector<Node>& nodes) {
    return std::all_of(nodes.begin(), nodes.end(),
                       [f](const Node& node) { return WriteNode(f, node); });
}

bool Copy(std::FILE* from, std::FILE* to, uint64_t nBytes) {
    std::vector<unsigned char> buffer(kBuffer);
    while (nBytes > 0) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(nBytes, buffer.size()));
        if (std::fread(buffer.data(), 1, n, from) != n || std::fwrite(buffer.data(), 1, n, to) != n)
            return false;
        nBytes -= n;
    }
    return true;
}

bool Fail(std::string* pstrError, const std::string& strWhy) {
    *pstrError = strWhy;
    return false;
}

// Rewrites one file; pstrError without the file's name.
bool IndexFile(const std::string& strPath, std::string* pstrError) {
    Layout layout;
    std::vector<uint64_t> starts;
    {
        File source = Open(strPath, "rb");
        if (!source)
            return Fail(pstrError, "cannot open it");
        // GDAL's writer leaves a layer without features, unindexed, as an empty file.
        if (std::fgetc(source.get()) == EOF)
            return true;
        std::rewind(source.get());
        if (!ReadLayout(source.get(), &layout, pstrError))
            return false;
        if (layout.bIndexed || layout.nFeatures == 0)
            return true;
        if (layout.nFeatures > std::numeric_limits<uint32_t>::max())
            return Fail(pstrError, "more features than 2^32 - 1");
        if (!FeatureStarts(source.get(), layout.nFeatures, &starts, pstrError))
            return false;
    }
    const size_t nFeatures = static_cast<size_t>(layout.nFeatures);
    // First pass: the features' places along the curve over the layer's extent.
    std::vector<Entry> order;
    order.reserve(nFeatures);
    OGREnvelope extent;
    const auto place = [&](const OGREnvelope& e) {
        const uint32_t x =
            GridCell(e.MinX / 2 + e.MaxX / 2, extent.MinX, extent.MaxX - extent.MinX);
        const uint32_t y =
            GridCell(e.MinY / 2 + e.MaxY / 2, extent.MinY, extent.MaxY - extent.MinY);
        order.push_back({HilbertIndex(x, y), static_cast<uint32_t>(order.size())});
    };
    if (!ForEachEnvelope(strPath, layout.nFeatures, &extent, place, pstrError))
        return false;
    std::sort(order.begin(), order.end(), [](const Entry& a, const Entry& b) {
        return a.nHilbert != b.nHilbert ? a.nHilbert > b.nHilbert : a.nFeature < b.nFeature;
    });
    // Second pass: the features in that order, still without an index, so that GDAL reads
    // their envelopes back in the order of the leaves.
    const std::string strSorted = strPath + ".sorting";
    const std::string strPacked = strPath + ".packing";
    struct Removal {
        const std::string& str;
        ~Removal() { VSIUnlink(str.c_str()); }
    } removeSorted{strSorted}, removePacked{strPacked};
    {
        File source = Open(strPath, "rb", 0);
        File sorted = Open(strSorted, "wb");
        if (!source || !sorted)
            return Fail(pstrError, "cannot write beside it");
        if (std::fwrite(layout.prefix.data(), 1, layout.prefix.size(), sorted.get()) !=
            layout.prefix.size())
            return Fail(pstrError, "cannot write beside it");
        std::vector<unsigned char> feature;
        for (const Entry& entry : order) {
            const uint64_t nStart = starts[entry.nFeature];
            const size_t nSize = static_cast<size_t>(starts[entry.nFeature + 1] - nStart);
            feature.resize(nSize);
            if (fseeko(source.get(), static_cast<off_t>(layout.prefix.size() + nStart), SEEK_SET) !=
                    0 ||
                std::fread(feature.data(), 1, nSize, source.get()) != nSize ||
                std::fwrite(feature.data(), 1, nSize, sorted.get()) != nSize)
                return Fail(pstrError, "cannot copy its features");
        }
        if (std::fflush(sorted.get()) != 0)
            return Fail(pstrError, "cannot write beside it");
    }
    // Third pass: the leaves from the sorted features, the inner levels from the leaves, then
    // the features after the tree.
    const std::vector<uint64_t> sizes = LevelSizes(layout.nFeatures);
    uint64_t nNodes = 0;
    for (uint64_t n : sizes)
        nNodes += n;
    const uint64_t nLeavesAt = layout.prefix.size() + (nNodes - layout.nFeatures) * kNodeBytes;
    File packed = Open(strPacked, "wb");
    if (!packed)
        return Fail(pstrError, "cannot write beside it");
    std::vector<unsigned char> prefix = layout.prefix;
    PutLE(&prefix[layout.nNodeSizeAt], kNodeSize, 2);
    if (std::fwrite(prefix.data(), 1, prefix.size(), packed.get()) != prefix.size() ||
        fseeko(packed.get(), static_cast<off_t>(nLeavesAt), SEEK_SET) != 0)
        return Fail(pstrError, "cannot write beside it");
    std::vector<std::vector<Node>> levels(1, std::vector<Node>(static_cast<size_t>(sizes[1])));
    size_t iLeaf = 0;
    uint64_t nFeatureAt = 0;
    bool bWritten = true;
    const auto leaf = [&](const OGREnvelope& e) {
        const uint32_t nFeature = order[iLeaf].nFeature;
        Node node;
        node.aBox[0] = e.MinX;
        node.aBox[1] = e.MinY;
        node.aBox[2] = e.MaxX;
        node.aBox[3] = e.MaxY;
        node.nOffset = nFeatureAt;
        nFeatureAt += starts[nFeature + 1] - starts[nFeature];
        bWritten = bWritten && WriteNode(packed.get(), node);
        levels[0][iLeaf / kNodeSize].Expand(node.aBox);
        ++iLeaf;
    };
    if (!ForEachEnvelope(strSorted, layout.nFeatures, nullptr, leaf, pstrError))
        return false;
    if (!bWritten)
        return Fail(pstrError, "cannot write its index");
    // An inner node's offset is the number of its first child among all nodes, the root
    // first and the leaves last.
    std::vector<uint64_t> levelStarts(sizes.size());
    uint64_t nAt = 0;
    for (size_t i = sizes.size(); i-- > 0;) {
        levelStarts[i] = nAt;
        nAt += sizes[i];
    }
    for (size_t i = 0; i < levels[0].size(); ++i)
        levels[0][i].nOffset = levelStarts[0] + i * kNodeSize;
    for (size_t iLevel = 1; iLevel + 1 < sizes.size(); ++iLevel) {
        const std::vector<Node>& below = levels.back();
        std::vector<Node> above(static_cast<size_t>(sizes[iLevel + 1]));
        for (size_t i = 0; i < below.size(); ++i)
            above[i / kNodeSize].Expand(below[i].aBox);
        for (size_t i = 0; i < above.size(); ++i)
            above[i].nOffset = levelStarts[iLevel] + i * kNodeSize;
        levels.push_back(std::move(above));
    }
    if (fseeko(packed.get(), static_cast<off_t>(prefix.size()), SEEK_SET) != 0)
        return Fail(pstrError, "cannot write its index");
    for (auto it = levels.rbegin(); it != levels.rend(); ++it) {
        if (!WriteNodes(packed.get(), *it))
            return Fail(pstrError, "cannot write its index");
    }
    File sorted = Open(strSorted, "rb");
    if (!sorted ||
        fseeko(packed.get(), static_cast<off_t>(nLeavesAt + layout.nFeatures * kNodeBytes),
               SEEK_SET) != 0 ||
        fseeko(sorted.get(), static_cast<off_t>(layout.prefix.size()), SEEK_SET) != 0 ||
        !Copy(sorted.get(), packed.get(), starts.back()) || std::fclose(packed.release()) != 0)
        return Fail(pstrError, "cannot copy its features");
    if (std::rename(strPacked.c_str(), strPath.c_str()) != 0)
        return Fail(pstrError, "cannot replace it");
    return true;
}

}  // namespace

bool BuildFlatGeobufIndexes(const std::string& strPath, std::string* pstrError) {
    VSIStatBufL sStat;
    std::vector<std::string> files;
    if (VSIStatL(strPath.c_str(), &sStat) == 0 && VSI_ISDIR(sStat.st_mode)) {
        const CPLStringList aosNames(VSIReadDir(strPath.c_str()));
        for (int i = 0; i < aosNames.size(); ++i) {
            if (EQUAL(CPLGetExtension(aosNames[i]), "fgb"))
                files.push_back(CPLFormFilename(strPath.c_str(), aosNames[i], nullptr));
        }
        std::sort(files.begin(), files.end());
    } else {
        files.push_back(strPath);
    }
    for (const std::string& strFile : files) {
        std::string strWhy;
        if (!IndexFile(strFile, &strWhy)) {
            *pstrError = "cannot index " + strFile + ": " + strWhy;
            return false;
        }
    }
    return true;
}

}  // namespace mapgis_import
