// Line types and line weights of the map's pens.
#include "DxfLineTypes.h"

#include <cmath>

namespace mapgis_dxf {

namespace {

// The pen patterns the driver gives QGIS for the same numbers, so both draw alike.
const DxfLineType kDashed[] = {
    {"MAPGIS_DASH", "Dash __ __ __", {4, -2}},
    {"MAPGIS_SHORT_DASH", "Short dash _ _ _ _", {2, -2}},
    {"MAPGIS_LONG_DASH", "Long dash ____ ____", {8, -2}},
    {"MAPGIS_DOT", "Dot . . . .", {0.5, -1.5}},
    {"MAPGIS_DASH_DOT", "Dash dot __ . __ .", {4, -1.5, 0.5, -1.5}},
    {"MAPGIS_DASH_DOT_DOT", "Dash dot dot __ . . __", {4, -1.5, 0.5, -1.5, 0.5, -1.5}},
    {"MAPGIS_ALTERNATE", "Alternate _ _ _ _ _", {1, -1}},
};

// The weights AutoCAD offers, in hundredths of a millimetre.
constexpr int kWeights[] = {0,  5,  9,  13, 15, 18,  20,  25,  30,  35,  40,  50,
                            53, 60, 70, 80, 90, 100, 106, 120, 140, 158, 200, 211};

}  // namespace

std::optional<DxfLineType> LineTypeOfStyle(int nLineStyle) {
    if (nLineStyle < 2 || nLineStyle > 8)
        return std::nullopt;
    return kDashed[nLineStyle - 2];
}

std::optional<int> LineWeightOfWidth(double dfWidthMm) {
    if (!std::isfinite(dfWidthMm) || dfWidthMm < 0)
        return std::nullopt;
    const double dfHundredths = dfWidthMm * 100.0;
    int nBest = kWeights[0];
    for (int nWeight : kWeights) {
        if (std::fabs(nWeight - dfHundredths) < std::fabs(nBest - dfHundredths))
            nBest = nWeight;
    }
    return nBest;
}

}  // namespace mapgis_dxf
