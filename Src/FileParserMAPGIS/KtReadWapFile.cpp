#include "KtReadWapFile.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

#include "KoElement/KtFeatureClassDefn.h"
#include "KoFileParser/KtMapGisGrammar.h"
#include "KoGeometry/KtGeometry.h"
#include "KoStream/KtFileStdio.h"

namespace KTX {

tagFileIndex* tagWapIndex::Clone() const {
    auto* pCopy = new tagWapIndex;
    pCopy->nItemID = nItemID;
    pCopy->nFilePos = nFilePos;
    pCopy->nAreaNo = nAreaNo;
    pCopy->arrArcs = arrArcs;
    return pCopy;
}

KtReadWapFile::~KtReadWapFile() {
    m_arrNodePoints.RemoveAll();
}

int KtReadWapFile::GetType(const tagFileIndex* pIndex) const {
    if (pIndex == nullptr || m_pFile == nullptr || !m_bOpen)
        return 0;
    return KTGEO_REGION;
}

bool KtReadWapFile::PreReadFile(const PlxUnicodeString& strPath, PLXCharset eCharset,
                                KtFeatureClassDefn& defn, PlxArray<tagFileIndex*>& arrIndex) {
    if (!OpenStream(strPath, eCharset, OnOpenFailure::DeleteStream))
        return false;
    PlxUnicodeString strTitle;
    if (!m_pFile->ReadLine(strTitle))
        return false;

    // A typed layer without regions keeps no area, and so needs no arcs: it reads the file
    // for the count and the bound alone.
    std::shared_ptr<KtWapArcTable> pTable;
    if (KeepsType(KTGEO_REGION))
        pTable = std::make_shared<KtWapArcTable>();
    KtBoundBuilder bound;
    if (!ReadArcSection(pTable.get(), bound) || !ReadNodeSection())
        return false;

    // A file cut short before its area count reads as one without areas.
    int nAreas = 0;
    topology::ReadInt(*m_pFile, nAreas);
    if (nAreas == 0)
        return false;

    const int nAdded = ReadAreaSection(nAreas, pTable, arrIndex);
    defn.SetFeatureCount(nAdded);
    defn.SetBound(bound.GetRect());
    return true;
}

bool KtReadWapFile::ReadArcSection(KtWapArcTable* pTable, KtBoundBuilder& bound) {
    KtFileStdio& file = *m_pFile;
    int nArcs = 0;
    if (!topology::ReadInt(file, nArcs))
        return false;
    KtFieldSpans fields;
    PlxUnicodeString& strLine = topology::ScratchLine();
    for (int i = 0; i < nArcs; ++i) {
        KtWapArcTable::Arc arc{0, topology::GetIndexPosition(file), 0, 0};
        // The attribute line and the line after it matter only when the arc is drawn; the
        // last line before the point count names the areas on either side.
        if (!topology::SkipLines(file, grammar::kArcLinesBeforeCount - 1) ||
            !topology::ReadSpans(file, strLine, fields))
            return false;
        if (fields.GetCount() >= 2) {
            arc.nArea1 = fields.ToInt(0);
            arc.nArea2 = fields.ToInt(1);
        }
        int nPoints = 0;
        if (!topology::ReadInt(file, strLine, nPoints))
            return false;
        for (int k = 0; k < nPoints; ++k) {
            if (!topology::ReadSpans(file, strLine, fields))
                return false;
            if (fields.GetCount() >= 2)
                bound.Add(fields);
        }
        if (!topology::ReadSpans(file, strLine, fields))
            return false;
        arc.nItemID = fields.GetCount() == 0 ? 0 : fields.ToInt(0);
        if (pTable != nullptr)
            pTable->arcs.push_back(arc);
    }
    return true;
}

bool KtReadWapFile::ReadNodeSection() {
    KtFileStdio& file = *m_pFile;
    int nCount = 0;
    if (!topology::ReadInt(file, nCount) || nCount < 1)
        return false;
    // The count line states one more than the number of node entries.
    m_arrNodePoints.RemoveAll();
    m_arrNodePoints.Reserve(topology::ReserveFor(nCount - 1));
    KtFieldSpans fields;
    PlxUnicodeString& strLine = topology::ScratchLine();
    PlxUnicodeString strSkip;
    for (int j = 1; j < nCount; ++j) {
        if (!topology::ReadSpans(file, strLine, fields))
            return false;
        PlxPoint2D pnt;
        if (fields.GetCount() >= 2) {
            pnt.x = fields.ToInt(0);
            pnt.y = fields.ToInt(1);
        }
        m_arrNodePoints.Add(pnt);

        if (!file.ReadLine(strSkip))
            return false;
        if (!topology::SkipLines(file, grammar::WapNodeLines(strSkip)))
            return false;
    }
    // The table stays with the reader as long as the layer lives; growing it left up to
    // half of it unused.
    m_arrNodePoints.FreeExtra();
    return true;
}

int KtReadWapFile::ReadAreaSection(int nAreas, const std::shared_ptr<KtWapArcTable>& pTable,
                                   PlxArray<tagFileIndex*>& arrIndex) {
    KtFileStdio& file = *m_pFile;
    int nAdded = 0;
    KtFieldSpans fields;
    // Every line that is not an area's first line uses up one of the stated areas.
    for (int t = 0; t < nAreas && !file.IsEOF(); ++t) {
        const std::int32_t nFilePos = topology::GetIndexPosition(file);
        if (!topology::ReadSpans(file, fields))
            break;
        if (fields.GetCount() != grammar::kWapAreaFields)
            continue;
        // The definition counts every area, kept or not.
        ++nAdded;
        const std::int32_t nItemID = fields.ToInt(grammar::kWapAreaIdField);

        const std::size_t nFirst = pTable != nullptr ? pTable->refs.size() : 0;
        int nRefs = 0;
        if (topology::ReadInt(file, nRefs)) {
            int nRef = 0;
            for (int r = 0; r < nRefs && topology::ReadInt(file, nRef); ++r) {
                if (pTable != nullptr)
                    pTable->refs.push_back(nRef);
            }
        }
        if (pTable == nullptr)
            continue;
        auto pArea = std::make_unique<tagWapIndex>();
        pArea->nItemID = nItemID;
        pArea->nFilePos = nFilePos;
        pArea->nAreaNo = t + 1;
        pArea->arrArcs = KtAreaArcs(pTable, nFirst, static_cast<int>(pTable->refs.size() - nFirst));
        AddIndexRecord(std::move(pArea), arrIndex);
    }
    return nAdded;
}

bool KtReadWapFile::ReadItemData(const tagFileIndex* pIndex, KtFeature* pFeature) const {
    if (pIndex == nullptr || pFeature == nullptr || m_pFile == nullptr || !m_bOpen)
        return false;
    InitUserID(pFeature);
    return pIndex->ReadData(m_pFile, pFeature, m_bCADMode);
}

}  // namespace KTX
