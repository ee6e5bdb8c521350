// The views of one input's map layers, read together: through the driver's one pass over the
// file, each feature handed to the view of its map layer, so that a writer taking features of
// its layers in any order gets every kind from one read of the file.
#pragma once

#include <memory>
#include <vector>

#include "plan/MapViews.h"

namespace mapgis_import {

class MapViewDataset final : public GDALDataset {
public:
    explicit MapViewDataset(GDALDataset* poSource) : m_poSource(poSource) {}

    MapView* Add(std::unique_ptr<MapView> poLayer);
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
    MapView* ViewOf(const OGRLayer* poSource) const;

    GDALDataset* m_poSource;
    bool m_bInterleaved = false;
    std::vector<std::unique_ptr<MapView>> m_layers;
};

}  // namespace mapgis_import
