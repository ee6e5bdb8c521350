// The account of one import: every item of the file is either imported, refused by the
// reader (with its reason), not importable by design (images) or passed over by the
// pre-read (with why), and the four add up to the items the file holds.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "mapgiscensus.h"
#include "mapgisgeometry.h"

namespace mapgis {

// What reading the positions of a layer's index gave. Kept small: a layer holds a million
// items and more, and only a few are refused.
struct LayerResults {
    LayerKind eKind = LayerKind::Compound;
    std::vector<bool> read;     // by position: the position was read at all
    std::vector<bool> refused;  // by position
    // The reader's log messages of each refused position that has any.
    std::unordered_map<size_t, std::vector<std::string>> messages;
};

struct Account {
    bool bValid = false;
    std::string strProblem;  // why there is no account
    long long nItems = 0;
    long long nImported = 0;
    long long nRepaired = 0;  // of the imported: read by the host after the reader refused them
    long long nRefused = 0;
    long long nNotImportable = 0;
    long long nSkipped = 0;
    // "<line>: <what became of the item>" for every item not imported or repaired, in file
    // order.
    std::vector<std::string> entries;
    std::vector<int> refusedLines;  // the line of each refused item, in file order
    // What the file says of itself that does not hold (a missing header, a count beyond its
    // items) and what its charset lost, each a sentence naming the line where there is one.
    std::vector<std::string> notes;
};

// Census items in the order of a layer's index: the k-th one is the layer's position k. A
// layer that holds every item of the census (a point file's one layer) keeps no table, since
// its positions are the census's (8 MiB of a point file of a million items).
class LayerItems {
public:
    LayerItems(const Census& census, LayerKind eKind);
    size_t Size() const { return m_nSize; }
    std::uint32_t operator[](size_t i) const {
        return m_items.empty() ? static_cast<std::uint32_t>(i) : m_items[i];
    }

private:
    size_t m_nSize = 0;
    std::vector<std::uint32_t> m_items;  // empty when the positions are the census's
};

// "item 11 (text)", or "line" for an item without identifier.
std::string DescribeItem(const Census& census, size_t iItem);

// Why an item was refused: the reader's messages when it gave any.
std::string RefusalReason(const CensusItem& item, const std::vector<std::string>& messages);

// Matches the census with what the layers of one import (compound, or the typed layers the
// plug-in kept) read. Not valid when the census and the plug-in's index disagree on how many
// items a layer holds.
Account BuildAccount(const Census& census, bool bCompound, const std::vector<LayerResults>& layers);

// The account in one sentence for people, e.g. "Of the 7 items of points.wat, 3 were
// imported (0 repaired), 1 refused (line 6), 1 not importable by design and 2 skipped."
std::string SummarizeAccount(const Account& account, const std::string& strFileName);

}  // namespace mapgis
