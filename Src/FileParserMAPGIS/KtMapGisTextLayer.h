// Typed layer of the text items, unstyled; a compound of texts read into it becomes one text.
#pragma once

#include "KtMapGisCADFileLayer.h"

namespace KTX {

class KtMapGisTextLayer : public KtMapGisCADFileLayer {
public:
    KtFeatureClassDefn* ReadLayerDefn(const KtImportParams& params) override;
    int ReadFeatures(PlxArray<KtFeature*>& arrFeatures, int nFlags) override;
};

}  // namespace KTX
