// Compound items cut by kind for the map layers.
#include "mapgiskinds.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "KoGeometry/KtGeometry.h"
#include "cpl_conv.h"
#include "mapgisstyle.h"
#include "mapgistextmetrics.h"

namespace mapgis {

namespace {

size_t Index(MapKind eKind) {
    return static_cast<size_t>(eKind);
}

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

// Whether a style tool draws parts of that kind.
bool ToolDraws(std::string_view strTool, MapKind eKind) {
    switch (eKind) {
        case MapKind::Points:
            return StartsWith(strTool, "SYMBOL(");
        case MapKind::Texts:
            return StartsWith(strTool, "LABEL(");
        case MapKind::Lines:
            return StartsWith(strTool, "PEN(");
        case MapKind::Areas:
            return StartsWith(strTool, "PEN(") || StartsWith(strTool, "BRUSH(");
    }
    return false;
}

// The tools that draw parts of that kind, joined.
std::string ToolsDrawing(const std::vector<std::string_view>& tools, MapKind eKind) {
    std::string out;
    for (std::string_view tool : tools) {
        if (!ToolDraws(tool, eKind))
            continue;
        if (!out.empty())
            out += ';';
        out += tool;
    }
    return out;
}

MapKind KindOfPart(const OGRGeometry& part, bool bTextPoints) {
    const OGRwkbGeometryType eFlat = wkbFlatten(part.getGeometryType());
    if (eFlat == wkbPoint || eFlat == wkbMultiPoint)
        return bTextPoints ? MapKind::Texts : MapKind::Points;
    if (OGR_GT_IsSubClassOf(eFlat, wkbCurve) || OGR_GT_IsSubClassOf(eFlat, wkbMultiCurve))
        return MapKind::Lines;
    return MapKind::Areas;
}

std::unique_ptr<OGRGeometryCollection> NewMulti(MapKind eKind) {
    switch (eKind) {
        case MapKind::Points:
        case MapKind::Texts:
            return std::make_unique<OGRMultiPoint>();
        case MapKind::Lines:
            return std::make_unique<OGRMultiCurve>();
        case MapKind::Areas:
            break;
    }
    return std::make_unique<OGRMultiSurface>();
}

// Takes the part, a collection part by part.
void AddPart(OGRGeometryCollection& multi, OGRGeometry* poPart) {
    if (OGR_GT_IsSubClassOf(wkbFlatten(poPart->getGeometryType()), wkbGeometryCollection)) {
        auto* poInner = poPart->toGeometryCollection();
        for (OGRGeometry* poChild : *poInner)
            AddPart(multi, poChild);
        poInner->removeGeometry(-1, FALSE);
        delete poPart;
    } else if (multi.addGeometryDirectly(poPart) != OGRERR_NONE) {
        delete poPart;
    }
}

const char* GeomKindOf(const OGRFeature& feature) {
    const int iKind = feature.GetFieldIndex("GeomKind");
    return iKind >= 0 ? feature.GetFieldAsString(iKind) : "";
}

// The kind of an item as a whole, by what the reader made of it.
MapKind KindOfItem(const char* pszKind, bool bNetwork, bool bFilled) {
    if (EQUAL(pszKind, "line") || EQUAL(pszKind, "arc"))
        return MapKind::Lines;
    if (EQUAL(pszKind, "circle"))
        return bFilled ? MapKind::Areas : MapKind::Lines;
    if (EQUAL(pszKind, "region"))
        return MapKind::Areas;
    if (EQUAL(pszKind, "text"))
        return MapKind::Texts;
    if (EQUAL(pszKind, "compound"))
        return bNetwork ? MapKind::Lines : MapKind::Texts;
    return MapKind::Points;
}

double Number(std::string_view value) {
    double d = 0;
    std::from_chars(value.data(), value.data() + value.size(), d);
    return d;
}

// The label a text piece's fields are set from; read here rather than by GDAL's style tools,
// which took a fifth of a point file's import.
void ReadLabel(TextPiece& piece) {
    std::string_view name;
    StyleParameters params;
    if (!ReadStyleTool(piece.strTool, &name, &params) || name != "LABEL")
        return;
    piece.bLabel = true;
    for (const auto& [key, value] : params) {
        if (key == "t") {
            piece.strText = StyleParameterValue(value);
        } else if (key == "a") {
            piece.dfAngle = Number(value);
        } else if (key == "s" && !value.empty() && value.back() == 'g') {
            // Heights are written in ground units; nothing is converted.
            piece.height = Number(value);
        } else if (key == "c") {
            piece.strColor = StyleParameterValue(value);
        } else if (key == "f") {
            piece.strFont = StyleParameterValue(value);
        } else if (key == "it") {
            piece.italic = StyleParameterValue(value) != "0";
        }
    }
}

// The anchors of a text piece's points, taken from it.
std::vector<std::unique_ptr<OGRPoint>> TakeAnchors(KindPiece& piece) {
    std::vector<std::unique_ptr<OGRPoint>> anchors;
    if (wkbFlatten(piece.poGeom->getGeometryType()) == wkbPoint) {
        anchors.emplace_back(piece.poGeom.release()->toPoint());
        return anchors;
    }
    std::unique_ptr<OGRGeometry> poPoints(
        OGRGeometryFactory::forceToMultiPoint(piece.poGeom->getLinearGeometry()));
    auto* poMulti = poPoints->toMultiPoint();
    for (int i = 0; i < poMulti->getNumGeometries(); ++i)
        anchors.emplace_back(poMulti->getGeometryRef(i)->clone());
    return anchors;
}

}  // namespace

std::vector<KindPiece> CutByKind(OGRFeature& feature, bool bNetwork, std::optional<bool> filled) {
    std::vector<KindPiece> pieces;
    std::unique_ptr<OGRGeometry> poGeom(feature.StealGeometry());
    const char* pszKind = GeomKindOf(feature);
    const char* pszStyle = feature.GetStyleString();
    const std::vector<std::string_view> tools = StyleTools(pszStyle != nullptr ? pszStyle : "");
    const bool bFilled = filled.value_or(std::any_of(
        tools.begin(), tools.end(), [](std::string_view t) { return StartsWith(t, "BRUSH("); }));
    if (poGeom == nullptr || poGeom->IsEmpty()) {
        // Nothing to cut: the item goes whole, empty, to the layer of its kind.
        const MapKind eKind = KindOfItem(pszKind, bNetwork, bFilled);
        pieces.push_back({eKind, poGeom ? NewMulti(eKind) : nullptr, std::string()});
        return pieces;
    }
    if (EQUAL(pszKind, "circle") && !bFilled &&
        wkbFlatten(poGeom->getGeometryType()) == wkbCurvePolygon)
        poGeom.reset(poGeom->toCurvePolygon()->stealExteriorRingCurve());  // its outline
    auto addPiece = [&](MapKind eKind, std::unique_ptr<OGRGeometry> poPart) {
        pieces.push_back({eKind, std::move(poPart), ToolsDrawing(tools, eKind)});
    };
    if (wkbFlatten(poGeom->getGeometryType()) != wkbGeometryCollection) {
        const MapKind eKind = KindOfPart(*poGeom, EQUAL(pszKind, "text"));
        addPiece(eKind, std::move(poGeom));
        return pieces;
    }
    std::array<std::unique_ptr<OGRGeometryCollection>, 4> parts;
    auto* poCollection = poGeom->toGeometryCollection();
    for (OGRGeometry* poPart : *poCollection) {
        const MapKind eKind = KindOfPart(*poPart, !bNetwork);
        std::unique_ptr<OGRGeometryCollection>& poMulti = parts[Index(eKind)];
        if (poMulti == nullptr)
            poMulti = NewMulti(eKind);
        AddPart(*poMulti, poPart);
    }
    poCollection->removeGeometry(-1, FALSE);  // the parts belong to the pieces now
    for (MapKind eKind : kMapKinds) {
        if (parts[Index(eKind)] != nullptr)
            addPiece(eKind, std::move(parts[Index(eKind)]));
    }
    return pieces;
}

std::optional<bool> FilledByCensus(const Census* pCensus, std::optional<size_t> iItem) {
    if (pCensus == nullptr || !iItem)
        return std::nullopt;
    const CensusItem item = pCensus->Item(*iItem);
    if (item.eKind != ItemKind::Circle || item.nGeometryType == 0)
        return std::nullopt;
    // The plug-in answers a region for a filled circle.
    return item.nGeometryType == KTX::KTGEO_REGION;
}

const char* MapKindSuffix(MapKind eKind, bool bNetwork) {
    switch (eKind) {
        case MapKind::Points:
            return bNetwork ? "nodes" : "points";
        case MapKind::Lines:
            return bNetwork ? "network" : "lines";
        case MapKind::Areas:
            return "areas";
        case MapKind::Texts:
            break;
    }
    return "texts";
}

OGRwkbGeometryType MapKindGeometryType(MapKind eKind, bool bNetwork) {
    switch (eKind) {
        case MapKind::Points:
            return bNetwork ? wkbMultiPoint : wkbPoint;
        case MapKind::Texts:
            return wkbPoint;
        case MapKind::Lines:
            return wkbMultiCurve;
        case MapKind::Areas:
            break;
    }
    return wkbMultiSurface;
}

std::array<bool, 4> ItemMapKinds(const CensusItem& item) {
    std::array<bool, 4> kinds{};
    auto add = [&kinds](MapKind eKind) { kinds[Index(eKind)] = true; };
    if (!item.bIndexed || item.nGeometryType == 0)
        return kinds;
    switch (item.eKind) {
        case ItemKind::Text:
            if (item.bMayHaveBar)
                add(MapKind::Lines);
            add(MapKind::Texts);
            break;
        case ItemKind::MultiLineText:
            add(MapKind::Texts);
            break;
        case ItemKind::Symbol:
            add(MapKind::Points);
            break;
        case ItemKind::Circle:
            add(item.nGeometryType == KTX::KTGEO_REGION ? MapKind::Areas : MapKind::Lines);
            break;
        case ItemKind::Area:
            add(MapKind::Areas);
            break;
        case ItemKind::Network:
        case ItemKind::NetworkLine:
            // A network's entries carry its nodes.
            add(MapKind::Points);
            add(MapKind::Lines);
            break;
        default:
            add(MapKind::Lines);
            break;
    }
    return kinds;
}

std::array<bool, 4> MapKindsOf(const Census& census) {
    std::array<bool, 4> kinds{};
    for (size_t i = 0; i < census.Size(); ++i) {
        const std::array<bool, 4> item = ItemMapKinds(census.Item(i));
        for (size_t k = 0; k < kinds.size(); ++k)
            kinds[k] = kinds[k] || item[k];
    }
    return kinds;
}

std::vector<TextPiece> PlaceTexts(KindPiece& piece, const TextMetrics& metrics, double dfScale) {
    std::vector<std::unique_ptr<OGRPoint>> anchors = TakeAnchors(piece);
    std::vector<TextPiece> out;
    out.reserve(anchors.size());
    const std::vector<std::string_view> tools = StyleTools(piece.strStyle);
    for (std::unique_ptr<OGRPoint>& poAnchor : anchors) {
        TextPiece text;
        text.poAnchor = std::move(poAnchor);
        if (!tools.empty())
            text.strTool = tools[std::min(out.size(), tools.size() - 1)];
        ReadLabel(text);
        out.push_back(std::move(text));
    }
    MeasureTexts(out, metrics, dfScale);
    return out;
}

}  // namespace mapgis
