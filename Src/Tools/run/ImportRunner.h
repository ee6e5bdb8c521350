// One run of mapgis-import.
#pragma once

#include <string>
#include <vector>

#include "cli/ImportArguments.h"
#include "report/ImportSummary.h"

namespace mapgis_import {

// What became of an import beyond its exit status.
struct ImportOutcome {
    std::string strOutput;               // the output written
    std::vector<InputAccount> accounts;  // per input, when every layer was read
    std::string strError;                // why it failed
};

// Imports the inputs as the arguments say and returns the exit status. Messages go to
// standard error, the progress bar and the summary to standard output.
int RunImport(const Arguments& args, ImportOutcome* pOutcome);

}  // namespace mapgis_import
