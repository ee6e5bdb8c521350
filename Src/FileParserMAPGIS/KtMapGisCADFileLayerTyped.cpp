// What the four typed layers share: keeping only the items of their kind, and reshaping the
// geometries of a batch into their own kind.
#include <algorithm>

#include "KoBase/KtFile.h"
#include "KtMapGisCADFileLayer.h"

namespace KTX {

KtFeatureClassDefn* KtMapGisCADFileLayer::ReadTypedLayerDefn(const KtImportParams& params,
                                                             std::initializer_list<int> nKinds,
                                                             int nLayerType,
                                                             const char16_t* pszNameSuffix) {
    // A repeated definition read starts over with a reader of its own.
    DeleteReaderAndIndex();
    m_pReadFile = BuildReadFile(KtFile::GetExt(params.GetFilePathName()).Right(3));
    if (m_pReadFile == nullptr)
        return nullptr;

    m_pReadFile->SetKeptTypes(nKinds);
    m_bCADMode = false;
    // The decision rests on the index alone, whatever the compound reading answered.
    KtMapGisCADFileLayer::ReadLayerDefn(params);

    // The records of the layer's kinds stay where they are, in their order; the others are
    // deleted. Moving the kept ones down in place needs neither copies of the records nor a
    // second array, so a filtered index never takes more memory than the full one.
    int nKept = 0;
    for (int i = 0; i < m_arrFileIndex.GetSize(); ++i) {
        tagFileIndex* pIndex = m_arrFileIndex[i];
        const int nType = m_pReadFile->GetType(pIndex);
        if (pIndex != nullptr && std::find(nKinds.begin(), nKinds.end(), nType) != nKinds.end()) {
            m_arrFileIndex[nKept++] = pIndex;
        } else {
            delete pIndex;
        }
    }
    m_pReadFile->ForgetRecordTypes();
    m_arrFileIndex.SetSize(nKept);
    m_arrFileIndex.FreeExtra();
    if (m_arrFileIndex.IsEmpty())
        return nullptr;

    m_FeatureClassDefn.SetFeatureCount(m_arrFileIndex.GetSize());
    m_FeatureClassDefn.SetType(nLayerType);
    const PlxUnicodeString strName = params.GetDestDTName() + PlxUnicodeString(pszNameSuffix);
    m_FeatureClassDefn.SetName(strName);
    SetLayerName(strName);
    return &m_FeatureClassDefn;
}

int KtMapGisCADFileLayer::ReadFeaturesReshaped(PlxArray<KtFeature*>& arrFeatures, int nFlags,
                                               GeometryReshaper pfnReshape) {
    const int nCursorBefore = m_nCurrentFeature;
    const int nFilled = KtMapGisCADFileLayer::ReadFeatures(arrFeatures, nFlags);
    // Every position the batch used, not only the first nFilled: a feature behind an item
    // the reader refused is reshaped too.
    const int nUsed = std::min(m_nCurrentFeature - nCursorBefore, arrFeatures.GetSize());
    for (int i = 0; i < nUsed; ++i) {
        KtFeature* pFeature = arrFeatures[i];
        if (pFeature == nullptr)
            continue;
        const KtGeometry* pGeometry = pFeature->GetGeometry();
        if (pGeometry == nullptr)
            continue;
        pfnReshape(*pFeature, *pGeometry, m_nSegmentCount);
    }
    return nFilled;
}

}  // namespace KTX
