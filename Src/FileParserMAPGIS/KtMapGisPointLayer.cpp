#include "KtMapGisPointLayer.h"

namespace KTX {

KtFeatureClassDefn* KtMapGisPointLayer::ReadLayerDefn(const KtImportParams& params) {
    return ReadTypedLayerDefn(params, {KTGEO_POINT}, KTLAYER_POINT, u"P");
}

}  // namespace KTX
