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

std::string Join(const std::vector<std::string>& tools) {
    std::string out;
    for (const std::string& t : tools)
        out += (out.empty() ? "" : ";") + t;
    return out;
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

}  // namespace

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
        for (const Piece& piece : mapgis::CutByKind(*poFeature, bNetwork))
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
                                                  const std::string& strStyle) {
    auto poFeature = std::make_unique<OGRFeature>(m_poDefn);
    poFeature->SetFieldsFrom(&source, m_fieldMap.data());
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
    for (mapgis::TextPiece& text : mapgis::PlaceTexts(piece)) {
        std::unique_ptr<OGRFeature> poFeature =
            NewFeature(source, text.poAnchor.release(), text.strTool);
        // The item's identity is its RbUserID: its pieces are features of their own.
        poFeature->SetFID(OGRNullFID);
        if (text.bLabel) {
            poFeature->SetField(m_iText, text.strText.c_str());
            poFeature->SetField(m_iTextAngle, text.dfAngle);
            if (text.height)
                poFeature->SetField(m_iTextHeight, *text.height);
            if (!text.strColor.empty())
                poFeature->SetField(m_iColor, text.strColor.c_str());
            if (!text.strFont.empty())
                poFeature->SetField(m_iFontName, text.strFont.c_str());
            if (text.italic)
                poFeature->SetField(m_iItalic, *text.italic ? 1 : 0);
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
        std::vector<Piece> pieces = mapgis::CutByKind(*poSource, m_bNetwork);
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
        for (Piece& piece : mapgis::CutByKind(*poSource, m_bNetwork)) {
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
                for (mapgis::TextPiece& anchor : mapgis::PlaceTexts(piece)) {
                    const std::string strColor = ColorOfSymbol(anchor.strTool);
                    const std::string strStyle = piece.eKind == Kind::Texts ? anchor.strTool
                                                 : strColor.empty()         ? std::string()
                                                                    : "PEN(c:" + strColor + ")";
                    Add(strLayer, std::move(anchor.poAnchor), strStyle, nFid);
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
