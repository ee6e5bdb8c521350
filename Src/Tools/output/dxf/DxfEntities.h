// The ENTITIES of the map layers: one CAD entity (or a few) per feature.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "DxfCurves.h"
#include "DxfFeatureStyle.h"
#include "DxfGroups.h"
#include "DxfHandles.h"
#include "ogrsf_frmts.h"

namespace mapgis_dxf {

// The colours of a layer's items: the one they share, if they do.
struct DxfLayerColor {
    std::optional<uint32_t> shared;
    bool bMixed = false;
};

class DxfEntities {
public:
    // dfUnitsPerMm: drawing units per millimetre of the printed map, for symbol sizes.
    DxfEntities(DxfHandles* pHandles, unsigned nModelSpace, double dfUnitsPerMm);

    // The feature's entities on layer strLayer (a DXF layer name, already encoded).
    void Add(const std::string& strLayer, const OGRFeature& feature);

    const std::string& Text() const { return m_groups.Str(); }
    const OGREnvelope& Extent() const { return m_extent; }
    const std::set<int>& Symbols() const { return m_symbols; }
    const std::set<int>& LineStyles() const { return m_lineStyles; }
    const std::map<std::string, DxfLayerColor>& LayerColors() const { return m_layerColors; }
    int Escaped() const { return m_nEscaped; }

private:
    void AddGeometry(const OGRGeometry& geom);
    void AddPoint(const OGRPoint& point);
    void AddBarePoint(const OGRPoint& point);
    void AddCurve(const OGRCurve& curve);
    void AddSurface(const OGRCurvePolygon& polygon);
    void AddText(const OGRPoint& point);
    void AddHatch(const OGRCurvePolygon& polygon);
    void AddPolyline(const std::vector<DxfVertex>& vertices, bool bClosed);
    void AddArc(const DxfArc& arc);
    // 0 TYPE to the entity's subclass marker: handle, owner, layer, line type, colour, weight.
    void Begin(const char* pszType, std::optional<uint32_t> color, bool bPen);
    void NoteColor(std::optional<uint32_t> color);

    DxfHandles* m_pHandles;
    unsigned m_nModelSpace;
    double m_dfUnitsPerMm;
    DxfGroups m_groups;
    OGREnvelope m_extent;
    std::set<int> m_symbols;
    std::set<int> m_lineStyles;
    std::map<std::string, DxfLayerColor> m_layerColors;
    int m_nEscaped = 0;
    // The feature being written.
    std::string m_strLayer;
    DxfFeatureStyle m_style;
};

}  // namespace mapgis_dxf
