// A DXF drawing of MAPGIS map layers.
#include "DxfWriter.h"

#include <algorithm>
#include <memory>

#include "DxfBlocks.h"
#include "DxfEntities.h"
#include "DxfNames.h"
#include "DxfObjects.h"
#include "DxfTables.h"
#include "cpl_vsi.h"

namespace mapgis_dxf {

namespace {

struct VsiCloser {
    void operator()(VSILFILE* fp) const { VSIFCloseL(fp); }
};

bool WriteAll(const std::string& strPath, const std::vector<const std::string*>& parts) {
    std::unique_ptr<VSILFILE, VsiCloser> fp(VSIFOpenL(strPath.c_str(), "wb"));
    if (!fp) {
        CPLError(CE_Failure, CPLE_OpenFailed, "%s: cannot be created: %s", strPath.c_str(),
                 VSIStrerror(errno));
        return false;
    }
    for (const std::string* pPart : parts) {
        if (VSIFWriteL(pPart->data(), 1, pPart->size(), fp.get()) != pPart->size()) {
            CPLError(CE_Failure, CPLE_FileIO, "%s: write failed: %s", strPath.c_str(),
                     VSIStrerror(errno));
            return false;
        }
    }
    if (VSIFCloseL(fp.release()) != 0) {
        CPLError(CE_Failure, CPLE_FileIO, "%s: write failed on close: %s", strPath.c_str(),
                 VSIStrerror(errno));
        return false;
    }
    return true;
}

}  // namespace

DxfWriteResult WriteDxf(const std::vector<OGRLayer*>& layers, const std::string& strPath,
                        const DxfWriteOptions& options) {
    DxfHandles handles;
    const DxfLayoutHandles layouts = ReserveLayoutHandles(&handles);
    const unsigned nModelSpace = layouts.nModelSpace;
    const unsigned nPaperSpace = layouts.nPaperSpace;
    DxfEntities entities(&handles, nModelSpace, options.dfUnitsPerMm);
    DxfWriteResult result;
    DxfTableInput input;
    // Inputs of one name (a sheet's line and point files) share their CAD layers.
    std::vector<std::string> names;
    for (OGRLayer* pLayer : layers) {
        const std::string strName = DxfLayerName(pLayer->GetName(), &result.nEscaped);
        if (std::find(names.begin(), names.end(), strName) == names.end())
            names.push_back(strName);
        pLayer->ResetReading();
        for (auto& pFeature : *pLayer)
            entities.Add(strName, *pFeature);
    }
    for (const std::string& strName : names) {
        const auto found = entities.LayerColors().find(strName);
        input.layers.emplace_back(
            strName, found != entities.LayerColors().end() ? found->second : DxfLayerColor{});
    }
    result.nEscaped += entities.Escaped();
    input.lineStyles = entities.LineStyles();
    input.dfUnitsPerMm = options.dfUnitsPerMm;
    input.extent = entities.Extent();
    input.layouts = layouts;
    input.blockRecords = DxfBlockRecords(nModelSpace, nPaperSpace, entities.Symbols(), &handles);
    const std::string strTables = DxfTablesSection(input, &handles);
    const std::string strBlocks =
        DxfBlocksSection(input.blockRecords, entities.Symbols(), &handles);
    const std::string strObjects = DxfObjectsSection(layouts, entities.Extent(), &handles);
    const std::string strHeader =
        DxfHeaderSection(entities.Extent(), options.bMetres, handles.Seed());
    static const std::string strEntitiesBegin = "  0\nSECTION\n  2\nENTITIES\n";
    static const std::string strEntitiesEnd = "  0\nENDSEC\n";
    static const std::string strEnd = "  0\nEOF\n";
    result.bOk = WriteAll(strPath, {&strHeader, &strTables, &strBlocks, &strEntitiesBegin,
                                    &entities.Text(), &strEntitiesEnd, &strObjects, &strEnd});
    return result;
}

}  // namespace mapgis_dxf
