// Style strings rewritten parameter by parameter: a tool's parameters are kept as written
// (quoted text and all) but for those MODE=MAP sets.
#include "mapgismapstyle.h"

#include <vector>

#include "cpl_string.h"
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
    return CPLSPrintf("%.10gmm", dfWidth);
}

std::string Quoted(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

// A tool as its name and its parameters as written, "key:value".
struct Tool {
    std::string strName;
    std::vector<std::string> params;

    static Tool Of(const std::string& strTool) {
        Tool tool;
        const size_t nOpen = strTool.find('(');
        tool.strName = strTool.substr(0, nOpen);
        if (nOpen == std::string::npos || strTool.size() < nOpen + 2)
            return tool;
        std::string strParam;
        bool bQuoted = false;
        for (size_t i = nOpen + 1; i + 1 < strTool.size(); ++i) {
            const char c = strTool[i];
            if (bQuoted && c == '\\' && i + 2 < strTool.size()) {
                strParam += c;
                strParam += strTool[++i];
                continue;
            }
            bQuoted = c == '"' ? !bQuoted : bQuoted;
            if (c == ',' && !bQuoted) {
                tool.params.push_back(strParam);
                strParam.clear();
            } else {
                strParam += c;
            }
        }
        tool.params.push_back(strParam);
        return tool;
    }
    void Set(const std::string& strKey, const std::optional<std::string>& value) {
        if (!value)
            return;
        for (std::string& strParam : params) {
            if (strParam.compare(0, strKey.size(), strKey) == 0) {
                strParam = strKey + *value;
                return;
            }
        }
        params.push_back(strKey + *value);
    }
    std::string Written() const {
        std::string out = strName + "(";
        for (const std::string& strParam : params)
            out += (out.back() == '(' ? "" : ",") + strParam;
        return out + ")";
    }
};

std::string FamilyOf(const Tool& label, const FontTable& fonts) {
    for (const std::string& strParam : label.params) {
        if (strParam.compare(0, 2, "f:") != 0)
            continue;
        std::string strName;
        StyleParameters params;
        if (ReadStyleTool("LABEL(" + strParam + ")", &strName, &params) && !params.empty())
            return Quoted(fonts.Family(params[0].second));
    }
    return std::string();
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
    bool bPen = false, bBrush = false;
    std::string out;
    auto add = [&out](const Tool& tool) { out += (out.empty() ? "" : ";") + tool.Written(); };
    for (const std::string& strTool : StyleTools(strStyle.c_str())) {
        Tool tool = Tool::Of(strTool);
        if (tool.strName == "PEN") {
            bPen = true;
            tool.Set("c:", style.color);
            tool.Set("w:", width);
        } else if (tool.strName == "BRUSH") {
            bBrush = true;
            tool.Set("fc:", style.fillColor);
        } else if (tool.strName == "SYMBOL") {
            tool.Set("c:", style.color);
            if (style.symbolSize)
                tool.Set("s:", Millimetres(*style.symbolSize));
        } else if (tool.strName == "LABEL") {
            tool.Set("c:", style.color);
            const std::string strFamily = FamilyOf(tool, fonts);
            tool.Set("f:", strFamily.empty() ? std::nullopt : std::optional(strFamily));
        }
        add(tool);
    }
    const bool bDrawn = eKind == MapKind::Lines || eKind == MapKind::Areas;
    if (bDrawn && !bPen && style.color) {
        Tool pen{"PEN", {}};
        pen.Set("c:", style.color);
        pen.Set("w:", width);
        add(pen);
    }
    if (eKind == MapKind::Areas && !bBrush && style.fillColor)
        add(Tool{"BRUSH", {"fc:" + *style.fillColor}});
    return out;
}

}  // namespace mapgis
