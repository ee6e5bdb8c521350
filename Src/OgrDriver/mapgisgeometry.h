// Host geometries as OGR geometries.
//
//   point    -> Point
//   line     -> LineString (one part) or MultiLineString
//   region   -> Polygon, rings in stored order and direction, closed for OGR; a ring of
//               fewer than 3 distinct points encloses nothing and is left out, with a warning
//   text     -> Point at the anchor (one sub-text) or MultiPoint of the anchors
//   arc      -> CircularString through start, middle and end point
//   circle   -> CurvePolygon of a closed CircularString
//   compound -> GeometryCollection of its parts, recursively
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "mapgisdriver.h"
#include "ogr_core.h"
#include "ogr_geometry.h"

namespace KTX {
class KtGeometry;
}

namespace mapgis {

// Compound: unknown (anything); typed layers: the one type every feature of theirs gets.
OGRwkbGeometryType LayerGeometryType(LayerKind eKind);

// The geometry as OGR holds it. Problems met are appended to warnings.
std::unique_ptr<OGRGeometry> ToOgrGeometry(const KTX::KtGeometry& geom,
                                           std::vector<std::string>& warnings);

// The geometry as a feature of a layer of that kind: the type LayerGeometryType names, using
// the host's own conversions where the plug-in left another kind. Null, with a warning, when
// the geometry has no form of that kind.
std::unique_ptr<OGRGeometry> ToLayerGeometry(const KTX::KtGeometry& geom, LayerKind eKind,
                                             std::vector<std::string>& warnings);

}  // namespace mapgis
