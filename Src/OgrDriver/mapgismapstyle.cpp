// MODE=MAP's style values of an item.
#include "mapgismapstyle.h"

#include "cpl_string.h"
#include "mapgisnumber.h"

namespace mapgis {

namespace {

std::optional<std::string> Hex(const ColorLibrary* pLibrary, int nColor) {
    const std::optional<std::uint32_t> rgb =
        pLibrary != nullptr ? pLibrary->Rgb(nColor) : std::nullopt;
    if (!rgb)
        return std::nullopt;
    return CPLSPrintf("#%02X%02X%02X", (*rgb >> 16) & 0xFF, (*rgb >> 8) & 0xFF, *rgb & 0xFF);
}

std::optional<std::string> Millimetres(const std::optional<double>& value) {
    if (!value)
        return std::nullopt;
    std::string out;
    return AppendGeneral10(out, *value) + "mm";
}

}  // namespace

MapStyle MapStyleOf(const ItemStyle& numbers, const ColorLibrary* pLibrary) {
    MapStyle style;
    style.color = Hex(pLibrary, numbers.nColor);
    style.fillColor = Hex(pLibrary, numbers.nFillColor);
    if (const std::optional<std::string> pattern = Hex(pLibrary, numbers.nPatternColor)) {
        style.color = pattern;
        style.fillColor = pattern;
    }
    if (numbers.dfWidth >= 0)
        style.width = numbers.dfWidth;
    return style;
}

MapTools MapToolsOf(MapKind eKind, const MapStyle& style, const FontTable& fonts) {
    MapTools tools;
    tools.bPens = eKind == MapKind::Lines || eKind == MapKind::Areas;
    tools.bBrushes = eKind == MapKind::Areas;
    tools.bSymbols = eKind == MapKind::Points;
    tools.bLabels = eKind == MapKind::Texts;
    tools.color = style.color;
    tools.fillColor = style.fillColor;
    if (tools.bPens)
        tools.width = Millimetres(style.width);
    if (tools.bSymbols)
        tools.size = Millimetres(style.symbolSize);
    tools.pFonts = &fonts;
    return tools;
}

}  // namespace mapgis
