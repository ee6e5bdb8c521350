// Colours as CAD readers take them: a true colour and the nearest of AutoCAD's 255.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace mapgis_dxf {

// 0xRRGGBB of "#RRGGBB"; nothing for anything else.
std::optional<uint32_t> ParseHexColor(const std::string& strColor);

// The colour AutoCAD shows for index nIndex (1 to 255), as 0xRRGGBB.
uint32_t AciColor(int nIndex);

// The index (1 to 255) whose colour is nearest (Euclidean in RGB). Black and white give 7,
// which CAD draws in the colour that contrasts with its background.
int NearestAci(uint32_t nRgb);

}  // namespace mapgis_dxf
