// A DXF output: the map layers' views as the CAD layers of one drawing.
#pragma once

#include <string>

#include "cli/ImportArguments.h"
#include "plan/ImportPlan.h"

namespace mapgis_import {

struct DrawingResult {
    bool bOk = false;
    int nEscaped = 0;  // characters GBK lacks, written as \U+XXXX
};

// Writes every job's view, in the plan's order (bottom first), to strPath; jobs of one output
// layer share its CAD layer. Each job's strWritten becomes its CAD layer's name. Drawing
// units are metres when the sheet's system says so; dash patterns and symbol sizes in
// millimetres of the printed sheet are scaled by --scale (paper millimetres to ground metres).
DrawingResult WriteCadDrawing(const Arguments& args, const std::string& strPath, Plan* pPlan);

}  // namespace mapgis_import
