// A compound item cut by the kind of what it draws, for the layers of MODE=MAP: areas, lines,
// point symbols and texts (a network file's lines and nodes), one geometry type each.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "mapgiscensus.h"
#include "ogr_feature.h"

namespace mapgis {

enum class MapKind { Areas, Lines, Points, Texts };
// In the map's drawing order, bottom first: the order of the layers, and of an item's pieces.
constexpr std::array<MapKind, 4> kMapKinds = {MapKind::Areas, MapKind::Lines, MapKind::Points,
                                              MapKind::Texts};

// What one item holds of one kind: the parts of that kind and the style tools that draw them.
struct KindPiece {
    MapKind eKind;
    std::unique_ptr<OGRGeometry> poGeom;  // null when the item has no geometry
    std::string strStyle;
};

// The item cut by kind; the feature's geometry goes to the pieces. Points of a compound are
// the nodes of a network entry in a network file, the anchors of a coded text in a point
// file. An item without geometry is one piece, of the kind its GeomKind names. A circle
// MAPGIS draws unfilled is a line, its outline: filled as the census says (FilledByCensus),
// or without it as its style says (a brush).
std::vector<KindPiece> CutByKind(OGRFeature& feature, bool bNetwork,
                                 std::optional<bool> filled = std::nullopt);

// Whether the census's item is drawn filled, by its record's fill flag; none without a census.
std::optional<bool> FilledByCensus(const Census* pCensus, std::optional<size_t> iItem);

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

// One placed piece of a text: its anchor and what its LABEL tool says.
struct TextPiece {
    std::unique_ptr<OGRPoint> poAnchor;
    std::string strTool;
    bool bLabel = false;  // whether the tool is a LABEL the fields below come from
    std::string strText;
    double dfAngle = 0;
    std::optional<double> height;  // ground units
    std::optional<double> width;   // of each character, as MAPGIS draws it (TextMetrics)
    std::string strColor;
    std::string strFont;
    std::optional<bool> italic;
};

struct TextMetrics;

// The anchors of a text piece in order (taken from it), each with the LABEL tool that pairs
// with it, measured and laid out as MAPGIS does with the item's metrics (see MeasureTexts).
std::vector<TextPiece> PlaceTexts(KindPiece& piece, const TextMetrics& metrics, double dfScale);

}  // namespace mapgis
