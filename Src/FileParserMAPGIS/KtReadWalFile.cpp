#include "KtReadWalFile.h"

#include <algorithm>
#include <cstdint>

#include "KoElement/KtFeature.h"
#include "KoElement/KtFeatureClassDefn.h"
#include "KoElement/KtStyle.h"
#include "KoFileParser/KtMapGisGrammar.h"
#include "KoGeometry/KtGeoLine.h"
#include "KoStream/KtFileStdio.h"
#include "KtBoundBuilder.h"
#include "KtFieldSpans.h"

namespace KTX {

namespace {

constexpr int kStyleFieldCount = 9;
constexpr int kStyleLineType = 0;
constexpr int kStyleColor = 2;
constexpr int kStyleWidth = 3;
// Line widths are written in tenths of the host's unit.
constexpr double kWidthScale = 10.0;
// Point counts come from the file: storage grows with the lines actually read, beyond this.
constexpr int kMaxPointReserve = 4096;

int SplitFields(const PlxUnicodeString& strLine, PlxArray<PlxUnicodeString>& arrFields) {
    return strLine.Split(arrFields, u",");
}

// The working storage of one item read, kept per thread so that reading item after item
// reuses it instead of allocating it anew.
struct ItemScratch {
    PlxUnicodeString strLine;
    PlxArray<PlxUnicodeString> arrStyle;
    PlxArray<PlxPoint2D> arrPoints;
};

ItemScratch& Scratch() {
    thread_local ItemScratch scratch;
    return scratch;
}

// A point line is "x,y"; any other shape is no point.
bool ParsePoint(const PlxUnicodeString& strLine, PlxPoint2D& pnt) {
    const KtFieldSpans fields(strLine);
    if (fields.GetCount() != grammar::kPointFields)
        return false;
    pnt.x = fields.ToDouble(0);
    pnt.y = fields.ToDouble(1);
    return true;
}

// The identifier line is "identifier,-".
bool ParseIdentifier(const PlxUnicodeString& strLine, int& nItemID) {
    const KtFieldSpans fields(strLine);
    if (fields.GetCount() != grammar::kIdLineFields)
        return false;
    nItemID = fields.ToInt(0);
    return true;
}

}  // namespace

KtReadWalFile::~KtReadWalFile() = default;

int KtReadWalFile::GetType(const tagFileIndex* pIndex) const {
    if (pIndex == nullptr || m_pFile == nullptr || !m_bOpen)
        return 0;
    return KTGEO_LINE;
}

bool KtReadWalFile::PreReadFile(const PlxUnicodeString& strPath, PLXCharset eCharset,
                                KtFeatureClassDefn& defn, PlxArray<tagFileIndex*>& arrIndex) {
    if (!OpenStream(strPath, eCharset, OnOpenFailure::DeleteStream))
        return false;
    m_pFile->SetPosition(0, KTFILE_BEGIN);

    PlxUnicodeString strLine;
    m_pFile->ReadLine(strLine);
    m_pFile->ReadLine(strLine);
    const int nItemCount = ugatoi(strLine);
    if (nItemCount == 0) {
        m_pFile->Close();
        delete m_pFile;
        m_pFile = nullptr;
        m_bOpen = false;
        return false;
    }

    KtBoundBuilder bound;
    const int nFirstRecord = arrIndex.GetSize();
    for (int i = 0; i < nItemCount; ++i) {
        if (m_pFile->IsEOF())
            break;
        const std::int64_t nPosition = m_pFile->GetPosition();
        m_pFile->ReadLine(strLine);  // style line, checked when the item is read
        m_pFile->ReadLine(strLine);
        const int nPointCount = ugatoi(strLine);
        // An item without points has no further lines.
        if (nPointCount < 1)
            continue;

        // A read that finds no byte left ends the points as the end of the file does.
        for (int j = 0; j < nPointCount && m_pFile->ReadLine(strLine); ++j) {
            // A point line is "x,y"; any other shape is no point.
            const KtFieldSpans fields(strLine);
            if (fields.GetCount() == grammar::kPointFields)
                bound.Add(fields);
        }

        m_pFile->ReadLine(strLine);
        int nItemID = 0;
        if (!ParseIdentifier(strLine, nItemID))
            continue;
        auto* pIndex = new tagFileIndex(nItemID, static_cast<std::int32_t>(nPosition));
        arrIndex.Add(pIndex);
    }

    if (m_pFile->IsEOF())
        m_pFile->SetPosition(0, KTFILE_BEGIN);

    defn.SetFeatureCount(arrIndex.GetSize() - nFirstRecord);
    defn.SetBound(bound.GetRect());
    return true;
}

bool KtReadWalFile::ReadItemData(const tagFileIndex* pIndex, KtFeature* pFeature) const {
    if (!StartItemRead(pIndex, pFeature))
        return false;

    ItemScratch& scratch = Scratch();
    PlxUnicodeString& strLine = scratch.strLine;
    m_pFile->ReadLine(strLine);
    PlxArray<PlxUnicodeString>& arrStyle = scratch.arrStyle;
    if (SplitFields(strLine, arrStyle) != kStyleFieldCount)
        return false;

    m_pFile->ReadLine(strLine);
    const int nPointCount = ugatoi(strLine);
    PlxArray<PlxPoint2D>& arrPoints = scratch.arrPoints;
    arrPoints.SetSize(0);
    arrPoints.Reserve(std::min(nPointCount, kMaxPointReserve));
    for (int j = 0; j < nPointCount && m_pFile->ReadLine(strLine); ++j) {
        PlxPoint2D pnt;
        if (ParsePoint(strLine, pnt))
            arrPoints.Add(pnt);
    }

    m_pFile->ReadLine(strLine);
    int nItemID = 0;
    if (!ParseIdentifier(strLine, nItemID) || nItemID != pIndex->nItemID)
        return false;
    pFeature->SetValue(kUserIDFieldName, PlxVariant(nItemID));

    auto* pLine = new KtGeoLine();
    const PlxPoint2D* pPoints = arrPoints.IsEmpty() ? nullptr : arrPoints.GetData();
    if (!pLine->Make(pPoints, arrPoints.GetSize())) {
        delete pLine;
        return false;
    }

    if (m_bCADMode) {
        KtStyle style;
        std::int64_t nColor = 0;
        if (FindColorByID(ugatoi(arrStyle[kStyleColor]), nColor)) {
            style.SetLineColor(static_cast<PLXCOLOR>(static_cast<std::uint64_t>(nColor)));
        }
        style.SetLineWidth(ugatof(arrStyle[kStyleWidth]) / kWidthScale);
        style.SetLineStyle(FineLineStyleByID(ugatoi(arrStyle[kStyleLineType])));
        pLine->SetStyle(&style);
    }

    pFeature->SetGeometry(pLine);
    return true;
}

}  // namespace KTX
