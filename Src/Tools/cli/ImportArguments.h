// What the command line of mapgis-import asks for.
#pragma once

#include <string>
#include <vector>

#include "cli/ExitCode.h"

namespace mapgis_import {

// An archive's workers take the connection string from this variable (with the hidden option
// --output-from-environment), not from their command line, which every local user sees.
constexpr const char* kConnectionVariable = "MAPGIS_IMPORT_CONNECTION";

// How the progress is shown: a bar on a terminal, lines "progress F" for a program reading
// standard output, or not at all.
enum class Progress { Bar, Lines, None };

struct Arguments {
    std::vector<std::string> inputs;
    std::string strOutput;  // empty: beside the first input
    std::string strFormat;  // empty: from the output's extension
    bool bTyped = false;
    std::string strEncoding = "AUTO";
    std::string strColors;      // a colour index file or a colour library (Pcolor.lib)
    std::string strLibraryDir;  // --slib: the folder of a Pcolor.lib used without --colors
    std::string strFontMap;     // --font-map: the user's face=family table
    std::string strName;
    std::string strSrs;    // empty: none assigned
    std::string strScale;  // empty: coordinates as in the file
    std::string strOffset;
    std::string strDbfEncoding = "UTF-8";  // of shapefile attributes: UTF-8 or GBK
    bool bCompound = false;                // the driver's compound layers whole
    bool bNoRepair = false;                // texts holding commas refused, as the reader has them
    bool bNoStyle = false;                 // no QGIS styles with the layers
    bool bStyleOnly = false;               // only the styles for the inputs read through the driver
    bool bRecursive = false;               // an archive: its subfolders too
    int nJobs = 0;                         // worker processes for an archive; 0: one per core
    std::string strReport;                 // a line per input with its account: JSON lines, or CSV
    bool bResume = false;                  // an archive: sheets whose output exists are skipped
    std::string strSchema;                 // PostgreSQL: the schema of the tables
    std::string strRoot;                   // an archive: the folder its sheets are named from
    std::string strMerge;                  // an archive in one dataset: "common" or "sheets" layers
    bool bListSheets = false;  // an archive: its sheets' names printed, nothing imported
    int nShare = 0;            // --shard K/N: K, the share of the sheets imported
    int nShares = 0;           // N; 0: every sheet
    Progress eProgress = Progress::Bar;
    bool bQuiet = false;
    bool bOverwrite = false;
    bool bHelp = false;
    bool bVersion = false;
    bool bHelpMan = false;  // the manual page's option list, for the build
    bool bWorker = false;   // an archive's worker: sheets given over standard input
};

}  // namespace mapgis_import
