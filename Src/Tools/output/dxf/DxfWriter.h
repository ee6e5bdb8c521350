// A DXF drawing of MAPGIS map layers, as CAD users in China open it: ASCII R2000 (AC1015),
// texts in GBK, layers and entities in their true colours.
#pragma once

#include <string>
#include <vector>

#include "ogrsf_frmts.h"

namespace mapgis_dxf {

struct DxfWriteOptions {
    bool bMetres = false;  // the sheet's units are metres ($INSUNITS 6, else 0)
    // Drawing units per millimetre of the printed map: the sheet's scale (10 at 1:10 000 in
    // metres), for line type patterns and symbol sizes; 1 draws them in drawing units.
    double dfUnitsPerMm = 1.0;
};

struct DxfWriteResult {
    bool bOk = false;
    int nEscaped = 0;  // characters GBK lacks, written as \U+XXXX
};

// Writes the layers, bottom first, each a CAD layer of its name, to strPath; a failure is
// reported through CPLError naming the file.
DxfWriteResult WriteDxf(const std::vector<OGRLayer*>& layers, const std::string& strPath,
                        const DxfWriteOptions& options);

}  // namespace mapgis_dxf
