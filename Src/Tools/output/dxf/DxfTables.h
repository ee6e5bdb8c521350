// The HEADER and TABLES sections.
#pragma once

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "DxfEntities.h"
#include "DxfHandles.h"
#include "DxfObjects.h"
#include "ogr_core.h"

namespace mapgis_dxf {

// What the tables describe.
struct DxfTableInput {
    std::vector<std::pair<std::string, DxfLayerColor>> layers;  // DXF names, in order
    std::set<int> lineStyles;
    double dfUnitsPerMm = 1.0;  // drawing units per millimetre of the printed map
    // The block records: model space, paper space, then one per block, with their names.
    std::vector<std::pair<std::string, unsigned>> blockRecords;
    DxfLayoutHandles layouts;
    OGREnvelope extent;
};

std::string DxfTablesSection(const DxfTableInput& input, DxfHandles* pHandles);

// Written last, once every handle is given out, but first in the file.
std::string DxfHeaderSection(const OGREnvelope& extent, bool bMetres, unsigned nHandleSeed);

}  // namespace mapgis_dxf
