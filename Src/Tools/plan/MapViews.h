// The driver's map layers as the writer takes them: under the name each is written as, with
// field names the format holds.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gdal_priv.h"
#include "ogrsf_frmts.h"

namespace mapgis_import {

// How the writer wants the views: with curves or segmentised, with field names of at most
// ten characters (dBase).
struct ViewOptions {
    bool bCurves = false;
    bool bShortNames = false;
};

// A map layer's features under another name. nCount stands for their number in the progress
// (the items of the file); the figures are those of the last pass. Read on its own, the view
// reads its map layer; a MapViewDataset hands it the features of the one pass over the file.
class MapView final : public OGRLayer {
public:
    MapView(OGRLayer* poSource, const std::string& strName, long long nCount,
            const ViewOptions& options);
    ~MapView() override;

    void ResetReading() override;
    OGRFeature* GetNextFeature() override;
    OGRFeatureDefn* GetLayerDefn() override { return m_poDefn; }
    GIntBig GetFeatureCount(int bForce) override;
    int TestCapability(const char* pszCap) override;

    // The name the layer is written as.
    void Rename(const std::string& strName);
    OGRLayer* Source() const { return m_poSource; }
    // The feature of the map layer as this view's.
    std::unique_ptr<OGRFeature> Convert(std::unique_ptr<OGRFeature> poSource);

    long long Emitted() const { return m_nEmitted; }
    const OGREnvelope& Bounds() const { return m_bounds; }

private:
    OGRLayer* m_poSource;
    long long m_nCount;
    OGRFeatureDefn* m_poDefn;
    std::vector<int> m_fieldMap;
    long long m_nEmitted = 0;
    OGREnvelope m_bounds;
};

}  // namespace mapgis_import
