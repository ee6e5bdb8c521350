// The MAPGIS driver as a program that links it sees it, beside GDAL's own API (open options,
// the "MAPGIS" metadata domain): its registration, how it checks and names files, and the
// few conventions of its layers and style strings a caller has to follow.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ogr_core.h"

class OGRFeatureDefn;

// Registers the driver with GDAL; the entry GDAL calls when it loads ogr_MAPGIS.so.
extern "C" __attribute__((visibility("default"))) void RegisterOGRMAPGIS();

namespace mapgis {

// Files. Their names are bytes (GBK ones from Chinese Windows and old archives), never
// assumed UTF-8.

// The name as messages show it: UTF-8 as it is, any other byte as \xNN.
std::string ShownPath(const std::string& strPath);

// A name made from a file or folder name (a layer's): as it is when UTF-8, else decoded from
// GBK (GB18030 decodes every GBK name), else with its bytes beyond UTF-8 as \xNN.
std::string DecodedName(const std::string& strBytes);

// Why the path cannot be read as a file, asking only the file system (never opening it,
// which blocks on a FIFO): "no such file", "a folder", "a FIFO", ...; empty for a regular
// file (a symbolic link counts as what it points to).
std::string WhyNotAFile(const std::string& strPath);

// Whether the file is a colour source; false with why not. Two kinds, told apart by content:
// MAPGIS's binary colour library (Pcolor.lib, starting "PCOLOR 3"), which only the driver's
// map layers read, and the MAPGIS colour index file that the reader takes, text whose
// entries start with a line of 16 fields whose fifth is a delimited "label:number"
// ("Color:1"); a file with no such entry within its first 64 KiB is not one.
bool CheckColorSource(const std::string& strPath, std::string* pstrWhy);

// Whether the file starts as a MAPGIS colour library does.
bool IsColorLibraryFile(const std::string& strPath);

// Whether FONT_MAP would take the file; false with "<file>:<line>: ..." for a malformed line.
bool CheckFontMap(const std::string& strPath, std::string* pstrError);

// Layers.

// What a layer holds, from the layer type of its definition (the LAYER_TYPE metadata item).
enum class LayerKind { Compound, Point, Line, Region, Text };

LayerKind LayerKindFromType(int nLayerType);

// The attribute fields a layer of that kind has, before any feature is read.
void AddLayerFields(OGRFeatureDefn& defn, LayerKind eKind);

// For a summary: what coordinates within bound look like and which SRS= would fit.
std::string DescribeCoordinates(const OGREnvelope& bound);

// The characters MAPGIS gives the whole character width (the others take half of it), as
// sorted, disjoint ranges, first and last included.
const std::vector<std::pair<char32_t, char32_t>>& FullWidthRanges();

}  // namespace mapgis
