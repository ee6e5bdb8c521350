// Opening files through the MAPGIS driver registered in-process.
#pragma once

#include <string>
#include <vector>

#include "cpl_string.h"
#include "gdal_priv.h"
#include "ogrsf_frmts.h"

namespace drivertest {

inline GDALDatasetUniquePtr OpenMapgis(const std::string& strPath, const std::string& strMode,
                                       const std::vector<std::string>& extra = {}) {
    CPLStringList aosOptions;
    aosOptions.SetNameValue("MODE", strMode.c_str());
    for (const std::string& s : extra)
        aosOptions.AddString(s.c_str());
    const char* const apszDrivers[] = {"MAPGIS", nullptr};
    return GDALDatasetUniquePtr(GDALDataset::Open(strPath.c_str(), GDAL_OF_VECTOR, apszDrivers,
                                                  aosOptions.List(), nullptr));
}

inline std::string Sample(const std::string& strName) {
    return std::string(MAPGIS_SAMPLES_DIR) + "/" + strName;
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
