// One run of mapgis-import.
#pragma once

#include "ImportArguments.h"

namespace mapgis_import {

// Imports the inputs as the arguments say and returns the exit status. Messages go to
// standard error, the progress bar and the summary to standard output.
int RunImport(const Arguments& args);

}  // namespace mapgis_import
