#include "KtMapGisLineLayer.h"

#include "KoGeometry/KtGeoLine.h"
#include "KoGeometryCAD/KtGeoCompound.h"
#include "KtCompoundLineParts.h"

namespace KTX {

namespace {

void ReshapeToLine(KtFeature& feature, const KtGeometry& geometry, int nSegmentCount) {
    switch (geometry.GetType()) {
        case KTGEO_COMPOUND: {
            const auto* pCompound = dynamic_cast<const KtGeoCompound*>(&geometry);
            if (pCompound == nullptr)
                return;
            auto* pLine = new KtGeoLine();
            const bool bAdded = AddCompoundLineParts(
                *pCompound, nSegmentCount, [pLine](const PlxPoint2D* pPoints, int nCount) {
                    return pLine->AddSub(pPoints, nCount);
                });
            if (bAdded && pLine->IsValid()) {
                feature.SetGeometry(pLine);
            } else {
                delete pLine;
            }
            return;
        }
        case KTGEO_REGION:
        case KTGEO_ARC:
        case KTGEO_CIRCLE: {
            auto* pLine = new KtGeoLine();
            if (geometry.ConvertToLine(pLine, nSegmentCount)) {
                feature.SetGeometry(pLine);
            } else {
                delete pLine;
            }
            return;
        }
        default:
            return;
    }
}

}  // namespace

KtFeatureClassDefn* KtMapGisLineLayer::ReadLayerDefn(const KtImportParams& params) {
    return ReadTypedLayerDefn(params, {KTGEO_LINE, KTGEO_CIRCLE, KTGEO_ARC}, KTLAYER_LINE, u"L");
}

int KtMapGisLineLayer::ReadFeatures(PlxArray<KtFeature*>& arrFeatures, int nFlags) {
    return ReadFeaturesReshaped(arrFeatures, nFlags, &ReshapeToLine);
}

}  // namespace KTX
