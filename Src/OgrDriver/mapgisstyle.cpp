// Style strings and style attribute values of host geometries.
#include "mapgisstyle.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <initializer_list>
#include <iterator>
#include <string_view>
#include <utility>
#include <vector>

#include "KoElement/KtStyle.h"
#include "KoElement/KtTextStyle.h"
#include "KoGeometry/KtGeoText.h"
#include "KoGeometryCAD/KtGeoCompound.h"
#include "mapgisfonts.h"
#include "mapgisnumber.h"

namespace mapgis {

namespace {

// Whether the text holds a quote or a backslash: two memchr scans, several times faster than
// find_first_of, which searches its set for every character.
bool NeedsEscapes(std::string_view s) {
    return s.find('"') != std::string_view::npos || s.find('\\') != std::string_view::npos;
}

// A quoted style-string value; the parser takes backslash escapes. Texts rarely hold a
// quote or a backslash, so the value is appended whole and escaped only when it does.
void AppendQuoted(std::string& out, std::string_view s) {
    out += '"';
    if (!NeedsEscapes(s)) {
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
    if (NeedsEscapes(std::string_view(out).substr(nStart))) {
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

// A value MODE=MAP writes in a tool: it replaces the tool's first parameter of that key, or
// is added after the others.
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
            if (setting.value && !written[k] && param.substr(0, setting.key.size()) == setting.key)
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

// Writes the style string in place: each tool is appended to the result and taken back
// when it has no parameter or repeats an earlier tool. Labels pair with the text anchors by
// their order, so each one stays. For MODE=MAP (a MapTools) the tools are those the layer
// draws, their values rewritten once the tool is known to stay.
class StyleWriter {
public:
    // Room for the usual style string of one feature, so it grows at most rarely.
    explicit StyleWriter(const MapTools* pMap = nullptr, std::vector<MapLabel>* pLabels = nullptr)
        : m_pMap(pMap), m_pLabels(pLabels) {
        m_out.reserve(96);
    }

    const MapTools* Map() const { return m_pMap; }
    std::vector<MapLabel>* Labels() const { return m_pLabels; }

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
    // Ends the tool; false when it was taken back.
    bool End(bool bLabel) {
        if (m_out.size() == m_nParamStart) {
            m_out.resize(m_nToolStart);
            return false;
        }
        m_out += ')';
        if (bLabel)
            return true;
        const std::string_view tool = Current();
        // Repeats are told by the reader's values: MODE=MAP's may make two tools alike.
        const std::string& written = m_pMap != nullptr ? m_own : m_out;
        for (const auto& [nOff, nLen] : m_tools) {
            if (tool == std::string_view(written.data() + nOff, nLen)) {
                m_out.resize(m_nToolStart);
                return false;
            }
        }
        m_tools.emplace_back(m_pMap != nullptr ? m_own.size() : m_nNameEnd, tool.size());
        if (m_pMap != nullptr)
            m_own += tool;
        return true;
    }
    // The tool just ended, without the ";" before it.
    std::string_view Current() const {
        return std::string_view(m_out.data() + m_nNameEnd, m_out.size() - m_nNameEnd);
    }
    // Writes MODE=MAP's values over the tool just ended.
    void Override(std::initializer_list<Setting> settings) {
        if (std::none_of(settings.begin(), settings.end(),
                         [](const Setting& s) { return s.value.has_value(); }))
            return;
        const std::string strTool(Current());
        m_out.resize(m_nToolStart);
        AppendTool(m_out, strTool, settings);
    }
    std::string& Out() { return m_out; }
    std::string Take() { return std::move(m_out); }

    bool bPen = false;  // a pen stayed
    bool bBrush = false;

private:
    const MapTools* m_pMap;
    std::vector<MapLabel>* m_pLabels;
    std::string m_out;
    std::string m_own;  // MODE=MAP: the tools that stayed, with the reader's values
    std::vector<std::pair<size_t, size_t>> m_tools;
    size_t m_nToolStart = 0;
    size_t m_nNameEnd = 0;
    size_t m_nParamStart = 0;
};

double Number(std::string_view s) {
    double d = 0;
    std::from_chars(s.data(), s.data() + s.size(), d);
    return d;
}

// Appends d as "%.10g"; returns the number as that text reads back when bRead, else d.
double AppendNumber(std::string& out, double d, bool bRead) {
    const size_t nStart = out.size();
    AppendGeneral10(out, d);
    return bRead ? Number(std::string_view(out).substr(nStart)) : d;
}

// In MODE=MAP a label's face is written as its family and its colour as the layer's.
void AddLabels(const KTX::KtGeoText& text, StyleWriter& w) {
    const MapTools* pMap = w.Map();
    if (pMap != nullptr && !pMap->bLabels)
        return;
    // Each label's values are kept only for a caller that asks for them.
    const bool bKeep = w.Labels() != nullptr;
    const KTX::KtTextStyle* pStyle = text.GetTextStyle();
    const auto isSet = [pStyle](unsigned nMember) {
        return pStyle != nullptr && pStyle->IsSet(nMember);
    };
    for (int i = 0; i < text.GetSubCount(); ++i) {
        const KTX::KtSubText* pSub = text.GetSub(i);
        if (pSub == nullptr)
            continue;
        MapLabel label;
        w.Begin("LABEL");
        if (isSet(KTX::KtTextStyle::FaceNameSet)) {
            if (pMap != nullptr) {
                label.strFont = pStyle->GetFaceName().ToUtf8();
                if (pMap->pFonts != nullptr)
                    label.strFont = pMap->pFonts->Family(label.strFont);
                AppendQuoted(w.Param("f:"), std::string_view(label.strFont));
            } else {
                AppendQuoted(w.Param("f:"), pStyle->GetFaceName());
            }
        }
        if (isSet(KTX::KtTextStyle::HeightSet)) {
            label.height = AppendNumber(w.Param("s:"), pStyle->GetHeight(), bKeep);
            w.Out() += 'g';
        }
        if (bKeep) {
            pSub->GetText().AppendUtf8(label.strText);
            AppendQuoted(w.Param("t:"), std::string_view(label.strText));
        } else {
            AppendQuoted(w.Param("t:"), pSub->GetText());
        }
        label.dfAngle = AppendNumber(w.Param("a:"), pSub->GetAngle(), bKeep);
        if (isSet(KTX::KtTextStyle::ForeColorSet)) {
            label.strColor =
                pMap != nullptr && pMap->color ? *pMap->color : ColorToHex(pStyle->GetForeColor());
            w.Param("c:") += label.strColor;
        }
        if (isSet(KTX::KtTextStyle::ItalicSet)) {
            label.italic = pStyle->IsItalic();
            w.Param("it:") += *label.italic ? '1' : '0';
        }
        if (pMap != nullptr && pMap->color && label.strColor.empty()) {
            label.strColor = *pMap->color;
            w.Param("c:") += label.strColor;
        }
        w.End(true);
        if (bKeep) {
            label.strTool = w.Current();
            w.Labels()->push_back(std::move(label));
        }
    }
}

void AddSymbol(const KTX::KtStyle& style, StyleWriter& w) {
    const MapTools* pMap = w.Map();
    if (pMap != nullptr && !pMap->bSymbols)
        return;
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
    if (w.End(false) && pMap != nullptr)
        w.Override({{"c:", pMap->color}, {"s:", pMap->size}});
}

void AddPenAndBrush(const KTX::KtStyle& style, StyleWriter& w) {
    const MapTools* pMap = w.Map();
    // QGIS draws a pen without colour, and a brush without fill colour, in black: without a
    // colour the tool is left out, as it is for the line style "none".
    const bool bLineStyle = style.IsSet(KTX::KtStyle::LineStyleSet);
    if (style.IsSet(KTX::KtStyle::LineColorSet) &&
        !(bLineStyle && style.GetLineStyle() == kLineStyleNone) &&
        (pMap == nullptr || pMap->bPens)) {
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
        if (w.End(false) && pMap != nullptr) {
            w.bPen = true;
            w.Override({{"c:", pMap->color}, {"w:", pMap->width}});
        }
    }
    if (style.IsSet(KTX::KtStyle::FillForeColorSet) && (pMap == nullptr || pMap->bBrushes)) {
        w.Begin("BRUSH");
        AppendColor(w.Param("fc:"), style.GetFillForeColor());
        if (style.IsSet(KTX::KtStyle::FillStyleSet))
            w.Param("id:\"ogr-brush-") += std::to_string(style.GetFillStyle()) + "\"";
        if (w.End(false) && pMap != nullptr) {
            w.bBrush = true;
            w.Override({{"fc:", pMap->fillColor}});
        }
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

std::string MapStyleString(const KTX::KtGeometry* pGeom, const MapTools& tools,
                           std::vector<MapLabel>* pLabels) {
    StyleWriter w(&tools, pLabels);
    if (pGeom != nullptr)
        CollectTools(*pGeom, w);
    std::string out = w.Take();
    if (tools.bPens && !w.bPen && tools.color)
        AppendTool(out, "PEN()", {{"c:", tools.color}, {"w:", tools.width}});
    if (tools.bBrushes && !w.bBrush && tools.fillColor)
        AppendTool(out, "BRUSH()", {{"fc:", tools.fillColor}});
    return out;
}

bool DrawsFill(const KTX::KtGeometry& geom) {
    const int nType = geom.GetType();
    if (nType == KTX::KTGEO_TEXT)
        return false;
    if (nType == KTX::KTGEO_COMPOUND) {
        const auto& compound = static_cast<const KTX::KtGeoCompound&>(geom);
        for (int i = 0; i < compound.GetCount(); ++i) {
            if (compound.GetAt(i) != nullptr && DrawsFill(*compound.GetAt(i)))
                return true;
        }
    }
    const KTX::KtStyle* pStyle = geom.GetStyle();
    return nType != KTX::KTGEO_POINT && pStyle != nullptr &&
           pStyle->IsSet(KTX::KtStyle::FillForeColorSet);
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
