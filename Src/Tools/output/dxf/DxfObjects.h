// The OBJECTS section: the root dictionary, groups and the two layouts every drawing has.
#pragma once

#include <string>

#include "DxfHandles.h"
#include "ogr_core.h"

namespace mapgis_dxf {

// Model and paper space: their block records and layouts point to each other, so their
// handles are taken before anything is written.
struct DxfLayoutHandles {
    unsigned nModelSpace = 0;  // block records
    unsigned nPaperSpace = 0;
    unsigned nModelLayout = 0;
    unsigned nPaperLayout = 0;
};

DxfLayoutHandles ReserveLayoutHandles(DxfHandles* pHandles);

// The root dictionary with ACAD_GROUP (empty) and ACAD_LAYOUT (Model and Layout1).
std::string DxfObjectsSection(const DxfLayoutHandles& layouts, const OGREnvelope& extent,
                              DxfHandles* pHandles);

}  // namespace mapgis_dxf
