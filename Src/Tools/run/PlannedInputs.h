// The inputs of an import opened and their layers planned: what a run of files and a sheet of
// a merged archive both begin with.
#pragma once

#include <string>
#include <vector>

#include "cli/ImportArguments.h"
#include "output/OutputFormat.h"
#include "plan/ImportPlan.h"
#include "run/Destinations.h"

namespace mapgis_import {

struct PlannedInputs {
    std::vector<DatasetPtr> sources;  // the inputs in the arguments' order
    Plan plan;                        // their layers' jobs in map order
};

// Opens the arguments' inputs and plans their layers; false with the exit status and why
// (a signal: 128 + its number, "interrupted; no output written").
bool OpenPlannedInputs(const Arguments& args, const OutputFormat& format, PlannedInputs* pInputs,
                       int* pnExit, std::string* pstrWhy);

}  // namespace mapgis_import
