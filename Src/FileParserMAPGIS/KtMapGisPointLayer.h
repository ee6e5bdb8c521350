// Typed layer of the point items, unstyled. Points need no reshaping, so the compound layer's
// feature reading serves as it is.
#pragma once

#include "KtMapGisCADFileLayer.h"

namespace KTX {

class KtMapGisPointLayer : public KtMapGisCADFileLayer {
public:
    KtFeatureClassDefn* ReadLayerDefn(const KtImportParams& params) override;
};

}  // namespace KTX
