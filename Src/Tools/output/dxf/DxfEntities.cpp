// The ENTITIES of the map layers: one CAD entity (or a few) per feature.
#include "DxfEntities.h"

#include "DxfColor.h"
#include "DxfLineTypes.h"
#include "DxfNames.h"
#include "DxfText.h"

namespace mapgis_dxf {

namespace {

// Italic texts lean as far as CAD's italic fonts do.
constexpr double kItalicObliqueDegrees = 15.0;

}  // namespace

DxfEntities::DxfEntities(DxfHandles* pHandles, unsigned nModelSpace, double dfUnitsPerMm)
    : m_pHandles(pHandles), m_nModelSpace(nModelSpace), m_dfUnitsPerMm(dfUnitsPerMm) {}

void DxfEntities::Add(const std::string& strLayer, const OGRFeature& feature) {
    const OGRGeometry* pGeom = feature.GetGeometryRef();
    if (pGeom == nullptr || pGeom->IsEmpty())
        return;
    m_strLayer = strLayer;
    m_style = ReadFeatureStyle(feature);
    OGREnvelope envelope;
    pGeom->getEnvelope(&envelope);
    m_extent.Merge(envelope);
    // The colour a layer takes from its items: their pen's, an area without one its fill's.
    NoteColor(m_style.color ? m_style.color : m_style.fillColor);
    AddGeometry(*pGeom);
}

void DxfEntities::NoteColor(std::optional<uint32_t> color) {
    DxfLayerColor& layer = m_layerColors[m_strLayer];
    if (layer.bMixed)
        return;
    if (!color || (layer.shared && *layer.shared != *color)) {
        layer.bMixed = true;
        layer.shared.reset();
    } else {
        layer.shared = color;
    }
}

void DxfEntities::AddGeometry(const OGRGeometry& geom) {
    const OGRwkbGeometryType eType = wkbFlatten(geom.getGeometryType());
    if (eType == wkbPoint) {
        AddPoint(*geom.toPoint());
    } else if (eType == wkbMultiPoint) {
        // Network nodes: points, which CAD draws at the size its users set.
        for (const OGRPoint* pPoint : *geom.toMultiPoint())
            AddBarePoint(*pPoint);
    } else if (OGR_GT_IsCurve(eType)) {
        AddCurve(*geom.toCurve());
    } else if (OGR_GT_IsSurface(eType)) {
        AddSurface(*geom.toCurvePolygon());
    } else if (OGR_GT_IsSubClassOf(eType, wkbGeometryCollection)) {
        for (const OGRGeometry* pPart : *geom.toGeometryCollection())
            AddGeometry(*pPart);
    }
}

void DxfEntities::Begin(const char* pszType, std::optional<uint32_t> color, bool bPen) {
    m_groups.Text(0, pszType);
    m_groups.Handle(5, m_pHandles->New());
    m_groups.Handle(330, m_nModelSpace);
    m_groups.Text(100, "AcDbEntity");
    m_groups.Text(8, m_strLayer);
    if (bPen) {
        const std::optional<DxfLineType> lineType = LineTypeOfStyle(m_style.nLineStyle);
        if (lineType) {
            m_groups.Text(6, lineType->pszName);
            m_lineStyles.insert(m_style.nLineStyle);
        }
    }
    if (color) {
        m_groups.Int(62, NearestAci(*color));
        m_groups.Int(420, static_cast<long>(*color));
    }
    if (bPen && m_style.dfLineWidth) {
        const std::optional<int> weight = LineWeightOfWidth(*m_style.dfLineWidth);
        if (weight)
            m_groups.Int(370, *weight);
    }
}

void DxfEntities::AddPoint(const OGRPoint& point) {
    if (m_style.text) {
        AddText(point);
    } else if (m_style.symbol) {
        m_symbols.insert(*m_style.symbol);
        const double dfScale = m_style.dfSymbolSize * m_dfUnitsPerMm;
        Begin("INSERT", m_style.color, false);
        m_groups.Text(100, "AcDbBlockReference");
        m_groups.Text(2, SymbolBlockName(*m_style.symbol));
        m_groups.Point3(10, point.getX(), point.getY(), 0);
        m_groups.Real(41, dfScale);
        m_groups.Real(42, dfScale);
        m_groups.Real(43, dfScale);
        m_groups.Real(50, m_style.dfSymbolAngle);
    } else {
        AddBarePoint(point);
    }
}

void DxfEntities::AddBarePoint(const OGRPoint& point) {
    Begin("POINT", m_style.color, false);
    m_groups.Text(100, "AcDbPoint");
    m_groups.Point3(10, point.getX(), point.getY(), 0);
}

void DxfEntities::AddText(const OGRPoint& point) {
    const DxfEncodedText encoded = EncodeDxfText(*m_style.text);
    m_nEscaped += encoded.nEscaped;
    Begin("TEXT", m_style.color, false);
    m_groups.Text(100, "AcDbText");
    m_groups.Point3(10, point.getX(), point.getY(), 0);
    m_groups.Real(40, m_style.dfTextHeight);
    m_groups.Text(1, encoded.strBytes);
    m_groups.Real(50, m_style.dfTextAngle);
    // The width factor stretches the font's glyphs to MAPGIS's character width W, which a
    // piece of one full-width character carries as its width and any other piece as half
    // (its characters' advance): CAD fonts draw Latin glyphs narrower than Chinese ones, as
    // MAPGIS does, so one factor W / H fits both.
    if (m_style.dfTextHeight > 0 && m_style.dfTextWidth > 0) {
        const double dfFullWidth =
            IsOneFullWidthCharacter(*m_style.text) ? m_style.dfTextWidth : 2 * m_style.dfTextWidth;
        m_groups.Real(41, dfFullWidth / m_style.dfTextHeight);
    }
    if (m_style.bItalic)
        m_groups.Real(51, kItalicObliqueDegrees);
    m_groups.Text(7, kTextStyleName);
    // Left and top: the anchor is the text's upper left corner, as MAPGIS places it.
    m_groups.Int(72, 0);
    m_groups.Point3(11, point.getX(), point.getY(), 0);
    m_groups.Text(100, "AcDbText");
    m_groups.Int(73, 3);
}

void DxfEntities::AddCurve(const OGRCurve& curve) {
    const std::optional<DxfArc> arc = SingleArc(curve);
    if (arc) {
        AddArc(*arc);
    } else {
        AddPolyline(CurveVertices(curve), false);
    }
}

void DxfEntities::AddArc(const DxfArc& arc) {
    Begin(arc.bCircle ? "CIRCLE" : "ARC", m_style.color, true);
    m_groups.Text(100, "AcDbCircle");
    m_groups.Point3(10, arc.dfX, arc.dfY, 0);
    m_groups.Real(40, arc.dfRadius);
    if (!arc.bCircle) {
        m_groups.Text(100, "AcDbArc");
        m_groups.Real(50, arc.dfStart);
        m_groups.Real(51, arc.dfEnd);
    }
}

void DxfEntities::AddPolyline(const std::vector<DxfVertex>& vertices, bool bClosed) {
    Begin("LWPOLYLINE", m_style.color, true);
    m_groups.Text(100, "AcDbPolyline");
    m_groups.Int(90, static_cast<long>(vertices.size()));
    m_groups.Int(70, bClosed ? 1 : 0);
    for (const DxfVertex& vertex : vertices) {
        m_groups.Point(10, vertex.dfX, vertex.dfY);
        if (vertex.dfBulge != 0)
            m_groups.Real(42, vertex.dfBulge);
    }
}

void DxfEntities::AddSurface(const OGRCurvePolygon& polygon) {
    if (m_style.fillColor)
        AddHatch(polygon);
    for (const OGRCurve* pRing : polygon) {
        const std::optional<DxfArc> arc = SingleArc(*pRing);
        if (arc && arc->bCircle) {
            AddArc(*arc);
        } else {
            AddPolyline(RingVertices(*pRing), true);
        }
    }
}

void DxfEntities::AddHatch(const OGRCurvePolygon& polygon) {
    Begin("HATCH", m_style.fillColor, false);
    m_groups.Text(100, "AcDbHatch");
    m_groups.Point3(10, 0, 0, 0);
    m_groups.Point3(210, 0, 0, 1);
    m_groups.Text(2, "SOLID");
    m_groups.Int(70, 1);  // solid fill
    m_groups.Int(71, 0);  // not associative
    m_groups.Int(91, polygon.getNumInteriorRings() + 1);
    bool bOuter = true;
    for (const OGRCurve* pRing : polygon) {
        const std::vector<DxfVertex> vertices = RingVertices(*pRing);
        bool bBulges = false;
        for (const DxfVertex& vertex : vertices)
            bBulges = bBulges || vertex.dfBulge != 0;
        m_groups.Int(92, bOuter ? 3 : 2);  // a polyline path; the first one external
        m_groups.Int(72, bBulges ? 1 : 0);
        m_groups.Int(73, 1);
        m_groups.Int(93, static_cast<long>(vertices.size()));
        for (const DxfVertex& vertex : vertices) {
            m_groups.Point(10, vertex.dfX, vertex.dfY);
            if (bBulges)
                m_groups.Real(42, vertex.dfBulge);
        }
        m_groups.Int(97, 0);
        bOuter = false;
    }
    m_groups.Int(75, 0);  // odd parity: a hole is left empty, an island in it filled
    m_groups.Int(76, 1);
    m_groups.Int(98, 0);
}

}  // namespace mapgis_dxf
