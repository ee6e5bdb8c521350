// --style-only: the style QGIS loads for a file it opens through the driver is the file's name
// with .qml, one for the files of a sheet.
#pragma once

#include <string>

#include "cli/ImportArguments.h"

namespace mapgis_import {

// Writes the style beside each input (each sheet once); the exit status, with a message when
// it is not kExitOk.
int WriteDriverStyles(const Arguments& args, std::string* pstrError);

}  // namespace mapgis_import
