// The program's voice on standard error.
#pragma once

#include <string>

namespace mapgis_import {

constexpr const char* kProgram = "mapgis-import";

// "mapgis-import: <message>" on standard error; returns nCode, the exit status it ends with.
int Fail(int nCode, const std::string& strMessage);

}  // namespace mapgis_import
