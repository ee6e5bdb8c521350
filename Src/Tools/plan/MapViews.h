// The driver's map layers as the writer takes them: under the name each is written as, with
// field names the format holds; and the single layer of entities a DXF file takes, each entity
// on a CAD layer named after its kind.
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

// Every part of every item as DXF entities, from the map layers in drawing order: texts one
// per piece with their own label, point symbols with their colour as a pen, areas as their
// outline (and a hatch when filled); the field "Layer" names the kind's layer.
class CadLayer final : public OGRLayer {
public:
    // names: per map layer, the CAD layer its entities go to.
    CadLayer(const std::string& strName, std::vector<OGRLayer*> sources,
             std::vector<std::string> names);
    ~CadLayer() override;

    void ResetReading() override;
    OGRFeature* GetNextFeature() override;
    OGRFeatureDefn* GetLayerDefn() override { return m_poDefn; }
    int TestCapability(const char* pszCap) override;

    long long Emitted() const { return m_nEmitted; }
    const OGREnvelope& Bounds() const { return m_bounds; }

private:
    void Add(const std::string& strLayer, std::unique_ptr<OGRGeometry> poGeom,
             const std::string& strStyle, GIntBig nFid);
    void AddEntities(OGRFeature& source, const std::string& strLayer);

    std::vector<OGRLayer*> m_sources;
    std::vector<std::string> m_names;
    size_t m_iSource = 0;
    OGRFeatureDefn* m_poDefn;
    std::vector<std::unique_ptr<OGRFeature>> m_pending;  // in reverse order
    long long m_nEmitted = 0;
    OGREnvelope m_bounds;
};

// A dataset of views, for GDAL's vector translation to read from.
class ViewDataset final : public GDALDataset {
public:
    void Add(std::unique_ptr<OGRLayer> poLayer) { m_layers.push_back(std::move(poLayer)); }
    int GetLayerCount() override { return static_cast<int>(m_layers.size()); }
    OGRLayer* GetLayer(int i) override;

private:
    std::vector<std::unique_ptr<OGRLayer>> m_layers;
};

}  // namespace mapgis_import
