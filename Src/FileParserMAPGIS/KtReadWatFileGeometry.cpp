// Arcs, circles and point symbols (sub-maps) of a point file. For the compound layer they keep
// their kind and get their MAPGIS style; for the typed layers arcs and circles become plain
// lines or regions.
#include <cstdint>
#include <memory>

#include "KoElement/KtFeature.h"
#include "KoFileParser/KtMapGisGrammar.h"
#include "KoGeometry/KtGeoLine.h"
#include "KoGeometry/KtGeoPoint.h"
#include "KoGeometry/KtGeoRegion.h"
#include "KoGeometryCAD/KtGeoArc.h"
#include "KoGeometryCAD/KtGeoCircle.h"
#include "KtReadWatFile.h"

namespace KTX {

namespace {

using namespace grammar;

bool LookUpColor(int nColor, PLXCOLOR& crColor) {
    std::int64_t nRGB = 0;
    if (!KtReadMAPGISFile::FindColorByID(nColor, nRGB))
        return false;
    crColor = static_cast<PLXCOLOR>(nRGB & 0xFFFFFFFF);
    return true;
}

// The typed layers get arcs and circles as plain lines or regions, which take the curve's own
// style; when the conversion fails the feature gets no geometry.
void HandOverAsLine(const KtGeometry& curve, KtFeature* pFeature) {
    auto pLine = std::make_unique<KtGeoLine>();
    if (!curve.ConvertToLine(pLine.get(), 0))
        return;
    pLine->SetStyle(curve.GetStyle());
    pFeature->SetGeometry(pLine.release());
}

void HandOverAsRegion(const KtGeometry& curve, KtFeature* pFeature) {
    auto pRegion = std::make_unique<KtGeoRegion>();
    if (!curve.ConvertToRegion(pRegion.get(), 0))
        return;
    pRegion->SetStyle(curve.GetStyle());
    pFeature->SetGeometry(pRegion.release());
}

}  // namespace

bool KtReadWatFile::ReadArcData(const PlxArray<PlxUnicodeString>& arrFields,
                                KtFeature* pFeature) const {
    if (arrFields.GetSize() != kWatGeometryFields) {
        LogRefusedItem(__LINE__);
        return false;
    }
    const PlxPoint2D centre(ugatof(arrFields[0]), ugatof(arrFields[1]));
    const double dRadius = ugatof(arrFields[4]);
    const double dStart = ugatof(arrFields[5]);
    const double dEnd = ugatof(arrFields[6]);
    // The width is written as an integer; a fraction in the file is dropped.
    const double dLineWidth = ugatoi(arrFields[7]);
    const int nColor = ugatoi(arrFields[8]);

    auto pArc = std::make_unique<KtGeoArc>();
    if (!pArc->Make(centre, dRadius, dStart, dEnd))
        return false;
    if (!m_bCADMode) {
        HandOverAsLine(*pArc, pFeature);
        return true;
    }
    KtStyle style;
    PLXCOLOR crLine = 0;
    if (LookUpColor(nColor, crLine))
        style.SetLineColor(crLine);
    style.SetLineWidth(dLineWidth);
    pArc->SetStyle(&style);
    pFeature->SetGeometry(pArc.release());
    return true;
}

bool KtReadWatFile::ReadCircleData(const PlxArray<PlxUnicodeString>& arrFields,
                                   KtFeature* pFeature) const {
    if (arrFields.GetSize() != kWatGeometryFields) {
        LogRefusedItem(__LINE__);
        return false;
    }
    const PlxPoint2D centre(ugatof(arrFields[0]), ugatof(arrFields[1]));
    const double dRadius = ugatof(arrFields[4]);
    const int nLineColor = ugatoi(arrFields[5]);
    const double dLineWidth = ugatoi(arrFields[6]);
    const bool bFilled = IsFillFlagSet(ugatof(arrFields[kWatCircleFillField]));
    const int nFillColor = ugatoi(arrFields[8]);

    auto pCircle = std::make_unique<KtGeoCircle>();
    if (!pCircle->Make(centre, dRadius))
        return false;
    if (!m_bCADMode) {
        if (bFilled) {
            HandOverAsRegion(*pCircle, pFeature);
        } else {
            HandOverAsLine(*pCircle, pFeature);
        }
        return true;
    }
    KtStyle style;
    PLXCOLOR crColor = 0;
    if (LookUpColor(nLineColor, crColor))
        style.SetLineColor(crColor);
    if (bFilled && LookUpColor(nFillColor, crColor))
        style.SetFillForeColor(crColor);
    style.SetLineWidth(dLineWidth);
    pCircle->SetStyle(&style);
    pFeature->SetGeometry(pCircle.release());
    return true;
}

bool KtReadWatFile::ReadSubMapData(const PlxArray<PlxUnicodeString>& arrFields,
                                   KtFeature* pFeature) const {
    if (arrFields.GetSize() != kWatSubMapFields) {
        LogRefusedItem(__LINE__);
        return false;
    }
    const double dX = ugatof(arrFields[0]);
    const double dY = ugatof(arrFields[1]);
    const int nSymbol = ugatoi(arrFields[4]);
    const double dHeight = ugatof(arrFields[5]);
    const double dWidth = ugatof(arrFields[6]);
    const double dAngle = ugatof(arrFields[7]);
    const int nColor = ugatoi(arrFields[9]);
    const double dLineWidth = ugatof(arrFields[10]);

    auto pPoint = std::make_unique<KtGeoPoint>();
    if (!pPoint->Make(dX, dY))
        return false;
    if (m_bCADMode) {
        KtStyle style;
        PLXCOLOR crLine = 0;
        if (LookUpColor(nColor, crLine))
            style.SetLineColor(crLine);
        style.SetLineWidth(dLineWidth);
        style.SetMarkerHeight(dHeight);
        style.SetMarkerWidth(dWidth);
        style.SetMarkerAngle(dAngle);
        style.SetMarkerStyle(FineSymbolStyleByID(nSymbol));
        pPoint->SetStyle(&style);
    }
    pFeature->SetGeometry(pPoint.release());
    return true;
}

}  // namespace KTX
