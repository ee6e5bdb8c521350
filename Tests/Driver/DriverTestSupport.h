// Opening files through the MAPGIS driver registered in-process, and features as text.
#pragma once

#include <string>
#include <vector>

#include "cpl_string.h"
#include "gdal_priv.h"
#include "ogrsf_frmts.h"

namespace drivertest {

inline GDALDatasetUniquePtr OpenMapgis(const std::string& strPath, const std::string& strMode,
                                       const std::vector<std::string>& extra = {},
                                       int nFlags = GDAL_OF_VECTOR) {
    CPLStringList aosOptions;
    aosOptions.SetNameValue("MODE", strMode.c_str());
    for (const std::string& s : extra)
        aosOptions.AddString(s.c_str());
    const char* const apszDrivers[] = {"MAPGIS", nullptr};
    return GDALDatasetUniquePtr(
        GDALDataset::Open(strPath.c_str(), nFlags, apszDrivers, aosOptions.List(), nullptr));
}

inline std::string Sample(const std::string& strName) {
    return std::string(MAPGIS_SAMPLES_DIR) + "/" + strName;
}

// A feature as one comparable text: id, fields, style and geometry.
inline std::string Dump(OGRFeature* poFeature) {
    if (poFeature == nullptr)
        return "(none)";
    std::string out = "FID " + std::to_string(poFeature->GetFID());
    for (int i = 0; i < poFeature->GetFieldCount(); ++i) {
        out += std::string(" ") + poFeature->GetFieldDefnRef(i)->GetNameRef() + "=";
        out += poFeature->IsFieldSetAndNotNull(i) ? poFeature->GetFieldAsString(i) : "null";
    }
    const char* pszStyle = poFeature->GetStyleString();
    out += std::string(" style=") + (pszStyle != nullptr ? pszStyle : "none");
    const OGRGeometry* poGeom = poFeature->GetGeometryRef();
    out += " geom=" + (poGeom != nullptr ? poGeom->exportToWkt() : std::string("none"));
    return out;
}

inline std::vector<std::string> DumpAll(OGRLayer* poLayer) {
    std::vector<std::string> dumps;
    for (auto& f : *poLayer)
        dumps.push_back(Dump(f.get()));
    return dumps;
}

// An extent as text: minimum and maximum x, then y; "none" when there is none.
inline std::string Text(const OGREnvelope& env) {
    return env.IsInit()
               ? CPLSPrintf("%.17g %.17g %.17g %.17g", env.MinX, env.MaxX, env.MinY, env.MaxY)
               : "none";
}

inline std::string Extent(OGRLayer* poLayer, int bForce) {
    OGREnvelope env;
    return poLayer->GetExtent(&env, bForce) == OGRERR_NONE ? Text(env) : "none";
}

// A number of the MAPGIS metadata domain, -1 when missing.
inline long long MapgisNumber(GDALMajorObject* poObject, const char* pszKey) {
    const char* psz = poObject->GetMetadataItem(pszKey, "MAPGIS");
    return psz == nullptr ? -1 : CPLAtoGIntBig(psz);
}

// Collects GDAL warnings and errors while it lives.
class ErrorCollector {
public:
    ErrorCollector() { CPLPushErrorHandlerEx(&ErrorCollector::Handle, this); }
    ~ErrorCollector() { CPLPopErrorHandler(); }
    ErrorCollector(const ErrorCollector&) = delete;
    ErrorCollector& operator=(const ErrorCollector&) = delete;

    std::vector<std::string> warnings;
    std::vector<std::string> errors;

private:
    static void CPL_STDCALL Handle(CPLErr eClass, CPLErrorNum, const char* pszMessage) {
        auto* self = static_cast<ErrorCollector*>(CPLGetErrorHandlerUserData());
        if (eClass == CE_Warning)
            self->warnings.emplace_back(pszMessage);
        if (eClass == CE_Failure || eClass == CE_Fatal)
            self->errors.emplace_back(pszMessage);
    }
};

}  // namespace drivertest
