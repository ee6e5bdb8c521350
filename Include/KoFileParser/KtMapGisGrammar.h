// The record structure of the exchange formats, in one place: what the readers follow, and
// what a host that walks a file along the same structure (to account for every item) must
// follow too. Lines are counted within an item, fields are separated by commas.
#pragma once

#include <climits>
#include <cmath>

#include "KoBase/PlxUnicodeString.h"
#include "KoGeometry/KtGeometry.h"

namespace KTX {
namespace grammar {

// Point files (.wat): one record per item, its first line continued over further lines
// until it has the fields of its kind.
enum WatItemKind : int {
    kWatText = 0,
    kWatSubMap = 1,
    kWatCircle = 2,
    kWatArc = 3,
    kWatImage = 4,
    kWatMText = 5,
};
constexpr int kWatFirstKind = kWatText;
constexpr int kWatLastKind = kWatMText;

constexpr int kWatRecordMinFields = 4;  // a first line with fewer is no record
constexpr int kWatIdField = 2;
constexpr int kWatKindField = 3;
constexpr int kWatCircleFillField = 7;
constexpr int kWatTextField = 4;  // of texts and multi-line texts: one delimiter each end

// Field counts of the records of each kind.
constexpr int kWatTextFields = 16;
constexpr int kWatSubMapFields = 13;
constexpr int kWatGeometryFields = 11;  // circles, arcs and images
constexpr int kWatMTextFields = 19;

// Fields a record of that kind needs; 0 for a kind the pre-read does not index.
constexpr int WatMinFields(int nKind) {
    switch (nKind) {
        case kWatText:
            return kWatTextFields;
        case kWatSubMap:
            return kWatSubMapFields;
        case kWatCircle:
        case kWatArc:
        case kWatImage:
            return kWatGeometryFields;
        case kWatMText:
            return kWatMTextFields;
        default:
            return 0;
    }
}

// A circle's fill flag is set when it truncates to non-zero: 0 exactly for |flag| < 1, and
// anything beyond the int32 range truncates to a non-zero value.
inline bool IsFillFlagSet(double dFlag) {
    return !(std::fabs(dFlag) < 1.0);
}

// The geometry type a record of that kind answers for the typed layers: a filled circle
// goes to the region layer only; images are not importable (0).
constexpr int WatGeometryType(int nKind, bool bFilledCircle) {
    switch (nKind) {
        case kWatText:
        case kWatMText:
            return KTGEO_TEXT;
        case kWatSubMap:
            return KTGEO_POINT;
        case kWatCircle:
            return bFilledCircle ? KTGEO_REGION : KTGEO_CIRCLE;
        case kWatArc:
            return KTGEO_ARC;
        default:
            return KTGEO_NONE;
    }
}

// Line files (.wal): a style line, a point count, the points ("x,y") and the last line
// "identifier,0". Arcs of area and network files end the same way.
constexpr int kIdLineFields = 2;
constexpr int kPointFields = 2;

// Arcs of area and network files: style, an unused pair and the arc number come before the
// point count.
constexpr int kArcLinesBeforeCount = 3;

// Area lines of area files (.wap), and where their identifier stands.
constexpr int kWapAreaFields = 11;
constexpr int kWapAreaIdField = 8;
// The identifier of a network line of a network file (.wan).
constexpr int kWanLineIdField = 2;

// A count that stands for one line more than follow it.
constexpr int CountLess1(int n) {
    return n == INT_MIN ? n : n - 1;
}

// Lines after a node's count line in an area file: a two-character count is the number of
// lines itself; others count one more.
inline int WapNodeLines(PlxUnicodeString strCount) {
    const int nCount = ugatoi(strCount);
    return strCount.Trim().GetLength() == 2 ? nCount : CountLess1(nCount);
}

// The same in a network file. The count is read after trailing "N"s; it is taken as it
// stands when an "N" was there or it has two characters.
inline int WanNodeLines(PlxUnicodeString strCount) {
    strCount.Trim();
    const bool bMarked = strCount.Find(u'N') >= 0;
    strCount.TrimRight(u"N");
    const int nCount = strCount.ToInt(10);
    return bMarked || strCount.GetLength() == 2 ? nCount : CountLess1(nCount);
}

}  // namespace grammar
}  // namespace KTX
