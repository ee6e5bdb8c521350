// Reading back the items of the topology files (.wap areas, .wan network lines) from the
// positions their pre-reads remembered, and the line grammar both formats share.
#pragma once

#include <cstdint>

#include "KoBase/PlxArray.h"
#include "KoBase/PlxTypes.h"
#include "KoBase/PlxUnicodeString.h"
#include "KtFieldSpans.h"
#include "tagArcIndex.h"

namespace KTX {

class KtFileStdio;
class KtGeoLine;
class KtGeoPoint;
struct tagWapIndex;
struct tagWanIndex;
struct tagWanPointIndex;

// Reads one arc of an area into the line. False when the arc cannot be read back or does
// not name the area as one of its two neighbours.
bool ReadWapArc(const tagWapIndex& area, KtFileStdio& file, const tagArcIndex& arc,
                KtGeoLine& line);
// Reads one arc of a network line into the line, styled in CAD mode.
bool ReadWanArc(const tagWanIndex& netLine, KtFileStdio& file, const tagArcIndex& arc,
                KtGeoLine& line, bool bCADMode);
// Reads one node into the point, with the node marker in CAD mode. Nodes without any
// resolved arc are not drawn.
bool ReadWanNode(KtFileStdio& file, const tagWanPointIndex& node, KtGeoPoint& point, bool bCADMode);

namespace topology {

using Fields = PlxArray<PlxUnicodeString>;

// Arrays are never reserved beyond this on the word of a count read from a file: a count is
// only believed as far as lines back it.
inline constexpr int kMaxReserve = 256;
inline int ReserveFor(int nCount) {
    return nCount < kMaxReserve ? nCount : kMaxReserve;
}

// The next line split at ","; false when the file has no line left.
bool ReadFields(KtFileStdio& file, Fields& arrFields);
// The next line's fields located in place, for lines whose fields are used at once: they
// stay valid until the next line is read through any of these helpers. False, with no
// field, when the file has no line left.
bool ReadSpans(KtFileStdio& file, KtFieldSpans& fields);
// The same into the given line, for loops that fetch the per-thread line of these helpers
// (ScratchLine) once rather than for every line.
bool ReadSpans(KtFileStdio& file, PlxUnicodeString& strLine, KtFieldSpans& fields);
PlxUnicodeString& ScratchLine();
// The leading integer of the next line (a count or an arc reference); false when the file
// has no line left.
bool ReadInt(KtFileStdio& file, int& nValue);
bool ReadInt(KtFileStdio& file, PlxUnicodeString& strLine, int& nValue);
// Skips nCount lines; false when the file ends first.
bool SkipLines(KtFileStdio& file, int nCount);

// Stream position kept in an index record (low 32 bits), and the way back to it.
std::int32_t GetIndexPosition(const KtFileStdio& file);
bool ReturnTo(KtFileStdio& file, std::int32_t nFilePos);

// Arc lists of the pre-reads hold their arcs in file order, so arc |nRef| normally stands in
// slot |nRef| - 1 and is found without a scan. True when the answer is known that way (the
// arc, or the not-found record for references that can name no arc); false when the list
// has to be searched.
bool FindArcInSlot(int nRef, const PlxArray<tagArcIndex>& arrArcs, tagArcIndex& arc);

}  // namespace topology
}  // namespace KTX
