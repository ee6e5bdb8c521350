// The inputs of an import: checked, and opened through the MAPGIS driver as the arguments ask.
#pragma once

#include <string>

#include "cli/ImportArguments.h"
#include "gdal.h"
#include "output/OutputFormat.h"

namespace mapgis_import {

// Whether the file can be imported: a regular file, readable, under 2 GiB; false with why not.
bool IsReadableFile(const std::string& strPath, std::string* pstrWhy);

// The input opened in the driver's mode for the format, with the options the arguments give;
// null when it cannot be (GDAL's error says why).
GDALDatasetH OpenInput(const std::string& strPath, const Arguments& args,
                       const OutputFormat& format);

}  // namespace mapgis_import
