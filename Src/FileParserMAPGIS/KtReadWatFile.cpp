// Point file structure: the pre-read that indexes every record, the type answer for the
// typed layers and the dispatch of one record to the reader of its kind.
#include "KtReadWatFile.h"

#include <algorithm>
#include <cstdint>

#include "KoBase/KtLogFile.h"
#include "KoBase/PlxVariant.h"
#include "KoElement/KtFeature.h"
#include "KoElement/KtFeatureClassDefn.h"
#include "KoFileParser/KtMapGisGrammar.h"
#include "KoStream/KtFileStdio.h"
#include "KtFieldSpans.h"

namespace KTX {

namespace {

using namespace grammar;

constexpr int kReadBufferSize = 8192;
// The shortest record: four one-digit fields and a line end.
constexpr std::int64_t kMinRecordBytes = 8;

const PlxUnicodeString& FieldSeparator() {
    static const PlxUnicodeString s(u",");
    return s;
}

// The record line and its fields of a type question or an item read, kept per thread so
// that their storage is reused from record to record. Neither operation nests in the other.
PlxUnicodeString& ScratchLine() {
    thread_local PlxUnicodeString strLine;
    return strLine;
}

PlxArray<PlxUnicodeString>& ScratchFields() {
    thread_local PlxArray<PlxUnicodeString> arrFields;
    return arrFields;
}

// Positions are kept as the low 32 bits of the stream offset.
std::int32_t LowPosition(std::int64_t nPos) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(nPos & 0xFFFFFFFF));
}

}  // namespace

void KtReadWatFile::LogRefusedItem(int nSourceLine) {
    KtLogFile::GetInstance(false)->RecordLog(kRefusedItemLogLevel, kRefusedItemMessage,
                                             u"..\\..\\..\\Src\\FileParserMAPGIS\\KtReadWatFile",
                                             nSourceLine);
}

bool KtReadWatFile::PreReadFile(const PlxUnicodeString& strPath, PLXCharset eCharset,
                                KtFeatureClassDefn& defn, PlxArray<tagFileIndex*>& arrIndex) {
    // An unopened stream stays until the reader is destroyed.
    if (!OpenStream(strPath, eCharset, OnOpenFailure::KeepStream))
        return false;
    m_pFile->SetPosition(0, KTFILE_BEGIN);

    PlxUnicodeString strLine;
    m_pFile->ReadLine(strLine);  // header
    m_pFile->ReadLine(strLine);
    const int nRecords = ugatoi(strLine);
    if (nRecords == 0)
        return false;

    ForgetRecordTypes();
    // Sized once rather than grown by copies that touch twice its memory; the count is
    // bounded by the records the file's bytes can hold.
    arrIndex.Reserve(
        static_cast<int>(std::min<std::int64_t>(nRecords, m_pFile->GetLength() / kMinRecordBytes)));
    KtBoundBuilder bound;
    RecordAnchor anchor;
    // The count is not trusted: the file's end closes the loop as well.
    for (int i = 0; i < nRecords && !m_pFile->IsEOF(); ++i) {
        const std::int32_t nPos = LowPosition(m_pFile->GetPosition());
        // Reads the record once: the stream is left after its lines, where the next record
        // starts.
        if (PreReadRecord(nPos, strLine, bound, anchor) < 1)
            continue;
        bound.Add(anchor.point);
        if (!m_nKeptTypes.empty())
            m_knownTypes.push_back({nPos, anchor.nItemID, anchor.nType});
        arrIndex.Add(new tagFileIndex(anchor.nItemID, nPos));
    }

    if (m_pFile->IsEOF()) {
        // Later reads position the stream themselves; reopen so it is not left at its end,
        // with the same charset so that positions and texts stay those seen here.
        const PLXCharset eOpened = m_pFile->GetCharset();
        m_pFile->Close();
        m_bOpen = m_pFile->Open(strPath, KTFILE_READ, kReadBufferSize, eOpened);
    }

    defn.SetFeatureCount(arrIndex.GetSize());
    defn.SetBound(bound.GetRect());
    return m_bOpen;
}

int KtReadWatFile::PrevProcessFileData(int nPos, PlxUnicodeString& strLine) {
    PlxUnicodeString strRecord;
    RecordAnchor anchor;
    const int nLines = PreReadRecord(nPos, strRecord, KtBoundBuilder(), anchor);
    if (nLines > 0)
        strLine = strRecord;
    return nLines;
}

int KtReadWatFile::PreReadRecord(int nPos, PlxUnicodeString& strLine, const KtBoundBuilder& bound,
                                 RecordAnchor& anchor) {
    if (m_pFile == nullptr || !m_bOpen)
        return 0;
    if (!m_pFile->SetPosition(nPos, KTFILE_BEGIN))
        return 0;
    m_pFile->ReadLine(strLine);
    const KtFieldSpans fields(strLine);
    if (fields.GetCount() < kWatRecordMinFields)
        return 0;
    const int nMinFields = WatMinFields(fields.ToInt(kWatKindField));
    if (nMinFields == 0)
        return 0;
    // Fields 0 to 2 of a continued record are those of its first line: a continuation only
    // extends the first line's last field, the fourth or a later one.
    anchor.point = bound.Prepare(fields);
    anchor.nType = TypeOfFirstLine(fields);
    anchor.nItemID = fields.ToInt(kWatIdField);
    return ContinueRecord(strLine, fields.GetCount(), nMinFields);
}

int KtReadWatFile::PrevProcessTextData(int nPos, PlxUnicodeString& strLine) {
    return PrevProcessRecord(nPos, strLine, kWatTextFields);
}

int KtReadWatFile::PrevProcessSubMapData(int nPos, PlxUnicodeString& strLine) {
    return PrevProcessRecord(nPos, strLine, kWatSubMapFields);
}

int KtReadWatFile::PrevProcessArcData(int nPos, PlxUnicodeString& strLine) {
    return PrevProcessRecord(nPos, strLine, kWatGeometryFields);
}

int KtReadWatFile::PrevProcessCircleData(int nPos, PlxUnicodeString& strLine) {
    return PrevProcessRecord(nPos, strLine, kWatGeometryFields);
}

int KtReadWatFile::PrevProcessImageData(int nPos, PlxUnicodeString& strLine) {
    return PrevProcessRecord(nPos, strLine, kWatGeometryFields);
}

int KtReadWatFile::PrevProcessMTextData(int nPos, PlxUnicodeString& strLine) {
    return PrevProcessRecord(nPos, strLine, kWatMTextFields);
}

int KtReadWatFile::PrevProcessRecord(int nPos, PlxUnicodeString& strLine, int nMinFields) {
    if (m_pFile == nullptr || !m_bOpen)
        return 0;
    m_pFile->SetPosition(nPos, KTFILE_BEGIN);
    PlxUnicodeString strJoined;
    m_pFile->ReadLine(strJoined);
    const int nLines = ContinueRecord(strJoined, KtFieldSpans(strJoined).GetCount(), nMinFields);
    strLine = strJoined;
    return nLines;
}

int KtReadWatFile::ContinueRecord(PlxUnicodeString& strLine, int nFields, int nMinFields) {
    int nLines = 1;
    // A record may run over several physical lines; a file ending inside it stops the loop.
    PlxUnicodeString strNext;
    while (nFields < nMinFields && !m_pFile->IsEOF()) {
        m_pFile->ReadLine(strNext);
        ++nLines;
        nFields += KtFieldSpans(strNext).GetCount();
        strLine += strNext;
    }
    return nLines;
}

int KtReadWatFile::GetType(const tagFileIndex* pIndex) const {
    if (pIndex == nullptr || m_pFile == nullptr || !m_bOpen)
        return 0;
    if (m_nNextKnown < m_knownTypes.size()) {
        const KnownType& known = m_knownTypes[m_nNextKnown];
        if (known.nFilePos == pIndex->nFilePos && known.nItemID == pIndex->nItemID) {
            ++m_nNextKnown;
            return known.nType;
        }
    }
    if (!m_pFile->SetPosition(pIndex->nFilePos, KTFILE_BEGIN))
        return 0;
    if (m_pFile->IsEOF())
        return 0;
    PlxUnicodeString& strLine = ScratchLine();
    m_pFile->ReadLine(strLine);
    // Only the identifier, the kind and a circle's fill flag matter here: the fields are
    // located in place rather than copied out.
    const KtFieldSpans fields(strLine);
    if (fields.GetCount() < kWatRecordMinFields)
        return 0;
    if (fields.ToInt(kWatIdField) != pIndex->nItemID)
        return 0;
    return TypeOfFirstLine(fields);
}

int KtReadWatFile::TypeOfFirstLine(const KtFieldSpans& fields) {
    if (fields.GetCount() < kWatRecordMinFields)
        return 0;
    // Without its fill flag a circle record is refused on reading anyway.
    const int nKind = fields.ToInt(kWatKindField);
    const bool bFilled = nKind == kWatCircle && fields.GetCount() > kWatCircleFillField &&
                         IsFillFlagSet(fields.ToDouble(kWatCircleFillField));
    return WatGeometryType(nKind, bFilled);
}

void KtReadWatFile::ForgetRecordTypes() {
    std::vector<KnownType>().swap(m_knownTypes);
    m_nNextKnown = 0;
}

bool KtReadWatFile::ReadItemData(const tagFileIndex* pIndex, KtFeature* pFeature) const {
    if (!StartItemRead(pIndex, pFeature))
        return false;
    PlxUnicodeString& strLine = ScratchLine();
    m_pFile->ReadLine(strLine);
    PlxArray<PlxUnicodeString>& arrFields = ScratchFields();
    if (strLine.Split(arrFields, FieldSeparator(), PlxUnicodeString::SplitKeepEmpty) <
        kWatRecordMinFields) {
        return false;
    }
    const int nItemID = ugatoi(arrFields[kWatIdField]);
    if (nItemID != pIndex->nItemID)
        return false;
    pFeature->SetValue(kUserIDFieldName, PlxVariant(nItemID));

    switch (ugatoi(arrFields[kWatKindField])) {
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
