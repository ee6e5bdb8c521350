// Placement of paper coordinates and the coordinate system of a sheet.
#include "mapgisgeoref.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "cpl_string.h"
#include "ogr_geometry.h"
#include "ogr_srs_api.h"

namespace mapgis {

namespace {

class PlaceVisitor final : public OGRDefaultGeometryVisitor {
public:
    explicit PlaceVisitor(const Placement& placement) : m_placement(placement) {}
    using OGRDefaultGeometryVisitor::visit;
    // The points of curves reach here too: the curves' iterators write them back.
    void visit(OGRPoint* poPoint) override {
        if (poPoint->IsEmpty())
            return;
        poPoint->setX(poPoint->getX() * m_placement.dScale + m_placement.dOffsetX);
        poPoint->setY(poPoint->getY() * m_placement.dScale + m_placement.dOffsetY);
    }

private:
    const Placement& m_placement;
};

bool ParseNumber(const char* psz, double* pd) {
    char* pszEnd = nullptr;
    *pd = std::strtod(psz, &pszEnd);
    return pszEnd != psz && *pszEnd == '\0' && std::isfinite(*pd);
}

// The datums MAPGIS sheets of China are drawn on, by the names users give them and by the
// names PROJ's database gives their Gauss-Krueger systems.
struct Datum {
    const char* pszShortcut;
    const char* pszDatabaseName;
};
constexpr Datum kDatums[] = {
    {"CGCS2000", "CGCS2000"}, {"XIAN80", "Xian 1980"}, {"BEIJING54", "Beijing 1954"}};

const Datum* FindDatum(const std::string& strUser) {
    for (const Datum& datum : kDatums) {
        if (EQUAL(strUser.c_str(), datum.pszShortcut))
            return &datum;
    }
    return nullptr;
}

struct Candidate {
    std::string strCode;  // "EPSG:4527"
    std::string strName;
};

// The EPSG projected systems, not deprecated, whose names pass the test.
template <class NameTest>
std::vector<Candidate> FindSystems(NameTest test) {
    std::vector<Candidate> found;
    int nCount = 0;
    OSRCRSInfo** papsInfo = OSRGetCRSInfoListFromDatabase("EPSG", nullptr, &nCount);
    for (int i = 0; i < nCount; ++i) {
        const OSRCRSInfo* psInfo = papsInfo[i];
        if (psInfo->eType == OSR_CRS_TYPE_PROJECTED && !psInfo->bDeprecated &&
            test(std::string(psInfo->pszName))) {
            found.push_back({std::string("EPSG:") + psInfo->pszCode, psInfo->pszName});
        }
    }
    OSRDestroyCRSInfoList(papsInfo);
    return found;
}

bool ResolveDatum(const Datum& datum, const OGREnvelope& bound, OGRSpatialReference* poSRS,
                  std::string* pstrError) {
    const std::string strPrefix = std::string(datum.pszDatabaseName) + " / ";
    if (!bound.IsInit()) {
        *pstrError = std::string("SRS=") + datum.pszShortcut +
                     ": the file holds no coordinates to find the zone from";
        return false;
    }
    const int nZone = ZoneOfEastings(bound);
    if (nZone == 0) {
        // One system per central meridian, of 3 and of 6 degree zones.
        const std::vector<Candidate> meridians = FindSystems([&](const std::string& strName) {
            return strName.compare(0, strPrefix.size(), strPrefix) == 0 &&
                   strName.find("Gauss-Kruger CM ") != std::string::npos;
        });
        std::string strList;
        for (const Candidate& c : meridians) {
            strList += strList.empty() ? "" : ", ";
            strList += c.strCode + " (" + c.strName.substr(c.strName.find(" / ") + 3) + ")";
        }
        *pstrError = std::string("SRS=") + datum.pszShortcut +
                     ": the eastings carry no zone number, so the zone is not known; name the "
                     "system of the sheet's central meridian instead: " +
                     strList;
        return false;
    }
    const std::string strZone = std::to_string(nZone);
    const std::vector<Candidate> found = FindSystems([&](const std::string& strName) {
        return strName == strPrefix + "3-degree Gauss-Kruger zone " + strZone ||
               strName == strPrefix + "Gauss-Kruger zone " + strZone;
    });
    if (found.size() != 1) {
        *pstrError = std::string("SRS=") + datum.pszShortcut + ": the eastings name zone " +
                     strZone + ", for which PROJ's database holds " +
                     (found.empty() ? "no " : "more than one ") + datum.pszDatabaseName +
                     " Gauss-Kruger system; name the system instead";
        return false;
    }
    if (poSRS->SetFromUserInput(found[0].strCode.c_str()) != OGRERR_NONE) {
        *pstrError = "SRS=" + found[0].strCode + ": not in PROJ's database";
        return false;
    }
    return true;
}

}  // namespace

void Placement::Apply(OGRGeometry& geom) const {
    if (IsIdentity())
        return;
    PlaceVisitor visitor(*this);
    geom.accept(&visitor);
}

void Placement::Apply(OGREnvelope& env) const {
    env.MinX = env.MinX * dScale + dOffsetX;
    env.MaxX = env.MaxX * dScale + dOffsetX;
    env.MinY = env.MinY * dScale + dOffsetY;
    env.MaxY = env.MaxY * dScale + dOffsetY;
}

bool ParsePlacement(const char* pszScale, const char* pszOffset, Placement* pPlacement,
                    std::string* pstrError) {
    if (pszScale != nullptr &&
        (!ParseNumber(pszScale, &pPlacement->dScale) || pPlacement->dScale <= 0.0)) {
        *pstrError = std::string("SCALE=") + pszScale + ": not a number above zero";
        return false;
    }
    if (pszOffset != nullptr) {
        const CPLStringList aosParts(CSLTokenizeString2(pszOffset, ",", 0));
        if (aosParts.size() != 2 || !ParseNumber(aosParts[0], &pPlacement->dOffsetX) ||
            !ParseNumber(aosParts[1], &pPlacement->dOffsetY)) {
            *pstrError = std::string("OFFSET=") + pszOffset + ": not two numbers \"DX,DY\"";
            return false;
        }
    }
    return true;
}

int ZoneOfEastings(const OGREnvelope& bound) {
    if (!bound.IsInit() || bound.MinX < 1e6 || bound.MaxX >= 1e8)
        return 0;
    const int nFirst = static_cast<int>(std::floor(bound.MinX / 1e6));
    const int nLast = static_cast<int>(std::floor(bound.MaxX / 1e6));
    // Zones of 6 degrees are numbered 1 to 60, of 3 degrees 1 to 120.
    return nFirst == nLast && nFirst <= 120 ? nFirst : 0;
}

bool ResolveSrs(const std::string& strUser, const OGREnvelope& bound, OGRSpatialReference* poSRS,
                std::string* pstrError) {
    poSRS->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    if (const Datum* pDatum = FindDatum(strUser))
        return ResolveDatum(*pDatum, bound, poSRS, pstrError);
    if (poSRS->SetFromUserInput(strUser.c_str()) != OGRERR_NONE) {
        *pstrError = "SRS=" + strUser + ": not a coordinate system GDAL knows";
        return false;
    }
    return true;
}

std::string DescribeCoordinates(const OGREnvelope& bound) {
    if (!bound.IsInit())
        return "no coordinates";
    const int nZone = ZoneOfEastings(bound);
    if (nZone != 0) {
        return "eastings with zone number " + std::to_string(nZone) +
               " in front: Gauss-Kruger; --srs CGCS2000, XIAN80 or BEIJING54 picks the "
               "system of that zone";
    }
    if (bound.MinX >= 100000 && bound.MaxX < 1e6 && bound.MinY >= 0 && bound.MaxY < 1e7) {
        return "eastings without zone number: Gauss-Kruger of an unknown zone; name the "
               "system of the sheet's central meridian with --srs EPSG:<code>";
    }
    if (bound.MaxX - bound.MinX < 2000 && bound.MaxY - bound.MinY < 2000) {
        return "small coordinates: perhaps millimetres of the paper map; --scale and "
               "--offset place them on the ground";
    }
    return "coordinates of unknown kind; name their system with --srs";
}

}  // namespace mapgis
