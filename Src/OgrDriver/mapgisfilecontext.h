// What every layer of one open file shares: how the file is read (the open options), what is
// reported of it, and what the driver knows of it beyond the plug-in's index: the census, the
// account, the colour library and the fonts. The data source builds it before its layers and
// outlives them; the layers hold it by reference.
#pragma once

#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cpl_string.h"
#include "mapgisaccount.h"
#include "mapgiscensus.h"
#include "mapgiscolorlibrary.h"
#include "mapgisfonts.h"
#include "mapgisgeoref.h"
#include "mapgismessages.h"
#include "mapgisplugin.h"

namespace mapgis {

class FileContext {
public:
    // The open options that say how the file is read.
    struct Reading {
        bool bMapLayers = true;  // MODE=MAP
        bool bReadAhead = false;
        // Point files' text records whose text holds commas are read by the host when the
        // reader refuses them.
        bool bRepair = true;
        bool bAccount = false;    // the layers and the file give their account
        std::string strEncoding;  // ENCODING as given
        std::string strModeName;  // MAP, COMPOUND or TYPED, for messages
    };

    FileContext(const ImportSettings& settings, const Reading& reading,
                const std::string& strShownName);

    const ImportSettings& Settings() const { return m_settings; }
    const Reading& GetReading() const { return m_reading; }
    // SCALE and OFFSET: how the file's coordinates become the features'.
    const Placement& GetPlacement() const { return m_placement; }
    MessageReporter& Reporter() { return m_reporter; }

    // The steps of the open, in this order; each false with the error reported.
    // Warns, and notes for the account, when the first line is not a header line.
    void CheckHeader(const char* pszStart, size_t nBytes);
    // COLOR_INDEX naming a colour library, and FONT_MAP.
    bool TakeStyleSources(CSLConstList papszOptions);
    bool TakePlacement(CSLConstList papszOptions);
    // Walks the file on a thread of its own while the plug-in pre-reads it, when the account
    // or the map layers will need the census.
    void StartCensus();

    // The census of the file once needed; null before.
    const Census* GetCensus() const { return m_census ? &*m_census : nullptr; }
    // Takes the census now, if it was not taken before.
    const Census* TakeCensus();

    // MODE=MAP: the colour library COLOR_INDEX names, if it names one; null otherwise.
    const ColorLibrary* GetColorLibrary() const { return m_colorLibrary.get(); }
    // MODE=MAP: the font families of the faces (the shipped table and FONT_MAP's).
    const FontTable& Fonts() const { return m_fonts; }

    // A warning about the item at that line, once per file however often it is met.
    void WarnItem(int nLine, const std::string& strText);
    // Counts a text (once per item) that holds U+FFFD: its charset could not decode it.
    void NoteReplacedText() { ++m_nReplacedTexts; }
    // Warns of the texts counted since the last warning, and of warnings held back.
    void Flush();

    // What a layer of the plug-in has read, for the account.
    void AccountFor(std::function<LayerResults()> results);
    // Appends the FILE_... items of the account, when there is one (ACCOUNT=YES).
    void AddAccount(CPLStringList& aosList);
    // The account in one sentence; empty without ACCOUNT=YES.
    const std::string& AccountSummary();

private:
    // The colour index whose missing colour numbers the census notes: none in typed mode.
    std::string ColorsLookedUp() const;
    bool TakeColorLibrary();
    // The note on texts with U+FFFD, empty when there are none; warned once per new count.
    std::string ReplacedNote() const;
    void WarnReplaced();
    // Built once: after it every position of every layer has been read, so it stays.
    const Account* GetAccount();

    ImportSettings m_settings;
    Reading m_reading;
    Placement m_placement;
    MessageReporter m_reporter;
    std::string m_strHeaderNote;
    std::shared_ptr<const ColorLibrary> m_colorLibrary;
    std::string m_strColorLibraryPath;
    FontTable m_fonts;
    std::optional<Census> m_census;
    std::future<Census> m_censusWalk;  // the census being taken, until it is needed
    std::set<std::string> m_warnedItems;
    long long m_nReplacedTexts = 0;
    long long m_nReplacedWarned = 0;
    std::vector<std::function<LayerResults()>> m_accountedLayers;
    std::optional<Account> m_account;
    std::optional<std::string> m_strAccountSummary;
};

}  // namespace mapgis
