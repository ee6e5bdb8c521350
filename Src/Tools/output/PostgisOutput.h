// PostgreSQL/PostGIS as the output of an import. A sheet's layers are written as partial
// tables and appear under their names in one transaction, with their spatial index, their
// QGIS styles and the sheet's row in the schema's table of imported sheets: a sheet is in the
// database completely or not at all, and several imports can write different sheets at once.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "gdal.h"

namespace mapgis_import {

// Makes the schema, its table of imported sheets and QGIS's layer_styles table when missing,
// one import at a time (two making one schema at once would fail on the catalog); false with
// a message.
bool PrepareDatabase(const std::string& strConnection, const std::string& strSchema,
                     std::string* pstrError);

// What an archive may do with a sheet's name in the schema.
enum class SheetClaim {
    kGo,       // the name is held for the sheet: import it
    kBusy,     // another import holds the name at the moment: try again later
    kSkip,     // --resume: this very sheet is recorded as imported
    kRefused,  // another sheet (or this one from other inputs) is in the way
    kFailed,   // the database did not answer
};

// An archive's hold on its sheets' names in a schema: a name is held (a session's advisory
// lock) from before its worker starts until the worker is done, so two imports into one
// schema never write the same tables at once, and what the schema records under the name
// decides whether the sheet is imported, skipped or refused.
class SheetRegistry {
public:
    SheetRegistry(std::string strConnection, std::string strSchema);
    ~SheetRegistry();
    SheetRegistry(const SheetRegistry&) = delete;
    SheetRegistry& operator=(const SheetRegistry&) = delete;

    bool Open(std::string* pstrError);
    // Claims the name strName for the sheet strPath ("a/b/1") of the inputs (absolute
    // paths); pstrWhy says why when it is not kGo.
    SheetClaim Claim(const std::string& strName, const std::string& strPath,
                     const std::vector<std::string>& inputs, bool bResume, bool bOverwrite,
                     std::string* pstrWhy);
    // Records the sheet's path beside what its worker published, and lets the name go.
    void Release(const std::string& strName, const std::string& strPath,
                 const std::vector<std::string>& inputs, bool bPublished);

private:
    std::string LockKey(const std::string& strName) const;

    std::string m_strConnection;
    std::string m_strSchema;
    GDALDatasetH m_hDataset = nullptr;
};

struct PublishedTable {
    std::string strName;         // the table's name in the schema
    std::string strDescription;  // its comment: the account of its inputs
    std::string strQml;          // its default QGIS style; empty: none
    std::string strSld;
};

class PostgisOutput {
public:
    PostgisOutput(std::string strConnection, std::string strSchema);
    ~PostgisOutput();
    PostgisOutput(const PostgisOutput&) = delete;
    PostgisOutput& operator=(const PostgisOutput&) = delete;

    // Connects and prepares the database; false with a message.
    bool Open(std::string* pstrError);
    // The tables among these that exist in the schema.
    std::vector<std::string> Existing(const std::vector<std::string>& tables);
    // The name GDAL knows the partial table of a table by ("schema.table__partial").
    std::string PartialLayer(const std::string& strTable) const;
    // Puts the partial tables in place of the tables in one transaction, replacing the
    // sheet's earlier tables with bReplace; false with a message, the tables as they were.
    bool Publish(const std::string& strSheet, const std::vector<PublishedTable>& tables,
                 const std::vector<std::string>& inputs, bool bReplace, std::string* pstrError);
    // Drops what a failed import left behind.
    void DropPartials(const std::vector<std::string>& tables);
    // Why the server cannot be used any more (its message), or empty while it answers: a
    // writer that loses its server mid-way seldom says so itself.
    std::string LostServer();

private:
    std::string OwnStylesDeleted() const;
    std::string EarlierTablesDropped(const std::string& strSheet,
                                     const std::vector<std::string>& names);
    std::string TableInPlace(const PublishedTable& table, bool bReplace) const;

    std::string m_strConnection;
    std::string m_strSchema;
    GDALDatasetH m_hDataset = nullptr;
};

}  // namespace mapgis_import
