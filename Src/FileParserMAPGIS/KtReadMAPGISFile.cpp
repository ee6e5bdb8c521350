#include "KtReadMAPGISFile.h"

#include <algorithm>
#include <cstdint>

#include "KoBase/PlxFieldInfo.h"
#include "KoElement/KtFeature.h"
#include "KoStream/KtFileStdio.h"

namespace KTX {

KtStyleMapMgr KtReadMAPGISFile::m_StyMapTable;
PlxArray<tagColorIndex> KtReadMAPGISFile::m_ArrColorIndex;

namespace {

// Defined right after the two tables so that it is destroyed before them: at library unload
// the style mapping table is closed and the colour table freed while both still exist.
struct SharedTablesRelease {
    SharedTablesRelease() = default;
    SharedTablesRelease(const SharedTablesRelease&) = delete;
    SharedTablesRelease& operator=(const SharedTablesRelease&) = delete;
    ~SharedTablesRelease() { KtReadMAPGISFile::ReleaseSharedTables(); }
};
const SharedTablesRelease g_sharedTablesRelease;

}  // namespace

KtReadMAPGISFile::~KtReadMAPGISFile() {
    if (m_pFile != nullptr) {
        if (m_bOpen)
            m_pFile->Close();
        delete m_pFile;
        m_pFile = nullptr;
    }
}

bool KtReadMAPGISFile::OpenStream(const PlxUnicodeString& strPath, PLXCharset eCharset,
                                  OnOpenFailure eFailure) {
    // The host's usual read buffer; the stream reads more at a time when it pays.
    constexpr int kReadBufferSize = 8192;
    if (m_pFile == nullptr)
        m_pFile = new KtFileStdio();
    if (!m_bOpen)
        m_bOpen = m_pFile->Open(strPath, KTFILE_READ, kReadBufferSize, eCharset);
    if (!m_bOpen && eFailure == OnOpenFailure::DeleteStream) {
        delete m_pFile;
        m_pFile = nullptr;
    }
    return m_bOpen;
}

bool KtReadMAPGISFile::StartItemRead(const tagFileIndex* pIndex, KtFeature* pFeature) const {
    if (pIndex == nullptr || pFeature == nullptr || m_pFile == nullptr || !m_bOpen)
        return false;
    InitUserID(pFeature);
    return m_pFile->SetPosition(pIndex->nFilePos, KTFILE_BEGIN) && !m_pFile->IsEOF();
}

int KtReadMAPGISFile::GetType(const tagFileIndex* /*pIndex*/) const {
    return 0;
}

bool KtReadMAPGISFile::PreReadFile(const PlxUnicodeString& /*strPath*/, PLXCharset /*eCharset*/,
                                   KtFeatureClassDefn& /*defn*/,
                                   PlxArray<tagFileIndex*>& /*arrIndex*/) {
    return false;
}

bool KtReadMAPGISFile::ReadItemData(const tagFileIndex* /*pIndex*/, KtFeature* /*pFeature*/) const {
    return false;
}

void KtReadMAPGISFile::ReleaseSharedTables() {
    m_StyMapTable.Close();
    ReleaseColorData();
}

bool KtReadMAPGISFile::KeepsType(int nType) const {
    return m_nKeptTypes.empty() ||
           std::find(m_nKeptTypes.begin(), m_nKeptTypes.end(), nType) != m_nKeptTypes.end();
}

void KtReadMAPGISFile::AddIndexRecord(std::unique_ptr<tagFileIndex> pRecord,
                                      PlxArray<tagFileIndex*>& arrIndex) const {
    if (KeepsType(GetType(pRecord.get())))
        arrIndex.Add(pRecord.release());
}

void KtReadMAPGISFile::InitUserID(KtFeature*& pFeature) const {
    if (pFeature == nullptr)
        return;
    // The same description for every feature: built once, handed out by copy.
    static const PlxFieldInfos kInfos = [] {
        PlxFieldInfo info;
        info.m_strName = kUserIDFieldName;
        info.m_nType = PLX_FIELD_INT32;
        info.m_nSize = 4;
        PlxFieldInfos infos;
        infos.Add(info);
        return infos;
    }();
    pFeature->SetFieldInfos(kInfos);
}

tagArcIndex KtReadMAPGISFile::FindArcByItemID(int nArcNo,
                                              const PlxArray<tagArcIndex>& arrArcs) const {
    // A negative reference names the same arc walked backwards. Widened so that the
    // magnitude of the most negative int is representable (it then matches no arc).
    const std::int64_t nKey = nArcNo < 0 ? -static_cast<std::int64_t>(nArcNo) : nArcNo;
    for (const tagArcIndex& arc : arrArcs) {
        if (arc.nArcNo == nKey)
            return arc;
    }
    return tagArcIndex();
}

}  // namespace KTX
