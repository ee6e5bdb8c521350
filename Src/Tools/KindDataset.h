// The kind views of one compound layer, read together: each item is read and cut once and its
// pieces go to the views of their kinds, so that a writer taking features of its layers in any
// order gets every kind from one pass over the compound layer.
#pragma once

#include <memory>
#include <vector>

#include "KindLayers.h"

namespace mapgis_import {

class KindDataset final : public GDALDataset {
public:
    // nItems: the items of the compound layer, for the progress.
    KindDataset(OGRLayer* poSource, bool bNetwork, long long nItems);

    KindLayer* Add(std::unique_ptr<KindLayer> poLayer);
    // Whether GDAL's translation reads the features through the dataset (one pass) or layer by
    // layer (one pass each).
    void SetInterleaved(bool bInterleaved) { m_bInterleaved = bInterleaved; }

    int GetLayerCount() override { return static_cast<int>(m_layers.size()); }
    OGRLayer* GetLayer(int i) override;
    int TestCapability(const char* pszCap) override;
    void ResetReading() override;
    OGRFeature* GetNextFeature(OGRLayer** ppoBelongingLayer, double* pdfProgressPct,
                               GDALProgressFunc pfnProgress, void* pProgressData) override;

private:
    bool ReadBatch();

    OGRLayer* m_poSource;
    bool m_bNetwork;
    bool m_bInterleaved = false;
    std::vector<std::unique_ptr<KindLayer>> m_layers;
    size_t m_iLayer = 0;    // the layer whose features of the batch go out now
    long long m_nItems;     // of the compound layer, for the progress
    long long m_nRead = 0;  // of its features
};

}  // namespace mapgis_import
