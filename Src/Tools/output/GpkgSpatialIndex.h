// The spatial indexes of a GeoPackage, built in one pass once every feature is written. GDAL
// fills a layer's R-tree one insert at a time, which costs most of a large import; here each
// index is packed from its entries sorted into tiles (sort-tile-recursive) and its nodes are
// written straight into the R-tree's tables, with the triggers and the gpkg_extensions row of
// the GeoPackage standard, so that every reader and later writer finds an ordinary index.
#pragma once

#include <string>

namespace mapgis_import {

// Indexes every feature table of the closed GeoPackage at strPath that has none; false with a
// message (the file is then as it was).
bool BuildSpatialIndexes(const std::string& strPath, std::string* pstrError);

}  // namespace mapgis_import
