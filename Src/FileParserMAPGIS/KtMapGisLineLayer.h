// Typed layer of the line items, unstyled; arcs, circles, regions and compounds read into it
// become lines.
#pragma once

#include "KtMapGisCADFileLayer.h"

namespace KTX {

class KtMapGisLineLayer : public KtMapGisCADFileLayer {
public:
    KtFeatureClassDefn* ReadLayerDefn(const KtImportParams& params) override;
    int ReadFeatures(PlxArray<KtFeature*>& arrFeatures, int nFlags) override;
};

}  // namespace KTX
