#include "KtMapGisRegionLayer.h"

#include "KoGeometry/KtGeoRegion.h"
#include "KoGeometryCAD/KtGeoCompound.h"
#include "KtCompoundLineParts.h"

namespace KTX {

namespace {

void ReshapeToRegion(KtFeature& feature, const KtGeometry& geometry, int nSegmentCount) {
    switch (geometry.GetType()) {
        case KTGEO_COMPOUND: {
            const auto* pCompound = dynamic_cast<const KtGeoCompound*>(&geometry);
            if (pCompound == nullptr)
                return;
            auto* pRegion = new KtGeoRegion();
            // Every line-like part becomes one ring.
            const bool bAdded = AddCompoundLineParts(
                *pCompound, nSegmentCount, [pRegion](const PlxPoint2D* pPoints, int nCount) {
                    return pRegion->AddSub(pPoints, nCount);
                });
            if (bAdded && pRegion->IsValid()) {
                feature.SetGeometry(pRegion);
            } else {
                delete pRegion;
            }
            return;
        }
        case KTGEO_CIRCLE: {
            auto* pRegion = new KtGeoRegion();
            if (geometry.ConvertToRegion(pRegion, nSegmentCount)) {
                feature.SetGeometry(pRegion);
            } else {
                delete pRegion;
            }
            return;
        }
        default:
            return;
    }
}

}  // namespace

KtFeatureClassDefn* KtMapGisRegionLayer::ReadLayerDefn(const KtImportParams& params) {
    return ReadTypedLayerDefn(params, {KTGEO_REGION, KTGEO_CIRCLE}, KTLAYER_REGION, u"R");
}

int KtMapGisRegionLayer::ReadFeatures(PlxArray<KtFeature*>& arrFeatures, int nFlags) {
    return ReadFeaturesReshaped(arrFeatures, nFlags, &ReshapeToRegion);
}

}  // namespace KTX
