// Point file structure: the pre-read that indexes every record, the type answer for the
// typed layers and the dispatch of one record to the reader of its kind.
#include "KtReadWatFile.h"

#include <cmath>
#include <cstdint>

#include "KoBase/KtLogFile.h"
#include "KoBase/PlxVariant.h"
#include "KoElement/KtFeature.h"
#include "KoElement/KtFeatureClassDefn.h"
#include "KoStream/KtFileStdio.h"

namespace KTX {

namespace {

// Item kinds of a point file record (field 3).
enum WatItemKind : int {
    kWatText = 0,
    kWatSubMap = 1,
    kWatCircle = 2,
    kWatArc = 3,
    kWatImage = 4,
    kWatMText = 5,
};

// Minimum field counts of the records of each kind.
constexpr int kTextFields = 16;
constexpr int kSubMapFields = 13;
constexpr int kGeometryFields = 11;  // circles, arcs and images
constexpr int kMTextFields = 19;

constexpr int kReadBufferSize = 8192;
constexpr double kBoundStart = 1e10;

// Field 7 of a circle record: its fill flag.
constexpr int kCircleFillField = 7;

const PlxUnicodeString& FieldSeparator() {
    static const PlxUnicodeString s(u",");
    return s;
}

// Positions are kept as the low 32 bits of the stream offset.
std::int32_t LowPosition(std::int64_t nPos) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(nPos & 0xFFFFFFFF));
}

}  // namespace

bool KtReadWatFile::IsFillFlagSet(double dFlag) {
    // Truncation toward zero gives 0 exactly for |flag| < 1; anything beyond the int32 range
    // truncates to a non-zero value.
    return !(std::fabs(dFlag) < 1.0);
}

void KtReadWatFile::LogRefusedItem(int nSourceLine) {
    KtLogFile::GetInstance(false)->RecordLog(kRefusedItemLogLevel, kRefusedItemMessage,
                                             u"..\\..\\..\\Src\\FileParserMAPGIS\\KtReadWatFile",
                                             nSourceLine);
}

bool KtReadWatFile::PreReadFile(const PlxUnicodeString& strPath, PLXCharset eCharset,
                                KtFeatureClassDefn& defn, PlxArray<tagFileIndex*>& arrIndex) {
    if (m_pFile == nullptr)
        m_pFile = new KtFileStdio();
    if (!m_bOpen) {
        m_bOpen = m_pFile->Open(strPath, KTFILE_READ, kReadBufferSize, eCharset);
        if (!m_bOpen)
            return false;
    }
    m_pFile->SetPosition(0, KTFILE_BEGIN);

    PlxUnicodeString strLine;
    m_pFile->ReadLine(strLine);  // header
    m_pFile->ReadLine(strLine);
    const int nRecords = ugatoi(strLine);
    if (nRecords == 0)
        return false;

    double dMinX = kBoundStart, dMinY = kBoundStart;
    double dMaxX = -kBoundStart, dMaxY = -kBoundStart;
    PlxArray<PlxUnicodeString> arrFields;
    // The count is not trusted: the file's end closes the loop as well.
    for (int i = 0; i < nRecords && !m_pFile->IsEOF(); ++i) {
        const std::int32_t nPos = LowPosition(m_pFile->GetPosition());
        const int nLines = PrevProcessFileData(nPos, strLine);
        if (nLines < 1)
            continue;

        if (strLine.Split(arrFields, FieldSeparator(), PlxUnicodeString::SplitKeepEmpty) >= 4) {
            const double dX = ugatof(arrFields[0]);
            const double dY = ugatof(arrFields[1]);
            if (dMinX > dX)
                dMinX = dX;
            if (dX > dMaxX)
                dMaxX = dX;
            if (dMinY > dY)
                dMinY = dY;
            if (dY > dMaxY)
                dMaxY = dY;
            arrIndex.Add(new tagFileIndex(ugatoi(arrFields[2]), nPos));
        }

        m_pFile->SetPosition(nPos, KTFILE_BEGIN);
        for (int k = 0; k < nLines; ++k)
            m_pFile->ReadLine(strLine);
    }

    if (m_pFile->IsEOF()) {
        // Later reads position the stream themselves; reopen so it is not left at its end,
        // with the same charset so that positions and texts stay those seen here.
        const PLXCharset eOpened = m_pFile->GetCharset();
        m_pFile->Close();
        m_bOpen = m_pFile->Open(strPath, KTFILE_READ, kReadBufferSize, eOpened);
    }

    defn.SetFeatureCount(arrIndex.GetSize());
    defn.SetBound(PlxRect2D(dMinX, dMaxY, dMaxX, dMinY));
    return m_bOpen;
}

int KtReadWatFile::PrevProcessFileData(int nPos, PlxUnicodeString& strLine) {
    if (m_pFile == nullptr || !m_bOpen)
        return 0;
    if (!m_pFile->SetPosition(nPos, KTFILE_BEGIN))
        return 0;
    PlxUnicodeString strFirst;
    m_pFile->ReadLine(strFirst);
    PlxArray<PlxUnicodeString> arrFields;
    if (strFirst.Split(arrFields, FieldSeparator(), PlxUnicodeString::SplitKeepEmpty) < 4) {
        return 0;
    }
    switch (ugatoi(arrFields[3])) {
        case kWatText:
            return PrevProcessTextData(nPos, strLine);
        case kWatSubMap:
            return PrevProcessSubMapData(nPos, strLine);
        case kWatCircle:
            return PrevProcessCircleData(nPos, strLine);
        case kWatArc:
            return PrevProcessArcData(nPos, strLine);
        case kWatImage:
            return PrevProcessImageData(nPos, strLine);
        case kWatMText:
            return PrevProcessMTextData(nPos, strLine);
        default:
            return 0;
    }
}

int KtReadWatFile::PrevProcessTextData(int nPos, PlxUnicodeString& strLine) {
    return PrevProcessRecord(nPos, strLine, kTextFields);
}

int KtReadWatFile::PrevProcessSubMapData(int nPos, PlxUnicodeString& strLine) {
    return PrevProcessRecord(nPos, strLine, kSubMapFields);
}

int KtReadWatFile::PrevProcessArcData(int nPos, PlxUnicodeString& strLine) {
    return PrevProcessRecord(nPos, strLine, kGeometryFields);
}

int KtReadWatFile::PrevProcessCircleData(int nPos, PlxUnicodeString& strLine) {
    return PrevProcessRecord(nPos, strLine, kGeometryFields);
}

int KtReadWatFile::PrevProcessImageData(int nPos, PlxUnicodeString& strLine) {
    return PrevProcessRecord(nPos, strLine, kGeometryFields);
}

int KtReadWatFile::PrevProcessMTextData(int nPos, PlxUnicodeString& strLine) {
    return PrevProcessRecord(nPos, strLine, kMTextFields);
}

int KtReadWatFile::PrevProcessRecord(int nPos, PlxUnicodeString& strLine, int nMinFields) {
    if (m_pFile == nullptr || !m_bOpen)
        return 0;
    m_pFile->SetPosition(nPos, KTFILE_BEGIN);
    PlxUnicodeString strJoined;
    m_pFile->ReadLine(strJoined);
    PlxArray<PlxUnicodeString> arrFields;
    int nFields = strJoined.Split(arrFields, FieldSeparator(), PlxUnicodeString::SplitKeepEmpty);
    int nLines = 1;
    // A record may run over several physical lines; a file ending inside it stops the loop.
    PlxUnicodeString strNext;
    while (nFields < nMinFields && !m_pFile->IsEOF()) {
        m_pFile->ReadLine(strNext);
        ++nLines;
        nFields += strNext.Split(arrFields, FieldSeparator(), PlxUnicodeString::SplitKeepEmpty);
        strJoined += strNext;
    }
    strLine = strJoined;
    return nLines;
}

int KtReadWatFile::GetType(const tagFileIndex* pIndex) const {
    if (pIndex == nullptr || m_pFile == nullptr || !m_bOpen)
        return 0;
    if (!m_pFile->SetPosition(pIndex->nFilePos, KTFILE_BEGIN))
        return 0;
    if (m_pFile->IsEOF())
        return 0;
    PlxUnicodeString strLine;
    m_pFile->ReadLine(strLine);
    PlxArray<PlxUnicodeString> arrFields;
    const int nFields =
        strLine.Split(arrFields, FieldSeparator(), PlxUnicodeString::SplitKeepEmpty);
    if (nFields <= 3)
        return 0;
    if (ugatoi(arrFields[2]) != pIndex->nItemID)
        return 0;

    switch (ugatoi(arrFields[3])) {
        case kWatText:
        case kWatMText:
            return 7;
        case kWatSubMap:
            return 1;
        case kWatCircle:
            // A filled circle goes to the region layer only; without its fill flag the
            // record is refused on reading anyway.
            if (nFields > kCircleFillField && IsFillFlagSet(ugatof(arrFields[kCircleFillField]))) {
                return 5;
            }
            return 15;
        case kWatArc:
            return 24;
        default:
            return 0;
    }
}

bool KtReadWatFile::ReadItemData(const tagFileIndex* pIndex, KtFeature* pFeature) const {
    if (pIndex == nullptr || pFeature == nullptr || m_pFile == nullptr || !m_bOpen)
        return false;
    InitUserID(pFeature);
    if (!m_pFile->SetPosition(pIndex->nFilePos, KTFILE_BEGIN))
        return false;
    if (m_pFile->IsEOF())
        return false;
    PlxUnicodeString strLine;
    m_pFile->ReadLine(strLine);
    PlxArray<PlxUnicodeString> arrFields;
    if (strLine.Split(arrFields, FieldSeparator(), PlxUnicodeString::SplitKeepEmpty) <= 3) {
        return false;
    }
    const int nItemID = ugatoi(arrFields[2]);
    if (nItemID != pIndex->nItemID)
        return false;
    pFeature->SetValue(kUserIDFieldName, PlxVariant(nItemID));

    switch (ugatoi(arrFields[3])) {
        case kWatText:
            return ReadTextData(arrFields, pFeature);
        case kWatSubMap:
            return ReadSubMapData(arrFields, pFeature);
        case kWatCircle:
            return ReadCircleData(arrFields, pFeature);
        case kWatArc:
            return ReadArcData(arrFields, pFeature);
        case kWatImage:
            return ReadImageData(arrFields, pFeature);
        case kWatMText:
            return ReadMTextData(arrFields, pFeature);
        default:
            return false;
    }
}

bool KtReadWatFile::ReadImageData(const PlxArray<PlxUnicodeString>& /*arrFields*/,
                                  KtFeature* /*pFeature*/) const {
    return false;
}

}  // namespace KTX
