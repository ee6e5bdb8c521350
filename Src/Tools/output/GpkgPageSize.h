// The SQLite page size of a GeoPackage, chosen from the size of what goes into it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mapgis_import {

// 4096 bytes (SQLite's default, which GDAL keeps) up to 8 MiB of input, then the largest
// power of two at most a 1024th of the input, up to 65536 from 64 MiB on. Large pages make a
// large import faster (a sheet's geometries are written and read back for the index in
// fewer page reads and writes), but every table and index of a GeoPackage takes at least a
// page: at 64 KiB a sheet's GeoPackage would be four times what GDAL writes. At a 1024th of
// the input, those pages stay within a few hundredths of the file.
int GpkgPageSize(uint64_t nInputBytes);

// The sum of the inputs' sizes; an input that cannot be looked at counts for nothing.
uint64_t InputBytes(const std::vector<std::string>& inputs);

}  // namespace mapgis_import
