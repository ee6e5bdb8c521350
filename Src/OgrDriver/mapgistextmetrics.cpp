// Text piece widths and the spaced layout of MAPGIS.
#include "mapgistextmetrics.h"

#include <cmath>

#include "KoElement/KtTextStyle.h"
#include "KoGeometry/KtGeoText.h"
#include "KoGeometryCAD/KtGeoCompound.h"
#include "mapgiswidechars.h"

namespace mapgis {

namespace {

constexpr double kPi = 3.141592653589793;

double StyledWidth(const KTX::KtGeoText& text) {
    const KTX::KtTextStyle* pStyle = text.GetTextStyle();
    return pStyle != nullptr && pStyle->IsSet(KTX::KtTextStyle::WidthSet) ? pStyle->GetWidth() : 0;
}

double StyledHeight(const KTX::KtGeoText& text) {
    const KTX::KtTextStyle* pStyle = text.GetTextStyle();
    return pStyle != nullptr && pStyle->IsSet(KTX::KtTextStyle::HeightSet) ? pStyle->GetHeight()
                                                                           : 0;
}

// In the order the style string lists the LABEL tools.
void CollectWidths(const KTX::KtGeometry& geom, std::vector<double>& widths) {
    if (geom.GetType() == KTX::KTGEO_TEXT) {
        const auto& text = static_cast<const KTX::KtGeoText&>(geom);
        for (int i = 0; i < text.GetSubCount(); ++i) {
            if (text.GetSub(i) != nullptr)
                widths.push_back(StyledWidth(text));
        }
    } else if (geom.GetType() == KTX::KTGEO_COMPOUND) {
        const auto& compound = static_cast<const KTX::KtGeoCompound&>(geom);
        for (int i = 0; i < compound.GetCount(); ++i) {
            if (compound.GetAt(i) != nullptr)
                CollectWidths(*compound.GetAt(i), widths);
        }
    }
}

// A compound of one-character texts of one style size: what the spaced path makes. The
// control-code path makes a bar, smaller pieces or pieces of several characters besides.
bool IsSpaced(const KTX::KtGeometry& geom) {
    const auto& compound = static_cast<const KTX::KtGeoCompound&>(geom);
    const KTX::KtGeoText* pFirst = nullptr;
    for (int i = 0; i < compound.GetCount(); ++i) {
        const KTX::KtGeometry* pMember = compound.GetAt(i);
        if (pMember == nullptr || pMember->GetType() != KTX::KTGEO_TEXT)
            return false;
        const auto& text = static_cast<const KTX::KtGeoText&>(*pMember);
        if (text.GetSubCount() != 1 || text.GetSub(0) == nullptr ||
            text.GetSub(0)->GetText().GetLength() != 1 || StyledWidth(text) <= 0) {
            return false;
        }
        if (pFirst == nullptr) {
            pFirst = &text;
        } else if (StyledWidth(text) != StyledWidth(*pFirst) ||
                   StyledHeight(text) != StyledHeight(*pFirst)) {
            return false;
        }
    }
    return pFirst != nullptr;
}

bool IsFullWidthPiece(const TextPiece& piece) {
    const std::optional<char32_t> c = OnlyCharacter(piece.label.strText);
    return c && IsFullWidth(*c);
}

// Each full-width character before a piece moves it on by W / 2 along the text's angle.
void Respace(std::vector<TextPiece>& pieces, double dfFullWidth, double dfScale) {
    double dfShift = 0;
    for (TextPiece& piece : pieces) {
        const double a = piece.label.dfAngle * kPi / 180;
        piece.poAnchor->setX(piece.poAnchor->getX() + dfShift * std::cos(a));
        piece.poAnchor->setY(piece.poAnchor->getY() + dfShift * std::sin(a));
        if (IsFullWidthPiece(piece))
            dfShift += dfFullWidth * 0.5 * dfScale;
    }
}

}  // namespace

TextMetrics TextMetricsOf(const KTX::KtGeometry& geom) {
    TextMetrics metrics;
    CollectWidths(geom, metrics.widths);
    if (geom.GetType() == KTX::KTGEO_COMPOUND)
        metrics.eLayout = IsSpaced(geom) ? TextLayout::Spaced : TextLayout::Coded;
    return metrics;
}

void MeasureTexts(std::vector<TextPiece>& pieces, const TextMetrics& metrics, double dfScale) {
    if (pieces.size() != metrics.widths.size())
        return;  // not the item the metrics are of
    const bool bCoded = metrics.eLayout == TextLayout::Coded;
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (metrics.widths[i] > 0) {
            const bool bFull = !bCoded && IsFullWidthPiece(pieces[i]);
            pieces[i].width = metrics.widths[i] * (bFull ? 2 : 1);
        }
    }
    if (metrics.eLayout == TextLayout::Spaced)
        Respace(pieces, metrics.widths[0] * 2, dfScale);
}

}  // namespace mapgis
