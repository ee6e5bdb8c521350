// The styles of a KML output, written into each placemark from its style fields once GDAL's
// KML writer has closed the file: Google Earth then shows texts as their labels in their
// colours, symbols in their colours, lines as wide as printed, areas as coloured.
#pragma once

#include <string>

namespace mapgis_import {

// Screen pixels per millimetre of the printed map: at 96 dots per inch, Google Earth's.
constexpr double kKmlPixelsPerMm = 96 / 25.4;
// Google Earth's icons are 32 pixels wide at scale 1.
constexpr double kKmlIconPixels = 32;

// Restyles the placemarks of a KML file, or of every .kml file of a folder; false with a
// message naming the file.
bool RestyleKml(const std::string& strPath, std::string* pstrError);

}  // namespace mapgis_import
