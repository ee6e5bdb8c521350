// What the layers of an import got: the figures of each for the summary, and the accounts of
// the inputs a layer holds, for its description.
#pragma once

#include <string>
#include <vector>

#include "plan/ImportPlan.h"
#include "report/ImportSummary.h"

namespace mapgis_import {

// "EPSG:4527 (CGCS2000 / 3-degree Gauss-Kruger zone 39)", or empty without a system.
std::string DescribeSystem(OGRLayerH hLayer);

// The figures of what a job wrote: its view's, or its MAPGIS layer's.
LayerResult ResultOf(const Job& job);

// Whether the map layers stayed empty: they are those of the kinds the files' items can
// give, so the reader refused every item.
bool NothingWritten(const Plan& plan);

// What became of the items of the inputs a layer holds, for the layer's description (which
// QGIS shows): each input's account and the first of its items not written.
std::string LayerDescription(const Plan& plan, const std::string& strLayer,
                             const std::vector<InputAccount>& accounts);

}  // namespace mapgis_import
