// Matching the census with the layers' reads.
#include "mapgisaccount.h"

#include <algorithm>
#include <initializer_list>

#include "KoGeometry/KtGeometry.h"
#include "mapgisrepair.h"

namespace mapgis {

namespace {

std::string NotesSentence(const std::vector<std::string>& notes) {
    std::string out;
    for (const std::string& strNote : notes)
        out += " Note: " + strNote + ".";
    return out;
}

// Item types each typed layer keeps, as the plug-in's typed layers list them; a circle goes
// to both the line and the region layer.
bool LayerTakes(LayerKind eKind, int nType) {
    auto in = [nType](std::initializer_list<int> types) {
        return std::find(types.begin(), types.end(), nType) != types.end();
    };
    switch (eKind) {
        case LayerKind::Compound:
            return true;
        case LayerKind::Point:
            return in({KTX::KTGEO_POINT});
        case LayerKind::Line:
            return in({KTX::KTGEO_LINE, KTX::KTGEO_CIRCLE, KTX::KTGEO_ARC});
        case LayerKind::Region:
            return in({KTX::KTGEO_REGION, KTX::KTGEO_CIRCLE});
        case LayerKind::Text:
            return in({KTX::KTGEO_TEXT});
    }
    return false;
}

bool InLayer(const CensusItem& item, LayerKind eKind) {
    return item.bIndexed && LayerTakes(eKind, item.nGeometryType);
}

// In typed mode a kind without a layer must have no item either.
bool MissingLayersEmpty(const Census& census, const std::vector<LayerResults>& layers) {
    for (LayerKind eKind :
         {LayerKind::Point, LayerKind::Line, LayerKind::Region, LayerKind::Text}) {
        const bool bPresent = std::any_of(layers.begin(), layers.end(),
                                          [eKind](const auto& l) { return l.eKind == eKind; });
        for (size_t i = 0; !bPresent && i < census.Size(); ++i) {
            if (InLayer(census.Item(i), eKind))
                return false;
        }
    }
    return true;
}

// What became of one indexed item across the layers that hold it, as bits.
constexpr std::uint8_t kInLayer = 1;
constexpr std::uint8_t kRefused = 2;

}  // namespace

LayerItems::LayerItems(const Census& census, LayerKind eKind) {
    for (size_t i = 0; i < census.Size(); ++i)
        m_nSize += InLayer(census.Item(i), eKind) ? 1 : 0;
    if (m_nSize == census.Size())
        return;
    m_items.reserve(m_nSize);
    for (size_t i = 0; i < census.Size(); ++i) {
        if (InLayer(census.Item(i), eKind))
            m_items.push_back(static_cast<std::uint32_t>(i));
    }
}

std::string DescribeItem(const Census& census, size_t iItem) {
    const CensusItem item = census.Item(iItem);
    const std::string& strKind = census.KindName(iItem);
    if (!item.bHasId)
        return strKind;
    return "item " + std::to_string(census.ItemId(iItem)) + " (" + strKind + ")";
}

std::string RefusalReason(const CensusItem& item, const std::vector<std::string>& messages) {
    if (!messages.empty()) {
        std::string out = messages.front();
        for (size_t i = 1; i < messages.size(); ++i)
            out += "; " + messages[i];
        return out;
    }
    return item.nGeometryType == KTX::KTGEO_NONE ? "not importable by design"
                                                 : "refused by the reader";
}

namespace {

using MessagesOf = std::unordered_map<size_t, std::vector<std::string>>;  // by census item

// Marks in outcomes (by census item) what each layer's positions gave, and gathers the
// messages of the refused ones; false when a layer's index and the census disagree.
bool MarkOutcomes(const Census& census, const std::vector<LayerResults>& layers,
                  std::vector<std::uint8_t>& outcomes, MessagesOf& messagesOf) {
    for (const LayerResults& layer : layers) {
        // The layer's k-th position is the k-th census item it takes.
        size_t k = 0;
        const size_t nPositions = std::min(layer.read.size(), layer.refused.size());
        for (size_t i = 0; i < census.Size(); ++i) {
            if (!InLayer(census.Item(i), layer.eKind))
                continue;
            const size_t iPosition = k++;
            if (iPosition >= nPositions)
                continue;
            std::uint8_t& outcome = outcomes[i];
            outcome |= kInLayer;
            if (layer.read[iPosition] && !layer.refused[iPosition])
                continue;
            outcome |= kRefused;
            const auto found = layer.messages.find(iPosition);
            if (found != layer.messages.end()) {
                std::vector<std::string>& messages = messagesOf[i];
                messages.insert(messages.end(), found->second.begin(), found->second.end());
            }
        }
        if (k != layer.read.size() || k != layer.refused.size())
            return false;
    }
    return true;
}

// Counts item i, with an entry when it was not simply imported.
void AddOutcome(const Census& census, size_t i, bool bTaken,
                const std::vector<std::string>& messages, Account& account) {
    const CensusItem item = census.Item(i);
    auto where = [&] { return std::to_string(census.Line(i)) + ": " + DescribeItem(census, i); };
    ++account.nItems;
    if (!item.bIndexed) {
        ++account.nSkipped;
        account.entries.push_back(where() + " skipped: " + census.Note(i));
    } else if (item.nGeometryType == KTX::KTGEO_NONE && messages.empty() && !bTaken) {
        ++account.nNotImportable;
        account.entries.push_back(where() + " not importable by design");
    } else if (!bTaken) {
        ++account.nRefused;
        account.refusedLines.push_back(census.Line(i));
        account.entries.push_back(where() + " refused: " + RefusalReason(item, messages));
    } else {
        ++account.nImported;
        // Imported though the reader refuses its record: the host's repair.
        if (!census.Note(i).empty()) {
            ++account.nRepaired;
            account.entries.push_back(where() + " " + kRepairedNote);
        }
    }
}

}  // namespace

Account BuildAccount(const Census& census, bool bCompound,
                     const std::vector<LayerResults>& layers) {
    Account account;
    if (!census.bTaken) {
        account.strProblem = census.strProblem;
        return account;
    }
    if (!bCompound && !MissingLayersEmpty(census, layers)) {
        account.strProblem = "the file's items and the reader's layers disagree";
        return account;
    }
    std::vector<std::uint8_t> outcomes(census.Size());
    MessagesOf messagesOf;
    if (!MarkOutcomes(census, layers, outcomes, messagesOf)) {
        account.strProblem = "the file's items and the reader's index disagree";
        return account;
    }
    static const std::vector<std::string> kNoMessages;
    for (size_t i = 0; i < census.Size(); ++i) {
        const bool bTaken = (outcomes[i] & kInLayer) != 0 && (outcomes[i] & kRefused) == 0;
        // Only the few items not taken have messages to look up.
        const auto found = bTaken ? messagesOf.end() : messagesOf.find(i);
        AddOutcome(census, i, bTaken, found != messagesOf.end() ? found->second : kNoMessages,
                   account);
    }
    account.notes = census.notes;
    account.bValid = true;
    return account;
}

std::string SummarizeAccount(const Account& account, const std::string& strFileName) {
    if (!account.bValid) {
        return "The items of " + strFileName +
               " could not be accounted for: " + account.strProblem + ".";
    }
    // A few lines are enough to find the refused items; the MAPGIS domain lists them all.
    constexpr size_t kLinesNamed = 5;
    const std::vector<int>& lines = account.refusedLines;
    std::string strRefused = std::to_string(account.nRefused) + " refused";
    if (!lines.empty()) {
        const size_t nNamed = std::min(lines.size(), kLinesNamed);
        strRefused += lines.size() == 1 ? " (line " : " (lines ";
        for (size_t i = 0; i < nNamed; ++i) {
            if (i > 0)
                strRefused += i + 1 == nNamed && nNamed == lines.size() ? " and " : ", ";
            strRefused += std::to_string(lines[i]);
        }
        if (nNamed < lines.size())
            strRefused += " and " + std::to_string(lines.size() - nNamed) + " more";
        strRefused += ")";
    }
    return "Of the " + std::to_string(account.nItems) +
           (account.nItems == 1 ? " item of " : " items of ") + strFileName + ", " +
           std::to_string(account.nImported) + " " + (account.nImported == 1 ? "was" : "were") +
           " imported (" + std::to_string(account.nRepaired) + " repaired), " + strRefused + ", " +
           std::to_string(account.nNotImportable) + " not importable by design and " +
           std::to_string(account.nSkipped) + " skipped." + NotesSentence(account.notes);
}

}  // namespace mapgis
