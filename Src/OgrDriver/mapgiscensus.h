// The host's own list of the items an exchange file holds, with where each one starts. The
// plug-in's pre-read indexes items without saying where they are in the file, and passes over
// some silently; walking the file again along the same structure lets the host account for
// every item, with its line number, whatever the plug-in made of it.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

#include "KoBase/PlxTypes.h"

namespace mapgis {

// Kept small: a file holds a million items and more. Texts are numbers into the census's
// texts, 0 for none.
struct CensusItem {
    int nLine = 0;               // 1-based line of the item's first line
    int nItemId = 0;             // the identifier as the plug-in reads it
    int nGeometryType = 0;       // what the plug-in answers for its type; 0: not importable
    std::uint32_t iKind = 0;     // "text", "symbol", "circle", "arc", "image", "multi-line
                                 // text", "unknown kind 7", "line", "area", "network line",
                                 // "network"
    std::uint32_t iSkipped = 0;  // why the pre-read passes over it (when not indexed)
    // A text record whose text holds commas, so that its first line splits into too many
    // fields: the line in UTF-8 with those commas as kTextComma, which then splits right.
    // None for every other item.
    std::uint32_t iRepaired = 0;
    bool bHasId = false;    // whether the file gave the item an identifier
    bool bIndexed = false;  // whether the plug-in's pre-read indexes it
};

// What stands for a comma inside a repaired record's text: a character no text holds.
constexpr char kTextComma = '\x1f';

struct Census {
    bool bTaken = false;           // false when the file cannot be walked as the plug-in does
    std::string strProblem;        // why not
    std::deque<CensusItem> items;  // grows without copying what it holds
    std::vector<std::string> texts{std::string()};

    const std::string& Text(std::uint32_t i) const { return texts[i]; }
    // The number of a text many items share (kinds, reasons), kept once.
    std::uint32_t Share(const std::string& strText);
    // The number of a text of one item; 0 for an empty one.
    std::uint32_t Own(std::string strText);
    // The shared texts by content, while the census is taken.
    std::unordered_map<std::string, std::uint32_t> shared;
};

// Walks the file once in that charset. Ends at the end of the file whatever the counts in it
// say, and holds only the items actually present.
Census TakeCensus(const std::string& strPath, KTX::PLXCharset eCharset);

}  // namespace mapgis
