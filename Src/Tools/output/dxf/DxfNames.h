// Names of the DXF document's table entries and blocks.
#pragma once

#include <string>

namespace mapgis_dxf {

// The text style of every text (see DxfTables.cpp for its fonts).
inline constexpr const char* kTextStyleName = "MAPGIS";

// The block of marker number nSymbol.
std::string SymbolBlockName(int nSymbol);

// A layer name CAD takes, still in UTF-8: the characters it forbids (< > / \ " : ; ? * | = `)
// as "_".
std::string CadLayerName(const std::string& strUtf8);

// CadLayerName in GBK like any text. nEscaped grows by the characters GBK lacks.
std::string DxfLayerName(const std::string& strUtf8, int* pnEscaped);

}  // namespace mapgis_dxf
