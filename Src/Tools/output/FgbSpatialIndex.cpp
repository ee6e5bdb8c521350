// The spatial index of a FlatGeobuf file, packed in three passes over the file.
#include "output/FgbSpatialIndex.h"

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
#include "output/FgbTree.h"

namespace mapgis_import {

namespace {

constexpr size_t kNodeBytes = 40;  // four doubles and an offset, little-endian
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

// One file rewritten: its features in the order of their Hilbert values, behind a packed
// R-tree of their boxes. Each step returns false with a message without the file's name.
class Rewrite {
public:
    explicit Rewrite(std::string strPath)
        : m_strPath(std::move(strPath)),
          m_strSorted(m_strPath + ".sorting"),
          m_strPacked(m_strPath + ".packing") {}
    ~Rewrite() {
        VSIUnlink(m_strSorted.c_str());
        VSIUnlink(m_strPacked.c_str());
    }
    Rewrite(const Rewrite&) = delete;
    Rewrite& operator=(const Rewrite&) = delete;

    // The file's layout and where its features start; *pbNeeded false when it has an index
    // or nothing to index.
    bool Read(bool* pbNeeded, std::string* pstrError);
    // First pass: the features' places along the curve over the layer's extent.
    bool Order(std::string* pstrError);
    // Second pass: the features in that order, still without an index, so that GDAL reads
    // their envelopes back in the order of the leaves.
    bool WriteSorted(std::string* pstrError);
    // Third pass: the leaves from the sorted features, the inner levels from the leaves, then
    // the features after the tree, in place of the file.
    bool WritePacked(std::string* pstrError);

private:
    bool WriteLeaves(std::FILE* packed, std::vector<Node>* pLeafParents, std::string* pstrError);
    bool WriteInnerLevels(std::FILE* packed, std::vector<Node> parents, std::string* pstrError);
    bool CopyFeatures(File packed, std::string* pstrError);

    const std::string m_strPath;
    const std::string m_strSorted;
    const std::string m_strPacked;
    Layout m_layout;
    std::vector<uint64_t> m_starts;  // of each feature, from the first; and the end
    std::vector<Entry> m_order;
    std::vector<uint64_t> m_sizes;  // nodes a level, leaves first
};

bool Rewrite::Read(bool* pbNeeded, std::string* pstrError) {
    *pbNeeded = false;
    File source = Open(m_strPath, "rb");
    if (!source)
        return Fail(pstrError, "cannot open it");
    // GDAL's writer leaves a layer without features, unindexed, as an empty file.
    if (std::fgetc(source.get()) == EOF)
        return true;
    std::rewind(source.get());
    if (!ReadLayout(source.get(), &m_layout, pstrError))
        return false;
    if (m_layout.bIndexed || m_layout.nFeatures == 0)
        return true;
    if (m_layout.nFeatures > std::numeric_limits<uint32_t>::max())
        return Fail(pstrError, "more features than 2^32 - 1");
    if (!FeatureStarts(source.get(), m_layout.nFeatures, &m_starts, pstrError))
        return false;
    *pbNeeded = true;
    m_sizes = LevelSizes(m_layout.nFeatures);
    return true;
}

bool Rewrite::Order(std::string* pstrError) {
    m_order.reserve(static_cast<size_t>(m_layout.nFeatures));
    OGREnvelope extent;
    const auto place = [&](const OGREnvelope& e) {
        const uint32_t x =
            GridCell(e.MinX / 2 + e.MaxX / 2, extent.MinX, extent.MaxX - extent.MinX);
        const uint32_t y =
            GridCell(e.MinY / 2 + e.MaxY / 2, extent.MinY, extent.MaxY - extent.MinY);
        m_order.push_back({HilbertIndex(x, y), static_cast<uint32_t>(m_order.size())});
    };
    if (!ForEachEnvelope(m_strPath, m_layout.nFeatures, &extent, place, pstrError))
        return false;
    std::sort(m_order.begin(), m_order.end(), [](const Entry& a, const Entry& b) {
        return a.nHilbert != b.nHilbert ? a.nHilbert > b.nHilbert : a.nFeature < b.nFeature;
    });
    return true;
}

bool Rewrite::WriteSorted(std::string* pstrError) {
    File source = Open(m_strPath, "rb", 0);
    File sorted = Open(m_strSorted, "wb");
    const std::vector<unsigned char>& prefix = m_layout.prefix;
    if (!source || !sorted ||
        std::fwrite(prefix.data(), 1, prefix.size(), sorted.get()) != prefix.size())
        return Fail(pstrError, "cannot write beside it");
    std::vector<unsigned char> feature;
    for (const Entry& entry : m_order) {
        const uint64_t nStart = m_starts[entry.nFeature];
        const size_t nSize = static_cast<size_t>(m_starts[entry.nFeature + 1] - nStart);
        feature.resize(nSize);
        if (fseeko(source.get(), static_cast<off_t>(prefix.size() + nStart), SEEK_SET) != 0 ||
            std::fread(feature.data(), 1, nSize, source.get()) != nSize ||
            std::fwrite(feature.data(), 1, nSize, sorted.get()) != nSize)
            return Fail(pstrError, "cannot copy its features");
    }
    if (std::fflush(sorted.get()) != 0)
        return Fail(pstrError, "cannot write beside it");
    return true;
}

bool Rewrite::WritePacked(std::string* pstrError) {
    uint64_t nNodes = 0;
    for (uint64_t n : m_sizes)
        nNodes += n;
    const uint64_t nLeavesAt = m_layout.prefix.size() + (nNodes - m_layout.nFeatures) * kNodeBytes;
    File packed = Open(m_strPacked, "wb");
    if (!packed)
        return Fail(pstrError, "cannot write beside it");
    std::vector<unsigned char> prefix = m_layout.prefix;
    PutLE(&prefix[m_layout.nNodeSizeAt], kFgbNodeSize, 2);
    if (std::fwrite(prefix.data(), 1, prefix.size(), packed.get()) != prefix.size() ||
        fseeko(packed.get(), static_cast<off_t>(nLeavesAt), SEEK_SET) != 0)
        return Fail(pstrError, "cannot write beside it");
    std::vector<Node> leafParents;
    if (!WriteLeaves(packed.get(), &leafParents, pstrError) ||
        !WriteInnerLevels(packed.get(), std::move(leafParents), pstrError) ||
        !CopyFeatures(std::move(packed), pstrError))
        return false;
    if (std::rename(m_strPacked.c_str(), m_strPath.c_str()) != 0)
        return Fail(pstrError, "cannot replace it");
    return true;
}

// The leaves, each pointing at its feature in the sorted order; the nodes of the level above
// them get their boxes.
bool Rewrite::WriteLeaves(std::FILE* packed, std::vector<Node>* pLeafParents,
                          std::string* pstrError) {
    std::vector<Node>& parents = *pLeafParents;
    parents.assign(static_cast<size_t>(m_sizes[1]), Node());
    size_t iLeaf = 0;
    uint64_t nFeatureAt = 0;
    bool bWritten = true;
    const auto leaf = [&](const OGREnvelope& e) {
        const uint32_t nFeature = m_order[iLeaf].nFeature;
        Node node;
        node.aBox[0] = e.MinX;
        node.aBox[1] = e.MinY;
        node.aBox[2] = e.MaxX;
        node.aBox[3] = e.MaxY;
        node.nOffset = nFeatureAt;
        nFeatureAt += m_starts[nFeature + 1] - m_starts[nFeature];
        bWritten = bWritten && WriteNode(packed, node);
        parents[iLeaf / kFgbNodeSize].Expand(node.aBox);
        ++iLeaf;
    };
    if (!ForEachEnvelope(m_strSorted, m_layout.nFeatures, nullptr, leaf, pstrError))
        return false;
    if (!bWritten)
        return Fail(pstrError, "cannot write its index");
    return true;
}

// The inner levels from the one above the leaves up to the root, written root first after
// the header. An inner node's offset is the number of its first child among all nodes.
bool Rewrite::WriteInnerLevels(std::FILE* packed, std::vector<Node> parents,
                               std::string* pstrError) {
    const std::vector<uint64_t> levelStarts = LevelStarts(m_sizes);
    std::vector<std::vector<Node>> levels;
    levels.push_back(std::move(parents));
    for (size_t i = 0; i < levels[0].size(); ++i)
        levels[0][i].nOffset = levelStarts[0] + i * kFgbNodeSize;
    for (size_t iLevel = 1; iLevel + 1 < m_sizes.size(); ++iLevel) {
        const std::vector<Node>& below = levels.back();
        std::vector<Node> above(static_cast<size_t>(m_sizes[iLevel + 1]));
        for (size_t i = 0; i < below.size(); ++i)
            above[i / kFgbNodeSize].Expand(below[i].aBox);
        for (size_t i = 0; i < above.size(); ++i)
            above[i].nOffset = levelStarts[iLevel] + i * kFgbNodeSize;
        levels.push_back(std::move(above));
    }
    if (fseeko(packed, static_cast<off_t>(m_layout.prefix.size()), SEEK_SET) != 0)
        return Fail(pstrError, "cannot write its index");
    for (auto it = levels.rbegin(); it != levels.rend(); ++it) {
        if (!WriteNodes(packed, *it))
            return Fail(pstrError, "cannot write its index");
    }
    return true;
}

bool Rewrite::CopyFeatures(File packed, std::string* pstrError) {
    File sorted = Open(m_strSorted, "rb");
    const uint64_t nFeaturesAt =
        m_layout.prefix.size() + (LevelStarts(m_sizes)[0] + m_layout.nFeatures) * kNodeBytes;
    if (!sorted || fseeko(packed.get(), static_cast<off_t>(nFeaturesAt), SEEK_SET) != 0 ||
        fseeko(sorted.get(), static_cast<off_t>(m_layout.prefix.size()), SEEK_SET) != 0 ||
        !Copy(sorted.get(), packed.get(), m_starts.back()) || std::fclose(packed.release()) != 0)
        return Fail(pstrError, "cannot copy its features");
    return true;
}

bool IndexFile(const std::string& strPath, std::string* pstrError) {
    Rewrite rewrite(strPath);
    bool bNeeded = false;
    if (!rewrite.Read(&bNeeded, pstrError))
        return false;
    return !bNeeded || (rewrite.Order(pstrError) && rewrite.WriteSorted(pstrError) &&
                        rewrite.WritePacked(pstrError));
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
