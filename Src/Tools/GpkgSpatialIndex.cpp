// The spatial indexes of a GeoPackage, packed in one pass.
#include "GpkgSpatialIndex.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "SqlQuote.h"
#include "ogr_api.h"

namespace mapgis_import {

namespace {

// One cell of an R-tree node: a feature (in a leaf) or a child node, and its box rounded
// outward to the R-tree's 32-bit floats. Once its leaf is written, a feature's cell holds the
// leaf's number instead: the table of leaves by feature is made from the cells in place. Ids
// and node numbers of 32 bits: 20 bytes a cell, a million cells and more a table.
struct Cell {
    uint32_t nId;
    union {
        float aBox[4];  // min x, max x, min y, max y
        uint32_t nLeaf;
    };
};

// SQLite statements and the connection, released however the build ends.
class Statement {
public:
    Statement(sqlite3* hDb, const std::string& strSql) {
        sqlite3_prepare_v2(hDb, strSql.c_str(), -1, &m_h, nullptr);
    }
    ~Statement() { sqlite3_finalize(m_h); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return m_h; }

private:
    sqlite3_stmt* m_h = nullptr;
};

struct Connection {
    sqlite3* h = nullptr;
    ~Connection() { sqlite3_close(h); }
};

bool Run(sqlite3* hDb, const std::string& strSql, std::string* pstrError) {
    char* pszError = nullptr;
    if (sqlite3_exec(hDb, strSql.c_str(), nullptr, nullptr, &pszError) == SQLITE_OK)
        return true;
    *pstrError = pszError != nullptr ? pszError : sqlite3_errmsg(hDb);
    sqlite3_free(pszError);
    return false;
}

float Down(double d) {
    float f = static_cast<float>(d);
    return static_cast<double>(f) > d ? std::nextafter(f, -INFINITY) : f;
}

float Up(double d) {
    float f = static_cast<float>(d);
    return static_cast<double>(f) < d ? std::nextafter(f, INFINITY) : f;
}

double ReadDouble(const unsigned char* p, bool bLittle) {
    unsigned char a[8];
    for (int i = 0; i < 8; ++i)
        a[i] = bLittle ? p[i] : p[7 - i];
    double d;
    std::memcpy(&d, a, 8);
    return d;
}

enum class Geometry { Indexed, Empty, Invalid };

// The box of a GeoPackage geometry blob: from its header's envelope, or for a point (which
// GDAL writes without one) from its coordinates, else from the geometry itself.
Geometry BoxOf(const unsigned char* p, size_t n, double aBox[4]) {
    if (n < 8 || p[0] != 'G' || p[1] != 'P')
        return Geometry::Invalid;
    const unsigned char nFlags = p[3];
    if (nFlags & 0x10)
        return Geometry::Empty;
    static const size_t kEnvelopeBytes[] = {0, 32, 48, 48, 64};
    const unsigned nEnvelope = (nFlags >> 1) & 7;
    if (nEnvelope > 4 || n < 8 + kEnvelopeBytes[nEnvelope])
        return Geometry::Invalid;
    if (nEnvelope != 0) {
        for (int i = 0; i < 4; ++i)
            aBox[i] = ReadDouble(p + 8 + 8 * i, nFlags & 1);
        return Geometry::Indexed;
    }
    const unsigned char* pWkb = p + 8;
    const size_t nWkb = n - 8;
    if (nWkb >= 21 && pWkb[0] <= 1) {
        const bool bLittle = pWkb[0] == 1;
        uint32_t nType = 0;
        for (int i = 0; i < 4; ++i)
            nType =
                bLittle ? nType | (uint32_t{pWkb[1 + i]} << (8 * i)) : (nType << 8) | pWkb[1 + i];
        if (nType == 1 || nType == 1001 || nType == 2001 || nType == 3001) {
            const double x = ReadDouble(pWkb + 5, bLittle), y = ReadDouble(pWkb + 13, bLittle);
            if (std::isnan(x) || std::isnan(y))
                return Geometry::Empty;
            aBox[0] = aBox[1] = x;
            aBox[2] = aBox[3] = y;
            return Geometry::Indexed;
        }
    }
    OGRGeometryH hGeometry = nullptr;
    if (OGR_G_CreateFromWkbEx(pWkb, nullptr, &hGeometry, nWkb) != OGRERR_NONE)
        return Geometry::Invalid;
    const bool bEmpty = OGR_G_IsEmpty(hGeometry);
    OGREnvelope sEnvelope;
    OGR_G_GetEnvelope(hGeometry, &sEnvelope);
    OGR_G_DestroyGeometry(hGeometry);
    if (bEmpty)
        return Geometry::Empty;
    aBox[0] = sEnvelope.MinX;
    aBox[1] = sEnvelope.MaxX;
    aBox[2] = sEnvelope.MinY;
    aBox[3] = sEnvelope.MaxY;
    return Geometry::Indexed;
}

// The cells of a table's geometries; false with a message.
bool ReadCells(sqlite3* hDb, const std::string& strTable, const std::string& strId,
               const std::string& strColumn, std::vector<Cell>* pCells, std::string* pstrError) {
    Statement select(hDb, "SELECT " + QuotedName(strId) + ", " + QuotedName(strColumn) + " FROM " +
                              QuotedName(strTable) + " WHERE " + QuotedName(strColumn) +
                              " IS NOT NULL");
    if (select.get() == nullptr) {
        *pstrError = sqlite3_errmsg(hDb);
        return false;
    }
    // Sized once: the largest id bounds the count (a doubling vector would hold twice the
    // cells at its last growth).
    Statement largest(hDb, "SELECT min(" + QuotedName(strId) + "), max(" + QuotedName(strId) +
                               ") FROM " + QuotedName(strTable));
    if (largest.get() == nullptr || sqlite3_step(largest.get()) != SQLITE_ROW) {
        *pstrError = sqlite3_errmsg(hDb);
        return false;
    }
    const sqlite3_int64 nSmallest = sqlite3_column_int64(largest.get(), 0);
    const sqlite3_int64 nLargest = sqlite3_column_int64(largest.get(), 1);
    if (nSmallest < 0 || nLargest > sqlite3_int64{UINT32_MAX}) {
        *pstrError = "feature ids beyond 0 to " + std::to_string(UINT32_MAX);
        return false;
    }
    pCells->reserve(static_cast<size_t>(nLargest));
    int rc;
    while ((rc = sqlite3_step(select.get())) == SQLITE_ROW) {
        const auto* p = static_cast<const unsigned char*>(sqlite3_column_blob(select.get(), 1));
        const size_t n = static_cast<size_t>(sqlite3_column_bytes(select.get(), 1));
        double aBox[4];
        const Geometry eGeometry = BoxOf(p, n, aBox);
        if (eGeometry == Geometry::Invalid) {
            *pstrError = "feature " + std::to_string(sqlite3_column_int64(select.get(), 0)) +
                         " of " + strTable + " holds no GeoPackage geometry";
            return false;
        }
        if (eGeometry == Geometry::Indexed) {
            pCells->push_back({static_cast<uint32_t>(sqlite3_column_int64(select.get(), 0)),
                               {Down(aBox[0]), Up(aBox[1]), Down(aBox[2]), Up(aBox[3])}});
        }
    }
    if (rc != SQLITE_DONE) {
        *pstrError = sqlite3_errmsg(hDb);
        return false;
    }
    return true;
}

float Centre(const Cell& cell, int iAxis) {
    return cell.aBox[2 * iAxis] / 2 + cell.aBox[2 * iAxis + 1] / 2;
}

// Sorts the cells into nodes of at most nCapacity by sort-tile-recursive (slices along x,
// runs along y within each slice): the tiles are the runs [first, second) it returns.
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

void PutBigEndian(unsigned char* p, uint64_t n, int nBytes) {
    for (int i = nBytes - 1; i >= 0; --i, n >>= 8)
        p[i] = static_cast<unsigned char>(n & 0xff);
}

// A node as SQLite's R-tree stores it: the depth (read from the root only), the number of
// cells, then each cell's id and its four floats, all big-endian.
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

// Writes the packed tree of the cells into the empty R-tree strTree; false with a message.
bool WriteTree(sqlite3* hDb, const std::string& strTree, std::vector<Cell> cells,
               std::string* pstrError) {
    if (cells.empty())
        return true;  // the root the R-tree was made with stays, empty
    Statement size(
        hDb, "SELECT length(data) FROM " + QuotedName(strTree + "_node") + " WHERE nodeno = 1");
    if (size.get() == nullptr || sqlite3_step(size.get()) != SQLITE_ROW) {
        *pstrError = "cannot read the root of " + strTree;
        return false;
    }
    const size_t nNodeBytes = static_cast<size_t>(sqlite3_column_int(size.get(), 0));
    const size_t nCapacity = nNodeBytes < 4 + 2 * 24 ? 0 : (nNodeBytes - 4) / 24;
    if (nCapacity < 2) {
        *pstrError = "unexpected node size of " + strTree;
        return false;
    }
    Statement node(hDb, "INSERT INTO " + QuotedName(strTree + "_node") + " VALUES (?, ?)");
    Statement rowid(hDb, "INSERT INTO " + QuotedName(strTree + "_rowid") + " VALUES (?, ?)");
    Statement parent(hDb, "INSERT INTO " + QuotedName(strTree + "_parent") + " VALUES (?, ?)");
    if (node.get() == nullptr || rowid.get() == nullptr || parent.get() == nullptr ||
        !Run(hDb, "DELETE FROM " + QuotedName(strTree + "_node"), pstrError)) {
        *pstrError = sqlite3_errmsg(hDb);
        return false;
    }
    auto insert = [&](const Statement& st, int64_t a, int64_t b) {
        sqlite3_bind_int64(st.get(), 1, a);
        sqlite3_bind_int64(st.get(), 2, b);
        const bool bDone = sqlite3_step(st.get()) == SQLITE_DONE;
        sqlite3_reset(st.get());
        return bDone;
    };
    // Level by level from the leaves; the root, made last, is node 1 as SQLite wants it. The
    // leaf of each feature is written in feature order once the leaves are made: in the order
    // of the tiles it would land all over its table, each insert reading and writing pages.
    uint32_t nNext = 2;
    std::vector<unsigned char> blob(nNodeBytes);
    for (int nDepth = 0;; ++nDepth) {
        const std::vector<std::pair<size_t, size_t>> tiles = SortIntoTiles(cells, nCapacity);
        const bool bRoot = tiles.size() == 1;
        std::vector<Cell> above;
        above.reserve(tiles.size());
        for (const auto& tile : tiles) {
            const uint32_t nNode = bRoot ? 1 : nNext++;
            const Cell* pFirst = cells.data() + tile.first;
            const Cell* pEnd = cells.data() + tile.second;
            NodeBlob(pFirst, pEnd, bRoot ? nDepth : 0, blob);
            sqlite3_bind_int64(node.get(), 1, nNode);
            sqlite3_bind_blob(node.get(), 2, blob.data(), static_cast<int>(blob.size()),
                              SQLITE_STATIC);
            bool bOk = sqlite3_step(node.get()) == SQLITE_DONE;
            sqlite3_reset(node.get());
            Cell up{nNode, {INFINITY, -INFINITY, INFINITY, -INFINITY}};
            for (Cell* pCell = cells.data() + tile.first; pCell < pEnd; ++pCell) {
                Cell& cell = *pCell;
                if (nDepth > 0)
                    bOk = bOk && insert(parent, cell.nId, nNode);
                up.aBox[0] = std::min(up.aBox[0], cell.aBox[0]);
                up.aBox[1] = std::max(up.aBox[1], cell.aBox[1]);
                up.aBox[2] = std::min(up.aBox[2], cell.aBox[2]);
                up.aBox[3] = std::max(up.aBox[3], cell.aBox[3]);
                if (nDepth == 0)
                    cell.nLeaf = nNode;
            }
            if (!bOk) {
                *pstrError = sqlite3_errmsg(hDb);
                return false;
            }
            above.push_back(up);
        }
        if (nDepth == 0) {
            std::sort(cells.begin(), cells.end(),
                      [](const Cell& a, const Cell& b) { return a.nId < b.nId; });
            for (const Cell& cell : cells) {
                if (!insert(rowid, cell.nId, cell.nLeaf)) {
                    *pstrError = sqlite3_errmsg(hDb);
                    return false;
                }
            }
        }
        cells.swap(above);
        above = std::vector<Cell>();
        if (bRoot)
            return true;
    }
}

// The standard's triggers that keep the index in step with later edits of the table.
std::string Triggers(const std::string& strTable, const std::string& strColumn,
                     const std::string& strId) {
    const std::string strTree = "rtree_" + strTable + "_" + strColumn;
    const std::string t = QuotedName(strTable), c = QuotedName(strColumn), i = QuotedName(strId),
                      r = QuotedName(strTree);
    auto name = [&](const char* pszWhat) { return QuotedName(strTree + "_" + pszWhat); };
    auto values = [&](const char* pszRow) {
        const std::string g = std::string(pszRow) + "." + c;
        return "INSERT OR REPLACE INTO " + r + " VALUES (" + pszRow + "." + i + ", ST_MinX(" + g +
               "), ST_MaxX(" + g + "), ST_MinY(" + g + "), ST_MaxY(" + g + "));";
    };
    const std::string strSome = "(NEW." + c + " NOTNULL AND NOT ST_IsEmpty(NEW." + c + "))";
    const std::string strNone = "(NEW." + c + " ISNULL OR ST_IsEmpty(NEW." + c + "))";
    return "CREATE TRIGGER " + name("insert") + " AFTER INSERT ON " + t + " WHEN " + strSome +
           " BEGIN " + values("NEW") + " END;\n" + "CREATE TRIGGER " + name("update1") +
           " AFTER UPDATE OF " + c + " ON " + t + " WHEN OLD." + i + " = NEW." + i + " AND " +
           strSome + " BEGIN " + values("NEW") + " END;\n" + "CREATE TRIGGER " + name("update2") +
           " AFTER UPDATE OF " + c + " ON " + t + " WHEN OLD." + i + " = NEW." + i + " AND " +
           strNone + " BEGIN DELETE FROM " + r + " WHERE id = OLD." + i + "; END;\n" +
           "CREATE TRIGGER " + name("update3") + " AFTER UPDATE ON " + t + " WHEN OLD." + i +
           " != NEW." + i + " AND " + strSome + " BEGIN DELETE FROM " + r + " WHERE id = OLD." + i +
           "; " + values("NEW") + " END;\n" + "CREATE TRIGGER " + name("update4") +
           " AFTER UPDATE ON " + t + " WHEN OLD." + i + " != NEW." + i + " AND " + strNone +
           " BEGIN DELETE FROM " + r + " WHERE id IN (OLD." + i + ", NEW." + i + "); END;\n" +
           "CREATE TRIGGER " + name("delete") + " AFTER DELETE ON " + t + " WHEN OLD." + c +
           " NOT NULL BEGIN DELETE FROM " + r + " WHERE id = OLD." + i + "; END;\n";
}

// The integer primary key of a table.
std::string IdColumn(sqlite3* hDb, const std::string& strTable) {
    Statement info(hDb, "PRAGMA table_info(" + QuotedName(strTable) + ")");
    while (info.get() != nullptr && sqlite3_step(info.get()) == SQLITE_ROW) {
        if (sqlite3_column_int(info.get(), 5) == 1)
            return reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 1));
    }
    return std::string();
}

bool IndexTable(sqlite3* hDb, const std::string& strTable, const std::string& strColumn,
                std::string* pstrError) {
    const std::string strId = IdColumn(hDb, strTable);
    if (strId.empty()) {
        *pstrError = strTable + " has no integer primary key";
        return false;
    }
    std::vector<Cell> cells;
    if (!ReadCells(hDb, strTable, strId, strColumn, &cells, pstrError))
        return false;
    const std::string strTree = "rtree_" + strTable + "_" + strColumn;
    return Run(hDb,
               "CREATE VIRTUAL TABLE " + QuotedName(strTree) +
                   " USING rtree(id, minx, maxx, miny, maxy);\n" +
                   Triggers(strTable, strColumn, strId) + "INSERT INTO gpkg_extensions VALUES (" +
                   QuotedText(strTable) + ", " + QuotedText(strColumn) +
                   ", 'gpkg_rtree_index', 'http://www.geopackage.org/spec120/#extension_rtree', "
                   "'write-only');",
               pstrError) &&
           WriteTree(hDb, strTree, std::move(cells), pstrError);
}

}  // namespace

bool BuildSpatialIndexes(const std::string& strPath, std::string* pstrError) {
    Connection db;
    if (sqlite3_open_v2(strPath.c_str(), &db.h, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        *pstrError = "cannot open " + strPath + " to index it";
        return false;
    }
    std::vector<std::pair<std::string, std::string>> columns;
    std::string strError;
    const bool bOk =
        Run(db.h,
            "BEGIN; CREATE TABLE IF NOT EXISTS gpkg_extensions (table_name TEXT, column_name "
            "TEXT, extension_name TEXT NOT NULL, definition TEXT NOT NULL, scope TEXT NOT NULL, "
            "CONSTRAINT ge_tce UNIQUE (table_name, column_name, extension_name))",
            &strError) &&
        [&] {
            Statement list(db.h,
                           "SELECT table_name, column_name FROM gpkg_geometry_columns g WHERE "
                           "NOT EXISTS (SELECT 1 FROM gpkg_extensions e WHERE e.table_name = "
                           "g.table_name AND e.column_name = g.column_name AND "
                           "e.extension_name = 'gpkg_rtree_index')");
            while (list.get() != nullptr && sqlite3_step(list.get()) == SQLITE_ROW) {
                columns.emplace_back(
                    reinterpret_cast<const char*>(sqlite3_column_text(list.get(), 0)),
                    reinterpret_cast<const char*>(sqlite3_column_text(list.get(), 1)));
            }
            return list.get() != nullptr;
        }();
    bool bIndexed = bOk;
    for (const auto& column : columns) {
        if (bIndexed && !IndexTable(db.h, column.first, column.second, &strError)) {
            strError = "cannot index " + column.first + ": " + strError;
            bIndexed = false;
        }
    }
    if (!bIndexed || !Run(db.h, "COMMIT", &strError)) {
        std::string strIgnored;
        Run(db.h, "ROLLBACK", &strIgnored);
        *pstrError = strPath + ": " + strError;
        return false;
    }
    return true;
}

}  // namespace mapgis_import
