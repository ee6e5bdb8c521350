// The spatial index of a FlatGeobuf file, packed once its features are written. GDAL's writer
// keeps every feature's box, offset and size in memory until it closes, about 200 bytes a
// feature (300 MiB for a sheet's texts); here the file is written without an index and then
// rewritten in the order of the features' Hilbert values with a packed R-tree in front, as
// the format lays it out, holding 16 bytes a feature. The boxes are GDAL's own envelopes of
// the geometries read back, arcs included.
#pragma once

#include <string>

namespace mapgis_import {

// Indexes the FlatGeobuf file at strPath, or every one in the folder strPath, that has no
// index; false with a message (a file not yet rewritten is then as it was).
bool BuildFlatGeobufIndexes(const std::string& strPath, std::string* pstrError);

}  // namespace mapgis_import
