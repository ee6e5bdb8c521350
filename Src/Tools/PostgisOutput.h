// PostgreSQL/PostGIS as the output of an import. A sheet's layers are written as partial
// tables and appear under their names in one transaction, with their spatial index, their
// QGIS styles and the sheet's row in the schema's table of imported sheets: a sheet is in the
// database completely or not at all, and several imports can write different sheets at once.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "OutputFormat.h"
#include "gdal.h"

namespace mapgis_import {

// Whether the import writes to a PostgreSQL database.
bool IsPostgis(const OutputFormat& format);

// Whether the output names a PostgreSQL connection ("PG:...").
bool IsConnection(const std::string& strOutput);

// A table name PostgreSQL keeps as written: lower case, letters, digits, "_" and non-ASCII
// characters, short enough for the names derived from it.
std::string LaunderName(const std::string& strName);

// Whether the schema name can be used as it is (lower case letters, digits, "_").
bool IsPlainSchema(const std::string& strSchema);

// The connection string with its password hidden, for messages and reports.
std::string PublicConnection(const std::string& strConnection);

// The schema named by --schema, else PostgreSQL's default one.
std::string SchemaOrPublic(const std::string& strSchema);

// Makes the schema, its table of imported sheets and QGIS's layer_styles table when missing,
// and fills pDone with the sheets already imported; false with a message.
bool PrepareDatabase(const std::string& strConnection, const std::string& strSchema,
                     std::set<std::string>* pDone, std::string* pstrError);

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

private:
    std::string m_strConnection;
    std::string m_strSchema;
    GDALDatasetH m_hDataset = nullptr;
};

}  // namespace mapgis_import
