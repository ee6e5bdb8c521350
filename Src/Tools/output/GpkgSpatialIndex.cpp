// The spatial indexes of a GeoPackage, packed in one pass.
#include "output/GpkgSpatialIndex.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "ogr_api.h"
#include "output/GpkgRTree.h"
#include "output/SqlQuote.h"

namespace mapgis_import {

namespace {

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
                               {RoundedDown(aBox[0]), RoundedUp(aBox[1]), RoundedDown(aBox[2]),
                                RoundedUp(aBox[3])}});
        }
    }
    if (rc != SQLITE_DONE) {
        *pstrError = sqlite3_errmsg(hDb);
        return false;
    }
    return true;
}

// The packed tree of a table's cells written into its empty R-tree, level by level from the
// leaves; the root, made last, is node 1 as SQLite wants it.
class TreeWriter {
public:
    TreeWriter(sqlite3* hDb, const std::string& strTree)
        : m_hDb(hDb),
          m_strTree(strTree),
          m_node(hDb, "INSERT INTO " + QuotedName(strTree + "_node") + " VALUES (?, ?)"),
          m_rowid(hDb, "INSERT INTO " + QuotedName(strTree + "_rowid") + " VALUES (?, ?)"),
          m_parent(hDb, "INSERT INTO " + QuotedName(strTree + "_parent") + " VALUES (?, ?)") {}

    // The node size of the tree, and its root made with it taken away; false with a message.
    bool Begin(std::string* pstrError);
    // Writes the nodes of one level from the cells below; the cells of the level above.
    bool WriteLevel(int nDepth, std::vector<Cell>& cells, std::vector<Cell>* pAbove,
                    std::string* pstrError);
    // The leaf of each feature, in feature order once the leaves are made: in the order of
    // the tiles it would land all over its table, each insert reading and writing pages.
    bool WriteLeafOfEachFeature(std::vector<Cell>& cells, std::string* pstrError);

private:
    bool Insert(const Statement& st, int64_t a, int64_t b);
    bool Failed(std::string* pstrError) const {
        *pstrError = sqlite3_errmsg(m_hDb);
        return false;
    }

    sqlite3* m_hDb;
    const std::string m_strTree;
    Statement m_node;
    Statement m_rowid;
    Statement m_parent;
    size_t m_nCapacity = 0;
    uint32_t m_nNext = 2;  // node 1 is the root
    std::vector<unsigned char> m_blob;
};

bool TreeWriter::Begin(std::string* pstrError) {
    Statement size(
        m_hDb, "SELECT length(data) FROM " + QuotedName(m_strTree + "_node") + " WHERE nodeno = 1");
    if (size.get() == nullptr || sqlite3_step(size.get()) != SQLITE_ROW) {
        *pstrError = "cannot read the root of " + m_strTree;
        return false;
    }
    const size_t nNodeBytes = static_cast<size_t>(sqlite3_column_int(size.get(), 0));
    m_nCapacity = nNodeBytes < 4 + 2 * 24 ? 0 : (nNodeBytes - 4) / 24;
    if (m_nCapacity < 2) {
        *pstrError = "unexpected node size of " + m_strTree;
        return false;
    }
    m_blob.resize(nNodeBytes);
    if (m_node.get() == nullptr || m_rowid.get() == nullptr || m_parent.get() == nullptr ||
        !Run(m_hDb, "DELETE FROM " + QuotedName(m_strTree + "_node"), pstrError))
        return Failed(pstrError);
    return true;
}

bool TreeWriter::Insert(const Statement& st, int64_t a, int64_t b) {
    sqlite3_bind_int64(st.get(), 1, a);
    sqlite3_bind_int64(st.get(), 2, b);
    const bool bDone = sqlite3_step(st.get()) == SQLITE_DONE;
    sqlite3_reset(st.get());
    return bDone;
}

bool TreeWriter::WriteLevel(int nDepth, std::vector<Cell>& cells, std::vector<Cell>* pAbove,
                            std::string* pstrError) {
    const std::vector<std::pair<size_t, size_t>> tiles = SortIntoTiles(cells, m_nCapacity);
    const bool bRoot = tiles.size() == 1;
    pAbove->reserve(tiles.size());
    for (const auto& tile : tiles) {
        const uint32_t nNode = bRoot ? 1 : m_nNext++;
        Cell* const pFirst = cells.data() + tile.first;
        Cell* const pEnd = cells.data() + tile.second;
        NodeBlob(pFirst, pEnd, bRoot ? nDepth : 0, m_blob);
        sqlite3_bind_int64(m_node.get(), 1, nNode);
        sqlite3_bind_blob(m_node.get(), 2, m_blob.data(), static_cast<int>(m_blob.size()),
                          SQLITE_STATIC);
        bool bOk = sqlite3_step(m_node.get()) == SQLITE_DONE;
        sqlite3_reset(m_node.get());
        Cell up{nNode, {INFINITY, -INFINITY, INFINITY, -INFINITY}};
        for (Cell* pCell = pFirst; pCell < pEnd; ++pCell) {
            if (nDepth > 0)
                bOk = bOk && Insert(m_parent, pCell->nId, nNode);
            up.aBox[0] = std::min(up.aBox[0], pCell->aBox[0]);
            up.aBox[1] = std::max(up.aBox[1], pCell->aBox[1]);
            up.aBox[2] = std::min(up.aBox[2], pCell->aBox[2]);
            up.aBox[3] = std::max(up.aBox[3], pCell->aBox[3]);
            if (nDepth == 0)
                pCell->nLeaf = nNode;
        }
        if (!bOk)
            return Failed(pstrError);
        pAbove->push_back(up);
    }
    return true;
}

bool TreeWriter::WriteLeafOfEachFeature(std::vector<Cell>& cells, std::string* pstrError) {
    std::sort(cells.begin(), cells.end(),
              [](const Cell& a, const Cell& b) { return a.nId < b.nId; });
    for (const Cell& cell : cells) {
        if (!Insert(m_rowid, cell.nId, cell.nLeaf))
            return Failed(pstrError);
    }
    return true;
}

// Writes the packed tree of the cells into the empty R-tree strTree; false with a message.
bool WriteTree(sqlite3* hDb, const std::string& strTree, std::vector<Cell> cells,
               std::string* pstrError) {
    if (cells.empty())
        return true;  // the root the R-tree was made with stays, empty
    TreeWriter writer(hDb, strTree);
    if (!writer.Begin(pstrError))
        return false;
    for (int nDepth = 0;; ++nDepth) {
        std::vector<Cell> above;
        if (!writer.WriteLevel(nDepth, cells, &above, pstrError))
            return false;
        if (nDepth == 0 && !writer.WriteLeafOfEachFeature(cells, pstrError))
            return false;
        const bool bRoot = above.size() == 1;
        cells.swap(above);
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
