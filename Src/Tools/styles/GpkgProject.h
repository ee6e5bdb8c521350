// A QGIS project kept in a GeoPackage, as QGIS's "Save project to GeoPackage" keeps it: the
// sheet opens from the Browser with its layers in map order, styled, in its system.
#pragma once

#include <string>
#include <vector>

#include "gdal.h"

namespace mapgis_import {

struct ProjectLayer {
    std::string strName;  // the layer of the GeoPackage
    std::string strQml;   // its QGIS style
};

// Writes the project strName into the qgis_projects table of the open GeoPackage, whose file
// is named strFile once in place; layers bottom first. False with a message.
bool WriteGpkgProject(GDALDatasetH hDataset, const std::string& strFile, const std::string& strName,
                      const std::vector<ProjectLayer>& layers, std::string* pstrError);

}  // namespace mapgis_import
