// The closing summary of mapgis-import: per output layer the features written, the bounds,
// and the items the reader refused with the reasons it logged.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "ogr_api.h"

namespace mapgis_import {

struct LayerResult {
    std::string strInput;
    std::string strOutputLayer;
    long long nFeatures = 0;
    long long nItems = 0;
    long long nRefused = 0;
    bool bHasBounds = false;
    OGREnvelope bounds;
    std::vector<std::string> refusedReasons;  // "<count>: <text>"
    std::vector<std::string> messages;        // "<count>: <text>"
};

// Reads the figures of a MAPGIS source layer (its "MAPGIS" metadata domain) after the layer
// has been translated.
LayerResult CollectLayerResult(OGRLayerH hSource, const std::string& strInput,
                               const std::string& strOutputLayer);

void PrintSummary(std::FILE* pOut, const std::string& strOutput,
                  const std::vector<LayerResult>& results);

}  // namespace mapgis_import
