// The QGIS styles of what an import writes: in a GeoPackage its layer_styles table (QGIS's
// default style of each layer, with SLD beside the QML), for other files a .qml and an .sld
// beside each file, which QGIS loads with the file.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "gdal.h"
#include "output/OutputFormat.h"
#include "styles/QgisStyle.h"

namespace mapgis_import {

enum class StyleHome {
    None,        // the format keeps OGR style strings of its own (KML, DXF)
    GeoPackage,  // the layer_styles table
    Sidecars,    // one file per layer: its style beside it
    OneSidecar,  // several layers in one file: one style for them all
};

StyleHome StyleHomeOf(const OutputFormat& format, bool bFolder);

// The drawing of an output layer by the kind it holds ("points", "lines", ...; empty: a whole
// compound layer).
Drawing DrawingOf(const std::string& strPart);

struct StyledLayer {
    std::string strPath;  // the dataset it is in
    std::string strName;
    Drawing eDrawing;
};

// Writes the style of every layer, each found in its open dataset; false with a message.
bool WriteStyles(StyleHome eHome, const std::vector<StyledLayer>& layers,
                 const std::function<GDALDatasetH(const std::string&)>& findDataset,
                 std::string* pstrError);

// The QGIS style of a layer and its SLD, for the fields it has; bLonLat: a layer without a
// system is in longitude/latitude.
void LayerStyleOf(OGRLayerH hLayer, const std::string& strName, Drawing eDrawing,
                  std::string* pstrQml, std::string* pstrSld, bool bLonLat = false);

// The style for the layers of a file opened through the driver: its map layers (the default)
// and the compound and typed layers.
std::string DriverStyle();

// Writes a style file; false with a message.
bool WriteStyleFile(const std::string& strPath, const std::string& strText, std::string* pstrError);

}  // namespace mapgis_import
