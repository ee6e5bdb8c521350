// Views of a compound MAPGIS layer for writers that take one geometry type per layer (and for
// QGIS, which shows one type per layer): one view per geometry kind, and the single layer of
// entities a DXF file takes, each entity on a CAD layer named after its kind.
#pragma once

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gdal_priv.h"
#include "mapgiskinds.h"
#include "ogrsf_frmts.h"

namespace mapgis_import {

// The driver cuts the items by kind (mapgiskinds.h); these views write what it cuts.
using Kind = mapgis::MapKind;
using Piece = mapgis::KindPiece;
constexpr std::array<Kind, 4> kKinds = mapgis::kMapKinds;

// How the writer wants the views: with curves or segmentised, with field names of at most
// ten characters (dBase).
struct ViewOptions {
    bool bCurves = false;
    bool bShortNames = false;
};

// Features of one kind: one per item that has parts of the kind, with the item's attributes;
// texts one per piece (a point with the piece's text, height, angle, colour, font and
// italics, which a text's item shares with its other pieces by RbUserID). nCount stands for
// their number in the progress (from FindKinds); the figures are those of the last pass. Read on
// its own, the layer reads the compound layer; a KindDataset hands it the pieces of the items it
// reads.
class KindLayer final : public OGRLayer {
public:
    KindLayer(OGRLayer* poSource, Kind eKind, bool bNetwork, const std::string& strName,
              long long nCount, const ViewOptions& options);
    ~KindLayer() override;

    void ResetReading() override;
    OGRFeature* GetNextFeature() override;
    OGRFeatureDefn* GetLayerDefn() override { return m_poDefn; }
    GIntBig GetFeatureCount(int bForce) override;
    int TestCapability(const char* pszCap) override;

    // The name the layer is written as.
    void Rename(const std::string& strName);
    // Makes the features of the item's pieces of this layer's kind.
    void Take(OGRFeature& source, std::vector<Piece>& pieces);
    // The next feature made, or null when none is waiting.
    std::unique_ptr<OGRFeature> Next();

    long long Emitted() const { return m_nEmitted; }
    const OGREnvelope& Bounds() const { return m_bounds; }

private:
    std::unique_ptr<OGRFeature> NewFeature(OGRFeature& source, OGRGeometry* poGeom,
                                           const std::string& strStyle);
    void AddTextPieces(OGRFeature& source, const Piece& piece);

    OGRLayer* m_poSource;
    Kind m_eKind;
    bool m_bNetwork;
    long long m_nCount;
    OGRFeatureDefn* m_poDefn;
    std::vector<int> m_fieldMap;
    // Fields a text piece sets from its label.
    int m_iText = -1, m_iTextAngle = -1, m_iTextHeight = -1, m_iColor = -1, m_iFontName = -1,
        m_iItalic = -1;
    std::deque<std::unique_ptr<OGRFeature>> m_pending;
    long long m_nEmitted = 0;
    OGREnvelope m_bounds;
};

// Every part of every item as DXF entities: texts one per anchor with their own label, point
// symbols with their colour as a pen, areas as their outline (and a hatch when filled); the
// field "Layer" names the kind's layer.
class CadLayer final : public OGRLayer {
public:
    CadLayer(OGRLayer* poSource, bool bNetwork, const std::array<std::string, 4>& names);
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

    OGRLayer* m_poSource;
    bool m_bNetwork;
    std::array<std::string, 4> m_names;
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

// The kinds whose layers get features, by the kind's value: reads until each of the possible
// kinds (those the file's items can give) has been met, or to the end; stops early when
// stopped() says so. A kind met is given nItems, the layer's item count, as its number of
// features: the progress is its only use.
std::array<long long, 4> FindKinds(OGRLayer& source, bool bNetwork,
                                   const std::vector<Kind>& possible, long long nItems,
                                   const std::function<bool()>& stopped);

}  // namespace mapgis_import
