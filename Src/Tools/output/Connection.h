// Connection strings as users give them, and the names PostgreSQL keeps as written: what can
// be told of a PostgreSQL output without a server.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace mapgis_import {

// Whether the output names a PostgreSQL connection ("PG:...").
bool IsConnection(const std::string& strOutput);

// A table name PostgreSQL keeps as written: lower case, letters, digits, "_" and non-ASCII
// characters, short enough for the names derived from it.
std::string LaunderName(const std::string& strName);

// Whether the schema name can be used as it is (lower case letters, digits, "_").
bool IsPlainSchema(const std::string& strSchema);

// Where a connection string ("PG:..." or not; keyword=value or a postgresql:// URI) holds a
// secret: its passwords and the server options that name one, as [begin, end) offsets.
std::vector<std::pair<size_t, size_t>> SecretSpans(const std::string& strConnection);

// The connection string with its secrets as "***", for messages, reports and rows.
std::string PublicConnection(const std::string& strConnection);

// Overwrites the secrets of a connection string ("PG:..." or a URI; other text is left alone)
// with "*" where it stands: a command line's argument, which every local user sees.
void HideSecretsInPlace(char* pszConnection);

// The schema named by --schema, else PostgreSQL's default one.
std::string SchemaOrPublic(const std::string& strSchema);

// Six hexadecimal digits of a hash of a sheet's path, to tell apart sheets whose names meet.
std::string PathHash(const std::string& strPath);

// The name of an archive's sheet's tables: its path from the archive's root laundered, with a
// short hash of the path when another sheet's path launders to the same name.
std::string SheetTableName(const std::string& strPath, bool bWithHash);

}  // namespace mapgis_import
