// The table of the writers' traits.
#include "output/FormatTraits.h"

#include <strings.h>

#include "ogrsf_frmts.h"

namespace mapgis_import {

namespace {

constexpr StyleStore kBeside = StyleStore::Beside;
constexpr SystemRule kAsGiven = SystemRule::AsGiven;
constexpr SystemRule kLonLat = SystemRule::LongitudeLatitude;
constexpr IndexPacking kNoPacking = IndexPacking::None;
constexpr MergeRule kMerges = MergeRule::Accepted;
constexpr MergeRule kPerSheet = MergeRule::OutputPerSheet;

// Registered alone, the writers users name most spare every import GDAL's other drivers:
// about 7 MiB of resident code and tables, which a large sheet's import needs for its index.
// GDAL's GeoPackage writer grows the index a feature at a time, its FlatGeobuf writer holds
// every feature's box until it closes: packed afterwards, each costs little. The CSV writer
// leaves the geometries out unless told. PostgreSQL gets partial tables written through COPY
// with the field names of the other formats (QGIS styles name them), indexed once every row
// is in.
// What a format is, beyond what GDAL's capabilities say.
enum Trait : unsigned {
    kSeveralFiles = 1 << 0,
    kOneType = 1 << 1,
    kCad = 1 << 2,
    kDatabase = 1 << 3,
    kShortNames = 1 << 4,
    kDbfEncoding = 1 << 5,
    kDescriptions = 1 << 6,
    kNeedsColors = 1 << 7,
    kFeatureDataset = 1 << 8,
};

FormatTraits Row(const char* pszName, const char* pszExtension, void (*pfnRegister)(),
                 unsigned nTraits, StyleStore eStyles, SystemRule eSystem, IndexPacking ePacking,
                 MergeRule eMerge, std::array<const char*, 4> layerOptions) {
    return {pszName,
            pszExtension,
            pfnRegister,
            (nTraits & kSeveralFiles) != 0,
            (nTraits & kOneType) != 0,
            (nTraits & kCad) != 0,
            (nTraits & kDatabase) != 0,
            (nTraits & kShortNames) != 0,
            (nTraits & kDbfEncoding) != 0,
            (nTraits & kDescriptions) != 0,
            (nTraits & kNeedsColors) != 0,
            (nTraits & kFeatureDataset) != 0,
            eStyles,
            eSystem,
            ePacking,
            eMerge,
            layerOptions};
}

const std::vector<FormatTraits> kFormats = {
    Row("GPKG", "gpkg", RegisterOGRGeoPackage, kDescriptions, StyleStore::LayerStyles,
        SystemRule::UndefinedCartesian, IndexPacking::GeoPackage, kMerges, {"SPATIAL_INDEX=NO"}),
    Row("ESRI Shapefile", "shp", RegisterOGRShape,
        kSeveralFiles | kOneType | kShortNames | kDbfEncoding, kBeside, kAsGiven, kNoPacking,
        kPerSheet, {}),
    Row("FlatGeobuf", "fgb", RegisterOGRFlatGeobuf, 0, kBeside, kAsGiven, IndexPacking::FlatGeobuf,
        kPerSheet, {"SPATIAL_INDEX=NO"}),
    Row("DXF", "dxf", RegisterOGRDXF, kCad, StyleStore::OwnStyleStrings, kAsGiven, kNoPacking,
        kPerSheet, {}),
    Row("OpenFileGDB", "gdb", RegisterOGROpenFileGDB, kOneType | kFeatureDataset, kBeside, kAsGiven,
        kNoPacking, kMerges, {}),
    Row("PostgreSQL", nullptr, RegisterOGRPG, kDatabase, StyleStore::Database, kAsGiven, kNoPacking,
        MergeRule::Database, {"SPATIAL_INDEX=NONE", "LAUNDER=NO", "GEOMETRY_NAME=geom", "FID=fid"}),
    Row("MapInfo File", nullptr, nullptr, kSeveralFiles | kOneType, kBeside, kAsGiven, kNoPacking,
        kPerSheet, {"ENCODING=CP936"}),
    Row("KML", nullptr, nullptr, kNeedsColors, StyleStore::KmlPlacemarks, kLonLat, kNoPacking,
        kPerSheet, {}),
    Row("LIBKML", nullptr, nullptr, 0, StyleStore::OwnStyleStrings, kLonLat, kNoPacking, kMerges,
        {}),
    Row("GeoJSON", nullptr, nullptr, 0, kBeside, kLonLat, kNoPacking, kPerSheet, {}),
    Row("GeoJSONSeq", nullptr, nullptr, 0, kBeside, kLonLat, kNoPacking, kPerSheet, {}),
    Row("CSV", nullptr, nullptr, 0, kBeside, kAsGiven, kNoPacking, kPerSheet, {"GEOMETRY=AS_WKT"}),
    Row(nullptr, nullptr, nullptr, 0, kBeside, kAsGiven, kNoPacking, kMerges, {}),
};

}  // namespace

const std::vector<FormatTraits>& KnownFormats() {
    return kFormats;
}

const FormatTraits& TraitsOf(const std::string& strName) {
    for (const FormatTraits& traits : kFormats) {
        if (traits.pszName == nullptr || strcasecmp(traits.pszName, strName.c_str()) == 0)
            return traits;
    }
    return kFormats.back();
}

}  // namespace mapgis_import
