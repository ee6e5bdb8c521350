// Where a sheet's coordinates lie on the ground: paper coordinates scaled and shifted to ground
// units, then the coordinate system they are in. MAPGIS files name neither.
#pragma once

#include <string>

#include "mapgisdriver.h"
#include "ogr_geometry.h"
#include "ogr_spatialref.h"

namespace mapgis {

// x' = x * dScale + dOffsetX, y' = y * dScale + dOffsetY.
struct Placement {
    double dScale = 1.0;
    double dOffsetX = 0.0;
    double dOffsetY = 0.0;

    bool IsIdentity() const { return dScale == 1.0 && dOffsetX == 0.0 && dOffsetY == 0.0; }
    void Apply(OGRGeometry& geom) const;
    void Apply(OGREnvelope& env) const;
};

// SCALE and OFFSET ("DX,DY"); false with pstrError for a value that is not a finite number
// (or a scale not above zero).
bool ParsePlacement(const char* pszScale, const char* pszOffset, Placement* pPlacement,
                    std::string* pstrError);

// The Gauss-Krueger zone an easting's leading digits name (39 for 39 511 100), or 0 when the
// eastings of the bound carry none or disagree.
int ZoneOfEastings(const OGREnvelope& bound);

// The coordinate system SRS= names for data within bound: CGCS2000, XIAN80 or BEIJING54 pick
// the Gauss-Krueger system of that datum for the zone the eastings carry, looked up in PROJ's
// database; anything else goes to SetFromUserInput. False with pstrError when none fits.
bool ResolveSrs(const std::string& strUser, const OGREnvelope& bound, OGRSpatialReference* poSRS,
                std::string* pstrError);

}  // namespace mapgis
