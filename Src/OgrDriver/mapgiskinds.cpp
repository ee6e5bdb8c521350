// Compound items cut by kind for the map layers.
#include "mapgiskinds.h"

#include <algorithm>

#include "KoGeometry/KtGeometry.h"
#include "cpl_conv.h"
#include "mapgisstyle.h"
#include "mapgistextmetrics.h"

namespace mapgis {

namespace {

size_t Index(MapKind eKind) {
    return static_cast<size_t>(eKind);
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

std::vector<KindPiece> CutByKind(OGRFeature& feature, bool bNetwork, bool bFilled) {
    std::vector<KindPiece> pieces;
    std::unique_ptr<OGRGeometry> poGeom(feature.StealGeometry());
    const char* pszKind = GeomKindOf(feature);
    if (poGeom == nullptr || poGeom->IsEmpty()) {
        // Nothing to cut: the item goes whole, empty, to the layer of its kind.
        const MapKind eKind = KindOfItem(pszKind, bNetwork, bFilled);
        pieces.push_back({eKind, poGeom ? NewMulti(eKind) : nullptr, false});
        return pieces;
    }
    if (EQUAL(pszKind, "circle") && !bFilled &&
        wkbFlatten(poGeom->getGeometryType()) == wkbCurvePolygon)
        poGeom.reset(poGeom->toCurvePolygon()->stealExteriorRingCurve());  // its outline
    if (wkbFlatten(poGeom->getGeometryType()) != wkbGeometryCollection) {
        const MapKind eKind = KindOfPart(*poGeom, EQUAL(pszKind, "text"));
        pieces.push_back({eKind, std::move(poGeom), true});
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
            pieces.push_back({eKind, std::move(parts[Index(eKind)]), true});
    }
    return pieces;
}

bool IsFilled(const Census* pCensus, std::optional<size_t> iItem, const KTX::KtGeometry* pGeom) {
    if (pCensus != nullptr && iItem) {
        const CensusItem item = pCensus->Item(*iItem);
        // The plug-in answers a region for a filled circle.
        if (item.eKind == ItemKind::Circle && item.nGeometryType != 0)
            return item.nGeometryType == KTX::KTGEO_REGION;
    }
    return pGeom != nullptr && DrawsFill(*pGeom);
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

std::vector<TextPiece> PlaceTexts(KindPiece& piece, std::vector<MapLabel>& labels,
                                  const TextMetrics& metrics, double dfScale) {
    std::vector<std::unique_ptr<OGRPoint>> anchors = TakeAnchors(piece);
    std::vector<TextPiece> out;
    out.reserve(anchors.size());
    for (size_t i = 0; i < anchors.size(); ++i) {
        TextPiece text;
        text.poAnchor = std::move(anchors[i]);
        if (!labels.empty()) {
            // Anchors beyond the labels take the last one: it moves to the last anchor.
            const size_t k = std::min(i, labels.size() - 1);
            const bool bUsedAgain = k + 1 == labels.size() && i + 1 < anchors.size();
            text.label = bUsedAgain ? labels[k] : std::move(labels[k]);
            text.bLabel = true;
        }
        out.push_back(std::move(text));
    }
    MeasureTexts(out, metrics, dfScale);
    return out;
}

}  // namespace mapgis
