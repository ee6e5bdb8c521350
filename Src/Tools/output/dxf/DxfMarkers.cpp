// Marker shapes of the symbol blocks.
#include "DxfMarkers.h"

#include <cmath>
#include <vector>

namespace mapgis_dxf {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Xy {
    double dfX;
    double dfY;
};

class Marker {
public:
    Marker(unsigned nOwner, DxfGroups* pGroups, DxfHandles* pHandles)
        : m_nOwner(nOwner), m_pGroups(pGroups), m_pHandles(pHandles) {}

    void Line(Xy a, Xy b) {
        Begin("LINE", "AcDbLine");
        m_pGroups->Point3(10, a.dfX, a.dfY, 0);
        m_pGroups->Point3(11, b.dfX, b.dfY, 0);
    }

    // A circle; filled, a closed polyline of two half circles as wide as the radius.
    void Circle(double dfRadius, bool bFilled) {
        if (!bFilled) {
            Begin("CIRCLE", "AcDbCircle");
            m_pGroups->Point3(10, 0, 0, 0);
            m_pGroups->Real(40, dfRadius);
            return;
        }
        Begin("LWPOLYLINE", "AcDbPolyline");
        m_pGroups->Int(90, 2);
        m_pGroups->Int(70, 1);
        m_pGroups->Real(43, dfRadius);
        for (double dfX : {-dfRadius / 2, dfRadius / 2}) {
            m_pGroups->Point(10, dfX, 0);
            m_pGroups->Real(42, 1.0);
        }
    }

    void Outline(const std::vector<Xy>& points) {
        Begin("LWPOLYLINE", "AcDbPolyline");
        m_pGroups->Int(90, static_cast<long>(points.size()));
        m_pGroups->Int(70, 1);
        for (const Xy& point : points)
            m_pGroups->Point(10, point.dfX, point.dfY);
    }

    // A filled triangle or quadrilateral (SOLID takes its third and fourth corners crosswise).
    void Solid(Xy a, Xy b, Xy c, Xy d) {
        Begin("SOLID", "AcDbTrace");
        m_pGroups->Point3(10, a.dfX, a.dfY, 0);
        m_pGroups->Point3(11, b.dfX, b.dfY, 0);
        m_pGroups->Point3(12, d.dfX, d.dfY, 0);
        m_pGroups->Point3(13, c.dfX, c.dfY, 0);
    }

private:
    void Begin(const char* pszType, const char* pszSubclass) {
        m_pGroups->Text(0, pszType);
        m_pGroups->Handle(5, m_pHandles->New());
        m_pGroups->Handle(330, m_nOwner);
        m_pGroups->Text(100, "AcDbEntity");
        m_pGroups->Text(8, "0");
        m_pGroups->Int(62, 0);  // by block: the reference's colour
        m_pGroups->Text(100, pszSubclass);
    }

    unsigned m_nOwner;
    DxfGroups* m_pGroups;
    DxfHandles* m_pHandles;
};

std::vector<Xy> Star() {
    std::vector<Xy> points;
    for (int i = 0; i < 10; ++i) {
        const double dfRadius = i % 2 == 0 ? 0.5 : 0.2;
        const double dfAngle = kPi / 2 + i * kPi / 5;
        points.push_back({dfRadius * std::cos(dfAngle), dfRadius * std::sin(dfAngle)});
    }
    return points;
}

const std::vector<Xy> kSquare = {{-0.5, -0.5}, {0.5, -0.5}, {0.5, 0.5}, {-0.5, 0.5}};
const std::vector<Xy> kTriangle = {{-0.5, -0.5}, {0.5, -0.5}, {0, 0.5}};

}  // namespace

void WriteMarker(int nSymbol, unsigned nOwner, DxfGroups* pGroups, DxfHandles* pHandles) {
    Marker marker(nOwner, pGroups, pHandles);
    switch (nSymbol) {
        case 0:
            marker.Line({-0.5, 0}, {0.5, 0});
            marker.Line({0, -0.5}, {0, 0.5});
            break;
        case 1:
            marker.Line({-0.5, -0.5}, {0.5, 0.5});
            marker.Line({-0.5, 0.5}, {0.5, -0.5});
            break;
        case 2:
        case 3:
            marker.Circle(0.5, nSymbol == 3);
            break;
        case 4:
        case 5:
            marker.Outline(kSquare);
            if (nSymbol == 5)
                marker.Solid(kSquare[0], kSquare[1], kSquare[2], kSquare[3]);
            break;
        case 6:
        case 7:
            marker.Outline(kTriangle);
            if (nSymbol == 7)
                marker.Solid(kTriangle[0], kTriangle[1], kTriangle[2], kTriangle[2]);
            break;
        case 8:
        case 9: {
            const std::vector<Xy> star = Star();
            marker.Outline(star);
            for (size_t i = 0; nSymbol == 9 && i < star.size(); ++i)
                marker.Solid({0, 0}, star[i], star[(i + 1) % star.size()], {0, 0});
            break;
        }
        case 10:
            marker.Line({0, -0.5}, {0, 0.5});
            break;
        default:
            marker.Circle(0.5, false);
            marker.Line({-0.5, 0}, {0.5, 0});
            marker.Line({0, -0.5}, {0, 0.5});
    }
}

}  // namespace mapgis_dxf
