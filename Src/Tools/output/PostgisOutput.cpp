// The tables of an import in a PostgreSQL database.
#include "output/PostgisOutput.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "cpl_conv.h"
#include "cpl_error.h"
#include "cpl_string.h"
#include "ogr_api.h"
#include "output/Connection.h"
#include "output/SqlQuote.h"

namespace mapgis_import {

namespace {

constexpr const char* kSheetsTable = "mapgis_import_sheets";
constexpr const char* kPartialSuffix = "__partial";
// Marks the style rows an import wrote, so that a re-run replaces those and no other.
constexpr const char* kStyleDescription = "MAPGIS styles, drawn from the style fields";
// GDAL keeps the rows of a query without FROM in a Memory layer, a driver an import may not
// have registered; with FROM they are read through a cursor.
constexpr const char* kOneRow = " FROM (VALUES (1)) AS one";

std::string ArrayOf(const std::vector<std::string>& values) {
    std::string out = "ARRAY[";
    for (size_t i = 0; i < values.size(); ++i)
        out += (i ? "," : "") + QuotedText(values[i]);
    return out + "]::text[]";
}

// libpq's messages span lines; ours take one.
std::string OneLine(const char* pszMessage) {
    std::string strOut;
    for (const char* p = pszMessage; *p != '\0'; ++p) {
        const bool bSpace = *p == '\n' || *p == '\t' || *p == ' ';
        if (!bSpace)
            strOut += *p;
        else if (!strOut.empty() && strOut.back() != ' ')
            strOut += ' ';
    }
    while (!strOut.empty() && strOut.back() == ' ')
        strOut.pop_back();
    return strOut;
}

// Errors of the server come back as the caller's message, not printed on the way.
GDALDatasetH Connect(const std::string& strConnection, std::string* pstrError) {
    const char* const apszDrivers[] = {"PostgreSQL", nullptr};
    CPLErrorReset();
    CPLPushErrorHandler(CPLQuietErrorHandler);
    GDALDatasetH hDataset = GDALOpenEx(strConnection.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE,
                                       apszDrivers, nullptr, nullptr);
    CPLPopErrorHandler();
    if (hDataset == nullptr) {
        *pstrError = "cannot connect to " + PublicConnection(strConnection) + ": " +
                     OneLine(CPLGetLastErrorMsg());
    }
    return hDataset;
}

// Runs statements (several in one string run as one transaction); false with the server's
// message.
bool Execute(GDALDatasetH hDataset, const std::string& strSql, std::string* pstrError) {
    CPLErrorReset();
    CPLPushErrorHandler(CPLQuietErrorHandler);
    OGRLayerH hResult = GDALDatasetExecuteSQL(hDataset, strSql.c_str(), nullptr, nullptr);
    CPLPopErrorHandler();
    if (hResult != nullptr)
        GDALDatasetReleaseResultSet(hDataset, hResult);
    if (CPLGetLastErrorType() == CE_Failure) {
        *pstrError = OneLine(CPLGetLastErrorMsg());
        return false;
    }
    return true;
}

// The first column of a query's rows; false when it failed.
bool Column(GDALDatasetH hDataset, const std::string& strSql, std::vector<std::string>* pValues) {
    CPLErrorReset();
    OGRLayerH hResult = GDALDatasetExecuteSQL(hDataset, strSql.c_str(), nullptr, nullptr);
    if (hResult == nullptr)
        return CPLGetLastErrorType() != CE_Failure;
    while (OGRFeatureH hRow = OGR_L_GetNextFeature(hResult)) {
        pValues->emplace_back(OGR_F_GetFieldAsString(hRow, 0));
        OGR_F_Destroy(hRow);
    }
    GDALDatasetReleaseResultSet(hDataset, hResult);
    return CPLGetLastErrorType() != CE_Failure;
}

// The fields of a query's first row as text (none without a row); false when it failed.
bool FirstRow(GDALDatasetH hDataset, const std::string& strSql, std::vector<std::string>* pFields) {
    CPLErrorReset();
    CPLPushErrorHandler(CPLQuietErrorHandler);
    OGRLayerH hResult = GDALDatasetExecuteSQL(hDataset, strSql.c_str(), nullptr, nullptr);
    CPLPopErrorHandler();
    if (hResult == nullptr)
        return CPLGetLastErrorType() != CE_Failure;
    if (OGRFeatureH hRow = OGR_L_GetNextFeature(hResult)) {
        for (int i = 0; i < OGR_F_GetFieldCount(hRow); ++i)
            pFields->emplace_back(OGR_F_GetFieldAsString(hRow, i));
        OGR_F_Destroy(hRow);
    }
    GDALDatasetReleaseResultSet(hDataset, hResult);
    return CPLGetLastErrorType() != CE_Failure;
}

// The sheet's own files whatever their extensions ("/a/t." for /a/t.wal): t.wal of an
// earlier import is of the same sheet as t.wal and t.wap now.
std::vector<std::string> SourcesOf(const std::vector<std::string>& inputs) {
    std::vector<std::string> sources;
    for (const std::string& strInput : inputs) {
        const size_t nDot = strInput.rfind('.');
        const size_t nSlash = strInput.rfind('/');
        const bool bExtension =
            nDot != std::string::npos && (nSlash == std::string::npos || nDot > nSlash);
        sources.push_back(strInput.substr(0, bExtension ? nDot : strInput.size()) + ".");
    }
    return sources;
}

// What to do with a sheet given its name's record: path, same path (or none recorded), same
// inputs, same files, time, inputs; none without a record.
SheetClaim Decide(const std::vector<std::string>& row, bool bResume, bool bOverwrite,
                  const std::string& strTables, std::string* pstrWhy) {
    if (row.size() < 6)
        return SheetClaim::kGo;
    const bool bSamePath = row[1] == "1";
    if (bSamePath && row[2] == "1")
        return bResume ? SheetClaim::kSkip : SheetClaim::kGo;
    const bool bSameFiles = bSamePath && row[3] == "1";
    if (bSameFiles && (bOverwrite || !bResume))
        return SheetClaim::kGo;
    *pstrWhy = "its tables " + strTables + " hold ";
    if (bSameFiles) {
        *pstrWhy += "this sheet from other inputs (" + row[5] + "), imported at " + row[4] +
                    "; --overwrite replaces it";
    } else {
        *pstrWhy += "another sheet, " + (row[0].empty() ? "of no recorded path" : row[0]) + " (" +
                    row[5] + "), imported at " + row[4] +
                    "; it stays, even with --overwrite: give every run the same archive root "
                    "(--root) so that sheets' paths differ, or drop that sheet's tables and its "
                    "row in " +
                    strTables.substr(0, strTables.find('.')) + "." + kSheetsTable;
    }
    return SheetClaim::kRefused;
}

}  // namespace

bool PrepareDatabase(const std::string& strConnection, const std::string& strSchema,
                     std::string* pstrError) {
    GDALDatasetH hDataset = Connect(strConnection, pstrError);
    if (hDataset == nullptr)
        return false;
    std::vector<std::string> postgis;
    CPLPushErrorHandler(CPLQuietErrorHandler);
    const bool bAsked =
        Column(hDataset, "SELECT extversion FROM pg_extension WHERE extname = 'postgis'", &postgis);
    CPLPopErrorHandler();
    // A server that stops between the connection and the question is not a database
    // without PostGIS.
    if (!bAsked || postgis.empty()) {
        *pstrError = PublicConnection(strConnection) + ": " +
                     (bAsked ? "PostGIS is not installed in the database (CREATE EXTENSION postgis)"
                             : OneLine(CPLGetLastErrorMsg()));
        GDALClose(hDataset);
        return false;
    }
    const std::string strSchemaId = QuotedName(strSchema);
    // One transaction under a lock of the schema's: IF NOT EXISTS does not make two sessions
    // creating one schema or table at once wait for each other. QGIS's own layout of its
    // styles table, so that QGIS reads our rows and adds its own.
    const std::string strSql =
        "DO $$BEGIN PERFORM pg_advisory_xact_lock(hashtext('mapgis-import schema'), "
        "hashtext(" +
        QuotedText(strSchema) + ")); END$$;\nCREATE SCHEMA IF NOT EXISTS " + strSchemaId + ";\n" +
        "CREATE TABLE IF NOT EXISTS " + strSchemaId + "." + kSheetsTable +
        " (sheet text PRIMARY KEY, tables text[] NOT NULL, inputs text[] NOT NULL, "
        "imported_at timestamptz NOT NULL DEFAULT now());\n"
        "ALTER TABLE " +
        strSchemaId + "." + kSheetsTable +
        " ADD COLUMN IF NOT EXISTS path text;\n"
        "CREATE TABLE IF NOT EXISTS public.layer_styles (id serial PRIMARY KEY, "
        "f_table_catalog varchar, f_table_schema varchar, f_table_name varchar, "
        "f_geometry_column varchar, stylename text, styleqml xml, stylesld xml, "
        "useasdefault boolean, description text, owner varchar(63) DEFAULT CURRENT_USER, "
        "ui xml, update_time timestamp DEFAULT CURRENT_TIMESTAMP, type varchar);";
    const bool bOk = Execute(hDataset, strSql, pstrError);
    GDALClose(hDataset);
    if (!bOk) {
        *pstrError = "cannot prepare the schema " + strSchema + " in " +
                     PublicConnection(strConnection) + ": " + *pstrError;
    }
    return bOk;
}

SheetRegistry::SheetRegistry(std::string strConnection, std::string strSchema)
    : m_strConnection(std::move(strConnection)), m_strSchema(std::move(strSchema)) {}

SheetRegistry::~SheetRegistry() {
    // Closing the session lets go of the names it still holds.
    if (m_hDataset != nullptr)
        GDALClose(m_hDataset);
}

bool SheetRegistry::Open(std::string* pstrError) {
    m_hDataset = Connect(m_strConnection, pstrError);
    return m_hDataset != nullptr;
}

std::string SheetRegistry::LockKey(const std::string& strName) const {
    return "hashtext('mapgis-import sheet'), hashtext(" + QuotedText(m_strSchema + "." + strName) +
           ")";
}

SheetClaim SheetRegistry::Claim(const std::string& strName, const std::string& strPath,
                                const std::vector<std::string>& inputs, bool bResume,
                                bool bOverwrite, std::string* pstrWhy) {
    std::vector<std::string> held;
    if (!FirstRow(m_hDataset,
                  "SELECT pg_try_advisory_lock(" + LockKey(strName) + ")::int" + kOneRow, &held) ||
        held.empty()) {
        *pstrWhy = "cannot claim its tables in " + PublicConnection(m_strConnection) + ": " +
                   OneLine(CPLGetLastErrorMsg());
        return SheetClaim::kFailed;
    }
    if (held[0] != "1")
        return SheetClaim::kBusy;
    const std::vector<std::string> sources = SourcesOf(inputs);
    std::vector<std::string> row;
    const bool bRead = FirstRow(
        m_hDataset,
        "SELECT coalesce(path, '') AS path, (path IS NULL OR path = " + QuotedText(strPath) +
            ")::int AS same_path, (inputs = " + ArrayOf(inputs) +
            ")::int AS same_inputs, (EXISTS (SELECT 1 FROM unnest(inputs) i WHERE "
            "regexp_replace(i, "
            "'\\.[^./]*$', '.') = ANY(" +
            ArrayOf(sources) +
            ")))::int AS same_files, imported_at::text AS imported_at, array_to_string(inputs, "
            "', ') AS inputs FROM " +
            QuotedName(m_strSchema) + "." + kSheetsTable + " WHERE sheet = " + QuotedText(strName),
        &row);
    SheetClaim eClaim = SheetClaim::kFailed;
    if (!bRead) {
        *pstrWhy = "cannot read " + m_strSchema + "." + kSheetsTable + ": " +
                   OneLine(CPLGetLastErrorMsg());
    } else {
        eClaim = Decide(row, bResume, bOverwrite, m_strSchema + "." + strName + "_*", pstrWhy);
    }
    if (eClaim != SheetClaim::kGo)
        Release(strName, strPath, inputs, false);
    return eClaim;
}

void SheetRegistry::Release(const std::string& strName, const std::string& strPath,
                            const std::vector<std::string>& inputs, bool bPublished) {
    std::string strIgnored;
    CPLPushErrorHandler(CPLQuietErrorHandler);
    if (bPublished) {
        Execute(m_hDataset,
                "UPDATE " + QuotedName(m_strSchema) + "." + kSheetsTable +
                    " SET path = " + QuotedText(strPath) + " WHERE sheet = " + QuotedText(strName) +
                    " AND inputs = " + ArrayOf(inputs),
                &strIgnored);
    }
    std::vector<std::string> ignored;
    FirstRow(m_hDataset, "SELECT pg_advisory_unlock(" + LockKey(strName) + ")::int" + kOneRow,
             &ignored);
    CPLPopErrorHandler();
}

PostgisOutput::PostgisOutput(std::string strConnection, std::string strSchema)
    : m_strConnection(std::move(strConnection)), m_strSchema(std::move(strSchema)) {}

PostgisOutput::~PostgisOutput() {
    if (m_hDataset != nullptr)
        GDALClose(m_hDataset);
}

bool PostgisOutput::Open(std::string* pstrError) {
    if (!PrepareDatabase(m_strConnection, m_strSchema, pstrError))
        return false;
    // Rows go in through COPY, not one INSERT each.
    CPLSetConfigOption("PG_USE_COPY", "YES");
    m_hDataset = Connect(m_strConnection, pstrError);
    return m_hDataset != nullptr;
}

std::vector<std::string> PostgisOutput::Existing(const std::vector<std::string>& tables) {
    std::vector<std::string> found;
    if (tables.empty())
        return found;
    Column(m_hDataset,
           "SELECT c.relname FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
           "WHERE n.nspname = " +
               QuotedText(m_strSchema) + " AND c.relname = ANY(" + ArrayOf(tables) +
               ") ORDER BY c.relname",
           &found);
    return found;
}

std::string PostgisOutput::PartialLayer(const std::string& strTable) const {
    const std::string strPartial = strTable + kPartialSuffix;
    return m_strSchema == "public" ? strPartial : m_strSchema + "." + strPartial;
}

// The statement that takes away the styles an import wrote for a table, but for its name.
std::string PostgisOutput::OwnStylesDeleted() const {
    return "DELETE FROM public.layer_styles WHERE f_table_catalog = "
           "current_database() AND f_table_schema = " +
           QuotedText(m_strSchema) + " AND description = " + QuotedText(kStyleDescription) +
           " AND f_table_name = ";
}

// The sheet's tables of an earlier import that this one does not write again, dropped.
std::string PostgisOutput::EarlierTablesDropped(const std::string& strSheet,
                                                const std::vector<std::string>& names) {
    const std::string strSchemaId = QuotedName(m_strSchema);
    std::vector<std::string> earlier;
    Column(m_hDataset,
           "SELECT unnest(tables) FROM " + strSchemaId + "." + kSheetsTable +
               " WHERE sheet = " + QuotedText(strSheet),
           &earlier);
    std::string strSql;
    for (const std::string& strOld : earlier) {
        if (std::find(names.begin(), names.end(), strOld) == names.end()) {
            strSql += "DROP TABLE IF EXISTS " + strSchemaId + "." + QuotedName(strOld) + ";\n" +
                      OwnStylesDeleted() + QuotedText(strOld) + ";\n";
        }
    }
    return strSql;
}

// The partial table under its name, with its sequence, key, spatial index, comment and style.
std::string PostgisOutput::TableInPlace(const PublishedTable& table, bool bReplace) const {
    const std::string strSchemaId = QuotedName(m_strSchema);
    const std::string strTable = strSchemaId + "." + QuotedName(table.strName);
    const std::string strPartial = table.strName + kPartialSuffix;
    std::string strSql = bReplace ? "DROP TABLE IF EXISTS " + strTable + ";\n" : std::string();
    strSql += "ALTER TABLE " + strSchemaId + "." + QuotedName(strPartial) + " RENAME TO " +
              QuotedName(table.strName) + ";\n";
    strSql += "ALTER SEQUENCE IF EXISTS " + strSchemaId + "." +
              QuotedName(strPartial + "_fid_seq") + " RENAME TO " +
              QuotedName(table.strName + "_fid_seq") + ";\n";
    strSql += "ALTER INDEX IF EXISTS " + strSchemaId + "." + QuotedName(strPartial + "_pkey") +
              " RENAME TO " + QuotedName(table.strName + "_pkey") + ";\n";
    strSql += "CREATE INDEX " + QuotedName(table.strName + "_geom_idx") + " ON " + strTable +
              " USING GIST (geom);\n";
    strSql += "COMMENT ON TABLE " + strTable + " IS " + QuotedText(table.strDescription) + ";\n";
    strSql += OwnStylesDeleted() + QuotedText(table.strName) + ";\n";
    if (!table.strQml.empty()) {
        strSql +=
            "INSERT INTO public.layer_styles (f_table_catalog, f_table_schema, "
            "f_table_name, f_geometry_column, stylename, styleqml, stylesld, "
            "useasdefault, description, owner, update_time) VALUES "
            "(current_database(), " +
            QuotedText(m_strSchema) + ", " + QuotedText(table.strName) + ", 'geom', " +
            QuotedText(table.strName) + ", XMLPARSE(DOCUMENT " + QuotedText(table.strQml) +
            "), XMLPARSE(DOCUMENT " + QuotedText(table.strSld) + "), true, " +
            QuotedText(kStyleDescription) + ", CURRENT_USER, CURRENT_TIMESTAMP);\n";
    }
    return strSql;
}

bool PostgisOutput::Publish(const std::string& strSheet, const std::vector<PublishedTable>& tables,
                            const std::vector<std::string>& inputs, bool bReplace,
                            std::string* pstrError) {
    std::vector<std::string> names;
    for (const PublishedTable& table : tables)
        names.push_back(table.strName);
    std::string strSql = bReplace ? EarlierTablesDropped(strSheet, names) : std::string();
    for (const PublishedTable& table : tables)
        strSql += TableInPlace(table, bReplace);
    strSql += "INSERT INTO " + QuotedName(m_strSchema) + "." + kSheetsTable +
              " (sheet, tables, inputs) VALUES (" + QuotedText(strSheet) + ", " + ArrayOf(names) +
              ", " + ArrayOf(inputs) +
              ") ON CONFLICT (sheet) DO UPDATE SET tables = EXCLUDED.tables, inputs = "
              "EXCLUDED.inputs, imported_at = now();";
    if (!Execute(m_hDataset, strSql, pstrError)) {
        *pstrError = "cannot put the tables of " + strSheet + " in place in " +
                     PublicConnection(m_strConnection) + ": " + *pstrError;
        return false;
    }
    return true;
}

std::string PostgisOutput::LostServer() {
    std::string strError;
    if (m_hDataset == nullptr || Execute(m_hDataset, "SELECT 1", &strError))
        return std::string();
    return strError;
}

void PostgisOutput::DropPartials(const std::vector<std::string>& tables) {
    if (m_hDataset == nullptr || tables.empty())
        return;
    std::string strSql;
    for (const std::string& strTable : tables)
        strSql += "DROP TABLE IF EXISTS " + QuotedName(m_strSchema) + "." +
                  QuotedName(strTable + kPartialSuffix) + ";\n";
    std::string strIgnored;
    CPLPushErrorHandler(CPLQuietErrorHandler);
    Execute(m_hDataset, strSql, &strIgnored);
    CPLPopErrorHandler();
}

}  // namespace mapgis_import
