#include "KtFileParser.h"

namespace KTX {

KtFileParser::~KtFileParser() = default;

int KtFileParser::GetFileGroup() const {
    return 0;
}

int KtFileParseVector::GetLayerCount() const {
    return m_arrLayers.GetSize();
}

KtVectorFileLayer* KtFileParseVector::GetLayer(int i) const {
    if (i < 0 || i >= m_arrLayers.GetSize())
        return nullptr;
    return m_arrLayers[i];
}

KtVectorFileLayer* KtFileParseVector::GetLayerByName(const PlxUnicodeString& strName) const {
    for (KtVectorFileLayer* pLayer : m_arrLayers) {
        if (pLayer != nullptr && pLayer->GetLayerName() == strName)
            return pLayer;
    }
    return nullptr;
}

int KtFileParseVector::Create(KtVectorExportParams*, KtPrjCoordSys*) {
    return 0;
}

KtVectorFileLayer* KtFileParseVector::CreateLayer(KtFeatureClassDefn*) {
    return nullptr;
}

KtVectorFileLayer* KtFileParseVector::CreateLayer(KtFeatureClassDefn*, PLXCharset) {
    return nullptr;
}

bool KtFileParseVector::BeginWrite() {
    return false;
}

bool KtFileParseVector::EndWrite() {
    return false;
}

}  // namespace KTX
