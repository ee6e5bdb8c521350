#include "KtReadTopologyFile.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "KoBase/KtLogFile.h"
#include "KoElement/KtFeature.h"
#include "KoElement/KtStyle.h"
#include "KoFileParser/KtMapGisGrammar.h"
#include "KoGeometry/KtGeoLine.h"
#include "KoGeometry/KtGeoPoint.h"
#include "KoGeometry/KtGeoRegion.h"
#include "KoGeometryCAD/KtGeoCompound.h"
#include "KoStream/KtFileStdio.h"
#include "KtReadMAPGISFile.h"
#include "KtReadWanFile.h"
#include "KtReadWapFile.h"

namespace KTX {

using topology::Fields;

namespace {

// An item the user should hear about: its line in the file is not what the format demands.
void LogRefusedItem(int nSourceLine) {
    KtLogFile::GetInstance(false)->RecordLog(
        kRefusedItemLogLevel, kRefusedItemMessage,
        u"..\\..\\..\\Src\\FileParserMAPGIS\\KtReadTopologyFile", nSourceLine);
}

// Arcs of area files read back lately, by their opening of the file and position. Each arc
// borders two areas and is read back for both, mostly a few areas apart; the second read
// takes it from here. Only arcs whose lines all had their shape are kept (nothing was
// logged for them), with what the checks that depend on the area need, so an arc found here
// answers as reading its lines again would. Direct-mapped: a newer arc takes the slot.
class RecentArcs {
public:
    struct Arc {
        std::uint64_t nOpenSerial = 0;  // 0: the slot is empty
        std::int32_t nFilePos = 0;
        std::int32_t nArea1 = 0;
        std::int32_t nArea2 = 0;
        std::int32_t nEndID = 0;  // field 0 of the arc's last line
        std::vector<PlxPoint2D> vecPoints;
    };

    const Arc* Find(std::uint64_t nOpenSerial, std::int32_t nFilePos) const {
        const Arc& arc = m_slots[Slot(nFilePos)];
        return arc.nOpenSerial == nOpenSerial && arc.nFilePos == nFilePos ? &arc : nullptr;
    }
    Arc& Take(std::uint64_t nOpenSerial, std::int32_t nFilePos) {
        Arc& arc = m_slots[Slot(nFilePos)];
        arc.nOpenSerial = nOpenSerial;
        arc.nFilePos = nFilePos;
        return arc;
    }

private:
    static constexpr std::size_t kSlots = 4096;
    static std::size_t Slot(std::int32_t nFilePos) {
        return (static_cast<std::uint32_t>(nFilePos) * 2654435761u >> 20) % kSlots;
    }
    std::vector<Arc> m_slots = std::vector<Arc>(kSlots);
};

// Working storage of reading arcs back, kept per thread so that an area or network line
// that reads many arcs allocates it once. An area's read and the arc reads it makes use
// different members.
struct ArcScratch {
    PlxUnicodeString strLine;      // the arc's lines, one at a time
    PlxUnicodeString strAreaLine;  // an area's first line, its fields read after its arcs
    Fields arrStyleFields;
    std::vector<PlxPoint2D> vecPoints;
    std::vector<PlxPoint2D> vecRing;
    RecentArcs recentArcs;
};

ArcScratch& Scratch() {
    thread_local ArcScratch scratch;
    return scratch;
}

PLXCOLOR LowColor(std::int64_t nColor) {
    return static_cast<PLXCOLOR>(nColor & 0xFFFFFFFF);
}

// The point lines of an arc: the count line, then that many lines of which only those with
// exactly two fields are points. False when the file ends first.
bool ReadArcPoints(KtFileStdio& file, PlxUnicodeString& strLine,
                   std::vector<PlxPoint2D>& vecPoints) {
    int nPoints = 0;
    if (!topology::ReadInt(file, strLine, nPoints))
        return false;
    vecPoints.clear();
    vecPoints.reserve(static_cast<size_t>(topology::ReserveFor(nPoints < 0 ? 0 : nPoints)));
    KtFieldSpans fields;
    for (int k = 0; k < nPoints; ++k) {
        if (!topology::ReadSpans(file, strLine, fields))
            return false;
        if (fields.GetCount() == grammar::kPointFields)
            vecPoints.emplace_back(fields.ToDouble(0), fields.ToDouble(1));
    }
    return true;
}

// The identifier on the arc's last line, "identifier,-"; false when the line is missing or
// of another shape. The identifier must name the arc the pre-read found there.
bool ReadArcEnd(KtFileStdio& file, PlxUnicodeString& strLine, std::int32_t& nEndID) {
    KtFieldSpans fields;
    if (!topology::ReadSpans(file, strLine, fields) || fields.GetCount() != grammar::kIdLineFields)
        return false;
    nEndID = fields.ToInt(0);
    return true;
}

bool MakeLine(KtGeoLine& line, const std::vector<PlxPoint2D>& vecPoints) {
    return line.Make(vecPoints.empty() ? nullptr : vecPoints.data(),
                     static_cast<int>(vecPoints.size()));
}

// Appends the line's points to the ring; backwards means every part from its last point.
void AppendToRing(const KtGeoLine& line, bool bBackwards, std::vector<PlxPoint2D>& vecRing) {
    for (int iSub = 0; iSub < line.GetSubCount(); ++iSub) {
        const PlxPoint2D* pPoints = line.GetPoints(iSub);
        const int nCount = line.GetSubPntCount(iSub);
        if (pPoints == nullptr)
            continue;
        if (bBackwards) {
            for (int k = nCount - 1; k >= 0; --k)
                vecRing.push_back(pPoints[k]);
        } else {
            vecRing.insert(vecRing.end(), pPoints, pPoints + nCount);
        }
    }
}

// Fill style of an area: the pattern colour, when known, paints both the fill and the
// outline over the fill colour.
KtStyle MakeAreaStyle(const KtFieldSpans& areaFields) {
    KtStyle style;
    std::int64_t nColor = 0;
    if (KtReadMAPGISFile::FindColorByID(areaFields.ToInt(0), nColor)) {
        style.SetFillForeColor(LowColor(nColor));
    }
    if (KtReadMAPGISFile::FindColorByID(areaFields.ToInt(5), nColor)) {
        style.SetFillForeColor(LowColor(nColor));
        style.SetLineColor(LowColor(nColor));
    }
    style.SetFillStyle(KtReadMAPGISFile::FineFillStyleByID(areaFields.ToInt(1)));
    return style;
}

}  // namespace

namespace topology {

// The line text of the helpers below, kept per thread so that its storage is reused from
// line to line.
PlxUnicodeString& ScratchLine() {
    thread_local PlxUnicodeString strLine;
    return strLine;
}

bool ReadFields(KtFileStdio& file, Fields& arrFields) {
    PlxUnicodeString& strLine = ScratchLine();
    if (!file.ReadLine(strLine)) {
        arrFields.RemoveAll();
        return false;
    }
    strLine.Split(arrFields, u",");
    return true;
}

bool ReadSpans(KtFileStdio& file, KtFieldSpans& fields) {
    return ReadSpans(file, ScratchLine(), fields);
}

bool ReadSpans(KtFileStdio& file, PlxUnicodeString& strLine, KtFieldSpans& fields) {
    const bool bRead = file.ReadLine(strLine);
    fields.Reset(strLine);
    return bRead;
}

bool ReadInt(KtFileStdio& file, int& nValue) {
    return ReadInt(file, ScratchLine(), nValue);
}

bool ReadInt(KtFileStdio& file, PlxUnicodeString& strLine, int& nValue) {
    if (!file.ReadLine(strLine))
        return false;
    nValue = ugatoi(strLine);
    return true;
}

bool SkipLines(KtFileStdio& file, int nCount) {
    PlxUnicodeString& strLine = ScratchLine();
    for (int i = 0; i < nCount; ++i) {
        if (!file.ReadLine(strLine))
            return false;
    }
    return true;
}

std::int32_t GetIndexPosition(const KtFileStdio& file) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(file.GetPosition()));
}

bool ReturnTo(KtFileStdio& file, std::int32_t nFilePos) {
    return file.SetPosition(static_cast<std::int64_t>(nFilePos), KTFILE_BEGIN);
}

bool FindArcInSlot(int nRef, const PlxArray<tagArcIndex>& arrArcs, tagArcIndex& arc) {
    // 0 and the most negative int are no arc number (and the latter has no absolute value).
    if (nRef == 0 || nRef == INT_MIN) {
        arc = tagArcIndex();
        return true;
    }
    const int nArcNo = nRef < 0 ? -nRef : nRef;
    if (nArcNo > arrArcs.GetSize() || arrArcs[nArcNo - 1].nArcNo != nArcNo)
        return false;
    arc = arrArcs[nArcNo - 1];
    return true;
}

}  // namespace topology

namespace {

// ReadWapArc with the thread's scratch at hand: an area reads many arcs.
bool ReadAreaArc(const tagWapIndex& area, KtFileStdio& file, const tagArcIndex& arc,
                 KtGeoLine& line, ArcScratch& scratch) {
    if (arc.nArcNo == 0)
        return false;
    const std::uint64_t nOpenSerial = file.GetOpenSerial();
    const RecentArcs::Arc* pKnown =
        nOpenSerial == 0 ? nullptr : scratch.recentArcs.Find(nOpenSerial, arc.nFilePos);
    if (pKnown != nullptr) {
        if (pKnown->nArea1 != area.nAreaNo && pKnown->nArea2 != area.nAreaNo)
            return false;
        return pKnown->nEndID == arc.nItemID && MakeLine(line, pKnown->vecPoints);
    }
    if (!topology::ReturnTo(file, arc.nFilePos))
        return false;
    PlxUnicodeString& strLine = scratch.strLine;
    KtFieldSpans fields;
    if (!topology::ReadSpans(file, strLine, fields) || fields.GetCount() != 9) {
        LogRefusedItem(__LINE__);
        return false;
    }
    if (!topology::ReadSpans(file, strLine, fields) || fields.GetCount() != 2)
        return false;
    if (!topology::ReadSpans(file, strLine, fields) || fields.GetCount() != 2)
        return false;
    // An arc belongs only to the two areas on either side of it.
    const std::int32_t nArea1 = fields.ToInt(0);
    const std::int32_t nArea2 = fields.ToInt(1);
    if (nArea1 != area.nAreaNo && nArea2 != area.nAreaNo)
        return false;
    std::vector<PlxPoint2D>& vecPoints = scratch.vecPoints;
    std::int32_t nEndID = 0;
    if (!ReadArcPoints(file, strLine, vecPoints) || !ReadArcEnd(file, strLine, nEndID))
        return false;
    RecentArcs::Arc& known = scratch.recentArcs.Take(nOpenSerial, arc.nFilePos);
    known.nArea1 = nArea1;
    known.nArea2 = nArea2;
    known.nEndID = nEndID;
    known.vecPoints.assign(vecPoints.begin(), vecPoints.end());
    return nEndID == arc.nItemID && MakeLine(line, vecPoints);
}

}  // namespace

bool ReadWapArc(const tagWapIndex& area, KtFileStdio& file, const tagArcIndex& arc,
                KtGeoLine& line) {
    return ReadAreaArc(area, file, arc, line, Scratch());
}

static_assert(grammar::kWapAreaFields <= KtFieldSpans::kMaxSpans,
              "every field of an area's first line is located");

bool tagWapIndex::ReadData(KtFileStdio* pFile, KtFeature* pFeature, bool bCADMode) const {
    if (pFile == nullptr || pFeature == nullptr)
        return false;
    KtFileStdio& file = *pFile;
    ArcScratch& scratch = Scratch();
    KtFieldSpans areaFields;
    if (!topology::ReturnTo(file, nFilePos) ||
        !topology::ReadSpans(file, scratch.strAreaLine, areaFields) ||
        areaFields.GetCount() != grammar::kWapAreaFields) {
        LogRefusedItem(__LINE__);
        return false;
    }
    const int nID = areaFields.ToInt(grammar::kWapAreaIdField);
    if (nID != nItemID)
        return false;
    pFeature->SetValue(kUserIDFieldName, PlxVariant(nID));

    // The reference lines were resolved by the pre-read; arrArcs stands for them.
    topology::SkipLines(file, 1);

    auto pRegion = std::make_unique<KtGeoRegion>();
    std::vector<PlxPoint2D>& vecRing = scratch.vecRing;
    vecRing.clear();
    // One line serves every arc: a read that succeeds has replaced all of its points, and
    // only such a read adds to the ring.
    KtGeoLine line;
    for (const tagArcIndex& arc : arrArcs) {
        if (arc.nArcNo == 0) {
            if (!vecRing.empty())
                pRegion->AddSub(vecRing.data(), static_cast<int>(vecRing.size()));
            vecRing.clear();
            continue;
        }
        if (ReadAreaArc(*this, file, arc, line, scratch))
            AppendToRing(line, arc.nArcNo < 0, vecRing);
    }
    // Points after the last ring end belong to no ring.
    if (!pRegion->IsValid())
        return false;

    if (bCADMode) {
        const KtStyle style = MakeAreaStyle(areaFields);
        pRegion->SetStyle(&style);
    }
    pFeature->SetGeometry(pRegion.release());
    return true;
}

bool ReadWanArc(const tagWanIndex& netLine, KtFileStdio& file, const tagArcIndex& arc,
                KtGeoLine& line, bool bCADMode) {
    if (arc.nArcNo == 0 || !topology::ReturnTo(file, arc.nFilePos))
        return false;
    ArcScratch& scratch = Scratch();
    Fields& arrStyleFields = scratch.arrStyleFields;
    if (!topology::ReadFields(file, arrStyleFields) || arrStyleFields.GetSize() != 9) {
        LogRefusedItem(__LINE__);
        return false;
    }
    PlxUnicodeString& strLine = scratch.strLine;
    KtFieldSpans fields;
    if (!topology::ReadSpans(file, strLine, fields) || fields.GetCount() != 2)
        return false;
    // Only arcs of this network line are drawn.
    if (!topology::ReadSpans(file, strLine, fields) || fields.GetCount() != 3 ||
        fields.ToInt(0) != netLine.nNetLineNo) {
        return false;
    }
    std::vector<PlxPoint2D>& vecPoints = scratch.vecPoints;
    std::int32_t nEndID = 0;
    if (!ReadArcPoints(file, strLine, vecPoints) || !ReadArcEnd(file, strLine, nEndID) ||
        nEndID != arc.nItemID)
        return false;
    if (!MakeLine(line, vecPoints))
        return false;
    if (!bCADMode)
        return true;

    KtStyle style;
    std::int64_t nColor = 0;
    if (KtReadMAPGISFile::FindColorByID(ugatoi(arrStyleFields[2]), nColor)) {
        style.SetLineColor(LowColor(nColor));
    }
    // Network widths are written in the host's units already.
    style.SetLineWidth(ugatof(arrStyleFields[3]));
    style.SetLineStyle(KtReadMAPGISFile::FineLineStyleByID(ugatoi(arrStyleFields[0])));
    line.SetStyle(&style);
    return true;
}

bool ReadWanNode(KtFileStdio& file, const tagWanPointIndex& node, KtGeoPoint& point,
                 bool bCADMode) {
    if (node.arrArcs.IsEmpty() || !topology::ReturnTo(file, node.nFilePos))
        return false;
    KtFieldSpans fields;
    if (!topology::ReadSpans(file, fields) || fields.GetCount() != 2) {
        LogRefusedItem(__LINE__);
        return false;
    }
    if (!point.Make(fields.ToDouble(0), fields.ToDouble(1)))
        return false;
    if (bCADMode) {
        KtStyle style;
        style.SetMarkerHeight(10.0);
        style.SetMarkerWidth(10.0);
        style.SetMarkerStyle(KtStyle::MarkerNetworkNode);
        point.SetStyle(&style);
    }
    return true;
}

bool tagWanIndex::ReadData(KtFileStdio* pFile, KtFeature* pFeature, bool bCADMode) const {
    if (pFile == nullptr || pFeature == nullptr)
        return false;
    auto pCompound = std::make_unique<KtGeoCompound>();
    // Lines first, in the order of the entry, then every node of the network.
    for (const tagArcIndex& arc : arrArcs) {
        auto pLine = std::make_unique<KtGeoLine>();
        if (ReadWanArc(*this, *pFile, arc, *pLine, bCADMode) &&
            pCompound->AddCompound(pLine.get(), true)) {
            pLine.release();
        }
    }
    for (const tagWanPointIndex& node : arrNodes) {
        auto pPoint = std::make_unique<KtGeoPoint>();
        if (ReadWanNode(*pFile, node, *pPoint, bCADMode) &&
            pCompound->AddCompound(pPoint.get(), true)) {
            pPoint.release();
        }
    }
    if (!pCompound->IsValid())
        return false;
    pFeature->SetGeometry(pCompound.release());
    return true;
}

}  // namespace KTX
