#include "KtReadWapFile.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <utility>

#include "KoElement/KtFeatureClassDefn.h"
#include "KoStream/KtFileStdio.h"
#include "KtMapGisGrammar.h"

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
    return 5;
}

bool KtReadWapFile::PreReadFile(const PlxUnicodeString& strPath, PLXCharset eCharset,
                                KtFeatureClassDefn& defn, PlxArray<tagFileIndex*>& arrIndex) {
    if (!OpenStream(strPath, eCharset, OnOpenFailure::DeleteStream))
        return false;
    PlxUnicodeString strTitle;
    if (!m_pFile->ReadLine(strTitle))
        return false;

    auto pTable = std::make_shared<KtWapArcTable>();
    KtBoundBuilder bound;
    if (!ReadArcSection(*pTable, bound) || !ReadNodeSection())
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

bool KtReadWapFile::ReadArcSection(KtWapArcTable& table, KtBoundBuilder& bound) {
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
            !topology::ReadSpans(file, fields))
            return false;
        if (fields.GetCount() >= 2) {
            arc.nArea1 = fields.ToInt(0);
            arc.nArea2 = fields.ToInt(1);
        }
        int nPoints = 0;
        if (!topology::ReadInt(file, nPoints))
            return false;
        for (int k = 0; k < nPoints; ++k) {
            if (!topology::ReadSpans(file, strLine, fields))
                return false;
            if (fields.GetCount() >= 2)
                bound.Add(fields);
        }
        if (!topology::ReadSpans(file, fields))
            return false;
        arc.nItemID = fields.GetCount() == 0 ? 0 : fields.ToInt(0);
        table.arcs.push_back(arc);
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
    PlxUnicodeString strSkip;
    for (int j = 1; j < nCount; ++j) {
        if (!topology::ReadSpans(file, fields))
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
    std::deque<std::int32_t>& refs = pTable->refs;
    int nAdded = 0;
    KtFieldSpans fields;
    // Every line that is not an area's first line uses up one of the stated areas.
    for (int t = 0; t < nAreas && !file.IsEOF(); ++t) {
        const std::int32_t nFilePos = topology::GetIndexPosition(file);
        if (!topology::ReadSpans(file, fields))
            break;
        if (fields.GetCount() != grammar::kWapAreaFields)
            continue;

        auto pArea = std::make_unique<tagWapIndex>();
        pArea->nItemID = fields.ToInt(grammar::kWapAreaIdField);
        pArea->nFilePos = nFilePos;
        pArea->nAreaNo = t + 1;
        const std::size_t nFirst = refs.size();
        int nRefs = 0;
        if (topology::ReadInt(file, nRefs)) {
            int nRef = 0;
            for (int r = 0; r < nRefs && topology::ReadInt(file, nRef); ++r)
                refs.push_back(nRef);
        }
        pArea->arrArcs = KtAreaArcs(pTable, nFirst, static_cast<int>(refs.size() - nFirst));
        const int nIndexed = arrIndex.GetSize();
        AddIndexRecord(std::move(pArea), arrIndex);
        // The references of an area the layer does not keep would only take room.
        if (arrIndex.GetSize() == nIndexed)
            refs.resize(nFirst);
        ++nAdded;
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
