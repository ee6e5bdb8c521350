#include "KtFileParserMapGis.h"

#include <new>

#include "KtMapGisCADFileLayer.h"
#include "KtMapGisLineLayer.h"
#include "KtMapGisPointLayer.h"
#include "KtMapGisRegionLayer.h"
#include "KtMapGisTextLayer.h"

namespace KTX {

KtFileParserMapGis::~KtFileParserMapGis() = default;

bool KtFileParserMapGis::Open(const KtImportParams& params) {
    if (params.GetImportMode() != KTIMPORT_TYPED) {
        return AddLayerIfReadable(new (std::nothrow) KtMapGisCADFileLayer(), params);
    }
    AddLayerIfReadable(new (std::nothrow) KtMapGisPointLayer(), params);
    AddLayerIfReadable(new (std::nothrow) KtMapGisLineLayer(), params);
    AddLayerIfReadable(new (std::nothrow) KtMapGisRegionLayer(), params);
    AddLayerIfReadable(new (std::nothrow) KtMapGisTextLayer(), params);
    return true;
}

bool KtFileParserMapGis::AddLayerIfReadable(KtVectorFileLayer* pLayer,
                                            const KtImportParams& params) {
    if (pLayer == nullptr)
        return false;
    if (pLayer->ReadLayerDefn(params) == nullptr) {
        delete pLayer;
        return false;
    }
    m_arrLayers.Add(pLayer);
    return true;
}

void KtFileParserMapGis::Close() {
    for (KtVectorFileLayer* pLayer : m_arrLayers)
        delete pLayer;
    m_arrLayers.RemoveAll();
}

int KtFileParserMapGis::Create(KtVectorExportParams* /*pParams*/, KtPrjCoordSys* /*pPrjCoordSys*/) {
    return 1;
}

KtVectorFileLayer* KtFileParserMapGis::CreateLayer(KtFeatureClassDefn* /*pDefn*/) {
    return nullptr;
}

KtVectorFileLayer* KtFileParserMapGis::CreateLayer(KtFeatureClassDefn* /*pDefn*/,
                                                   PLXCharset /*eCharset*/) {
    return nullptr;
}

}  // namespace KTX
