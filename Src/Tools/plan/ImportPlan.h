// What an import writes: per layer of every input, the output layers it goes to, named
// after the input and the kind of what they hold.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cli/ImportArguments.h"
#include "gdal.h"
#include "output/OutputFormat.h"
#include "plan/MapViewDataset.h"
#include "plan/MapViews.h"

namespace mapgis_import {

struct Job {
    size_t iSource;  // index of the input
    std::string strInput;
    OGRLayerH hSource;           // the MAPGIS layer read (a map layer: of the kind written)
    GDALDatasetH hFrom;          // the dataset translated: the input's or its views
    std::string strFromLayer;    // the layer translated from it
    std::string strOutputLayer;  // the layer written
    std::string strWritten;      // its name as the writer made it (laundered), once written
    std::string strPart;         // the one kind it writes; empty: a whole compound layer
    long long nItems = 0;        // features to write, for the progress bar
    bool bAppend = false;        // into an output layer an earlier job made
    bool bFirstOfSource = true;  // the first job of its MAPGIS layer
    // A map layer's view and the views of its input it is read with.
    MapViewDataset* poViews = nullptr;
    MapView* poView = nullptr;
};

struct Plan {
    std::vector<std::unique_ptr<GDALDataset>> views;
    std::vector<Job> jobs;
    // Number of output layers (jobs appending to one count once).
    size_t OutputLayerCount() const;
    // How many jobs from iJob on read the same views (1 for a job without): they can go in
    // one pass over their input.
    size_t ViewsRun(size_t iJob) const;
};

// A name built from a file or folder name (a layer's, a sheet's): as it is when UTF-8, else
// decoded from GBK (GB18030), else with its bytes beyond UTF-8 as \xNN.
std::string NameFromBytes(const std::string& strBytes);

// Adds the jobs of one input's layers; false with the name that cannot be made unique.
bool PlanInput(const Arguments& args, const OutputFormat& format, const std::string& strInput,
               size_t iSource, GDALDatasetH hSource, Plan* pPlan, std::string* pstrError);

// Orders the jobs bottom first as the map draws their layers (areas, lines, network, points,
// nodes, texts), so that a dataset of several layers lists them so; whole compound layers
// keep their place after them.
void SortInMapOrder(Plan* pPlan);

}  // namespace mapgis_import
