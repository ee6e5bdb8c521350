// Map layers under their output names, and the DXF entity view.
#include "plan/MapViews.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "mapgisdriver.h"

namespace mapgis_import {

namespace {

bool StartsWith(const std::string& s, const char* pszPrefix) {
    return s.compare(0, std::strlen(pszPrefix), pszPrefix) == 0;
}

std::string Join(const std::vector<std::string>& tools) {
    std::string out;
    for (const std::string& t : tools)
        out += (out.empty() ? "" : ";") + t;
    return out;
}

// The map layer's type, segmentised for a writer without curves.
OGRwkbGeometryType ViewType(OGRwkbGeometryType eType, bool bCurves) {
    return bCurves ? eType : OGR_GT_GetLinear(eType);
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

MapView::MapView(OGRLayer* poSource, const std::string& strName, long long nCount,
                 const ViewOptions& options)
    : m_poSource(poSource),
      m_nCount(nCount),
      m_poDefn(NewDefn(strName, ViewType(poSource->GetGeomType(), options.bCurves),
                       poSource->GetSpatialRef())) {
    SetDescription(strName.c_str());
    OGRFeatureDefn* poSourceDefn = poSource->GetLayerDefn();
    for (int i = 0; i < poSourceDefn->GetFieldCount(); ++i) {
        OGRFieldDefn field(poSourceDefn->GetFieldDefn(i));
        field.SetName(FieldName(field.GetNameRef(), options.bShortNames).c_str());
        m_poDefn->AddFieldDefn(&field);
        m_fieldMap.push_back(i);
    }
}

MapView::~MapView() {
    m_poDefn->Release();
}

void MapView::ResetReading() {
    m_poSource->ResetReading();
    m_nEmitted = 0;
    m_bounds = OGREnvelope();
}

std::unique_ptr<OGRFeature> MapView::Convert(std::unique_ptr<OGRFeature> poSource) {
    auto poFeature = std::make_unique<OGRFeature>(m_poDefn);
    poFeature->SetFieldsFrom(poSource.get(), m_fieldMap.data());
    poFeature->SetFID(poSource->GetFID());
    if (OGRGeometry* poGeom = poSource->StealGeometry()) {
        poGeom = OGRGeometryFactory::forceTo(poGeom, m_poDefn->GetGeomType());
        Widen(m_bounds, *poGeom);
        poFeature->SetGeometryDirectly(poGeom);
    }
    poFeature->SetStyleString(poSource->GetStyleString());
    ++m_nEmitted;
    return poFeature;
}

OGRFeature* MapView::GetNextFeature() {
    std::unique_ptr<OGRFeature> poSource(m_poSource->GetNextFeature());
    return poSource ? Convert(std::move(poSource)).release() : nullptr;
}

void MapView::Rename(const std::string& strName) {
    m_poDefn->SetName(strName.c_str());
    SetDescription(strName.c_str());
}

GIntBig MapView::GetFeatureCount(int) {
    return m_nCount;
}

int MapView::TestCapability(const char* pszCap) {
    // The count, the file's items, is known before a feature is read: GDAL's translation
    // reports its progress from it.
    return EQUAL(pszCap, OLCStringsAsUTF8) || EQUAL(pszCap, OLCFastFeatureCount);
}

CadLayer::CadLayer(const std::string& strName, std::vector<OGRLayer*> sources,
                   std::vector<std::string> names)
    : m_sources(std::move(sources)),
      m_names(std::move(names)),
      m_poDefn(NewDefn(strName, wkbUnknown,
                       m_sources.empty() ? nullptr : m_sources[0]->GetSpatialRef())) {
    SetDescription(strName.c_str());
    OGRFieldDefn field("Layer", OFTString);
    m_poDefn->AddFieldDefn(&field);
}

CadLayer::~CadLayer() {
    m_poDefn->Release();
}

void CadLayer::ResetReading() {
    for (OGRLayer* poSource : m_sources)
        poSource->ResetReading();
    m_iSource = 0;
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

void CadLayer::AddEntities(OGRFeature& source, const std::string& strLayer) {
    const OGRGeometry* poGeom = source.GetGeometryRef();
    // A CAD entity is its geometry: an item without one has none.
    if (poGeom == nullptr || poGeom->IsEmpty())
        return;
    const std::vector<std::string> tools = mapgis::StyleTools(source.GetStyleString());
    std::unique_ptr<OGRGeometry> poLinear(poGeom->getLinearGeometry());
    const OGRwkbGeometryType eFlat = wkbFlatten(poLinear->getGeometryType());
    if (eFlat == wkbPoint || eFlat == wkbMultiPoint) {
        // The writer makes no entity of a multipoint: one per point, a text with its own
        // label, a symbol with its colour as the point's pen.
        std::unique_ptr<OGRGeometry> poPoints(
            OGRGeometryFactory::forceToMultiPoint(poLinear.release()));
        const auto* poMulti = poPoints->toMultiPoint();
        for (int i = 0; i < poMulti->getNumGeometries(); ++i) {
            const std::string strTool =
                tools.empty() ? std::string() : tools[std::min<size_t>(i, tools.size() - 1)];
            const std::string strColor = ColorOfSymbol(strTool);
            const std::string strStyle = StartsWith(strTool, "LABEL(") ? strTool
                                         : strColor.empty()            ? std::string()
                                                                       : "PEN(c:" + strColor + ")";
            Add(strLayer, std::unique_ptr<OGRGeometry>(poMulti->getGeometryRef(i)->clone()),
                strStyle, source.GetFID());
        }
    } else if (eFlat == wkbMultiLineString || eFlat == wkbLineString) {
        Add(strLayer, std::move(poLinear), Join(tools), source.GetFID());
    } else {
        // A polygon becomes a hatch, solid in the brush's colour or black without one: an
        // area without a fill is its outline only.
        std::vector<std::string> pens, brushes;
        for (const std::string& t : tools)
            (StartsWith(t, "PEN(") ? pens : brushes).push_back(t);
        Add(strLayer, Outline(*poLinear), Join(pens), source.GetFID());
        if (!brushes.empty() && brushes[0].find("fc:") != std::string::npos)
            Add(strLayer, std::move(poLinear), Join(brushes), source.GetFID());
    }
}

OGRFeature* CadLayer::GetNextFeature() {
    while (m_pending.empty()) {
        if (m_iSource >= m_sources.size())
            return nullptr;
        std::unique_ptr<OGRFeature> poSource(m_sources[m_iSource]->GetNextFeature());
        if (poSource == nullptr) {
            ++m_iSource;
            continue;
        }
        AddEntities(*poSource, m_names[m_iSource]);
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
