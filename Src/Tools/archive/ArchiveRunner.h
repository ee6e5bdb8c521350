// An archive of sheets: imported by worker processes (the reader's tables are process-wide),
// several at once and each sheet after sheet, into an output folder or a PostgreSQL database.
#pragma once

#include "cli/ImportArguments.h"

namespace mapgis_import {

// Whether the inputs are folders of sheets rather than files.
bool IsArchive(const Arguments& args);

// Imports every sheet and returns the exit status: 0 when all were written (or skipped with
// --resume), 5 when some failed.
int RunArchive(const Arguments& args);

}  // namespace mapgis_import
