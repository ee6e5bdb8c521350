// A DXF output: the map layers' views as the CAD layers of one drawing.
#include "run/CadDrawing.h"

#include <cmath>
#include <vector>

#include "DxfNames.h"
#include "DxfWriter.h"
#include "cpl_conv.h"

namespace mapgis_import {

namespace {

bool InMetres(const Plan& plan) {
    const OGRSpatialReference* poSRS =
        plan.jobs.empty() ? nullptr : OGRLayer::FromHandle(plan.jobs[0].hSource)->GetSpatialRef();
    return poSRS != nullptr && poSRS->IsProjected() &&
           std::fabs(poSRS->GetLinearUnits() - 1.0) < 1e-9;
}

}  // namespace

DrawingResult WriteCadDrawing(const Arguments& args, const std::string& strPath, Plan* pPlan) {
    std::vector<OGRLayer*> layers;
    // A DXF import opens every input as map layers: each job has its view.
    for (Job& job : pPlan->jobs) {
        job.poView->Rename(job.strOutputLayer);
        job.strWritten = mapgis_dxf::CadLayerName(job.strOutputLayer);
        layers.push_back(job.poView);
    }
    mapgis_dxf::DxfWriteOptions options;
    options.bMetres = InMetres(*pPlan);
    if (!args.strScale.empty())
        options.dfUnitsPerMm = CPLAtof(args.strScale.c_str());
    const mapgis_dxf::DxfWriteResult written = mapgis_dxf::WriteDxf(layers, strPath, options);
    return {written.bOk, written.nEscaped};
}

}  // namespace mapgis_import
