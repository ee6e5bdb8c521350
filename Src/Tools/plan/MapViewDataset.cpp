// One pass over an input for all of its map views.
#include "plan/MapViewDataset.h"

#include <algorithm>

namespace mapgis_import {

MapView* MapViewDataset::Add(std::unique_ptr<MapView> poLayer) {
    m_layers.push_back(std::move(poLayer));
    return m_layers.back().get();
}

OGRLayer* MapViewDataset::GetLayer(int i) {
    return i >= 0 && i < GetLayerCount() ? m_layers[i].get() : nullptr;
}

int MapViewDataset::TestCapability(const char* pszCap) {
    return m_bInterleaved && EQUAL(pszCap, ODsCRandomLayerRead);
}

void MapViewDataset::ResetReading() {
    for (auto& poLayer : m_layers)
        poLayer->ResetReading();
    m_poSource->ResetReading();
}

MapView* MapViewDataset::ViewOf(const OGRLayer* poSource) const {
    for (const auto& poLayer : m_layers) {
        if (poLayer->Source() == poSource)
            return poLayer.get();
    }
    return nullptr;
}

OGRFeature* MapViewDataset::GetNextFeature(OGRLayer** ppoBelongingLayer, double* pdfProgressPct,
                                           GDALProgressFunc pfnProgress, void* pProgressData) {
    if (ppoBelongingLayer != nullptr)
        *ppoBelongingLayer = nullptr;
    for (;;) {
        OGRLayer* poFrom = nullptr;
        double dfDone = 0;
        // The caller stops the reading by its progress function, as it does a layer's.
        std::unique_ptr<OGRFeature> poFeature(
            m_poSource->GetNextFeature(&poFrom, &dfDone, pfnProgress, pProgressData));
        if (poFeature == nullptr)
            return nullptr;
        // The layers of the input that other views write are passed over.
        MapView* poView = ViewOf(poFrom);
        if (poView == nullptr)
            continue;
        if (pdfProgressPct != nullptr)
            *pdfProgressPct = dfDone;
        if (ppoBelongingLayer != nullptr)
            *ppoBelongingLayer = poView;
        return poView->Convert(std::move(poFeature)).release();
    }
}

}  // namespace mapgis_import
