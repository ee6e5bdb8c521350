// A worker of an archive (mapgis-import --worker): the sheets it is given, one after the
// other in this process, so that GDAL's drivers and PROJ's database are set up once.
#pragma once

#include "cli/ImportArguments.h"

namespace mapgis_import {

// Imports each sheet the archive sends until it closes the socket or a signal stops a
// sheet; args.strOutput, when set, is the database every sheet goes to
// (--output-from-environment). The exit status of the last sheet.
int RunWorker(const Arguments& args);

}  // namespace mapgis_import
