// Map layers under their output names.
#include "plan/MapViews.h"

#include <cstring>
#include <utility>

namespace mapgis_import {

namespace {

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

}  // namespace mapgis_import
