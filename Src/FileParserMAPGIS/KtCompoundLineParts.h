// The line-like parts of a compound, for the typed layers that flatten compounds into one
// line or one region.
#pragma once

#include "KoBase/PlxArray.h"
#include "KoGeometry/KtGeoLine.h"
#include "KoGeometryCAD/KtGeoCompound.h"

namespace KTX {

// Calls addPoints(points, count) once per part, in order: a line part with all of its points
// as one run, a region or arc part with the points of its conversion to a line (nSegmentCount
// segments for a full circle). Other parts, circles among them, give nothing. Returns whether
// any call of addPoints succeeded.
template <class AddPoints>
bool AddCompoundLineParts(const KtGeoCompound& compound, int nSegmentCount, AddPoints addPoints) {
    PlxArray<KtGeometry*> arrParts;
    compound.Divide(arrParts, true);
    bool bAdded = false;
    for (KtGeometry* pPart : arrParts) {
        if (pPart == nullptr)
            continue;
        switch (pPart->GetType()) {
            case KTGEO_LINE: {
                const auto* pLine = static_cast<const KtGeoLine*>(pPart);
                if (addPoints(pLine->GetPoints(0), pLine->GetPointCount()))
                    bAdded = true;
                break;
            }
            case KTGEO_REGION:
            case KTGEO_ARC: {
                KtGeoLine converted;
                if (pPart->ConvertToLine(&converted, nSegmentCount) &&
                    addPoints(converted.GetPoints(0), converted.GetPointCount())) {
                    bAdded = true;
                }
                break;
            }
            default:
                break;
        }
    }
    // Divide with copies hands the parts to the caller.
    for (KtGeometry* pPart : arrParts)
        delete pPart;
    return bAdded;
}

}  // namespace KTX
