// Kind views of compound layers and the DXF entity view.
#include "KindLayers.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

#include "cpl_conv.h"
#include "mapgisstyle.h"

namespace mapgis_import {

namespace {

size_t Index(Kind eKind) {
    return static_cast<size_t>(eKind);
}

bool StartsWith(const std::string& s, const char* pszPrefix) {
    return s.compare(0, std::strlen(pszPrefix), pszPrefix) == 0;
}

// The kind a style tool draws.
bool ToolDraws(const std::string& strTool, Kind eKind) {
    switch (eKind) {
        case Kind::Points:
            return StartsWith(strTool, "SYMBOL(");
        case Kind::Texts:
            return StartsWith(strTool, "LABEL(");
        case Kind::Lines:
            return StartsWith(strTool, "PEN(");
        case Kind::Areas:
            return StartsWith(strTool, "PEN(") || StartsWith(strTool, "BRUSH(");
    }
    return false;
}

std::string Join(const std::vector<std::string>& tools) {
    std::string out;
    for (const std::string& t : tools)
        out += (out.empty() ? "" : ";") + t;
    return out;
}

Kind KindOfPart(const OGRGeometry& part, bool bTextPoints) {
    const OGRwkbGeometryType eFlat = wkbFlatten(part.getGeometryType());
    if (eFlat == wkbPoint || eFlat == wkbMultiPoint)
        return bTextPoints ? Kind::Texts : Kind::Points;
    if (OGR_GT_IsSubClassOf(eFlat, wkbCurve) || OGR_GT_IsSubClassOf(eFlat, wkbMultiCurve))
        return Kind::Lines;
    return Kind::Areas;
}

std::unique_ptr<OGRGeometryCollection> NewMulti(Kind eKind) {
    switch (eKind) {
        case Kind::Points:
        case Kind::Texts:
            return std::make_unique<OGRMultiPoint>();
        case Kind::Lines:
            return std::make_unique<OGRMultiCurve>();
        case Kind::Areas:
            break;
    }
    return std::make_unique<OGRMultiSurface>();
}

// Takes the part, a collection part by part.
void AddPart(OGRGeometryCollection& multi, OGRGeometry* poPart) {
    if (OGR_GT_IsSubClassOf(wkbFlatten(poPart->getGeometryType()), wkbGeometryCollection)) {
        auto* poInner = poPart->toGeometryCollection();
        for (OGRGeometry* poChild : *poInner)
            AddPart(multi, poChild);
        poInner->removeGeometry(-1, FALSE);
        delete poPart;
    } else if (multi.addGeometryDirectly(poPart) != OGRERR_NONE) {
        delete poPart;
    }
}

OGRwkbGeometryType ViewType(Kind eKind, bool bNetwork, bool bCurves) {
    switch (eKind) {
        case Kind::Points:
            return bNetwork ? wkbMultiPoint : wkbPoint;
        case Kind::Texts:
            return wkbPoint;
        case Kind::Lines:
            return bCurves ? wkbMultiCurve : wkbMultiLineString;
        case Kind::Areas:
            break;
    }
    return bCurves ? wkbMultiSurface : wkbMultiPolygon;
}

// dBase field names hold ten characters; the only longer name, shortened on purpose.
std::string FieldName(const char* pszName, bool bShortNames) {
    if (bShortNames && std::strcmp(pszName, "SymbolAngle") == 0)
        return "SymAngle";
    return pszName;
}

OGRFeatureDefn* NewDefn(const std::string& strName, OGRwkbGeometryType eType,
                        OGRSpatialReference* poSRS) {
    auto* poDefn = new OGRFeatureDefn(strName.c_str());
    poDefn->Reference();
    poDefn->SetGeomType(eType);
    poDefn->GetGeomFieldDefn(0)->SetSpatialRef(poSRS);
    return poDefn;
}

void Widen(OGREnvelope& bounds, const OGRGeometry& geom) {
    if (geom.IsEmpty())
        return;
    OGREnvelope env;
    geom.getEnvelope(&env);
    bounds.Merge(env);
}

// A linear copy of the rings of an area, as lines.
std::unique_ptr<OGRMultiLineString> Outline(const OGRGeometry& area) {
    auto poLines = std::make_unique<OGRMultiLineString>();
    std::unique_ptr<OGRGeometry> poLinear(area.getLinearGeometry());
    auto addRings = [&](const OGRPolygon& polygon) {
        for (const OGRLinearRing* poRing : polygon)
            poLines->addGeometryDirectly(new OGRLineString(*poRing));
    };
    const OGRwkbGeometryType eFlat = wkbFlatten(poLinear->getGeometryType());
    if (eFlat == wkbPolygon) {
        addRings(*poLinear->toPolygon());
    } else if (eFlat == wkbMultiPolygon) {
        for (const OGRPolygon* poPolygon : *poLinear->toMultiPolygon())
            addRings(*poPolygon);
    }
    return poLines;
}

std::string ColorOfSymbol(const std::string& strTool) {
    std::string strName;
    mapgis::StyleParameters params;
    if (!mapgis::ReadStyleTool(strTool, &strName, &params) || strName != "SYMBOL")
        return std::string();
    for (const auto& [strKey, strValue] : params) {
        if (strKey == "c")
            return strValue;
    }
    return std::string();
}

// The anchors of a piece of points, each with the style tool that draws it: texts' labels
// pair with their anchors in order.
std::vector<std::pair<std::unique_ptr<OGRPoint>, std::string>> Anchors(const Piece& piece) {
    std::vector<std::pair<std::unique_ptr<OGRPoint>, std::string>> out;
    const std::vector<std::string> tools = mapgis::StyleTools(piece.strStyle.c_str());
    std::unique_ptr<OGRGeometry> poPoints(
        OGRGeometryFactory::forceToMultiPoint(piece.poGeom->getLinearGeometry()));
    const auto* poMulti = poPoints->toMultiPoint();
    for (int i = 0; i < poMulti->getNumGeometries(); ++i) {
        std::string strTool =
            tools.empty() ? std::string() : tools[std::min<size_t>(i, tools.size() - 1)];
        out.emplace_back(poMulti->getGeometryRef(i)->clone(), std::move(strTool));
    }
    return out;
}

// What the LABEL tool of a text piece says, as the fields of the piece's feature.
struct Label {
    std::string strText;
    double dfAngle = 0;
    std::optional<double> height;  // ground units
    std::string strColor;
    std::string strFont;
    std::optional<bool> italic;
};

// Read here rather than by GDAL's style tools, which took a fifth of a point file's import.
std::optional<Label> ReadLabel(const std::string& strTool) {
    std::string strName;
    mapgis::StyleParameters params;
    if (!mapgis::ReadStyleTool(strTool, &strName, &params) || strName != "LABEL")
        return std::nullopt;
    Label label;
    for (const auto& [strKey, strValue] : params) {
        if (strKey == "t") {
            label.strText = strValue;
        } else if (strKey == "a") {
            label.dfAngle = CPLAtof(strValue.c_str());
        } else if (strKey == "s" && !strValue.empty() && strValue.back() == 'g') {
            // Heights are written in ground units; nothing is converted.
            label.height = CPLAtof(strValue.c_str());
        } else if (strKey == "c") {
            label.strColor = strValue;
        } else if (strKey == "f") {
            label.strFont = strValue;
        } else if (strKey == "it") {
            label.italic = strValue != "0";
        }
    }
    return label;
}

// The kind of an item as a whole, by what the reader made of it.
Kind KindOfItem(const OGRFeature& feature, bool bNetwork) {
    const int iKind = feature.GetFieldIndex("GeomKind");
    const char* pszKind = iKind >= 0 ? feature.GetFieldAsString(iKind) : "";
    if (EQUAL(pszKind, "line") || EQUAL(pszKind, "arc"))
        return Kind::Lines;
    if (EQUAL(pszKind, "region") || EQUAL(pszKind, "circle"))
        return Kind::Areas;
    if (EQUAL(pszKind, "text"))
        return Kind::Texts;
    if (EQUAL(pszKind, "compound"))
        return bNetwork ? Kind::Lines : Kind::Texts;
    return Kind::Points;
}

}  // namespace

std::vector<Piece> SplitFeature(OGRFeature& feature, bool bNetwork, bool bStyles) {
    std::vector<Piece> pieces;
    std::unique_ptr<OGRGeometry> poGeom(feature.StealGeometry());
    if (poGeom == nullptr || poGeom->IsEmpty()) {
        // Nothing to cut: the item goes whole, empty, to the layer of its kind.
        const Kind eKind = KindOfItem(feature, bNetwork);
        pieces.push_back({eKind, poGeom ? NewMulti(eKind) : nullptr, std::string()});
        return pieces;
    }
    const std::vector<std::string> tools =
        bStyles ? mapgis::StyleTools(feature.GetStyleString()) : std::vector<std::string>();
    auto addPiece = [&](Kind eKind, std::unique_ptr<OGRGeometry> poPart) {
        std::vector<std::string> kept;
        std::copy_if(tools.begin(), tools.end(), std::back_inserter(kept),
                     [eKind](const std::string& t) { return ToolDraws(t, eKind); });
        pieces.push_back({eKind, std::move(poPart), Join(kept)});
    };
    if (wkbFlatten(poGeom->getGeometryType()) != wkbGeometryCollection) {
        const int iKind = feature.GetFieldIndex("GeomKind");
        const bool bText = iKind >= 0 && EQUAL(feature.GetFieldAsString(iKind), "text");
        const Kind eKind = KindOfPart(*poGeom, bText);
        addPiece(eKind, std::move(poGeom));
        return pieces;
    }
    std::array<std::unique_ptr<OGRGeometryCollection>, 4> parts;
    auto* poCollection = poGeom->toGeometryCollection();
    for (OGRGeometry* poPart : *poCollection) {
        const Kind eKind = KindOfPart(*poPart, !bNetwork);
        std::unique_ptr<OGRGeometryCollection>& poMulti = parts[Index(eKind)];
        if (poMulti == nullptr)
            poMulti = NewMulti(eKind);
        AddPart(*poMulti, poPart);
    }
    poCollection->removeGeometry(-1, FALSE);  // the parts belong to the pieces now
    for (Kind eKind : kKinds) {
        if (parts[Index(eKind)] != nullptr)
            addPiece(eKind, std::move(parts[Index(eKind)]));
    }
    return pieces;
}

std::array<long long, 4> FindKinds(OGRLayer& source, bool bNetwork,
                                   const std::vector<Kind>& possible, long long nItems,
                                   const std::function<bool()>& stopped) {
    std::array<long long, 4> counts{};
    auto allMet = [&] {
        return std::all_of(possible.begin(), possible.end(),
                           [&](Kind eKind) { return counts[Index(eKind)] != 0; });
    };
    source.ResetReading();
    while (!allMet() && !stopped()) {
        std::unique_ptr<OGRFeature> poFeature{source.GetNextFeature()};
        if (poFeature == nullptr)
            break;
        for (const Piece& piece : SplitFeature(*poFeature, bNetwork, false))
            counts[Index(piece.eKind)] = nItems;
    }
    source.ResetReading();
    return counts;
}

KindLayer::KindLayer(OGRLayer* poSource, Kind eKind, bool bNetwork, const std::string& strName,
                     long long nCount, const ViewOptions& options)
    : m_poSource(poSource),
      m_eKind(eKind),
      m_bNetwork(bNetwork),
      m_nCount(nCount),
      m_poDefn(
          NewDefn(strName, ViewType(eKind, bNetwork, options.bCurves), poSource->GetSpatialRef())) {
    SetDescription(strName.c_str());
    OGRFeatureDefn* poSourceDefn = poSource->GetLayerDefn();
    for (int i = 0; i < poSourceDefn->GetFieldCount(); ++i) {
        OGRFieldDefn field(poSourceDefn->GetFieldDefn(i));
        field.SetName(FieldName(field.GetNameRef(), options.bShortNames).c_str());
        m_poDefn->AddFieldDefn(&field);
        m_fieldMap.push_back(i);
    }
    if (eKind == Kind::Texts) {
        OGRFieldDefn italic("Italic", OFTInteger);
        italic.SetSubType(OFSTBoolean);
        m_poDefn->AddFieldDefn(&italic);
        m_iText = m_poDefn->GetFieldIndex("Text");
        m_iTextAngle = m_poDefn->GetFieldIndex("TextAngle");
        m_iTextHeight = m_poDefn->GetFieldIndex("TextHeight");
        m_iColor = m_poDefn->GetFieldIndex("Color");
        m_iFontName = m_poDefn->GetFieldIndex("FontName");
        m_iItalic = m_poDefn->GetFieldIndex("Italic");
        // A text piece gets its own text from its label: copying the item's whole text into
        // each of its pieces made a text of many pieces quadratic.
        m_pieceFieldMap = m_fieldMap;
        if (m_iText >= 0)
            m_pieceFieldMap[static_cast<size_t>(m_iText)] = -1;
    }
}

KindLayer::~KindLayer() {
    m_poDefn->Release();
}

void KindLayer::ResetReading() {
    m_poSource->ResetReading();
    m_pending.clear();
    m_nEmitted = 0;
    m_bounds = OGREnvelope();
}

std::unique_ptr<OGRFeature> KindLayer::NewFeature(OGRFeature& source, OGRGeometry* poGeom,
                                                  const std::string& strStyle, const int* panMap) {
    auto poFeature = std::make_unique<OGRFeature>(m_poDefn);
    poFeature->SetFieldsFrom(&source, panMap != nullptr ? panMap : m_fieldMap.data());
    poFeature->SetFID(source.GetFID());
    if (poGeom != nullptr) {
        poGeom = OGRGeometryFactory::forceTo(poGeom, m_poDefn->GetGeomType());
        Widen(m_bounds, *poGeom);
        poFeature->SetGeometryDirectly(poGeom);
    }
    if (!strStyle.empty())
        poFeature->SetStyleString(strStyle.c_str());
    return poFeature;
}

void KindLayer::AddTextPieces(OGRFeature& source, const Piece& piece) {
    for (auto& [poAnchor, strTool] : Anchors(piece)) {
        std::unique_ptr<OGRFeature> poFeature =
            NewFeature(source, poAnchor.release(), strTool, m_pieceFieldMap.data());
        // The item's identity is its RbUserID: its pieces are features of their own.
        poFeature->SetFID(OGRNullFID);
        const std::optional<Label> label = ReadLabel(strTool);
        if (!label && m_iText >= 0 && source.IsFieldSetAndNotNull(m_iText))
            poFeature->SetField(m_iText, source.GetFieldAsString(m_iText));
        if (label) {
            poFeature->SetField(m_iText, label->strText.c_str());
            poFeature->SetField(m_iTextAngle, label->dfAngle);
            if (label->height)
                poFeature->SetField(m_iTextHeight, *label->height);
            if (!label->strColor.empty())
                poFeature->SetField(m_iColor, label->strColor.c_str());
            if (!label->strFont.empty())
                poFeature->SetField(m_iFontName, label->strFont.c_str());
            if (label->italic)
                poFeature->SetField(m_iItalic, *label->italic ? 1 : 0);
        }
        m_pending.push_back(std::move(poFeature));
    }
}

void KindLayer::Rename(const std::string& strName) {
    m_poDefn->SetName(strName.c_str());
    SetDescription(strName.c_str());
}

void KindLayer::Take(OGRFeature& source, std::vector<Piece>& pieces) {
    for (Piece& piece : pieces) {
        if (piece.eKind != m_eKind)
            continue;
        if (m_eKind == Kind::Texts && piece.poGeom != nullptr && !piece.poGeom->IsEmpty()) {
            AddTextPieces(source, piece);
        } else {
            m_pending.push_back(NewFeature(source, piece.poGeom.release(), piece.strStyle));
        }
    }
}

std::unique_ptr<OGRFeature> KindLayer::Next() {
    if (m_pending.empty())
        return nullptr;
    std::unique_ptr<OGRFeature> poFeature = std::move(m_pending.front());
    m_pending.pop_front();
    ++m_nEmitted;
    return poFeature;
}

OGRFeature* KindLayer::GetNextFeature() {
    while (m_pending.empty()) {
        std::unique_ptr<OGRFeature> poSource{m_poSource->GetNextFeature()};
        if (poSource == nullptr)
            return nullptr;
        std::vector<Piece> pieces = SplitFeature(*poSource, m_bNetwork);
        Take(*poSource, pieces);
    }
    return Next().release();
}

GIntBig KindLayer::GetFeatureCount(int) {
    return m_nCount;
}

int KindLayer::TestCapability(const char* pszCap) {
    return EQUAL(pszCap, OLCStringsAsUTF8);
}

CadLayer::CadLayer(OGRLayer* poSource, bool bNetwork, const std::array<std::string, 4>& names)
    : m_poSource(poSource),
      m_bNetwork(bNetwork),
      m_names(names),
      m_poDefn(NewDefn(poSource->GetName(), wkbUnknown, poSource->GetSpatialRef())) {
    SetDescription(poSource->GetName());
    OGRFieldDefn field("Layer", OFTString);
    m_poDefn->AddFieldDefn(&field);
}

CadLayer::~CadLayer() {
    m_poDefn->Release();
}

void CadLayer::ResetReading() {
    m_poSource->ResetReading();
    m_pending.clear();
    m_nEmitted = 0;
    m_bounds = OGREnvelope();
}

void CadLayer::Add(const std::string& strLayer, std::unique_ptr<OGRGeometry> poGeom,
                   const std::string& strStyle, GIntBig nFid) {
    auto poFeature = std::make_unique<OGRFeature>(m_poDefn);
    poFeature->SetField(0, strLayer.c_str());
    poFeature->SetFID(nFid);
    Widen(m_bounds, *poGeom);
    poFeature->SetGeometryDirectly(poGeom.release());
    if (!strStyle.empty())
        poFeature->SetStyleString(strStyle.c_str());
    m_pending.push_back(std::move(poFeature));
}

OGRFeature* CadLayer::GetNextFeature() {
    while (m_pending.empty()) {
        std::unique_ptr<OGRFeature> poSource{m_poSource->GetNextFeature()};
        if (poSource == nullptr)
            return nullptr;
        for (Piece& piece : SplitFeature(*poSource, m_bNetwork)) {
            // A CAD entity is its geometry: an item without one has none.
            if (piece.poGeom == nullptr || piece.poGeom->IsEmpty())
                continue;
            const std::string& strLayer = m_names[Index(piece.eKind)];
            const std::vector<std::string> tools = mapgis::StyleTools(piece.strStyle.c_str());
            std::unique_ptr<OGRGeometry> poLinear(piece.poGeom->getLinearGeometry());
            const GIntBig nFid = poSource->GetFID();
            if (piece.eKind == Kind::Points || piece.eKind == Kind::Texts) {
                // The writer makes no entity of a multipoint: one per anchor, a text with its
                // own label, a symbol with its colour as the point's pen.
                for (auto& [poAnchor, strTool] : Anchors(piece)) {
                    const std::string strColor = ColorOfSymbol(strTool);
                    const std::string strStyle = piece.eKind == Kind::Texts ? strTool
                                                 : strColor.empty()         ? std::string()
                                                                    : "PEN(c:" + strColor + ")";
                    Add(strLayer, std::move(poAnchor), strStyle, nFid);
                }
            } else if (piece.eKind == Kind::Lines) {
                Add(strLayer, std::move(poLinear), piece.strStyle, nFid);
            } else {
                // A polygon becomes a hatch, solid in the brush's colour or black without one:
                // an area without a fill is its outline only.
                std::vector<std::string> pens, brushes;
                for (const std::string& t : tools)
                    (StartsWith(t, "PEN(") ? pens : brushes).push_back(t);
                Add(strLayer, Outline(*poLinear), Join(pens), nFid);
                if (!brushes.empty() && brushes[0].find("fc:") != std::string::npos)
                    Add(strLayer, std::move(poLinear), Join(brushes), nFid);
            }
        }
        std::reverse(m_pending.begin(), m_pending.end());
    }
    OGRFeature* poFeature = m_pending.back().release();
    m_pending.pop_back();
    ++m_nEmitted;
    return poFeature;
}

int CadLayer::TestCapability(const char* pszCap) {
    return EQUAL(pszCap, OLCStringsAsUTF8);
}

OGRLayer* ViewDataset::GetLayer(int i) {
    return i >= 0 && i < GetLayerCount() ? m_layers[i].get() : nullptr;
}

}  // namespace mapgis_import
