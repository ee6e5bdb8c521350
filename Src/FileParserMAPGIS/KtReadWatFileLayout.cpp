// Layout of annotation texts that the host's text geometry cannot show by itself: MAPGIS
// control codes ("#+" superscript, "#-" subscript, "#=" closing either, "/num/den/" stacked
// fractions), spaced texts and vertical texts. Each operation turns a text into positioned
// pieces in map units.
//
// Pieces follow the baseline angle: raised and lowered groups, fractions and the fraction
// bar are turned with their text about the point where their layout starts (for a fraction
// that is the text's start point), so a rotated annotation keeps its shape.
#include <cmath>

#include "KtReadWatFile.h"

namespace KTX {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kNearZero = 1e-10;

bool IsNearZero(double d) {
    return d > -kNearZero && d < kNearZero;
}

double ToRadians(double dDegrees) {
    return dDegrees * kPi / 180.0;
}

void AddTextCell(PlxArray<tagTextCell*>& arrCells, const PlxUnicodeString& strText,
                 const PlxPoint2D& pnt, int nSizeMode) {
    auto* pCell = new tagTextCell();
    pCell->nSizeMode = nSizeMode;
    pCell->pntPos = pnt;
    pCell->strText = strText;
    arrCells.Add(pCell);
}

bool IsGroupSign(char16_t ch) {
    return ch == u'+' || ch == u'-';
}

// End (exclusive) of the run of groups that starts with the "#" at iGroup: past the first
// "=", then on to further groups as long as the "=" just passed closed a group ("#=") and
// another "=" follows. Without any "=" the run takes the rest of the text.
int FindGroupRunEnd(const PlxUnicodeString& strText, int iGroup) {
    const int nLength = strText.GetLength();
    const int iFirstEqual = strText.Find(u'=', iGroup);
    if (iFirstEqual < 0)
        return nLength;
    int iPos = iFirstEqual + 1;
    while (iPos < nLength && strText[iPos] == u'#' && strText[iPos - 2] == u'#') {
        const int iNextEqual = strText.Find(u'=', iPos);
        if (iNextEqual < 0)
            break;
        iPos = iNextEqual + 1;
    }
    return iPos;
}

// Places one raised, lowered or unsigned group whose baseline point is pnt; a lowered group
// sits half a character height below the baseline, perpendicular to it.
void AddGroupCell(PlxArray<tagTextCell*>& arrCells, const PlxUnicodeString& strGroup,
                  const PlxPoint2D& pnt, double dHeight, double dCos, double dSin) {
    const char16_t chSign = strGroup.IsEmpty() ? u'\0' : strGroup[0];
    const PlxUnicodeString strText = strGroup.Mid(1);
    if (chSign == u'-') {
        AddTextCell(arrCells, strText,
                    PlxPoint2D(pnt.x + dHeight * 0.5 * dSin, pnt.y - dHeight * 0.5 * dCos), -1);
    } else {
        // An unsigned group stands on the baseline like a raised one, at full size.
        AddTextCell(arrCells, strText, pnt, chSign == u'+' ? 1 : 0);
    }
}

}  // namespace

PlxPoint2D KtReadWatFile::RatotePoint2D(const PlxPoint2D& centre, const PlxPoint2D& pnt,
                                        double dAngle) const {
    const double dRad = ToRadians(dAngle);
    if (IsNearZero(dRad))
        return pnt;
    const double dx = pnt.x - centre.x;
    const double dy = pnt.y - centre.y;
    const double dCos = std::cos(dRad);
    const double dSin = std::sin(dRad);
    return PlxPoint2D(centre.x + dx * dCos - dy * dSin, centre.y + dx * dSin + dy * dCos);
}

bool KtReadWatFile::CanConversionText(const PlxUnicodeString& strText) const {
    const int nLength = strText.GetLength();
    if (nLength == 0)
        return false;
    if (strText[0] == u'/' && strText[nLength - 1] == u'/')
        return true;
    for (int i = 0; i + 1 < nLength; ++i) {
        if (strText[i] == u'#' && IsGroupSign(strText[i + 1]))
            return true;
    }
    return false;
}

int KtReadWatFile::ExcuteText05(const PlxUnicodeString& strText, double& dX, double& dY,
                                double /*dHeight*/, double dWidth, double dSpace, double dAngle,
                                PlxArray<tagTextCell*>& arrCells) const {
    const double dRad = ToRadians(dAngle);
    const double dStep = dWidth * 0.5 + dSpace;
    PlxPoint2D pen(dX, dY);
    for (int i = 0; i < strText.GetLength(); ++i) {
        AddTextCell(arrCells, PlxUnicodeString(strText[i]), pen, 0);
        pen.x += dStep * std::cos(dRad);
        pen.y += dStep * std::sin(dRad);
    }
    dX = pen.x;
    dY = pen.y;
    return arrCells.GetSize();
}

int KtReadWatFile::ExcuteText04(const PlxUnicodeString& strText, double dX, double dY,
                                double dHeight, double /*dWidth*/, double dSpace, double /*dAngle*/,
                                PlxArray<tagTextCell*>& arrCells) const {
    const PlxPoint2D origin(dX, dY);
    const double dPitch = 1.1 * dHeight + dSpace;
    for (int k = 0; k < strText.GetLength(); ++k) {
        const PlxPoint2D pnt = RatotePoint2D(origin, PlxPoint2D(dX + k * dPitch, dY), -90.0);
        AddTextCell(arrCells, PlxUnicodeString(strText[k]), pnt, -2);
    }
    return arrCells.GetSize();
}

void KtReadWatFile::ExcuteText03(const PlxUnicodeString& strText, double dX, double dY,
                                 double dHeight, double dWidth, double /*dSpace*/, double dAngle,
                                 PlxArray<tagTextCell*>& arrCells) const {
    const int iSlash = strText.Find(u'/');
    if (iSlash < 0)
        return;
    const PlxUnicodeString strNum = strText.Left(iSlash);
    const PlxUnicodeString strDen = strText.Mid(iSlash + 1);
    const int nNum = strNum.GetLength();
    const int nDen = strDen.GetLength();
    const int nMax = nDen >= nNum ? nDen : nNum;
    const double dCentre = dX + nMax * dWidth * 0.25;
    const PlxPoint2D origin(dX, dY);

    auto* pBar = new tagTextLineCell();
    pBar->pntPos = origin;
    pBar->pntEnd = RatotePoint2D(origin, PlxPoint2D(dX + nMax * dWidth * 0.5, dY), dAngle);
    arrCells.Add(pBar);
    AddTextCell(
        arrCells, strNum,
        RatotePoint2D(origin, PlxPoint2D(dCentre - nNum * dWidth * 0.25, dY + dHeight * 5 * 0.25),
                      dAngle),
        0);
    AddTextCell(
        arrCells, strDen,
        RatotePoint2D(origin, PlxPoint2D(dCentre - nDen * dWidth * 0.25, dY - dHeight * 0.25),
                      dAngle),
        0);
}

int KtReadWatFile::ExcuteText01(const PlxUnicodeString& strText, int iGroup, int iBase, double& dX,
                                double& dY, double dHeight, double dWidth, double /*dSpace*/,
                                double dAngle, PlxArray<tagTextCell*>& arrCells) const {
    const int nLength = strText.GetLength();
    if (iBase < 0 || iGroup <= iBase || iGroup >= nLength)
        return 0;
    const double dRad = ToRadians(dAngle);
    const double dCos = std::cos(dRad);
    const double dSin = std::sin(dRad);

    PlxPoint2D pen(dX, dY);
    AddTextCell(arrCells, PlxUnicodeString(strText[iBase]), pen, 0);
    pen.x += dWidth * 0.5 * dCos;
    pen.y += dWidth * 0.5 * dSin;

    const int iEnd = FindGroupRunEnd(strText, iGroup);
    bool bClosed = false;
    int iStart = iGroup;
    for (int j = iGroup + 1; j < iEnd; ++j) {
        if (strText[j] != u'=' || strText[j - 1] != u'#')
            continue;
        // The group runs from its opening "#" to its closing "#"; both are dropped.
        const int nInner = j - iStart - 2;
        const PlxUnicodeString strGroup =
            nInner > 0 ? strText.Mid(iStart + 1, nInner) : PlxUnicodeString();
        AddGroupCell(arrCells, strGroup, pen, dHeight, dCos, dSin);
        const int nChars = strGroup.IsEmpty() ? 0 : strGroup.GetLength() - 1;
        pen.x += nChars * dWidth * 0.25 * dCos;
        pen.y += nChars * dWidth * 0.25 * dSin;
        bClosed = true;
        iStart = j + 1;
    }
    if (bClosed) {
        dX = pen.x;
        dY = pen.y;
    }
    return iEnd - iBase;
}

int KtReadWatFile::ExcuteText02(const PlxUnicodeString& strText, int iGroup, int iBase, double& dX,
                                double& dY, double dHeight, double dWidth, double /*dSpace*/,
                                double dAngle, PlxArray<tagTextCell*>& arrCells) const {
    const int nLength = strText.GetLength();
    if (iBase < 0 || iGroup <= iBase || iGroup >= nLength)
        return 0;
    const double dRad = ToRadians(dAngle);
    const double dCos = std::cos(dRad);
    const double dSin = std::sin(dRad);

    const PlxPoint2D base(dX, dY);
    AddTextCell(arrCells, PlxUnicodeString(strText[iBase]), base, 0);
    const PlxPoint2D groupPos(base.x + dWidth * 0.5 * dCos, base.y + dWidth * 0.5 * dSin);

    int nMax = 0;
    int iEnd = nLength;
    if (strText.Find(u'=', iGroup) < 0) {
        // An unclosed group takes the rest of the text; the layout ends with the text.
        const PlxUnicodeString strGroup = strText.Mid(iGroup + 1);
        AddGroupCell(arrCells, strGroup, groupPos, dHeight, dCos, dSin);
        nMax = strGroup.GetLength() - 1;
    } else {
        iEnd = FindGroupRunEnd(strText, iGroup);
        // Every stretch between two "#" of the run is a group; all stand above each other.
        int iPrevHash = iGroup;
        for (int j = iGroup + 1; j < iEnd; ++j) {
            if (strText[j] != u'#')
                continue;
            if (j - iPrevHash > 1) {
                const PlxUnicodeString strGroup = strText.Mid(iPrevHash + 1, j - iPrevHash - 1);
                AddGroupCell(arrCells, strGroup, groupPos, dHeight, dCos, dSin);
                if (strGroup.GetLength() - 1 > nMax)
                    nMax = strGroup.GetLength() - 1;
            }
            iPrevHash = j;
        }
    }
    if (nMax < 0)
        nMax = 0;
    const double dAdvance = dWidth * 0.5 + nMax * dWidth * 0.25;
    dX = base.x + dAdvance * dCos;
    dY = base.y + dAdvance * dSin;
    return iEnd - iBase;
}

int KtReadWatFile::ConversionText(const PlxUnicodeString& strText, double dX, double dY,
                                  double dHeight, double dWidth, double dSpace, double dAngle,
                                  PlxArray<tagTextCell*>& arrCells) const {
    const int nLength = strText.GetLength();
    double dPenX = dX;
    double dPenY = dY;
    if (nLength > 0 && strText[0] == u'/' && strText[nLength - 1] == u'/') {
        const PlxUnicodeString strInner =
            nLength >= 2 ? strText.Mid(1, nLength - 2) : PlxUnicodeString();
        ExcuteText03(strInner, dPenX, dPenY, dHeight, dWidth, dSpace, dAngle, arrCells);
        return arrCells.GetSize();
    }

    const double dRad = ToRadians(dAngle);
    int iRunStart = 0;
    int i = 0;
    while (i < nLength) {
        // A code at the very start has no base character: it stays plain text.
        if (i == 0 || strText[i] != u'#' || i + 1 >= nLength || !IsGroupSign(strText[i + 1])) {
            ++i;
            continue;
        }
        const int iBase = i - 1;
        const int nRun = iBase - iRunStart;
        if (nRun > 0) {
            const PlxUnicodeString strRun = strText.Mid(iRunStart, nRun);
            if (IsNearZero(dSpace)) {
                AddTextCell(arrCells, strRun, PlxPoint2D(dPenX, dPenY), 0);
                dPenX += nRun * dWidth * 0.5 * std::cos(dRad);
                dPenY += nRun * dWidth * 0.5 * std::sin(dRad);
            } else {
                ExcuteText05(strRun, dPenX, dPenY, dHeight, dWidth, dSpace, dAngle, arrCells);
            }
        }
        const bool bOneCharGroup = i + 4 < nLength && strText[i + 4] == u'=';
        const int nUsed = bOneCharGroup ? ExcuteText01(strText, i, iBase, dPenX, dPenY, dHeight,
                                                       dWidth, dSpace, dAngle, arrCells)
                                        : ExcuteText02(strText, i, iBase, dPenX, dPenY, dHeight,
                                                       dWidth, dSpace, dAngle, arrCells);
        // The character where the walk resumes starts the next plain run untested.
        iRunStart = iBase + nUsed;
        i = iRunStart + 1;
    }
    if (iRunStart < nLength) {
        ExcuteText05(strText.Mid(iRunStart), dPenX, dPenY, dHeight, dWidth, dSpace, dAngle,
                     arrCells);
    }
    return arrCells.GetSize();
}

}  // namespace KTX
