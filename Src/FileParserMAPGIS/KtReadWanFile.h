// Reader of MAPGIS network files (.wan): arcs, nodes with the arcs that meet there, and
// network lines given as lists of arc numbers. Each network line becomes one feature holding
// its arcs as lines followed by every node of the network as a point.
#pragma once

#include <cstdint>

#include "KoBase/PlxArray.h"
#include "KtBoundBuilder.h"
#include "KtReadMAPGISFile.h"
#include "KtReadTopologyFile.h"
#include "KtSharedArray.h"
#include "tagArcIndex.h"
#include "tagFileIndex.h"

namespace KTX {

// A node: where its entry starts and the arcs listed for it that exist in the file.
struct tagWanPointIndex : public tagFileIndex {
    PlxArray<tagArcIndex> arrArcs;

    tagWanPointIndex() : tagFileIndex(-1, 0) {}

    // Nodes are drawn only as part of a network line, so ReadData is the base one.
    tagFileIndex* Clone() const override;
};

// A network line: its arcs, and every node of the file. All lines of a file hold the same
// nodes, so they share one list: a copy each made the index lines times nodes large.
struct tagWanIndex : public tagFileIndex {
    PlxArray<tagArcIndex> arrArcs;
    KtSharedArray<tagWanPointIndex> arrNodes;
    // The value the first field of an arc's third line must have for the arc to be drawn.
    std::int32_t nNetLineNo = 0;

    tagWanIndex() : tagFileIndex(-1, 0) {}

    tagFileIndex* Clone() const override;
    // Builds the compound of lines and node points (KtReadTopologyFile).
    bool ReadData(KtFileStdio* pFile, KtFeature* pFeature, bool bCADMode) const override;
};

class KtReadWanFile : public KtReadMAPGISFile {
public:
    KtReadWanFile() = default;

    int GetType(const tagFileIndex* pIndex) const override;
    bool PreReadFile(const PlxUnicodeString& strPath, PLXCharset eCharset, KtFeatureClassDefn& defn,
                     PlxArray<tagFileIndex*>& arrIndex) override;
    bool ReadItemData(const tagFileIndex* pIndex, KtFeature* pFeature) const override;

private:
    // The sections in file order; the arc and node sections fail when the file ends inside
    // them, since no network line can follow.
    bool ReadArcSection(int nArcs, PlxArray<tagArcIndex>& arrArcs, KtBoundBuilder& bound);
    bool ReadNodeSection(const PlxArray<tagArcIndex>& arrArcs,
                         PlxArray<tagWanPointIndex>& arrNodes);
    int ReadLineSection(const PlxArray<tagArcIndex>& arrArcs,
                        const KtSharedArray<tagWanPointIndex>& nodes,
                        PlxArray<tagFileIndex*>& arrIndex);
    // Appends the arcs that the next nRefs reference lines name; references to no arc are
    // dropped. False when the file ends first.
    bool ReadReferences(int nRefs, const PlxArray<tagArcIndex>& arrArcs,
                        PlxArray<tagArcIndex>& arrTarget);
};

}  // namespace KTX
