// Typed layer of the area items, unstyled; circles and compounds read into it become regions.
#pragma once

#include "KtMapGisCADFileLayer.h"

namespace KTX {

class KtMapGisRegionLayer : public KtMapGisCADFileLayer {
public:
    KtFeatureClassDefn* ReadLayerDefn(const KtImportParams& params) override;
    int ReadFeatures(PlxArray<KtFeature*>& arrFeatures, int nFlags) override;
};

}  // namespace KTX
