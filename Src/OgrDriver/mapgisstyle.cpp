// Style strings and style attribute values of host geometries.
#include "mapgisstyle.h"

#include <algorithm>
#include <charconv>
#include <vector>

#include "KoElement/KtStyle.h"
#include "KoElement/KtTextStyle.h"
#include "KoGeometry/KtGeoText.h"
#include "KoGeometryCAD/KtGeoCompound.h"

namespace mapgis {

namespace {

// Numbers in style strings never depend on the C locale: "%.10g" in the "C" locale.
std::string Num(double d) {
    char sz[64];
    const auto res = std::to_chars(sz, sz + sizeof(sz), d, std::chars_format::general, 10);
    return std::string(sz, res.ptr);
}

// A quoted style-string value; the parser takes backslash escapes.
std::string Quote(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string Tool(const char* pszName, const std::vector<std::string>& params) {
    std::string out = pszName;
    out += '(';
    for (size_t i = 0; i < params.size(); ++i) {
        if (i > 0)
            out += ',';
        out += params[i];
    }
    return out + ')';
}

int OgrSymbolId(int nMarker) {
    return nMarker == KTX::KtStyle::MarkerNetworkNode ? 3 : nMarker;
}

void AddLabels(const KTX::KtGeoText& text, std::vector<std::string>& tools) {
    const KTX::KtTextStyle* pStyle = text.GetTextStyle();
    for (int i = 0; i < text.GetSubCount(); ++i) {
        const KTX::KtSubText* pSub = text.GetSub(i);
        if (pSub == nullptr)
            continue;
        std::vector<std::string> params;
        if (pStyle != nullptr && pStyle->IsSet(KTX::KtTextStyle::FaceNameSet)) {
            params.push_back("f:" + Quote(pStyle->GetFaceName().ToUtf8()));
        }
        if (pStyle != nullptr && pStyle->IsSet(KTX::KtTextStyle::HeightSet)) {
            params.push_back("s:" + Num(pStyle->GetHeight()) + "g");
        }
        params.push_back("t:" + Quote(pSub->GetText().ToUtf8()));
        params.push_back("a:" + Num(pSub->GetAngle()));
        if (pStyle != nullptr && pStyle->IsSet(KTX::KtTextStyle::ForeColorSet)) {
            params.push_back("c:" + ColorToHex(pStyle->GetForeColor()));
        }
        if (pStyle != nullptr && pStyle->IsSet(KTX::KtTextStyle::ItalicSet)) {
            params.push_back(std::string("it:") + (pStyle->IsItalic() ? "1" : "0"));
        }
        tools.push_back(Tool("LABEL", params));
    }
}

void AddSymbol(const KTX::KtStyle& style, std::vector<std::string>& tools) {
    std::vector<std::string> params;
    if (style.IsSet(KTX::KtStyle::MarkerStyleSet)) {
        params.push_back("id:\"ogr-sym-" + std::to_string(OgrSymbolId(style.GetMarkerStyle())) +
                         "\"");
    }
    if (style.IsSet(KTX::KtStyle::LineColorSet)) {
        params.push_back("c:" + ColorToHex(style.GetLineColor()));
    }
    if (style.IsSet(KTX::KtStyle::MarkerHeightSet)) {
        params.push_back("s:" + Num(style.GetMarkerHeight()) + "mm");
    }
    if (style.IsSet(KTX::KtStyle::MarkerAngleSet)) {
        params.push_back("a:" + Num(style.GetMarkerAngle()));
    }
    if (!params.empty())
        tools.push_back(Tool("SYMBOL", params));
}

void AddPenAndBrush(const KTX::KtStyle& style, std::vector<std::string>& tools) {
    std::vector<std::string> pen;
    if (style.IsSet(KTX::KtStyle::LineColorSet))
        pen.push_back("c:" + ColorToHex(style.GetLineColor()));
    if (style.IsSet(KTX::KtStyle::LineWidthSet))
        pen.push_back("w:" + Num(style.GetLineWidth()) + "mm");
    if (style.IsSet(KTX::KtStyle::LineStyleSet)) {
        pen.push_back("id:\"ogr-pen-" + std::to_string(style.GetLineStyle()) + "\"");
    }
    if (!pen.empty())
        tools.push_back(Tool("PEN", pen));
    std::vector<std::string> brush;
    if (style.IsSet(KTX::KtStyle::FillForeColorSet)) {
        brush.push_back("fc:" + ColorToHex(style.GetFillForeColor()));
    }
    if (style.IsSet(KTX::KtStyle::FillStyleSet)) {
        brush.push_back("id:\"ogr-brush-" + std::to_string(style.GetFillStyle()) + "\"");
    }
    if (!brush.empty())
        tools.push_back(Tool("BRUSH", brush));
    const unsigned nMarker =
        KTX::KtStyle::MarkerStyleSet | KTX::KtStyle::MarkerHeightSet | KTX::KtStyle::MarkerAngleSet;
    if ((style.GetSetMask() & nMarker) != 0)
        AddSymbol(style, tools);
}

void CollectTools(const KTX::KtGeometry& geom, std::vector<std::string>& tools) {
    const int nType = geom.GetType();
    if (nType == KTX::KTGEO_TEXT) {
        AddLabels(static_cast<const KTX::KtGeoText&>(geom), tools);
        return;
    }
    if (nType == KTX::KTGEO_COMPOUND) {
        const auto& compound = static_cast<const KTX::KtGeoCompound&>(geom);
        for (int i = 0; i < compound.GetCount(); ++i) {
            if (compound.GetAt(i) != nullptr)
                CollectTools(*compound.GetAt(i), tools);
        }
    }
    const KTX::KtStyle* pStyle = geom.GetStyle();
    if (pStyle == nullptr)
        return;
    if (nType == KTX::KTGEO_POINT) {
        AddSymbol(*pStyle, tools);
    } else {
        AddPenAndBrush(*pStyle, tools);
    }
}

template <class T>
void SetFirst(std::optional<T>& slot, const T& value) {
    if (!slot)
        slot = value;
}

void CollectValues(const KTX::KtGeometry& geom, StyleAttributes& out) {
    const int nType = geom.GetType();
    if (nType == KTX::KTGEO_TEXT) {
        const auto& text = static_cast<const KTX::KtGeoText&>(geom);
        std::string strJoined = out.text.value_or(std::string());
        for (int i = 0; i < text.GetSubCount(); ++i) {
            const KTX::KtSubText* pSub = text.GetSub(i);
            if (pSub == nullptr)
                continue;
            strJoined += pSub->GetText().ToUtf8();
            SetFirst(out.textAngle, pSub->GetAngle());
        }
        out.text = strJoined;
        const KTX::KtTextStyle* pStyle = text.GetTextStyle();
        if (pStyle == nullptr)
            return;
        if (pStyle->IsSet(KTX::KtTextStyle::ForeColorSet)) {
            SetFirst(out.color, ColorToHex(pStyle->GetForeColor()));
        }
        if (pStyle->IsSet(KTX::KtTextStyle::HeightSet))
            SetFirst(out.textHeight, pStyle->GetHeight());
        if (pStyle->IsSet(KTX::KtTextStyle::FaceNameSet)) {
            SetFirst(out.fontName, pStyle->GetFaceName().ToUtf8());
        }
        return;
    }
    if (nType == KTX::KTGEO_COMPOUND) {
        const auto& compound = static_cast<const KTX::KtGeoCompound&>(geom);
        for (int i = 0; i < compound.GetCount(); ++i) {
            if (compound.GetAt(i) != nullptr)
                CollectValues(*compound.GetAt(i), out);
        }
    }
    const KTX::KtStyle* pStyle = geom.GetStyle();
    if (pStyle == nullptr)
        return;
    if (pStyle->IsSet(KTX::KtStyle::LineColorSet))
        SetFirst(out.color, ColorToHex(pStyle->GetLineColor()));
    if (pStyle->IsSet(KTX::KtStyle::FillForeColorSet)) {
        SetFirst(out.fillColor, ColorToHex(pStyle->GetFillForeColor()));
    }
    if (pStyle->IsSet(KTX::KtStyle::LineWidthSet))
        SetFirst(out.lineWidth, pStyle->GetLineWidth());
    if (pStyle->IsSet(KTX::KtStyle::LineStyleSet))
        SetFirst(out.lineStyle, pStyle->GetLineStyle());
    if (pStyle->IsSet(KTX::KtStyle::FillStyleSet))
        SetFirst(out.fillStyle, pStyle->GetFillStyle());
    if (pStyle->IsSet(KTX::KtStyle::MarkerStyleSet))
        SetFirst(out.symbol, pStyle->GetMarkerStyle());
    if (pStyle->IsSet(KTX::KtStyle::MarkerHeightSet)) {
        SetFirst(out.symbolSize, pStyle->GetMarkerHeight());
    }
    if (pStyle->IsSet(KTX::KtStyle::MarkerAngleSet)) {
        SetFirst(out.symbolAngle, pStyle->GetMarkerAngle());
    }
}

}  // namespace

std::string ColorToHex(KTX::PLXCOLOR c) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const unsigned rgb[] = {KTX::PLXGetRValue(c), KTX::PLXGetGValue(c), KTX::PLXGetBValue(c)};
    std::string out(7, '#');
    for (int i = 0; i < 3; ++i) {
        out[1 + 2 * i] = kHex[(rgb[i] >> 4) & 0xF];
        out[2 + 2 * i] = kHex[rgb[i] & 0xF];
    }
    return out;
}

std::string StyleString(const KTX::KtGeometry& geom) {
    std::vector<std::string> tools;
    CollectTools(geom, tools);
    // Labels pair with the text anchors by their order, so each one stays.
    std::vector<std::string> distinct;
    for (const std::string& tool : tools) {
        const bool bLabel = tool.compare(0, 6, "LABEL(") == 0;
        if (bLabel || std::find(distinct.begin(), distinct.end(), tool) == distinct.end()) {
            distinct.push_back(tool);
        }
    }
    std::string out;
    for (const std::string& tool : distinct) {
        if (!out.empty())
            out += ';';
        out += tool;
    }
    return out;
}

StyleAttributes CollectStyleAttributes(const KTX::KtGeometry& geom) {
    StyleAttributes out;
    CollectValues(geom, out);
    return out;
}

const char* GeometryKindName(int nHostType) {
    switch (nHostType) {
        case KTX::KTGEO_POINT:
            return "point";
        case KTX::KTGEO_LINE:
            return "line";
        case KTX::KTGEO_REGION:
            return "region";
        case KTX::KTGEO_TEXT:
            return "text";
        case KTX::KTGEO_ARC:
            return "arc";
        case KTX::KTGEO_CIRCLE:
            return "circle";
        case KTX::KTGEO_COMPOUND:
            return "compound";
        default:
            return "unknown";
    }
}

}  // namespace mapgis
