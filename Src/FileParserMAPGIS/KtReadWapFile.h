// Reader of MAPGIS area files (.wap): arcs, a node table and areas given as lists of signed
// arc numbers. Each area becomes one region feature assembled from its arcs.
#pragma once

#include <cstdint>
#include <deque>

#include "KoBase/PlxArray.h"
#include "KoBase/PlxTypes.h"
#include "KtBoundBuilder.h"
#include "KtReadMAPGISFile.h"
#include "KtReadTopologyFile.h"
#include "tagArcIndex.h"
#include "tagFileIndex.h"

namespace KTX {

// One area: where its first line is and the arcs that bound it, resolved by the pre-read.
struct tagWapIndex : public tagFileIndex {
    // In the order of the area entry, each with nArcNo replaced by the signed reference;
    // a ring end is a default record with nArcNo 0.
    PlxArray<tagArcIndex> arrArcs;
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
    // What the pre-read keeps of an arc until the areas are resolved. Every arc entry gets
    // one, in file order, so arc number i stands at position i - 1 and needs no field of its
    // own; kept in a deque, the list grows without ever holding a second copy of itself.
    struct ArcEntry {
        std::int32_t nItemID;
        std::int32_t nFilePos;
        std::int32_t nArea1;
        std::int32_t nArea2;
    };
    using ArcList = std::deque<ArcEntry>;

    // The sections in file order; the arc and node sections fail when the file ends inside
    // them, since no area can follow.
    bool ReadArcSection(ArcList& arcs, KtBoundBuilder& bound);
    bool ReadNodeSection();
    int ReadAreaSection(int nAreas, const ArcList& arcs, PlxArray<tagFileIndex*>& arrIndex);
    // The arc of a signed reference, carrying the reference as its nArcNo: the arc whose
    // number is the reference's absolute value, or the not-found record.
    static tagArcIndex ResolveReference(int nRef, const ArcList& arcs);

    // The node table of the last file read: each node entry's first two integers.
    PlxArray<PlxPoint2D> m_arrNodePoints;
};

}  // namespace KTX
