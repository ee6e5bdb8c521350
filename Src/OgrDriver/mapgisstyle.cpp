// Style strings and style attribute values of host geometries.
#include "mapgisstyle.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string_view>
#include <utility>
#include <vector>

#include "KoElement/KtStyle.h"
#include "KoElement/KtTextStyle.h"
#include "KoGeometry/KtGeoText.h"
#include "KoGeometryCAD/KtGeoCompound.h"
#include "mapgisnumber.h"

namespace mapgis {

namespace {

// A quoted style-string value; the parser takes backslash escapes. Texts rarely hold a
// quote or a backslash, so the value is appended whole and escaped only when it does.
void AppendQuoted(std::string& out, std::string_view s) {
    out += '"';
    if (s.find_first_of("\"\\") == std::string_view::npos) {
        out += s;
    } else {
        for (char c : s) {
            if (c == '"' || c == '\\')
                out += '\\';
            out += c;
        }
    }
    out += '"';
}

void AppendQuoted(std::string& out, const KTX::PlxUnicodeString& str) {
    out += '"';
    const std::size_t nStart = out.size();
    str.AppendUtf8(out);
    if (out.find_first_of("\"\\", nStart) != std::string::npos) {
        const std::string strText = out.substr(nStart);
        out.resize(nStart - 1);
        AppendQuoted(out, std::string_view(strText));
        return;
    }
    out += '"';
}

void AppendColor(std::string& out, KTX::PLXCOLOR c) {
    out += ColorToHex(c);
}

// Line style n as a dash pattern: QGIS draws dashes from "p:" alone, never from the id, and
// QGIS 3.22 reads it only as numbers with one unit after the last ("4 2mm"; "4mm 2mm" it
// ignores). Dash, gap, ... in millimetres of the printed map; none for solid lines.
constexpr const char* kDashPatterns[] = {
    nullptr,                    // 0 solid
    nullptr,                    // 1 none: no pen at all
    "4 2mm",                    // 2 dash
    "2 2mm",                    // 3 short dash
    "8 2mm",                    // 4 long dash
    "0.5 1.5mm",                // 5 dot
    "4 1.5 0.5 1.5mm",          // 6 dash-dot
    "4 1.5 0.5 1.5 0.5 1.5mm",  // 7 dash-dot-dot
    "1 1mm",                    // 8 alternate
};

constexpr int kLineStyleNone = 1;

const char* DashPattern(int nLineStyle) {
    constexpr int nCount = static_cast<int>(std::size(kDashPatterns));
    return nLineStyle >= 0 && nLineStyle < nCount ? kDashPatterns[nLineStyle] : nullptr;
}

int OgrSymbolId(int nMarker) {
    return nMarker == KTX::KtStyle::MarkerNetworkNode ? 3 : nMarker;
}

// Writes the style string in place: each tool is appended to the result and taken back
// when it has no parameter or repeats an earlier tool. Labels pair with the text anchors by
// their order, so each one stays.
class StyleWriter {
public:
    // Room for the usual style string of one feature, so it grows at most rarely.
    StyleWriter() { m_out.reserve(96); }

    void Begin(const char* pszName) {
        m_nToolStart = m_out.size();
        if (!m_out.empty())
            m_out += ';';
        m_nNameEnd = m_out.size();
        m_out += pszName;
        m_out += '(';
        m_nParamStart = m_out.size();
    }
    // Starts a parameter; the caller appends its value.
    std::string& Param(const char* pszKey) {
        if (m_out.size() > m_nParamStart)
            m_out += ',';
        m_out += pszKey;
        return m_out;
    }
    void End(bool bLabel) {
        if (m_out.size() == m_nParamStart) {
            m_out.resize(m_nToolStart);
            return;
        }
        m_out += ')';
        const size_t nBegin = m_nNameEnd;
        const std::string_view tool(m_out.data() + nBegin, m_out.size() - nBegin);
        if (!bLabel) {
            for (const auto& [nOff, nLen] : m_tools) {
                if (tool == std::string_view(m_out.data() + nOff, nLen)) {
                    m_out.resize(m_nToolStart);
                    return;
                }
            }
            m_tools.emplace_back(nBegin, tool.size());
        }
    }
    std::string Take() { return std::move(m_out); }

private:
    std::string m_out;
    std::vector<std::pair<size_t, size_t>> m_tools;
    size_t m_nToolStart = 0;
    size_t m_nNameEnd = 0;
    size_t m_nParamStart = 0;
};

void AddLabels(const KTX::KtGeoText& text, StyleWriter& w) {
    const KTX::KtTextStyle* pStyle = text.GetTextStyle();
    const auto isSet = [pStyle](unsigned nMember) {
        return pStyle != nullptr && pStyle->IsSet(nMember);
    };
    for (int i = 0; i < text.GetSubCount(); ++i) {
        const KTX::KtSubText* pSub = text.GetSub(i);
        if (pSub == nullptr)
            continue;
        w.Begin("LABEL");
        if (isSet(KTX::KtTextStyle::FaceNameSet))
            AppendQuoted(w.Param("f:"), pStyle->GetFaceName());
        if (isSet(KTX::KtTextStyle::HeightSet))
            AppendGeneral10(w.Param("s:"), pStyle->GetHeight()) += 'g';
        AppendQuoted(w.Param("t:"), pSub->GetText());
        AppendGeneral10(w.Param("a:"), pSub->GetAngle());
        if (isSet(KTX::KtTextStyle::ForeColorSet))
            AppendColor(w.Param("c:"), pStyle->GetForeColor());
        if (isSet(KTX::KtTextStyle::ItalicSet))
            w.Param("it:") += pStyle->IsItalic() ? '1' : '0';
        w.End(true);
    }
}

void AddSymbol(const KTX::KtStyle& style, StyleWriter& w) {
    w.Begin("SYMBOL");
    if (style.IsSet(KTX::KtStyle::MarkerStyleSet)) {
        w.Param("id:\"ogr-sym-") += std::to_string(OgrSymbolId(style.GetMarkerStyle())) + "\"";
    }
    if (style.IsSet(KTX::KtStyle::LineColorSet))
        AppendColor(w.Param("c:"), style.GetLineColor());
    if (style.IsSet(KTX::KtStyle::MarkerHeightSet)) {
        AppendGeneral10(w.Param("s:"), style.GetMarkerHeight()) += "mm";
    }
    if (style.IsSet(KTX::KtStyle::MarkerAngleSet))
        AppendGeneral10(w.Param("a:"), style.GetMarkerAngle());
    w.End(false);
}

void AddPenAndBrush(const KTX::KtStyle& style, StyleWriter& w) {
    // QGIS draws a pen without colour, and a brush without fill colour, in black: without a
    // colour the tool is left out, as it is for the line style "none".
    const bool bLineStyle = style.IsSet(KTX::KtStyle::LineStyleSet);
    if (style.IsSet(KTX::KtStyle::LineColorSet) &&
        !(bLineStyle && style.GetLineStyle() == kLineStyleNone)) {
        w.Begin("PEN");
        AppendColor(w.Param("c:"), style.GetLineColor());
        if (style.IsSet(KTX::KtStyle::LineWidthSet)) {
            AppendGeneral10(w.Param("w:"), style.GetLineWidth()) += "mm";
        }
        if (bLineStyle) {
            if (const char* pszPattern = DashPattern(style.GetLineStyle()))
                AppendQuoted(w.Param("p:"), std::string_view(pszPattern));
            w.Param("id:\"ogr-pen-") += std::to_string(style.GetLineStyle()) + "\"";
        }
        w.End(false);
    }
    if (style.IsSet(KTX::KtStyle::FillForeColorSet)) {
        w.Begin("BRUSH");
        AppendColor(w.Param("fc:"), style.GetFillForeColor());
        if (style.IsSet(KTX::KtStyle::FillStyleSet))
            w.Param("id:\"ogr-brush-") += std::to_string(style.GetFillStyle()) + "\"";
        w.End(false);
    }
    const unsigned nMarker =
        KTX::KtStyle::MarkerStyleSet | KTX::KtStyle::MarkerHeightSet | KTX::KtStyle::MarkerAngleSet;
    if ((style.GetSetMask() & nMarker) != 0)
        AddSymbol(style, w);
}

void CollectTools(const KTX::KtGeometry& geom, StyleWriter& w) {
    const int nType = geom.GetType();
    if (nType == KTX::KTGEO_TEXT) {
        AddLabels(static_cast<const KTX::KtGeoText&>(geom), w);
        return;
    }
    if (nType == KTX::KTGEO_COMPOUND) {
        const auto& compound = static_cast<const KTX::KtGeoCompound&>(geom);
        for (int i = 0; i < compound.GetCount(); ++i) {
            if (compound.GetAt(i) != nullptr)
                CollectTools(*compound.GetAt(i), w);
        }
    }
    const KTX::KtStyle* pStyle = geom.GetStyle();
    if (pStyle == nullptr)
        return;
    if (nType == KTX::KTGEO_POINT) {
        AddSymbol(*pStyle, w);
    } else {
        AddPenAndBrush(*pStyle, w);
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
        std::string& strJoined = out.text ? *out.text : out.text.emplace();
        for (int i = 0; i < text.GetSubCount(); ++i) {
            const KTX::KtSubText* pSub = text.GetSub(i);
            if (pSub == nullptr)
                continue;
            pSub->GetText().AppendUtf8(strJoined);
            SetFirst(out.textAngle, pSub->GetAngle());
        }
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
    StyleWriter w;
    CollectTools(geom, w);
    return w.Take();
}

namespace {

// Where the quoted text opened just before from goes on: the character after its closing
// quote (or the end).
size_t AfterQuoted(std::string_view s, size_t from) {
    for (size_t i = from; i < s.size(); ++i) {
        const void* p = std::memchr(s.data() + i, '"', s.size() - i);
        if (p == nullptr)
            return s.size();
        size_t nQuote = static_cast<size_t>(static_cast<const char*>(p) - s.data());
        size_t nEscapes = 0;
        while (nEscapes < nQuote - from && s[nQuote - 1 - nEscapes] == '\\')
            ++nEscapes;
        if (nEscapes % 2 == 0)
            return nQuote + 1;
        i = nQuote;
    }
    return s.size();
}

}  // namespace

std::vector<std::string_view> StyleTools(std::string_view style) {
    std::vector<std::string_view> tools;
    tools.reserve(4);
    size_t nStart = 0;
    size_t i = 0;
    while (i < style.size()) {
        size_t nStop = i;
        while (nStop < style.size() && style[nStop] != ';' && style[nStop] != '"')
            ++nStop;
        if (nStop == style.size())
            break;
        if (style[nStop] == '"') {
            i = AfterQuoted(style, nStop + 1);
            continue;
        }
        tools.push_back(style.substr(nStart, nStop - nStart));
        nStart = i = nStop + 1;
    }
    if (nStart < style.size())
        tools.push_back(style.substr(nStart));
    return tools;
}

std::string StyleParameterValue(std::string_view value) {
    if (value.empty() || value[0] != '"')
        return std::string(value);
    const size_t nEnd = AfterQuoted(value, 1);
    const bool bClosed = nEnd >= 2 && value[nEnd - 1] == '"';
    const std::string_view quoted = value.substr(1, bClosed ? nEnd - 2 : std::string_view::npos);
    if (quoted.find('\\') == std::string_view::npos)
        return std::string(quoted);
    std::string out;
    for (size_t i = 1; i < value.size() && value[i] != '"'; ++i) {
        if (value[i] == '\\' && i + 1 < value.size())
            ++i;
        out += value[i];
    }
    return out;
}

bool ReadStyleTool(std::string_view tool, std::string_view* pName, StyleParameters* pParams) {
    pParams->clear();
    pParams->reserve(8);
    const size_t nOpen = tool.find('(');
    if (nOpen == std::string_view::npos || tool.size() < nOpen + 2 || tool.back() != ')')
        return false;
    *pName = tool.substr(0, nOpen);
    const std::string_view body = tool.substr(nOpen + 1, tool.size() - nOpen - 2);
    size_t i = 0;
    while (i < body.size()) {
        const size_t nColon = body.find(':', i);
        if (nColon == std::string_view::npos)
            return false;
        const std::string_view key = body.substr(i, nColon - i);
        const size_t nValue = nColon + 1;
        i = nValue;
        if (i < body.size() && body[i] == '"') {
            for (++i; i < body.size() && body[i] != '"'; ++i) {
                if (body[i] == '\\' && i + 1 < body.size())
                    ++i;
            }
            if (i == body.size())
                return false;  // no closing quote
            ++i;
        } else {
            i = std::min(body.find(',', i), body.size());
        }
        const std::string_view value = body.substr(nValue, i - nValue);
        if (i < body.size() && body[i++] != ',')
            return false;
        pParams->emplace_back(key, value);
    }
    return true;
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
