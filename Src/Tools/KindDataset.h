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
    KindDataset(OGRLayer* poSource, bool bNetwork);

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
    size_t m_iLayer = 0;     // the layer whose features of the batch go out now
    long long m_nTotal = 0;  // the features of every layer, for the progress
    long long m_nDone = 0;
};

}  // namespace mapgis_import
