// A feature as one comparable text: id, fields, style and geometry.
#pragma once

#include <string>

#include "ogrsf_frmts.h"

namespace drivertest {

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

}  // namespace drivertest
