// Colours as CAD readers take them: a true colour and the nearest of AutoCAD's 255.
#include "DxfColor.h"

#include <cmath>

namespace mapgis_dxf {

namespace {

constexpr uint32_t kFirstNine[] = {0xFF0000, 0xFFFF00, 0x00FF00, 0x00FFFF, 0x0000FF,
                                   0xFF00FF, 0xFFFFFF, 0x808080, 0xC0C0C0};
constexpr uint32_t kGreys[] = {0x333333, 0x505050, 0x696969, 0x828282, 0xBEBEBE, 0xFFFFFF};
// Indexes 10 to 249 run through 24 hues 15 degrees apart, ten shades each: five brightnesses,
// each at full and at half saturation.
constexpr double kBrightness[] = {1.0, 0.8, 0.6, 0.5, 0.3};

uint32_t Rgb(double dfR, double dfG, double dfB) {
    auto channel = [](double v) { return static_cast<uint32_t>(std::floor(v)); };
    return channel(dfR) << 16 | channel(dfG) << 8 | channel(dfB);
}

uint32_t HueShade(int nIndex) {
    const double dfHue = (nIndex - 10) / 10 * 15.0;
    const int nShade = nIndex % 10;
    const double dfMax = 255.0 * kBrightness[nShade / 2];
    const double dfMin = nShade % 2 == 0 ? 0.0 : dfMax / 2;
    const int nSector = static_cast<int>(dfHue / 60.0);
    const double dfRise = dfMin + (dfMax - dfMin) * (dfHue - 60.0 * nSector) / 60.0;
    const double dfFall = dfMax - (dfRise - dfMin);
    switch (nSector) {
        case 0:
            return Rgb(dfMax, dfRise, dfMin);
        case 1:
            return Rgb(dfFall, dfMax, dfMin);
        case 2:
            return Rgb(dfMin, dfMax, dfRise);
        case 3:
            return Rgb(dfMin, dfFall, dfMax);
        case 4:
            return Rgb(dfRise, dfMin, dfMax);
        default:
            return Rgb(dfMax, dfMin, dfFall);
    }
}

double Distance2(uint32_t a, uint32_t b) {
    double dfSum = 0;
    for (int nShift = 0; nShift <= 16; nShift += 8) {
        const double d = static_cast<double>((a >> nShift) & 0xFF) - ((b >> nShift) & 0xFF);
        dfSum += d * d;
    }
    return dfSum;
}

}  // namespace

std::optional<uint32_t> ParseHexColor(const std::string& strColor) {
    if (strColor.size() != 7 || strColor[0] != '#')
        return std::nullopt;
    uint32_t nRgb = 0;
    for (size_t i = 1; i < strColor.size(); ++i) {
        const char c = strColor[i];
        const int nDigit = c >= '0' && c <= '9'   ? c - '0'
                           : c >= 'a' && c <= 'f' ? c - 'a' + 10
                           : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                  : -1;
        if (nDigit < 0)
            return std::nullopt;
        nRgb = nRgb << 4 | static_cast<uint32_t>(nDigit);
    }
    return nRgb;
}

uint32_t AciColor(int nIndex) {
    if (nIndex >= 1 && nIndex <= 9)
        return kFirstNine[nIndex - 1];
    if (nIndex >= 250 && nIndex <= 255)
        return kGreys[nIndex - 250];
    if (nIndex >= 10 && nIndex <= 249)
        return HueShade(nIndex);
    return 0;
}

int NearestAci(uint32_t nRgb) {
    if (nRgb == 0x000000 || nRgb == 0xFFFFFF)
        return 7;
    int nBest = 1;
    double dfBest = Distance2(nRgb, AciColor(1));
    for (int i = 2; i <= 255; ++i) {
        const double dfDistance = Distance2(nRgb, AciColor(i));
        if (dfDistance < dfBest) {
            dfBest = dfDistance;
            nBest = i;
        }
    }
    return nBest;
}

}  // namespace mapgis_dxf
