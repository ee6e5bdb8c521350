// Census of an exchange file: each format walked along the structure its pre-read follows.
#include "mapgiscensus.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "KoBase/PlxArray.h"
#include "KoBase/PlxUnicodeString.h"
#include "KoFileParser/KtMapGisGrammar.h"
#include "KoStream/KtFileStdio.h"
#include "cpl_string.h"
#include "mapgiscolorlibrary.h"
#include "mapgissource.h"

namespace mapgis {

namespace {

using Fields = KTX::PlxArray<KTX::PlxUnicodeString>;
using KTX::PlxUnicodeString;
using namespace KTX::grammar;

// Distinct styles looked up when adding; a file of more keeps each further one per item.
constexpr size_t kSharedStyles = 1 << 16;

// The names of ItemKind's values, in their order.
const std::string kKindNames[] = {"text",  "symbol",          "circle",       "arc",
                                  "image", "multi-line text", "unknown kind", "line",
                                  "area",  "network line",    "network"};
static_assert(sizeof(kKindNames) / sizeof(kKindNames[0]) == static_cast<size_t>(ItemKind::Other));
// A point file's kind number is its ItemKind.
static_assert(static_cast<int>(ItemKind::Text) == kWatFirstKind &&
              static_cast<int>(ItemKind::MultiLineText) == kWatLastKind);
static_assert(static_cast<int>(ItemKind::Other) < 16);
static_assert(KTX::KTGEO_ARC <= UINT8_MAX);

// The file's lines, numbered.
class LineReader {
public:
    bool Open(const std::string& strPath, KTX::PLXCharset eCharset) {
        return m_file.Open(HostPath(strPath), KTX::KTFILE_READ, 8192, eCharset);
    }
    // False, with an empty line, at the end of the file.
    bool Next(PlxUnicodeString& strLine) {
        if (!m_file.ReadLine(strLine))
            return false;
        ++m_nRead;
        return true;
    }
    bool NextFields(Fields& fields) {
        PlxUnicodeString strLine;
        const bool bRead = Next(strLine);
        strLine.Split(fields, u",");
        return bRead;
    }
    bool NextInt(int& nValue) {
        PlxUnicodeString strLine;
        if (!Next(strLine))
            return false;
        nValue = KTX::ugatoi(strLine);
        return true;
    }
    bool Skip(long long nLines) {
        PlxUnicodeString strLine;
        for (long long i = 0; i < nLines; ++i) {
            if (!Next(strLine))
                return false;
        }
        return true;
    }
    bool AtEnd() const { return m_file.IsEOF(); }
    int NextLineNumber() const { return m_nRead + 1; }

private:
    KTX::KtFileStdio m_file;
    int m_nRead = 0;
};

bool IsBlank(PlxUnicodeString strLine) {
    return strLine.Trim().IsEmpty();
}

int CountFields(const PlxUnicodeString& strLine) {
    Fields fields;
    return strLine.Split(fields, u",");
}

Census Problem(const std::string& strWhy) {
    Census census;
    census.strProblem = strWhy;
    return census;
}

// Why an item after the announced number of items is not read.
std::string BeyondCount(int nCount, const char* pszWhat, int nCountLine) {
    return CPLSPrintf("beyond the %d %s that line %d announces", nCount, pszWhat, nCountLine);
}

// The colour numbers a point file's record uses, by its kind: the reader looks them up in the
// first line's fields. Its width too, read as a real where the reader truncates it.
void UseWatColors(Census& census, const Fields& fields, int nFields, int nKind, bool bFilled) {
    // A text whose text holds commas has its fields shifted: its colour is not known here.
    if ((nKind == kWatText || nKind == kWatMText) && nFields != WatMinFields(nKind))
        return;
    auto number = [&](int iField) { return iField < nFields ? KTX::ugatoi(fields[iField]) : 0; };
    auto width = [&](int iField) { return iField < nFields ? KTX::ugatof(fields[iField]) : -1.0; };
    constexpr int kTextColor = 13, kSubMapColor = 9, kArcColor = 8, kMTextColor = 16;
    constexpr int kSubMapWidth = 10, kArcWidth = 7;
    constexpr int kCircleLine = 5, kCircleWidth = 6, kCircleFill = 8;
    ItemStyle style;
    const int nUsed = nKind == kWatText     ? kTextColor
                      : nKind == kWatSubMap ? kSubMapColor
                      : nKind == kWatArc    ? kArcColor
                      : nKind == kWatMText  ? kMTextColor
                                            : -1;
    if (nUsed >= 0 && nUsed < nFields) {
        style.nColor = number(nUsed);
        census.UseColors({style.nColor});
    }
    if (nKind == kWatSubMap || nKind == kWatArc)
        style.dfWidth = width(nKind == kWatSubMap ? kSubMapWidth : kArcWidth);
    if (nKind == kWatCircle && kCircleLine < nFields) {
        style.nColor = number(kCircleLine);
        style.dfWidth = width(kCircleWidth);
        if (bFilled && kCircleFill < nFields) {
            style.nFillColor = number(kCircleFill);
            census.UseColors({style.nColor, style.nFillColor});
        } else {
            census.UseColors({style.nColor});
        }
    }
    census.SetStyle(style);
}

// A count line that announces more than the file holds: the file may have been cut off.
void NoteShortCount(Census& census, long long nCount, int nCountLine) {
    long long nHeld = 0;
    for (size_t i = 0; i < census.Size(); ++i)
        nHeld += census.Item(i).eKind != ItemKind::NotARecord;
    if (nCount > nHeld) {
        census.notes.push_back(
            CPLSPrintf("line %d announces %lld items, the file holds %lld: it may be cut off",
                       nCountLine, nCount, nHeld));
    }
}

CensusItem NewItem(ItemKind eKind, int nGeometryType) {
    CensusItem item;
    item.eKind = eKind;
    item.nGeometryType = static_cast<std::uint8_t>(nGeometryType);
    return item;
}

// A text record's first line read with its text's delimiters honoured: the fields from the
// text field's opening delimiter to the first field that ends with it are one text. Empty
// unless that gives the record exactly the fields of its kind.
std::string RepairedTextLine(const Fields& fields, int nFields, int nNeed) {
    if (nFields <= nNeed || nFields <= kWatTextField)
        return std::string();
    std::vector<std::string> parts;
    for (int i = 0; i < nFields; ++i)
        parts.push_back(fields[i].ToUtf8());
    const std::string& strOpen = parts[kWatTextField];
    if (strOpen.empty() || static_cast<unsigned char>(strOpen[0]) >= 0x80)
        return std::string();
    const char cDelimiter = strOpen[0];
    const int nLast = kWatTextField + (nFields - nNeed);
    const std::string& strClose = parts[nLast];
    if (strClose.empty() || strClose.back() != cDelimiter)
        return std::string();
    for (int i = kWatTextField; i < nLast; ++i) {
        const std::string& s = parts[i];
        const bool bClosed = s.size() > (i == kWatTextField ? 1u : 0u) && s.back() == cDelimiter;
        if (bClosed || s.find(kTextComma) != std::string::npos)
            return std::string();
    }
    std::string strLine;
    for (int i = 0; i < nFields; ++i) {
        if (i > 0)
            strLine += (i > kWatTextField && i <= nLast) ? kTextComma : ',';
        strLine += parts[i];
    }
    return strLine;
}

// Whether a text record's text may be a fraction, which the reader lays out with a bar:
// "/num/den/" inside its delimiters. A text not whole on the first line, or holding commas,
// may be one.
bool MayHaveBar(const Fields& fields, int nFields) {
    if (nFields != kWatTextFields)
        return true;
    const PlxUnicodeString& strField = fields[kWatTextField];
    const int nLength = strField.GetLength() - 2;
    if (nLength < 2 || strField[1] != u'/' || strField[nLength] != u'/')
        return false;
    return strField.Mid(2, nLength - 2).Find(u'/') >= 0;
}

Census WalkWat(LineReader& in, Census census) {
    PlxUnicodeString strLine;
    in.Next(strLine);
    in.Next(strLine);
    const int nCount = KTX::ugatoi(strLine);
    if (nCount == 0)
        return Problem("line 2 announces no record");
    census.bTaken = true;
    for (long long nPass = 0; !in.AtEnd(); ++nPass) {
        const int nLine = in.NextLineNumber();
        in.Next(strLine);
        Fields fields;
        const int nFields = strLine.Split(fields, u",");
        if (nFields < kWatRecordMinFields) {
            if (!IsBlank(strLine)) {
                census.Add(nLine, NewItem(ItemKind::NotARecord, 0), 0,
                           CPLSPrintf("not a record: %d fields, fewer than %d", nFields,
                                      kWatRecordMinFields));
            }
            continue;
        }
        const int nKind = KTX::ugatoi(fields[kWatKindField]);
        CensusItem item;
        item.bHasId = true;
        const int nItemId = KTX::ugatoi(fields[kWatIdField]);
        if (WatMinFields(nKind) == 0) {
            census.Add(nLine, item, nItemId, CPLSPrintf("unknown item kind %d", nKind),
                       CPLSPrintf("unknown kind %d", nKind));
            continue;
        }
        PlxUnicodeString strNext;
        for (int nSeen = nFields; nSeen < WatMinFields(nKind) && !in.AtEnd();) {
            in.Next(strNext);
            nSeen += CountFields(strNext);
        }
        item.eKind = static_cast<ItemKind>(nKind);
        const bool bFilled = nKind == kWatCircle && nFields > kWatCircleFillField &&
                             IsFillFlagSet(KTX::ugatof(fields[kWatCircleFillField]));
        item.nGeometryType = static_cast<std::uint8_t>(WatGeometryType(nKind, bFilled));
        item.bMayHaveBar = nKind == kWatText && MayHaveBar(fields, nFields);
        item.bIndexed = nPass < nCount;
        if (item.bIndexed)
            UseWatColors(census, fields, nFields, nKind, bFilled);
        if (!item.bIndexed)
            census.Add(nLine, item, nItemId, BeyondCount(nCount, "records", 2));
        else if (nKind == kWatText || nKind == kWatMText)
            census.Add(nLine, item, nItemId,
                       RepairedTextLine(fields, nFields, WatMinFields(nKind)));
        else
            census.Add(nLine, item, nItemId, std::string());
    }
    NoteShortCount(census, nCount, 2);
    return census;
}

// The colour number and width of a line file's style line, for the item added next.
void TakeLineStyle(const PlxUnicodeString& strStyle, Census& census) {
    Fields style;
    constexpr int kStyleColor = 2, kStyleWidth = 3;
    const int nStyleFields = strStyle.Split(style, u",");
    if (nStyleFields <= kStyleColor)
        return;
    ItemStyle numbers;
    numbers.nColor = KTX::ugatoi(style[kStyleColor]);
    if (nStyleFields > kStyleWidth)
        numbers.dfWidth = KTX::ugatof(style[kStyleWidth]);
    census.UseColors({numbers.nColor});
    census.SetStyle(numbers);
}

// Line files: a style line, a point count, the points and an identifier line per item.
Census WalkWal(LineReader& in, Census census) {
    PlxUnicodeString strLine;
    in.Next(strLine);
    in.Next(strLine);
    const int nCount = KTX::ugatoi(strLine);
    if (nCount == 0)
        return Problem("line 2 announces no line");
    census.bTaken = true;
    for (long long nPass = 0; !in.AtEnd(); ++nPass) {
        const int nLine = in.NextLineNumber();
        CensusItem item = NewItem(ItemKind::Line, KTX::KTGEO_LINE);
        PlxUnicodeString strStyle;
        PlxUnicodeString strPoints;
        in.Next(strStyle);
        in.Next(strPoints);
        const int nPoints = KTX::ugatoi(strPoints);
        const bool bCounted = nPass < nCount;
        if (nPoints < 1) {
            if (IsBlank(strStyle) && IsBlank(strPoints))
                continue;
            census.Add(nLine, item, 0,
                       bCounted
                           ? CPLSPrintf("point count %d on line %d: no points", nPoints, nLine + 1)
                           : BeyondCount(nCount, "lines", 2));
            continue;
        }
        for (int j = 0; j < nPoints && !in.AtEnd(); ++j)
            in.Next(strLine);
        const int nLastLine = in.NextLineNumber();
        Fields fields;
        const bool bRead = in.Next(strLine);
        const int nFields = strLine.Split(fields, u",");
        item.bHasId = nFields == kIdLineFields;
        const int nItemId = item.bHasId ? KTX::ugatoi(fields[0]) : 0;
        item.bIndexed = bCounted && nFields == kIdLineFields;
        if (item.bIndexed)
            TakeLineStyle(strStyle, census);
        if (!bCounted) {
            census.Add(nLine, item, nItemId, BeyondCount(nCount, "lines", 2));
        } else if (!bRead) {
            census.Add(nLine, item, nItemId, "cut off by the end of the file");
        } else if (nFields != kIdLineFields) {
            census.Add(nLine, item, nItemId,
                       CPLSPrintf("last line malformed: line %d has %d fields, not %d", nLastLine,
                                  nFields, kIdLineFields));
        } else {
            census.Add(nLine, item, nItemId, std::string());
        }
    }
    NoteShortCount(census, nCount, 2);
    return census;
}

// An area's outline and a network line are drawn with the pen of their arcs: each arc's
// colour number and width, by its number in the arc section, when styles are taken.
using ArcPens = std::vector<ItemStyle>;

ItemStyle ArcPen(const Fields& fields, int nFields) {
    constexpr int kArcColor = 2, kArcWidth = 3;
    ItemStyle pen;
    if (nFields > kArcColor)
        pen.nColor = KTX::ugatoi(fields[kArcColor]);
    if (nFields > kArcWidth)
        pen.dfWidth = KTX::ugatof(fields[kArcWidth]);
    return pen;
}

// The arc section that area and network files share; a file that ends inside it is one the
// plug-in does not read at all.
bool SkipArcs(LineReader& in, int nArcs, ArcPens* pPens) {
    Fields fields;
    for (int i = 0; i < nArcs; ++i) {
        int nPoints = 0;
        PlxUnicodeString strPen;
        if (!in.Next(strPen) || !in.Skip(kArcLinesBeforeCount - 1) || !in.NextInt(nPoints) ||
            !in.Skip(nPoints < 0 ? 0 : nPoints) || !in.NextFields(fields)) {
            return false;
        }
        if (pPens != nullptr)
            pPens->push_back(ArcPen(fields, strPen.Split(fields, u",")));
    }
    return true;
}

// The pen of the arc an entry's first reference names (negative: the arc backwards).
ItemStyle FirstArcPen(const ArcPens& pens, const PlxUnicodeString& strFirstRef) {
    const long long nArc = std::llabs(static_cast<long long>(KTX::ugatoi(strFirstRef)));
    return nArc >= 1 && nArc <= static_cast<long long>(pens.size()) ? pens[nArc - 1] : ItemStyle();
}

// Area or network line entries: a first line, a reference count and the references. Every
// line in an entry's place uses up one of the announced entries.
void WalkEntries(LineReader& in, int nCount, int nCountLine, bool bArea, const ArcPens& pens,
                 Census& census) {
    bool bInMalformed = false;
    for (long long nPass = 0; !in.AtEnd(); ++nPass) {
        const bool bCounted = nPass < nCount;
        const int nLine = in.NextLineNumber();
        PlxUnicodeString strLine;
        in.Next(strLine);
        Fields fields;
        const int nFields = strLine.Split(fields, u",");
        // Network line entries take any first line the count covers; areas need their fields.
        const bool bEntry = bArea ? nFields == kWapAreaFields : bCounted || !IsBlank(strLine);
        const int nIdField = bArea ? kWapAreaIdField : kWanLineIdField;
        if (!bEntry) {
            if (bArea && !bInMalformed && !IsBlank(strLine)) {
                CensusItem item = NewItem(ItemKind::Area, KTX::KTGEO_REGION);
                item.bHasId = nFields > nIdField;
                census.Add(nLine, item, item.bHasId ? KTX::ugatoi(fields[nIdField]) : 0,
                           bCounted ? CPLSPrintf("area line with %d fields, not %d", nFields,
                                                 kWapAreaFields)
                                    : BeyondCount(nCount, "areas", nCountLine));
                bInMalformed = true;
            }
            continue;
        }
        bInMalformed = false;
        CensusItem item = NewItem(bArea ? ItemKind::Area : ItemKind::NetworkLine,
                                  bArea ? KTX::KTGEO_REGION : KTX::KTGEO_LINE);
        item.bHasId = nFields > nIdField;
        item.bIndexed = bCounted;
        int nRefs = 0;
        const bool bRefs = in.NextInt(nRefs);
        PlxUnicodeString strFirstRef;
        for (int r = 0; r < nRefs && !in.AtEnd(); ++r)
            in.Next(r == 0 ? strFirstRef : strLine);
        if (bCounted) {
            ItemStyle style = FirstArcPen(pens, strFirstRef);
            constexpr int kAreaFill = 0, kAreaPattern = 5;
            if (bArea) {
                style.nFillColor = KTX::ugatoi(fields[kAreaFill]);
                style.nPatternColor = KTX::ugatoi(fields[kAreaPattern]);
                census.UseColors({style.nFillColor, style.nPatternColor});
            }
            census.SetStyle(style);
        }
        census.Add(nLine, item, item.bHasId ? KTX::ugatoi(fields[nIdField]) : 0,
                   bCounted ? std::string()
                            : BeyondCount(nCount, bArea ? "areas" : "network lines", nCountLine));
        if (!bRefs)
            break;
    }
    NoteShortCount(census, nCount, nCountLine);
}

Census WalkWap(LineReader& in, Census census) {
    PlxUnicodeString strLine;
    int nArcs = 0;
    if (!in.Next(strLine) || !in.NextInt(nArcs))
        return Problem("no arc count on line 2");
    ArcPens pens;
    if (!SkipArcs(in, nArcs, census.TakesStyles() ? &pens : nullptr))
        return Problem("the file ends inside its arc section");
    int nNodes = 0;
    if (!in.NextInt(nNodes) || nNodes < 1)
        return Problem("no node count after the arcs");
    Fields fields;
    for (int j = 1; j < nNodes; ++j) {
        if (!in.NextFields(fields) || !in.Next(strLine) || !in.Skip(WapNodeLines(strLine)))
            return Problem("the file ends inside its node section");
    }
    const int nCountLine = in.NextLineNumber();
    int nAreas = 0;
    in.NextInt(nAreas);
    if (nAreas == 0)
        return Problem(CPLSPrintf("line %d announces no area", nCountLine));
    census.bTaken = true;
    WalkEntries(in, nAreas, nCountLine, true, pens, census);
    return census;
}

Census WalkWan(LineReader& in, Census census) {
    PlxUnicodeString strLine;
    int nArcs = 0;
    if (!in.Next(strLine) || !in.NextInt(nArcs) || nArcs < 1)
        return Problem("no arc on line 2");
    ArcPens pens;
    if (!SkipArcs(in, nArcs, census.TakesStyles() ? &pens : nullptr))
        return Problem("the file ends inside its arc section");
    int nNodes = 0;
    if (!in.NextInt(nNodes) || nNodes < 1)
        return Problem("no node count after the arcs");
    for (int j = 1; j < nNodes; ++j) {
        if (!in.Next(strLine) || !in.Next(strLine))
            return Problem("the file ends inside its node section");
        const long long nRefs = WanNodeLines(strLine);
        if (nRefs > 0 && !in.Skip(nRefs))
            return Problem("the file ends inside its node section");
    }
    const int nCountLine = in.NextLineNumber();
    int nLines = 0;
    in.NextInt(nLines);
    census.bTaken = true;
    if (nLines == 0) {
        // Without network lines the whole network is the one item.
        CensusItem item = NewItem(ItemKind::Network, KTX::KTGEO_LINE);
        item.bHasId = true;
        item.bIndexed = true;
        census.Add(nCountLine, item, 1, std::string());
        return census;
    }
    WalkEntries(in, nLines, nCountLine, false, pens, census);
    return census;
}

Census Walk(const std::string& strPath, KTX::PLXCharset eCharset, Census census) {
    LineReader in;
    if (!in.Open(strPath, eCharset))
        return Problem("the file cannot be read");
    const std::string strExt = CPLGetExtension(strPath.c_str());
    if (EQUAL(strExt.c_str(), "wat"))
        return WalkWat(in, std::move(census));
    if (EQUAL(strExt.c_str(), "wal"))
        return WalkWal(in, std::move(census));
    if (EQUAL(strExt.c_str(), "wap"))
        return WalkWap(in, std::move(census));
    if (EQUAL(strExt.c_str(), "wan"))
        return WalkWan(in, std::move(census));
    return Problem("not a MAPGIS exchange file extension");
}

}  // namespace

const Census::Notes* Census::NotesOf(size_t iItem) const {
    const auto it = std::lower_bound(m_notes.begin(), m_notes.end(), iItem,
                                     [](const Notes& notes, size_t i) { return notes.iItem < i; });
    return it != m_notes.end() && it->iItem == iItem ? &*it : nullptr;
}

const std::string& Census::KindName(size_t iItem) const {
    const ItemKind eKind = Item(iItem).eKind;
    if (eKind != ItemKind::Other)
        return kKindNames[static_cast<size_t>(eKind)];
    const Notes* pNotes = NotesOf(iItem);
    return m_texts[pNotes != nullptr ? pNotes->iKind : 0];
}

const std::string& Census::Note(size_t iItem) const {
    const Notes* pNotes = NotesOf(iItem);
    return m_texts[pNotes != nullptr ? pNotes->iNote : 0];
}

std::uint32_t Census::Share(const std::string& strText) {
    auto [it, bNew] = m_shared.try_emplace(strText, static_cast<std::uint32_t>(m_texts.size()));
    if (bNew)
        m_texts.push_back(strText);
    return it->second;
}

int Census::ItemId(size_t iItem) const {
    const auto after =
        std::upper_bound(m_idRuns.begin(), m_idRuns.end(), iItem,
                         [](size_t i, const IdRun& run) { return i < run.iFirstItem; });
    if (after == m_idRuns.begin())
        return 0;
    return static_cast<int>((after - 1)->IdOf(iItem));
}

CensusItem Census::Item(size_t iItem) const {
    const std::uint32_t nPacked = m_items[iItem];
    CensusItem item;
    item.nGeometryType = static_cast<std::uint8_t>(nPacked & 0xFF);
    item.eKind = static_cast<ItemKind>((nPacked >> 8) & 0xF);
    item.bHasId = (nPacked >> 12) & 1;
    item.bIndexed = (nPacked >> 13) & 1;
    item.bMayHaveBar = (nPacked >> 14) & 1;
    return item;
}

ItemStyle Census::Style(size_t iItem) const {
    return iItem < m_styleOf.Size() ? m_styles[m_styleOf[iItem]] : ItemStyle();
}

std::uint32_t Census::StyleNumber(const ItemStyle& style) {
    // The width by its bits: a NaN orders as any other value.
    std::uint64_t nWidth = 0;
    std::memcpy(&nWidth, &style.dfWidth, sizeof nWidth);
    const std::array<std::uint64_t, 4> key = {
        static_cast<std::uint64_t>(style.nColor), static_cast<std::uint64_t>(style.nFillColor),
        static_cast<std::uint64_t>(style.nPatternColor), nWidth};
    const auto it = m_styleNumbers.find(key);
    if (it != m_styleNumbers.end())
        return it->second;
    const auto nNumber = static_cast<std::uint32_t>(m_styles.size());
    m_styles.push_back(style);
    // A file of ever new styles keeps them as they come, without a table as large.
    if (m_styleNumbers.size() < kSharedStyles)
        m_styleNumbers.emplace(key, nNumber);
    return nNumber;
}

int Census::Line(size_t iItem) const {
    long long nLine = m_blockLines[iItem / kBlock];
    for (size_t i = iItem - iItem % kBlock + 1; i <= iItem; ++i)
        nLine += StepOf(i);
    return static_cast<int>(nLine);
}

long long Census::StepOf(size_t iItem) const {
    const std::uint32_t nStep = m_items[iItem] >> 16;
    if (nStep != kLongStep)
        return nStep;
    const auto it = std::lower_bound(
        m_longSteps.begin(), m_longSteps.end(), iItem,
        [](const std::pair<std::uint32_t, long long>& step, size_t i) { return step.first < i; });
    return it->second;
}

void Census::Add(int nLine, const CensusItem& item, int nItemId, std::string strNote,
                 const std::string& strKind) {
    const auto iItem = static_cast<std::uint32_t>(m_items.size());
    std::uint32_t nStep = 0;
    if (iItem % kBlock == 0) {
        m_blockLines.push_back(nLine);
    } else {
        const long long nLines = static_cast<long long>(nLine) - m_nLastLine;
        nStep = nLines >= 0 && nLines < kLongStep ? static_cast<std::uint32_t>(nLines) : kLongStep;
        if (nStep == kLongStep)
            m_longSteps.emplace_back(iItem, nLines);
    }
    m_nLastLine = nLine;
    if (m_bStyles)
        m_styleOf.Add(StyleNumber(m_pendingStyle));
    m_pendingStyle = ItemStyle();
    m_items.push_back(nStep << 16 | static_cast<std::uint32_t>(item.bMayHaveBar) << 14 |
                      static_cast<std::uint32_t>(item.bIndexed) << 13 |
                      static_cast<std::uint32_t>(item.bHasId) << 12 |
                      static_cast<std::uint32_t>(item.eKind) << 8 | item.nGeometryType);
    // Identifiers mostly count up one an item: a run holds them all.
    if (item.bHasId && (m_idRuns.empty() || m_idRuns.back().IdOf(iItem) != nItemId))
        m_idRuns.push_back({iItem, nItemId});
    if (strNote.empty() && strKind.empty())
        return;
    Notes notes{iItem, strKind.empty() ? 0 : Share(strKind), 0};
    // Skip reasons repeat; a repaired record is its item's own.
    if (!item.bIndexed) {
        notes.iNote = Share(strNote);
    } else if (!strNote.empty()) {
        m_texts.push_back(std::move(strNote));
        notes.iNote = static_cast<std::uint32_t>(m_texts.size() - 1);
    }
    m_notes.push_back(notes);
}

void Census::UseColors(std::initializer_list<int> colors) {
    if (!m_bColorIndex)
        return;
    bool bMissing = false;
    for (int nColor : colors) {
        if (m_knownColors.count(nColor) == 0) {
            m_missingColors.insert(nColor);
            bMissing = true;
        }
    }
    m_nMissingColorItems += bMissing;
}

Census TakeCensus(const std::string& strPath, KTX::PLXCharset eCharset,
                  const std::string& strColorSourcePath, bool bStyles) {
    Census colors;
    colors.m_bStyles = bStyles;
    colors.m_bColorIndex = !strColorSourcePath.empty();
    colors.m_bColorLibrary = colors.m_bColorIndex && IsColorLibraryFile(strColorSourcePath);
    if (colors.m_bColorLibrary) {
        ColorLibrary library;
        std::string strError;
        library.Load(strColorSourcePath, &strError);
        for (int nColor = 1; nColor <= library.Count(); ++nColor)
            colors.m_knownColors.insert(nColor);
    } else if (colors.m_bColorIndex) {
        colors.m_knownColors = ColorIndexNumbers(strColorSourcePath);
    }
    Census census = Walk(strPath, eCharset, std::move(colors));
    census.EndWalk();
    if (!census.m_missingColors.empty()) {
        std::string strNote = census.m_bColorLibrary ? "colour numbers not in the colour library: "
                                                     : "colour numbers not in the colour index: ";
        for (int nColor : census.m_missingColors) {
            if (nColor != *census.m_missingColors.begin())
                strNote += ", ";
            strNote += std::to_string(nColor);
        }
        strNote += " (" + std::to_string(census.m_nMissingColorItems) +
                   (census.m_nMissingColorItems == 1 ? " item)" : " items)");
        census.notes.push_back(strNote);
    }
    return census;
}

}  // namespace mapgis
