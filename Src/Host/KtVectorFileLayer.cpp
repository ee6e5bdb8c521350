#include "KtVectorFileLayer.h"

#include <algorithm>
#include <limits>

namespace KTX {

KtVectorFileLayer::~KtVectorFileLayer() = default;

int KtVectorFileLayer::GetType() const {
    return m_FeatureClassDefn.GetType();
}

void KtVectorFileLayer::ResetReading() {
    m_nCurrentFeature = 0;
}

bool KtVectorFileLayer::ReadOneFeature(KtFeature* pFeature) {
    if (pFeature == nullptr)
        return false;
    PlxArray<KtFeature*> arrFeatures;
    arrFeatures.Add(pFeature);
    return ReadFeatures(arrFeatures, 0) == 1;
}

KtPrjCoordSys* KtVectorFileLayer::GetSpatialRef() const {
    return nullptr;
}

int KtVectorFileLayer::Create(const KtExportParams&) {
    return 0;
}

int KtVectorFileLayer::CreateFields(PlxFieldInfos&) {
    return 0;
}

std::int64_t KtVectorFileLayer::GetCurFilePosition() const {
    return m_nCurrentFeature;
}

void KtVectorFileLayer::SetCurFilePosition(std::int64_t nPosition) {
    const std::int64_t nMax = std::numeric_limits<std::int32_t>::max();
    m_nCurrentFeature = static_cast<std::int32_t>(std::clamp<std::int64_t>(nPosition, 0, nMax));
}

std::int64_t KtVectorFileLayer::GetFileLength() const {
    return m_FeatureClassDefn.GetFeatureCount();
}

int KtVectorFileLayer::Create() {
    return 0;
}

int KtVectorFileLayer::CreateFeature(const PlxArray<KtFeature*>&) {
    return 0;
}

}  // namespace KTX
