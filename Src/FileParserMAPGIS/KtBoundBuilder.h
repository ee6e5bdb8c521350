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

    // Fields 0 and 1 of a point line as x and y. Most points of a file lie well inside the
    // bound gathered so far: a coordinate whose integer part, read without converting the
    // whole number, is more than 1 inside cannot move the bound and is not converted.
    void Add(const KtFieldSpans& fields) {
        AddField(fields, 0, m_dMinX, m_dMaxX);
        AddField(fields, 1, m_dMinY, m_dMaxY);
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

    static void AddField(const KtFieldSpans& fields, int i, double& dMin, double& dMax) {
        std::int64_t nTrunc = 0;
        if (fields.ToTruncated(i, nTrunc)) {
            const double dTrunc = static_cast<double>(nTrunc);
            if (dMin < dTrunc - 1.0 && dTrunc + 1.0 < dMax)
                return;
        }
        AddTo(fields.ToDouble(i), dMin, dMax);
    }

    double m_dMinX = 1e10;
    double m_dMinY = 1e10;
    double m_dMaxX = -1e10;
    double m_dMaxY = -1e10;
};

}  // namespace KTX
