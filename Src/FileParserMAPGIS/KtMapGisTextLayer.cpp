#include "KtMapGisTextLayer.h"

#include "KoGeometry/KtGeoText.h"
#include "KoGeometryCAD/KtGeoCompound.h"

namespace KTX {

namespace {

// The sub-texts of every text part, in order, in one text; the last text part's style wins.
void ReshapeToText(KtFeature& feature, const KtGeometry& geometry, int /*nSegmentCount*/) {
    if (geometry.GetType() != KTGEO_COMPOUND)
        return;
    const auto* pCompound = dynamic_cast<const KtGeoCompound*>(&geometry);
    if (pCompound == nullptr)
        return;

    PlxArray<KtGeometry*> arrParts;
    pCompound->Divide(arrParts, true);
    auto* pText = new KtGeoText();
    bool bAdded = false;
    for (const KtGeometry* pPart : arrParts) {
        if (pPart == nullptr || pPart->GetType() != KTGEO_TEXT)
            continue;
        const auto* pPartText = static_cast<const KtGeoText*>(pPart);
        for (int i = 0; i < pPartText->GetSubCount(); ++i) {
            const KtSubText* pSub = pPartText->GetSub(i);
            if (pSub != nullptr)
                pText->AddSub(pPartText->GetSubAnchor(i), *pSub);
        }
        pText->SetTextStyle(pPartText->GetTextStyle(), false);
        bAdded = true;
    }
    // Divide with copies hands the parts to the caller.
    for (KtGeometry* pPart : arrParts)
        delete pPart;

    if (bAdded && pText->IsValid()) {
        feature.SetGeometry(pText);
    } else {
        delete pText;
    }
}

}  // namespace

KtFeatureClassDefn* KtMapGisTextLayer::ReadLayerDefn(const KtImportParams& params) {
    return ReadTypedLayerDefn(params, {KTGEO_TEXT}, KTLAYER_TEXT, u"T");
}

int KtMapGisTextLayer::ReadFeatures(PlxArray<KtFeature*>& arrFeatures, int nFlags) {
    return ReadFeaturesReshaped(arrFeatures, nFlags, &ReshapeToText);
}

}  // namespace KTX
