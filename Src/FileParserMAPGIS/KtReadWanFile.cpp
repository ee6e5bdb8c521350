#include "KtReadWanFile.h"

#include <memory>
#include <utility>

#include "KoElement/KtFeatureClassDefn.h"
#include "KoFileParser/KtMapGisGrammar.h"
#include "KoStream/KtFileStdio.h"

namespace KTX {

tagFileIndex* tagWanPointIndex::Clone() const {
    auto* pCopy = new tagWanPointIndex;
    pCopy->nItemID = nItemID;
    pCopy->nFilePos = nFilePos;
    pCopy->arrArcs.Copy(arrArcs);
    return pCopy;
}

tagFileIndex* tagWanIndex::Clone() const {
    auto* pCopy = new tagWanIndex;
    pCopy->nItemID = nItemID;
    pCopy->nFilePos = nFilePos;
    pCopy->arrArcs.Copy(arrArcs);
    pCopy->arrNodes = arrNodes;
    return pCopy;
}

int KtReadWanFile::GetType(const tagFileIndex* pIndex) const {
    if (pIndex == nullptr || m_pFile == nullptr || !m_bOpen)
        return 0;
    return 3;
}

bool KtReadWanFile::PreReadFile(const PlxUnicodeString& strPath, PLXCharset eCharset,
                                KtFeatureClassDefn& defn, PlxArray<tagFileIndex*>& arrIndex) {
    if (!OpenStream(strPath, eCharset, OnOpenFailure::DeleteStream))
        return false;
    PlxUnicodeString strTitle;
    int nArcs = 0;
    if (!m_pFile->ReadLine(strTitle) || !topology::ReadInt(*m_pFile, nArcs) || nArcs < 1) {
        return false;
    }

    PlxArray<tagArcIndex> arrArcs;
    PlxArray<tagWanPointIndex> arrNodes;
    KtBoundBuilder bound;
    if (!ReadArcSection(nArcs, arrArcs, bound) || !ReadNodeSection(arrArcs, arrNodes)) {
        return false;
    }
    const KtSharedArray<tagWanPointIndex> nodes(
        std::make_shared<const PlxArray<tagWanPointIndex>>(std::move(arrNodes)));
    const int nAdded = ReadLineSection(arrArcs, nodes, arrIndex);
    defn.SetFeatureCount(nAdded);
    defn.SetBound(bound.GetRect());
    return true;
}

bool KtReadWanFile::ReadArcSection(int nArcs, PlxArray<tagArcIndex>& arrArcs,
                                   KtBoundBuilder& bound) {
    KtFileStdio& file = *m_pFile;
    arrArcs.Reserve(topology::ReserveFor(nArcs));
    KtFieldSpans fields;
    for (int i = 0; i < nArcs; ++i) {
        const std::int32_t nFilePos = topology::GetIndexPosition(file);
        // Style, the unused pair and the network line number matter only when drawn.
        int nPoints = 0;
        if (!topology::SkipLines(file, grammar::kArcLinesBeforeCount) ||
            !topology::ReadInt(file, nPoints))
            return false;
        for (int k = 0; k < nPoints; ++k) {
            if (!topology::ReadSpans(file, fields))
                return false;
            if (fields.GetCount() == grammar::kPointFields)
                bound.Add(fields);
        }
        if (!topology::ReadSpans(file, fields))
            return false;
        // An arc without a proper last line is not recorded; its number stays unused.
        if (fields.GetCount() != 2)
            continue;
        tagArcIndex arc;
        arc.nItemID = fields.ToInt(0);
        arc.nFilePos = nFilePos;
        arc.nArcNo = i + 1;
        arrArcs.Add(arc);
    }
    return true;
}

bool KtReadWanFile::ReadNodeSection(const PlxArray<tagArcIndex>& arrArcs,
                                    PlxArray<tagWanPointIndex>& arrNodes) {
    KtFileStdio& file = *m_pFile;
    int nCount = 0;
    if (!topology::ReadInt(file, nCount) || nCount < 1)
        return false;
    PlxUnicodeString strLine;
    // The count line states one more than the number of node entries.
    for (int j = 1; j < nCount; ++j) {
        tagWanPointIndex node;
        node.nItemID = j;
        node.nFilePos = topology::GetIndexPosition(file);
        if (!file.ReadLine(strLine) || !file.ReadLine(strLine))
            return false;
        const int nRefs = grammar::WanNodeLines(strLine);
        if (nRefs <= 0)
            continue;
        if (!ReadReferences(nRefs, arrArcs, node.arrArcs))
            return false;
        arrNodes.Add(std::move(node));
    }
    return true;
}

int KtReadWanFile::ReadLineSection(const PlxArray<tagArcIndex>& arrArcs,
                                   const KtSharedArray<tagWanPointIndex>& nodes,
                                   PlxArray<tagFileIndex*>& arrIndex) {
    KtFileStdio& file = *m_pFile;
    const std::int32_t nCountPos = topology::GetIndexPosition(file);
    int nLines = 0;
    topology::ReadInt(file, nLines);
    if (nLines == 0) {
        // Without network lines the whole network is one feature.
        auto pNetwork = std::make_unique<tagWanIndex>();
        pNetwork->nItemID = 1;
        pNetwork->nFilePos = nCountPos;
        pNetwork->arrArcs.Copy(arrArcs);
        pNetwork->arrNodes = nodes;
        AddIndexRecord(std::move(pNetwork), arrIndex);
        return 1;
    }

    int nAdded = 0;
    KtFieldSpans fields;
    for (int t = 0; t < nLines && !file.IsEOF(); ++t) {
        auto pLine = std::make_unique<tagWanIndex>();
        pLine->nFilePos = topology::GetIndexPosition(file);
        if (!topology::ReadSpans(file, fields))
            break;
        pLine->nItemID = fields.GetCount() > grammar::kWanLineIdField
                             ? fields.ToInt(grammar::kWanLineIdField)
                             : 0;
        int nRefs = 0;
        // A line entry cut short by the end of the file keeps the arcs read so far.
        if (topology::ReadInt(file, nRefs))
            ReadReferences(nRefs, arrArcs, pLine->arrArcs);
        pLine->arrNodes = nodes;
        AddIndexRecord(std::move(pLine), arrIndex);
        ++nAdded;
    }
    return nAdded;
}

bool KtReadWanFile::ReadReferences(int nRefs, const PlxArray<tagArcIndex>& arrArcs,
                                   PlxArray<tagArcIndex>& arrTarget) {
    arrTarget.Reserve(topology::ReserveFor(nRefs));
    for (int r = 0; r < nRefs; ++r) {
        int nRef = 0;
        if (!topology::ReadInt(*m_pFile, nRef))
            return false;
        tagArcIndex arc;
        if (!topology::FindArcInSlot(nRef, arrArcs, arc))
            arc = FindArcByItemID(nRef, arrArcs);
        if (arc.nItemID >= 0)
            arrTarget.Add(arc);
    }
    return true;
}

bool KtReadWanFile::ReadItemData(const tagFileIndex* pIndex, KtFeature* pFeature) const {
    if (pIndex == nullptr || pFeature == nullptr || m_pFile == nullptr || !m_bOpen)
        return false;
    InitUserID(pFeature);
    return pIndex->ReadData(m_pFile, pFeature, m_bCADMode);
}

}  // namespace KTX
