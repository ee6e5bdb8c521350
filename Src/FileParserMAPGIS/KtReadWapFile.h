// Reader of MAPGIS area files (.wap): arcs, a node table and areas given as lists of signed
// arc numbers. Each area becomes one region feature assembled from its arcs.
#pragma once

#include <cstdint>
#include <memory>

#include "KoBase/PlxArray.h"
#include "KoBase/PlxTypes.h"
#include "KtAreaArcs.h"
#include "KtBoundBuilder.h"
#include "KtReadMAPGISFile.h"
#include "KtReadTopologyFile.h"
#include "tagArcIndex.h"
#include "tagFileIndex.h"

namespace KTX {

// One area: where its first line is and the arcs that bound it, as references into the arc
// table that all areas of the file share.
struct tagWapIndex : public tagFileIndex {
    KtAreaArcs arrArcs;
    // 1-based number of the area in the area section; the arcs name their areas by it.
    std::int32_t nAreaNo = 0;

    tagWapIndex() : tagFileIndex(-1, 0) {}

    tagFileIndex* Clone() const override;
    // Assembles the area's region from its arcs (KtReadTopologyFile).
    bool ReadData(KtFileStdio* pFile, KtFeature* pFeature, bool bCADMode) const override;
};

class KtReadWapFile : public KtReadMAPGISFile {
public:
    KtReadWapFile() = default;
    ~KtReadWapFile() override;

    int GetType(const tagFileIndex* pIndex) const override;
    bool PreReadFile(const PlxUnicodeString& strPath, PLXCharset eCharset, KtFeatureClassDefn& defn,
                     PlxArray<tagFileIndex*>& arrIndex) override;
    bool ReadItemData(const tagFileIndex* pIndex, KtFeature* pFeature) const override;

    const PlxArray<PlxPoint2D>& GetNodePoints() const { return m_arrNodePoints; }

private:
    // The sections in file order; the arc and node sections fail when the file ends inside
    // them, since no area can follow.
    // Without a table (no area is kept) the arcs are read for the bound alone.
    bool ReadArcSection(KtWapArcTable* pTable, KtBoundBuilder& bound);
    bool ReadNodeSection();
    int ReadAreaSection(int nAreas, const std::shared_ptr<KtWapArcTable>& pTable,
                        PlxArray<tagFileIndex*>& arrIndex);

    // The node table of the last file read: each node entry's first two integers.
    PlxArray<PlxPoint2D> m_arrNodePoints;
};

}  // namespace KTX
