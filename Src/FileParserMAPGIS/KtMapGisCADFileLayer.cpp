#include "KtMapGisCADFileLayer.h"

#include <new>

#include "KoBase/KtFile.h"
#include "KtReadWalFile.h"
#include "KtReadWanFile.h"
#include "KtReadWapFile.h"
#include "KtReadWatFile.h"

namespace KTX {

namespace {

constexpr char16_t kHostBaseLibrary[] = u"KoBase";
constexpr char16_t kStyleMapTablePath[] = u"./Resource/stmg.stt";

}  // namespace

KtMapGisCADFileLayer::~KtMapGisCADFileLayer() {
    DeleteReaderAndIndex();
}

void KtMapGisCADFileLayer::DeleteReaderAndIndex() {
    delete m_pReadFile;
    m_pReadFile = nullptr;
    for (tagFileIndex* pIndex : m_arrFileIndex)
        delete pIndex;
    m_arrFileIndex.RemoveAll();
}

void KtMapGisCADFileLayer::ResetReading() {}

int KtMapGisCADFileLayer::ReadFeatures(PlxArray<KtFeature*>& arrFeatures, int /*nFlags*/) {
    if (m_pReadFile == nullptr)
        return 0;
    m_pReadFile->m_bCADMode = m_bCADMode;

    const int nSize = arrFeatures.GetSize();
    int nFilled = 0;
    for (int i = 0; i < nSize; ++i) {
        if (m_nCurrentFeature >= m_arrFileIndex.GetSize())
            break;
        const tagFileIndex* pIndex = m_arrFileIndex[m_nCurrentFeature];
        ++m_nCurrentFeature;
        if (pIndex != nullptr && m_pReadFile->ReadItemData(pIndex, arrFeatures[i]))
            ++nFilled;
    }
    return nFilled;
}

int KtMapGisCADFileLayer::Create(const KtExportParams& /*params*/) {
    return 0;
}

int KtMapGisCADFileLayer::CreateFields(PlxFieldInfos& /*fieldInfos*/) {
    return 0;
}

int KtMapGisCADFileLayer::CreateFeature(const PlxArray<KtFeature*>& /*arrFeatures*/) {
    return 0;
}

KtReadMAPGISFile* KtMapGisCADFileLayer::BuildReadFile(const PlxUnicodeString& strExt) const {
    if (strExt.CompareNoCase(u"WAT") == 0)
        return new (std::nothrow) KtReadWatFile();
    if (strExt.CompareNoCase(u"WAL") == 0)
        return new (std::nothrow) KtReadWalFile();
    if (strExt.CompareNoCase(u"WAP") == 0)
        return new (std::nothrow) KtReadWapFile();
    if (strExt.CompareNoCase(u"WAN") == 0)
        return new (std::nothrow) KtReadWanFile();
    return nullptr;
}

KtFeatureClassDefn* KtMapGisCADFileLayer::ReadLayerDefn(const KtImportParams& params) {
    const PlxUnicodeString& strPath = params.GetFilePathName();
    if (m_pReadFile == nullptr)
        m_pReadFile = BuildReadFile(KtFile::GetExt(strPath).Right(3));
    if (m_pReadFile == nullptr)
        return nullptr;

    // The colour index file is named only by the MAPGIS kind of import parameters.
    const auto* pMapGisParams = dynamic_cast<const KtMapGisImportParams*>(&params);
    if (pMapGisParams == nullptr)
        return nullptr;

    // The colour and style tables are shared by every reader; each definition read reloads
    // them, and a missing table only leaves the host's default colours and styles.
    const PlxUnicodeString strModulePath = KtFile::GetModulePath(kHostBaseLibrary);
    const PlxUnicodeString strStylePath =
        KtFile::GetAbsolutePath(strModulePath, kStyleMapTablePath);
    {
        KtReadMAPGISFile tables;
        tables.LoadColorData(pMapGisParams->GetColorIndexFilePath(),
                             params.GetImportOrExportCharset());
        tables.LoadStyleMapTable(strStylePath);
    }

    if (!m_pReadFile->PreReadFile(strPath, params.GetImportOrExportCharset(), m_FeatureClassDefn,
                                  m_arrFileIndex)) {
        return nullptr;
    }
    m_FeatureClassDefn.SetType(KTLAYER_CAD);
    m_FeatureClassDefn.SetName(params.GetDestDTName());
    SetLayerName(params.GetDestDTName());
    return &m_FeatureClassDefn;
}

}  // namespace KTX
