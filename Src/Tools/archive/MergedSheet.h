// One sheet of a merged archive imported straight into the merged dataset by the process that
// owns it: the sheet's files read through the driver (its reader a step ahead on the other
// core), each feature written once, the sheet wholly in or not at all.
#pragma once

#include <string>
#include <vector>

#include "archive/ArchiveMerge.h"
#include "cli/ImportArguments.h"
#include "output/OutputFormat.h"
#include "report/ImportReport.h"

namespace mapgis_import {

struct MergedSheet {
    std::string strName;    // "a/b/1"
    std::string strLayers;  // the name of its layers of its own (--merge=sheets)
    std::vector<std::string> inputs;
    std::string strColors;  // the colour source it is read with, or empty
};

struct MergedSheetResult {
    int nStatus = 0;
    std::string strWhy;             // its first error, else its last warning
    std::vector<ReportLine> lines;  // its report, as a sheet's own import gives it
};

// Imports the sheet into pMerged as the archive's arguments ask. False when the merged
// dataset cannot be kept (a write failed), with why in pstrMergeError; a sheet that fails
// otherwise says so in its result and leaves nothing of itself in the dataset.
bool ImportMergedSheet(const Arguments& args, const OutputFormat& format, const MergedSheet& sheet,
                       MergedOutput* pMerged, MergedSheetResult* pResult,
                       std::string* pstrMergeError);

}  // namespace mapgis_import
