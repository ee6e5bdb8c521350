// The MAPGIS import plug-in as the driver reaches it: the plug-in file loaded with dlopen, its
// parser factory, and one opened parser with its layers. Every call into the plug-in goes
// through this unit under one process-wide lock, because the plug-in keeps process-wide
// tables (colours, style mapping) that each layer-definition read reloads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "KoBase/PlxTypes.h"
#include "KoElement/KtFeature.h"

namespace KTX {
class KtFileParseVector;
class KtVectorFileLayer;
}  // namespace KTX

namespace mapgis {

// What an import is asked for; everything the plug-in reads from its import parameters.
struct ImportSettings {
    std::string strPath;  // UTF-8
    int nImportMode = 1;  // non-zero: one compound layer; 0: typed layers
    KTX::PLXCharset eCharset = KTX::PLXCharsetDefault;
    std::string strColorIndexPath;
    std::string strDestName;
};

// One record of the host log written while the plug-in worked.
struct LogMessage {
    int nLevel = 0;
    std::string strId;      // the message as written ("IMe056"), or plain text
    std::string strText;    // the resource text behind it
    std::string strSource;  // the writing source unit, without folders
    int nLine = 0;

    // "IMe056: <text> (KtReadWatFile:123)"
    std::string Describe() const;
};

// What one read at a layer's cursor gave.
struct ItemRead {
    bool bEnd = false;                        // the cursor stood at the end: nothing was read
    std::int64_t nItem = -1;                  // position of the item in the layer's index, from 0
    std::unique_ptr<KTX::KtFeature> feature;  // null when the plug-in refused the item
    std::vector<LogMessage> messages;
    bool bRepaired = false;  // the feature is the host's repaired read of a refused item
};

struct LayerSummary {
    std::string strName;
    int nType = 0;       // the definition's layer type
    int nItemCount = 0;  // the definition's feature count: items indexed
    KTX::PlxRect2D rcBound;
};

// An opened parser: the plug-in file beside this driver (or the path in the
// MAPGIS_PLUGIN_FILE option), loaded on first use, and the cursors of the parser's layers.
class PluginSession {
public:
    // Opens the file; null with pstrError set when the plug-in cannot open it. Messages the
    // plug-in logged meanwhile are appended to pMessages.
    static std::shared_ptr<PluginSession> Open(const ImportSettings& settings,
                                               std::string* pstrError,
                                               std::vector<LogMessage>* pMessages);
    ~PluginSession();
    PluginSession(const PluginSession&) = delete;
    PluginSession& operator=(const PluginSession&) = delete;

    int GetLayerCount() const;
    LayerSummary GetLayerSummary(int iLayer) const;
    // Position of the layer's cursor in its index.
    std::int64_t GetCursor(int iLayer) const;
    // Moves the layer's cursor to a position of its index.
    void SetCursor(int iLayer, std::int64_t nItem);
    // Reads the item at the layer's cursor and moves the cursor on by one.
    ItemRead ReadNext(int iLayer);
    // Up to nMax reads at the cursor under one taking of the lock, appended to out; stops
    // early once bStop is set. True when the last read found the end of the index. With
    // pWanted, the positions it does not hold are passed over unread.
    template <class Container, class Flag>
    bool ReadBatch(int iLayer, std::size_t nMax, Container& out, const Flag& bStop,
                   const std::vector<bool>* pWanted = nullptr) {
        std::lock_guard<std::mutex> lock(Mutex());
        for (std::size_t i = 0; i < nMax && !bStop; ++i) {
            if (pWanted != nullptr)
                PassOverLocked(iLayer, *pWanted);
            out.push_back(ReadNextLocked(iLayer));
            if (out.back().bEnd)
                return true;
        }
        return false;
    }

private:
    PluginSession() = default;
    static std::mutex& Mutex();
    ItemRead ReadNextLocked(int iLayer);
    // Moves the cursor to the first position from it on that wanted holds, or to its end.
    void PassOverLocked(int iLayer, const std::vector<bool>& wanted);

    ImportSettings m_settings;
    std::string m_strTablesKey;  // the tables these settings need, as the state names them
    KTX::KtFileParseVector* m_pParser = nullptr;
};

// Decodes a host string for the outside world.
std::string ToUtf8(const KTX::PlxUnicodeString& str);

}  // namespace mapgis
