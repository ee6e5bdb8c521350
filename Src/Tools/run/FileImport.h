// An import of files as the command line asks, with its --report: what the program does
// for files, and what an archive's worker does for each sheet.
#pragma once

#include "cli/ImportArguments.h"

namespace mapgis_import {

// The exit status; a report that cannot be written is said, and exit status 6 if nothing
// else failed.
int ImportFiles(const Arguments& args);

}  // namespace mapgis_import
