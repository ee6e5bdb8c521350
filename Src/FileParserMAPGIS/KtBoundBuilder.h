// The bound of a layer's points as a pre-read gathers it: each point lowers the minima and
// raises the maxima independently, by strict comparisons, from the start values 1e10 and
// -1e10 that an empty bound keeps.
#pragma once

#include <cstdint>

#include "KoBase/PlxTypes.h"
#include "KtFieldSpans.h"

namespace KTX {

class KtBoundBuilder {
public:
    void Add(double dX, double dY) {
        AddTo(dX, m_dMinX, m_dMaxX);
        AddTo(dY, m_dMinY, m_dMaxY);
    }

    // Fields 0 and 1 of a point line as x and y, taken at once.
    void Add(const KtFieldSpans& fields) { Add(Prepare(fields)); }

    // A point of a line, for readers that learn only later whether the line counts. Most
    // points of a file lie well inside the bound gathered so far: a coordinate whose integer
    // part, read without converting the whole number, is more than 1 inside cannot move the
    // bound and is not converted. Valid until the bound changes.
    struct Pending {
        bool bX = false;  // dX may move the bound
        bool bY = false;
        double dX = 0.0;
        double dY = 0.0;
    };
    // Fields 0 and 1 of the line as x and y.
    Pending Prepare(const KtFieldSpans& fields) const {
        Pending point;
        point.bX = !Holds(fields, 0, m_dMinX, m_dMaxX);
        if (point.bX)
            point.dX = fields.ToDouble(0);
        point.bY = !Holds(fields, 1, m_dMinY, m_dMaxY);
        if (point.bY)
            point.dY = fields.ToDouble(1);
        return point;
    }
    void Add(const Pending& point) {
        if (point.bX)
            AddTo(point.dX, m_dMinX, m_dMaxX);
        if (point.bY)
            AddTo(point.dY, m_dMinY, m_dMaxY);
    }

    // left = min x, top = max y, right = max x, bottom = min y.
    PlxRect2D GetRect() const { return PlxRect2D(m_dMinX, m_dMaxY, m_dMaxX, m_dMinY); }

private:
    static void AddTo(double d, double& dMin, double& dMax) {
        if (d < dMin)
            dMin = d;
        if (d > dMax)
            dMax = d;
    }

    static bool Holds(const KtFieldSpans& fields, int i, double dMin, double dMax) {
        std::int64_t nTrunc = 0;
        if (!fields.ToTruncated(i, nTrunc))
            return false;
        const double dTrunc = static_cast<double>(nTrunc);
        return dMin < dTrunc - 1.0 && dTrunc + 1.0 < dMax;
    }

    double m_dMinX = 1e10;
    double m_dMinY = 1e10;
    double m_dMaxX = -1e10;
    double m_dMaxY = -1e10;
};

}  // namespace KTX
