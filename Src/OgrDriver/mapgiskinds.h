// A compound item cut by the kind of what it draws, for the layers of MODE=MAP: areas, lines,
// point symbols and texts (a network file's lines and nodes), one geometry type each.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mapgiscensus.h"
#include "mapgisstyle.h"
#include "ogr_feature.h"

namespace KTX {
class KtGeometry;
}

namespace mapgis {

enum class MapKind { Areas, Lines, Points, Texts };
// In the map's drawing order, bottom first: the order of the layers, and of an item's pieces.
constexpr std::array<MapKind, 4> kMapKinds = {MapKind::Areas, MapKind::Lines, MapKind::Points,
                                              MapKind::Texts};

// What one item holds of one kind: the parts of that kind.
struct KindPiece {
    MapKind eKind;
    std::unique_ptr<OGRGeometry> poGeom;  // null when the item has no geometry
    bool bStyled;  // whether the item's style tools go with it: not with an empty geometry
};

// The item cut by kind; the feature's geometry goes to the pieces. Points of a compound are
// the nodes of a network entry in a network file, the anchors of a coded text in a point
// file. An item without geometry is one piece, of the kind its GeomKind names. A circle
// MAPGIS draws unfilled is a line, its outline (IsFilled).
std::vector<KindPiece> CutByKind(OGRFeature& feature, bool bNetwork, bool bFilled);

// Whether the item is drawn filled: by its record's fill flag in the census, or without it
// by its host geometry's style (a brush).
bool IsFilled(const Census* pCensus, std::optional<size_t> iItem, const KTX::KtGeometry* pGeom);

// "areas", "lines", "points", "texts"; a network file's lines "network", its points "nodes".
const char* MapKindSuffix(MapKind eKind, bool bNetwork);

// The one type of a kind's features: curves kept.
OGRwkbGeometryType MapKindGeometryType(MapKind eKind, bool bNetwork);

// The kinds whose layers the file's items can fill, from the census: by the item kinds the
// plug-in indexes, a circle by its fill flag. A text that may be a fraction counts for the
// lines too (its bar), and a network entry for both lines and nodes (the network's nodes go
// with each entry; a network without nodes has an empty nodes layer).
std::array<bool, 4> MapKindsOf(const Census& census);

// The kinds one item of the census can give pieces of (by kMapKinds' index); none for an item
// the plug-in does not index or cannot import.
std::array<bool, 4> ItemMapKinds(const CensusItem& item);

// One placed piece of a text: its anchor and the LABEL tool that pairs with it.
struct TextPiece {
    std::unique_ptr<OGRPoint> poAnchor;
    bool bLabel = false;  // whether a label pairs with it
    MapLabel label;
    std::optional<double> width;  // of each character, as MAPGIS draws it (TextMetrics)
};

struct TextMetrics;

// The anchors of a text piece in order (taken from it), each with the label of the same
// order (the last one for anchors beyond them), measured and laid out as MAPGIS does with
// the item's metrics (see MeasureTexts).
std::vector<TextPiece> PlaceTexts(KindPiece& piece, std::vector<MapLabel>& labels,
                                  const TextMetrics& metrics, double dfScale);

}  // namespace mapgis
