// What mapgis-import says of itself: usage, help and version.
#pragma once

#include <string>

namespace mapgis_import {

const char* UsageText();
const char* HelpText();
// "mapgis-import <version> (GDAL <version>)".
std::string VersionText();

}  // namespace mapgis_import
