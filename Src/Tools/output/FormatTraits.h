// What the import needs to know of each GDAL writer, in one table: how its files hold layers,
// where styles go, the layer creation options it needs, the coordinate systems it takes, how
// its spatial index is made and whether an archive merges into it.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace mapgis_import {

enum class IndexPacking {
    None,        // the writer's own index, or none
    GeoPackage,  // R-tree tables packed once the layers are written
    FlatGeobuf,  // the packed Hilbert R-tree rewritten in front of the features
};

// Where the QGIS styles of the layers go.
enum class StyleStore {
    Beside,           // a .qml and an .sld beside the file (or beside each file of a folder)
    LayerStyles,      // the GeoPackage's layer_styles table
    Database,         // the database's layer_styles table, published with the tables
    OwnStyleStrings,  // none: the format keeps OGR style strings of its own (LIBKML, DXF)
    KmlPlacemarks,    // each placemark's style, from its style fields, once the file is closed
};

// What the format asks of the coordinate system.
enum class SystemRule {
    AsGiven,             // --srs or none
    LongitudeLatitude,   // reprojected to WGS 84 longitude/latitude: --srs is needed
    UndefinedCartesian,  // without --srs, declared undefined Cartesian, not degrees
};

// Whether an archive may go into one dataset of the format.
enum class MergeRule {
    Accepted,        // several layers in one file
    OutputPerSheet,  // one layer a file, one CAD layer or KML: an output per sheet
    Database,        // the sheets' tables share a schema instead
};

struct FormatTraits {
    const char* pszName;       // GDAL's short name; null: every writer the table does not name
    const char* pszExtension;  // the extension that names it, for registering it alone
    void (*pfnRegister)();     // registers it alone; null: with GDAL's other writers
    bool bSeveralFiles;        // a layer is several files (.shp, .shx, .dbf): always a folder
    bool bOneType;             // a layer holds one geometry type
    bool bCad;                 // a drawing of CAD layers, by our own writer (DXF)
    bool bDatabase;            // a database (PostgreSQL): tables, not files
    bool bShortNames;          // field names of at most ten characters (dBase)
    bool bDbfEncoding;         // its attributes' charset named by --dbf-encoding
    bool bDescriptions;        // keeps a layer's description, which QGIS shows
    bool bNeedsColors;         // its writer cannot take styles without colours (KML)
    bool bFeatureDataset;      // its layers go in a feature dataset named after their system
    StyleStore eStyles;
    SystemRule eSystem;
    IndexPacking ePacking;
    MergeRule eMerge;
    std::array<const char*, 4> layerOptions;  // -lco NAME=VALUE it always gets
};

// The formats the table names, and last the row of every other writer.
const std::vector<FormatTraits>& KnownFormats();

// The row of the writer named (GDAL's short name, any case).
const FormatTraits& TraitsOf(const std::string& strName);

}  // namespace mapgis_import
