// One pass over a compound layer for all of its kind views.
#include "KindDataset.h"

#include <algorithm>

namespace mapgis_import {

namespace {

// Items read before their features go out: the features of a batch leave layer by layer, so
// that a writer switches tables (a COPY in PostgreSQL) a few times a batch, not every item.
constexpr int kBatchItems = 1024;

}  // namespace

KindDataset::KindDataset(OGRLayer* poSource, bool bNetwork, long long nItems)
    : m_poSource(poSource), m_bNetwork(bNetwork), m_nItems(nItems) {}

KindLayer* KindDataset::Add(std::unique_ptr<KindLayer> poLayer) {
    m_layers.push_back(std::move(poLayer));
    return m_layers.back().get();
}

OGRLayer* KindDataset::GetLayer(int i) {
    return i >= 0 && i < GetLayerCount() ? m_layers[i].get() : nullptr;
}

int KindDataset::TestCapability(const char* pszCap) {
    return m_bInterleaved && EQUAL(pszCap, ODsCRandomLayerRead);
}

void KindDataset::ResetReading() {
    for (auto& poLayer : m_layers)
        poLayer->ResetReading();
    m_poSource->ResetReading();
    m_iLayer = m_layers.size();
    m_nRead = 0;
}

bool KindDataset::ReadBatch() {
    int nRead = 0;
    for (; nRead < kBatchItems; ++nRead) {
        std::unique_ptr<OGRFeature> poSource{m_poSource->GetNextFeature()};
        if (poSource == nullptr)
            break;
        ++m_nRead;
        std::vector<Piece> pieces = mapgis::CutByKind(*poSource, m_bNetwork);
        for (auto& poLayer : m_layers)
            poLayer->Take(*poSource, pieces);
    }
    m_iLayer = 0;
    return nRead > 0;
}

OGRFeature* KindDataset::GetNextFeature(OGRLayer** ppoBelongingLayer, double* pdfProgressPct,
                                        GDALProgressFunc pfnProgress, void* pProgressData) {
    if (ppoBelongingLayer != nullptr)
        *ppoBelongingLayer = nullptr;
    for (;;) {
        for (; m_iLayer < m_layers.size(); ++m_iLayer) {
            std::unique_ptr<OGRFeature> poFeature = m_layers[m_iLayer]->Next();
            if (poFeature == nullptr)
                continue;
            const double dfDone =
                m_nItems > 0 ? static_cast<double>(m_nRead) / static_cast<double>(m_nItems) : 1.0;
            if (pdfProgressPct != nullptr)
                *pdfProgressPct = dfDone;
            // The caller stops the reading by its progress function, as it does a layer's.
            if (pfnProgress != nullptr && !pfnProgress(std::min(dfDone, 1.0), "", pProgressData))
                return nullptr;
            if (ppoBelongingLayer != nullptr)
                *ppoBelongingLayer = m_layers[m_iLayer].get();
            return poFeature.release();
        }
        if (!ReadBatch())
            return nullptr;
    }
}

}  // namespace mapgis_import
