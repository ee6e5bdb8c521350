// The host's own list of the items an exchange file holds, with where each one starts. The
// plug-in's pre-read indexes items without saying where they are in the file, and passes over
// some silently; walking the file again along the same structure lets the host account for
// every item, with its line number, whatever the plug-in made of it.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "KoBase/PlxTypes.h"
#include "mapgiscompactnumbers.h"

namespace mapgis {

// What the account calls an item.
enum class ItemKind : std::uint8_t {
    // A point file's record kinds, by their number in the file.
    Text,
    Symbol,
    Circle,
    Arc,
    Image,
    MultiLineText,
    NotARecord,  // a point file's line too short to be a record
    Line,
    Area,
    NetworkLine,
    Network,
    Other,  // a point file's record of a kind it does not know: named by its note
};

// The style numbers of an item as its record writes them, for MODE=MAP: colour numbers
// (0: none given) and its line width in millimetres (negative: none given).
struct ItemStyle {
    int nColor = 0;         // line, text or symbol colour
    int nFillColor = 0;     // area or circle fill colour
    int nPatternColor = 0;  // an area's pattern colour
    double dfWidth = -1;
};

// What the census says of an item besides its line. The census keeps it in 4 bytes (a file holds a
// million items and more); what only a few items have (a skip reason, a repaired record, a kind's
// own name) is in the census's notes, the identifiers in runs of consecutive ones.
struct CensusItem {
    std::uint8_t nGeometryType = 0;  // what the plug-in answers for its type; 0: not importable
    ItemKind eKind = ItemKind::Other;
    bool bHasId = false;    // whether the file gave the item an identifier
    bool bIndexed = false;  // whether the plug-in's pre-read indexes it
    // A point file's text that may be laid out as a fraction, with a bar: its text reads
    // "/num/den/", or its record is not plain enough to tell.
    bool bMayHaveBar = false;
};

// What stands for a comma inside a repaired record's text: a character no text holds.
constexpr char kTextComma = '\x1f';

struct Census {
    bool bTaken = false;     // false when the file cannot be walked as the plug-in does
    std::string strProblem;  // why not
    // What the file says of itself that does not hold, each naming its line: a count line
    // that announces more items than the file holds.
    std::vector<std::string> notes;

    // With a colour index: the colour numbers its items use that it lacks (see TakeCensus).
    void UseColors(std::initializer_list<int> colors);

    size_t Size() const { return m_items.size(); }
    CensusItem Item(size_t iItem) const;
    // 1-based line of the item's first line.
    int Line(size_t iItem) const;
    // The item's kind as the account names it: "text", "symbol", "circle", "arc", "image",
    // "multi-line text", "unknown kind 7", "line", "area", "network line", "network".
    const std::string& KindName(size_t iItem) const;
    // Why the pre-read passes over an item it does not index. Of an indexed text record
    // whose text holds commas, so that its first line splits into too many fields: the line
    // in UTF-8 with those commas as kTextComma, which then splits right. Empty for the rest.
    const std::string& Note(size_t iItem) const;
    // The identifier as the plug-in reads it, of an item the file gives one.
    int ItemId(size_t iItem) const;
    // The item's style numbers, when the census was taken with them.
    ItemStyle Style(size_t iItem) const;
    bool TakesStyles() const { return m_bStyles; }
    // What the next Add is given as the item's style numbers.
    void SetStyle(const ItemStyle& style) { m_pendingStyle = style; }

    // Appends an item with its line, its identifier, its note (may be empty) and, for
    // ItemKind::Other, its kind's name.
    void Add(int nLine, const CensusItem& item, int nItemId, std::string strNote,
             const std::string& strKind = {});
    // Drops what only adding needs.
    void EndWalk() {
        m_shared.clear();
        m_styleNumbers.clear();
    }

private:
    struct Notes {
        std::uint32_t iItem;
        std::uint32_t iKind;  // into texts, for ItemKind::Other
        std::uint32_t iNote;  // into texts
    };
    // Items from iFirstItem on have identifiers counting up from nFirstId, up to the next run.
    struct IdRun {
        std::uint32_t iFirstItem;
        int nFirstId;
        long long IdOf(size_t iItem) const {
            return nFirstId + static_cast<long long>(iItem - iFirstItem);
        }
    };
    const Notes* NotesOf(size_t iItem) const;
    long long StepOf(size_t iItem) const;
    std::uint32_t Share(const std::string& strText);

    // An item's line is its block's first line plus the steps from the previous item's line
    // of the items after that one up to it.
    static constexpr size_t kBlock = 16;
    static constexpr std::uint32_t kLongStep = 0xFFFF;  // the step is in m_longSteps
    // Per item, its step (kLongStep when it does not fit) in the upper 16 bits and the rest
    // of its CensusItem in the lower ones. A deque grows without copying what it holds.
    std::deque<std::uint32_t> m_items;
    std::vector<int> m_blockLines;                                 // by block
    std::vector<std::pair<std::uint32_t, long long>> m_longSteps;  // by item, ascending
    int m_nLastLine = 0;
    std::vector<Notes> m_notes;   // by item, ascending
    std::vector<IdRun> m_idRuns;  // by item, ascending
    // Texts the notes name; skip reasons and kind names kept once.
    std::vector<std::string> m_texts{std::string()};
    // The style's number in m_styles, added when new.
    std::uint32_t StyleNumber(const ItemStyle& style);

    friend Census TakeCensus(const std::string&, KTX::PLXCharset, const std::string&, bool);
    bool m_bStyles = false;
    ItemStyle m_pendingStyle;
    // A sheet's items share a few styles: each is kept once, an item holds its number (24
    // bytes an item were 30 MiB of a million-item file, twice that while the table grew).
    std::vector<ItemStyle> m_styles;
    CompactNumbers m_styleOf;  // by item, into m_styles, when m_bStyles
    std::map<std::array<std::uint64_t, 4>, std::uint32_t> m_styleNumbers;  // while adding
    std::set<int> m_knownColors;
    bool m_bColorLibrary = false;
    bool m_bColorIndex = false;
    std::set<int> m_missingColors;
    long long m_nMissingColorItems = 0;
    std::unordered_map<std::string, std::uint32_t> m_shared;
};

// Walks the file once in that charset. Ends at the end of the file whatever the counts in it
// say, and holds only the items actually present. With a colour index file or a colour
// library, the colour numbers of the indexed items that it lacks are a note: "colour numbers
// not in the colour index: 13, 40 (57 items)" (the colours of a network file's arcs are not
// looked at). With bStyles, each item's style numbers are kept (Census::Style).
Census TakeCensus(const std::string& strPath, KTX::PLXCharset eCharset,
                  const std::string& strColorSourcePath = std::string(), bool bStyles = false);

}  // namespace mapgis
