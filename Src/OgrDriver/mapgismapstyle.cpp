// Style strings rewritten parameter by parameter: a tool's parameters are kept as written
// (quoted text and all) but for those MODE=MAP sets.
#include "mapgismapstyle.h"

#include <array>
#include <initializer_list>
#include <string_view>

#include "cpl_string.h"
#include "mapgisnumber.h"
#include "mapgisstyle.h"

namespace mapgis {

namespace {

std::optional<std::string> Hex(const ColorLibrary* pLibrary, int nColor) {
    const std::optional<std::uint32_t> rgb =
        pLibrary != nullptr ? pLibrary->Rgb(nColor) : std::nullopt;
    if (!rgb)
        return std::nullopt;
    return CPLSPrintf("#%02X%02X%02X", (*rgb >> 16) & 0xFF, (*rgb >> 8) & 0xFF, *rgb & 0xFF);
}

std::string Millimetres(double dfWidth) {
    std::string out;
    return AppendGeneral10(out, dfWidth) + "mm";
}

std::string Quoted(const std::string& s) {
    std::string out;
    out.reserve(s.size() + 2);
    out += '"';
    for (char c : s) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

// Calls fn with each parameter of a tool NAME(key:value,...) as written, split at the commas
// outside quoted text.
template <typename Fn>
void ForEachParameter(std::string_view tool, Fn fn) {
    const size_t nOpen = tool.find('(');
    if (nOpen == std::string_view::npos || tool.size() < nOpen + 2)
        return;
    const std::string_view body = tool.substr(nOpen + 1, tool.size() - nOpen - 2);
    size_t nStart = 0;
    bool bQuoted = false;
    for (size_t i = 0; i < body.size(); ++i) {
        if (bQuoted && body[i] == '\\' && i + 1 < body.size()) {
            ++i;
        } else if (body[i] == '"') {
            bQuoted = !bQuoted;
        } else if (body[i] == ',' && !bQuoted) {
            fn(body.substr(nStart, i - nStart));
            nStart = i + 1;
        }
    }
    fn(body.substr(nStart));
}

bool HasKey(std::string_view param, std::string_view key) {
    return param.substr(0, key.size()) == key;
}

// A value MODE=MAP sets in a tool: it replaces the tool's first parameter of that key, or is
// added after the others.
struct Setting {
    std::string_view key;
    const std::optional<std::string>& value;
};

// Appends the tool to out (after a ";" if out holds tools), its parameters kept as written
// but for the settings.
void AppendTool(std::string& out, std::string_view tool, std::initializer_list<Setting> settings) {
    if (!out.empty())
        out += ';';
    out += tool.substr(0, tool.find('('));
    out += '(';
    std::array<bool, 3> written{};
    auto append = [&out](std::string_view part) {
        if (out.back() != '(')
            out += ',';
        out += part;
    };
    ForEachParameter(tool, [&](std::string_view param) {
        size_t k = 0;
        for (const Setting& setting : settings) {
            if (setting.value && !written[k] && HasKey(param, setting.key))
                break;
            ++k;
        }
        if (k == settings.size()) {
            append(param);
            return;
        }
        written[k] = true;
        append(settings.begin()[k].key);
        out += *settings.begin()[k].value;
    });
    for (size_t k = 0; k < settings.size(); ++k) {
        const Setting& setting = settings.begin()[k];
        if (setting.value && !written[k]) {
            append(setting.key);
            out += *setting.value;
        }
    }
    out += ')';
}

// The family that stands for the face of the label's first "f:" parameter, quoted.
std::optional<std::string> FamilyOf(std::string_view label, const FontTable& fonts) {
    std::optional<std::string> family;
    ForEachParameter(label, [&](std::string_view param) {
        if (!family && HasKey(param, "f:"))
            family = Quoted(fonts.Family(StyleParameterValue(param.substr(2))));
    });
    return family;
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

std::string Restyled(const std::string& strStyle, MapKind eKind, const MapStyle& style,
                     const FontTable& fonts) {
    const std::optional<std::string> width =
        style.width ? std::optional<std::string>(Millimetres(*style.width)) : std::nullopt;
    const std::optional<std::string> size =
        style.symbolSize ? std::optional<std::string>(Millimetres(*style.symbolSize))
                         : std::nullopt;
    bool bPen = false, bBrush = false;
    std::string out;
    for (std::string_view tool : StyleTools(strStyle)) {
        const std::string_view name = tool.substr(0, tool.find('('));
        if (name == "PEN") {
            bPen = true;
            AppendTool(out, tool, {{"c:", style.color}, {"w:", width}});
        } else if (name == "BRUSH") {
            bBrush = true;
            AppendTool(out, tool, {{"fc:", style.fillColor}});
        } else if (name == "SYMBOL") {
            AppendTool(out, tool, {{"c:", style.color}, {"s:", size}});
        } else if (name == "LABEL") {
            const std::optional<std::string> family = FamilyOf(tool, fonts);
            AppendTool(out, tool, {{"c:", style.color}, {"f:", family}});
        } else {
            AppendTool(out, tool, {});
        }
    }
    const bool bDrawn = eKind == MapKind::Lines || eKind == MapKind::Areas;
    if (bDrawn && !bPen && style.color)
        AppendTool(out, "PEN()", {{"c:", style.color}, {"w:", width}});
    if (eKind == MapKind::Areas && !bBrush && style.fillColor)
        AppendTool(out, "BRUSH()", {{"fc:", style.fillColor}});
    return out;
}

}  // namespace mapgis
