// Annotation texts and multi-line texts of a point file, with their text styles and faces.
#include <cmath>
#include <cstdint>
#include <memory>

#include "KoBase/KtStringEx.h"
#include "KoElement/KtFeature.h"
#include "KoFileParser/KtMapGisGrammar.h"
#include "KoGeometry/KtGeoLine.h"
#include "KoGeometry/KtGeoText.h"
#include "KoGeometryCAD/KtGeoCompound.h"
#include "KtReadWatFile.h"

namespace KTX {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kNearZero = 1e-10;
constexpr int kItalicFontStyle = 3;

// The face name behind a resource identifier; empty when the host lacks it. The faces are
// kept by MAPGISFont2KTXFont for the life of the library, so this runs once per face and
// process, and the texts of a file share them by copy: each text style holds its own face
// name, which fits in the host string without a heap block.
KtStringEx LoadFace(const char16_t* pszID) {
    KtStringEx strFace;
    strFace.LoadResString(pszID);
    return strFace;
}

// Deletes the laid-out pieces whatever happens to the text built from them.
class TextCellList {
public:
    TextCellList() = default;
    TextCellList(const TextCellList&) = delete;
    TextCellList& operator=(const TextCellList&) = delete;
    ~TextCellList() {
        for (tagTextCell* pCell : m_arr)
            delete pCell;
    }
    PlxArray<tagTextCell*>& Cells() { return m_arr; }

private:
    PlxArray<tagTextCell*> m_arr;
};

// Adds a part to the compound, which then owns it; a part it refuses is deleted.
void AddPart(KtGeoCompound& compound, std::unique_ptr<KtGeometry> pPart) {
    if (compound.AddCompound(pPart.get(), true))
        pPart.release();
}

// Styles of the pieces of a text; all null for the typed layers, which take no style.
struct TextPieceStyles {
    const KtTextStyle* pFull = nullptr;  // full-size characters
    const KtTextStyle* pHalf = nullptr;  // raised and lowered groups
    const KtStyle* pBar = nullptr;       // fraction bars
};

// A text with control codes: one text per piece, bars as lines. Pieces that cannot be made
// are left out; the compound is kept even when nothing could be made.
std::unique_ptr<KtGeoCompound> BuildCodedText(const PlxArray<tagTextCell*>& arrCells, double dAngle,
                                              const TextPieceStyles& styles) {
    auto pCompound = std::make_unique<KtGeoCompound>();
    for (const tagTextCell* pCell : arrCells) {
        if (pCell->nCellType == 0) {
            auto pText = std::make_unique<KtGeoText>();
            if (!pText->Make(pCell->strText, pCell->pntPos, dAngle))
                continue;
            const KtTextStyle* pStyle = pCell->nSizeMode == 0 ? styles.pFull : styles.pHalf;
            if (pStyle != nullptr)
                pText->SetTextStyle(pStyle, false);
            AddPart(*pCompound, std::move(pText));
        } else if (pCell->nCellType == 1) {
            // Bar ends are laid out already turned with the text.
            const auto* pLineCell = dynamic_cast<const tagTextLineCell*>(pCell);
            if (pLineCell == nullptr)
                continue;
            auto pLine = std::make_unique<KtGeoLine>();
            if (!pLine->Make(pLineCell->pntPos, pLineCell->pntEnd))
                continue;
            if (styles.pBar != nullptr)
                pLine->SetStyle(styles.pBar);
            AddPart(*pCompound, std::move(pLine));
        }
    }
    return pCompound;
}

// A spaced text: one text per character, each anchor shifted like a plain text's.
std::unique_ptr<KtGeoCompound> BuildSpacedText(const PlxArray<tagTextCell*>& arrCells,
                                               const PlxPoint2D& shift, double dAngle,
                                               const KtTextStyle* pStyle) {
    auto pCompound = std::make_unique<KtGeoCompound>();
    for (const tagTextCell* pCell : arrCells) {
        auto pText = std::make_unique<KtGeoText>();
        const PlxPoint2D anchor(pCell->pntPos.x + shift.x, pCell->pntPos.y + shift.y);
        if (!pText->Make(pCell->strText, anchor, dAngle))
            continue;
        if (pStyle != nullptr)
            pText->SetTextStyle(pStyle, false);
        AddPart(*pCompound, std::move(pText));
    }
    return pCompound;
}

// A vertical text: one sub-text per character, upright; the caller turns the whole text.
std::unique_ptr<KtGeoText> BuildVerticalText(const PlxArray<tagTextCell*>& arrCells,
                                             const KtTextStyle* pStyle) {
    auto pText = std::make_unique<KtGeoText>();
    for (const tagTextCell* pCell : arrCells) {
        if (pText->AddSub(pCell->strText, pCell->pntPos, 0.0) && pStyle != nullptr) {
            pText->SetTextStyle(pStyle, false);
        }
    }
    return pText;
}

}  // namespace

PlxUnicodeString KtReadWatFile::MAPGISFont2KTXFont(int nFont) const {
    // The host's resource strings do not change while the library is loaded: each face is
    // looked up once, not once per text. Fonts 2, 3 and 4 have faces of their own; every
    // other number gets the face of font 1.
    static const KtStringEx kFaces[] = {LoadFace(u"IMl001"), LoadFace(u"IMl004"),
                                        LoadFace(u"IMl002"), LoadFace(u"IMl005")};
    return nFont >= 2 && nFont <= 4 ? kFaces[nFont - 1] : kFaces[0];
}

KtTextStyle KtReadWatFile::MakeTextStyle(int nColor, double dHeight, double dHostWidth, int nFont,
                                         int nFontStyle) const {
    KtTextStyle style;
    std::int64_t nRGB = 0;
    if (FindColorByID(nColor, nRGB)) {
        style.SetForeColor(static_cast<PLXCOLOR>(nRGB & 0xFFFFFFFF));
    }
    style.SetHeight(dHeight);
    style.SetWidth(dHostWidth);
    style.SetFaceName(MAPGISFont2KTXFont(nFont));
    if (nFontStyle == kItalicFontStyle) {
        style.SetItalic(true);
    }
    return style;
}

bool KtReadWatFile::ReadTextData(const PlxArray<PlxUnicodeString>& arrFields,
                                 KtFeature* pFeature) const {
    if (arrFields.GetSize() != grammar::kWatTextFields) {
        LogRefusedItem(__LINE__);
        return false;
    }
    const double dX = ugatof(arrFields[0]);
    const double dY = ugatof(arrFields[1]);
    // The text is wrapped in one delimiter character at each end.
    const PlxUnicodeString& strField = arrFields[4];
    const PlxUnicodeString strText =
        strField.GetLength() >= 2 ? strField.Mid(1, strField.GetLength() - 2) : PlxUnicodeString();
    const double dHeight = ugatof(arrFields[5]);
    const double dWidth = ugatof(arrFields[6]);
    const double dSpace = ugatof(arrFields[7]);
    const double dAngle = ugatof(arrFields[8]);
    const int nFont = ugatoi(arrFields[9]);
    const int nFontStyle = ugatoi(arrFields[11]);
    const int nArrange = ugatoi(arrFields[12]);
    const int nColor = ugatoi(arrFields[13]);

    const double dRad = dAngle * kPi / 180.0;
    // The text's anchor lies one character height from the given point, perpendicular to
    // the baseline and to its left.
    const PlxPoint2D shift(-dHeight * std::sin(dRad), dHeight * std::cos(dRad));
    const PlxPoint2D start(dX + shift.x, dY + shift.y);
    const bool bNoSpace = dSpace > -kNearZero && dSpace < kNearZero;

    // Half-size pieces and bars occur only in texts with control codes.
    const bool bCoded = CanConversionText(strText);
    KtTextStyle fullStyle, halfStyle;
    KtStyle barStyle;
    TextPieceStyles styles;
    if (m_bCADMode) {
        fullStyle = MakeTextStyle(nColor, dHeight, dWidth * 0.5, nFont, nFontStyle);
        if (bCoded) {
            halfStyle = MakeTextStyle(nColor, dHeight * 0.5, dWidth * 0.25, nFont, nFontStyle);
            std::int64_t nRGB = 0;
            if (FindColorByID(nColor, nRGB)) {
                barStyle.SetLineColor(static_cast<PLXCOLOR>(nRGB & 0xFFFFFFFF));
            }
        }
        styles = TextPieceStyles{&fullStyle, &halfStyle, &barStyle};
    }

    TextCellList cells;
    if (bCoded) {
        ConversionText(strText, start.x, start.y, dHeight, dWidth, dSpace, dAngle, cells.Cells());
        pFeature->SetGeometry(BuildCodedText(cells.Cells(), dAngle, styles).release());
        return true;
    }
    if (nArrange == 0 && bNoSpace) {
        auto pText = std::make_unique<KtGeoText>();
        if (!pText->Make(strText, start, dAngle))
            return false;
        if (styles.pFull != nullptr)
            pText->SetTextStyle(styles.pFull, false);
        pFeature->SetGeometry(pText.release());
        return true;
    }
    if (nArrange == 0) {
        double dPenX = dX;
        double dPenY = dY;
        ExcuteText05(strText, dPenX, dPenY, dHeight, dWidth, dSpace, dAngle, cells.Cells());
        auto pCompound = BuildSpacedText(cells.Cells(), shift, dAngle, styles.pFull);
        if (!pCompound->IsValid())
            return false;
        pFeature->SetGeometry(pCompound.release());
        return true;
    }
    ExcuteText04(strText, dX, dY, dHeight, dWidth, dSpace, dAngle, cells.Cells());
    auto pText = BuildVerticalText(cells.Cells(), styles.pFull);
    if (!pText->IsValid())
        return false;
    pText->Rotate(PlxPoint2D(dX, dY), dAngle);
    pFeature->SetGeometry(pText.release());
    return true;
}

bool KtReadWatFile::ReadMTextData(const PlxArray<PlxUnicodeString>& arrFields,
                                  KtFeature* pFeature) const {
    if (arrFields.GetSize() != grammar::kWatMTextFields) {
        LogRefusedItem(__LINE__);
        return false;
    }
    const double dX = ugatof(arrFields[0]);
    const double dY = ugatof(arrFields[1]);
    const PlxUnicodeString& strText = arrFields[4];
    const double dHeight = ugatof(arrFields[5]);
    const double dWidth = ugatof(arrFields[6]);
    const double dAngle = ugatof(arrFields[8]);
    const int nFont = ugatoi(arrFields[9]);
    const int nFontStyle = ugatoi(arrFields[11]);
    const double dOffset = ugatof(arrFields[13]);
    const int nColor = ugatoi(arrFields[16]);

    const double dRad = dAngle * kPi / 180.0;
    const PlxPoint2D anchor(dX - dOffset * std::sin(dRad), dY + dOffset * std::cos(dRad));
    auto pText = std::make_unique<KtGeoText>();
    if (!pText->Make(strText, anchor, dAngle))
        return false;
    if (m_bCADMode) {
        const KtTextStyle style = MakeTextStyle(nColor, dHeight, dWidth * 0.5, nFont, nFontStyle);
        pText->SetTextStyle(&style, false);
    }
    pFeature->SetGeometry(pText.release());
    return true;
}

}  // namespace KTX
