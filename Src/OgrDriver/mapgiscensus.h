// The host's own list of the items an exchange file holds, with where each one starts. The
// plug-in's pre-read indexes items without saying where they are in the file, and passes over
// some silently; walking the file again along the same structure lets the host account for
// every item, with its line number, whatever the plug-in made of it.
#pragma once

#include <string>
#include <vector>

#include "KoBase/PlxTypes.h"

namespace mapgis {

struct CensusItem {
    int nLine = 0;           // 1-based line of the item's first line
    bool bHasId = false;     // whether the file gave the item an identifier
    int nItemId = 0;         // the identifier as the plug-in reads it
    std::string strKind;     // "text", "symbol", "circle", "arc", "image", "multi-line text",
                             // "unknown kind 7", "line", "area", "network line", "network"
    int nGeometryType = 0;   // what the plug-in answers for its type; 0: not importable
    bool bIndexed = false;   // whether the plug-in's pre-read indexes it
    std::string strSkipped;  // why the pre-read passes over it (when not indexed)
    // A text record whose text holds commas, so that its first line splits into too many
    // fields: the line in UTF-8 with those commas as kTextComma, which then splits right.
    // Empty for every other item.
    std::string strRepaired;
};

// What stands for a comma inside a repaired record's text: a character no text holds.
constexpr char kTextComma = '\x1f';

struct Census {
    bool bTaken = false;     // false when the file cannot be walked as the plug-in does
    std::string strProblem;  // why not
    std::vector<CensusItem> items;
};

// Walks the file once in that charset. Ends at the end of the file whatever the counts in it
// say, and holds only the items actually present.
Census TakeCensus(const std::string& strPath, KTX::PLXCharset eCharset);

}  // namespace mapgis
