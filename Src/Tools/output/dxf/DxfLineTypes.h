// Line types and line weights of the map's pens.
#pragma once

#include <optional>
#include <vector>

namespace mapgis_dxf {

struct DxfLineType {
    const char* pszName;
    const char* pszDescription;
    // Dash (positive), gap (negative) and dot (0) lengths in millimetres of the printed map.
    std::vector<double> adfPattern;
};

// The dashed line type of a line style number (2 dash to 8 alternate); nothing for solid
// (0), none (1) and numbers without a pattern, which are drawn CONTINUOUS.
std::optional<DxfLineType> LineTypeOfStyle(int nLineStyle);

// A line width in millimetres as a DXF line weight (hundredths of a millimetre): the nearest
// of the standard weights, the thinner on a tie; nothing for a negative or non-finite width.
std::optional<int> LineWeightOfWidth(double dfWidthMm);

}  // namespace mapgis_dxf
