// What the layers of one open file share.
#include "mapgisfilecontext.h"

#include "cpl_error.h"
#include "mapgissource.h"

namespace mapgis {

FileContext::FileContext(const ImportSettings& settings, const Reading& reading,
                         const std::string& strShownName)
    : m_settings(settings), m_reading(reading), m_reporter(strShownName) {}

void FileContext::CheckHeader(const char* pszStart, size_t nBytes) {
    std::string strWhy;
    if (pszStart != nullptr && !CheckHeaderLine(pszStart, nBytes, &strWhy)) {
        m_strHeaderNote = strWhy;
        m_reporter.WarnAt(1, strWhy);
    }
}

bool FileContext::TakeColorLibrary() {
    const std::string strColors = m_settings.strColorIndexPath;
    // The reader takes colour index files only: it is given none.
    m_settings.strColorIndexPath.clear();
    m_strColorLibraryPath = strColors;
    auto library = std::make_shared<ColorLibrary>();
    std::string strError;
    if (!library->Load(strColors, &strError)) {
        CPLError(CE_Failure, CPLE_OpenFailed, "COLOR_INDEX=%s", ShownPath(strError).c_str());
        return false;
    }
    m_colorLibrary = std::move(library);
    if (!m_reading.bMapLayers) {
        m_reporter.Warn("COLOR_INDEX=" + ShownPath(strColors) +
                        " is a MAPGIS colour library, which only MODE=MAP reads: the " +
                        m_reading.strModeName + " layers keep the reader's default colours");
    }
    return true;
}

bool FileContext::TakeStyleSources(CSLConstList papszOptions) {
    const std::string& strColors = m_settings.strColorIndexPath;
    if (!strColors.empty() && IsColorLibraryFile(strColors) && !TakeColorLibrary())
        return false;
    const char* pszFonts = CSLFetchNameValue(papszOptions, "FONT_MAP");
    std::string strError;
    if (pszFonts != nullptr && !m_fonts.Load(pszFonts, &strError)) {
        CPLError(CE_Failure, CPLE_OpenFailed, "FONT_MAP=%s", ShownPath(strError).c_str());
        return false;
    }
    return true;
}

bool FileContext::TakePlacement(CSLConstList papszOptions) {
    std::string strError;
    if (!ParsePlacement(CSLFetchNameValue(papszOptions, "SCALE"),
                        CSLFetchNameValue(papszOptions, "OFFSET"), &m_placement, &strError)) {
        CPLError(CE_Failure, CPLE_IllegalArg, "%s", strError.c_str());
        return false;
    }
    return true;
}

std::string FileContext::ColorsLookedUp() const {
    // Only compound layers carry colours; a colour library only the map layers'.
    if (m_colorLibrary)
        return m_reading.bMapLayers ? m_strColorLibraryPath : std::string();
    return m_settings.nImportMode != 0 ? m_settings.strColorIndexPath : std::string();
}

void FileContext::StartCensus() {
    // So that the warnings of the reads can name the line of each item and the account is
    // ready; the map layers are those of the kinds it finds.
    if (m_reading.bAccount || m_reading.bMapLayers) {
        m_censusWalk = std::async(std::launch::async, mapgis::TakeCensus, m_settings.strPath,
                                  m_settings.eCharset, ColorsLookedUp(), m_reading.bMapLayers);
    }
}

const Census* FileContext::TakeCensus() {
    if (!m_census) {
        m_census = m_censusWalk.valid()
                       ? m_censusWalk.get()
                       : mapgis::TakeCensus(m_settings.strPath, m_settings.eCharset,
                                            ColorsLookedUp(), m_reading.bMapLayers);
        for (const std::string& strNote : m_census->notes)
            m_reporter.Warn(strNote);
    }
    return &*m_census;
}

void FileContext::WarnItem(int nLine, const std::string& strText) {
    if (m_warnedItems.insert(std::to_string(nLine) + ":" + strText).second)
        m_reporter.WarnAt(nLine, strText);
}

std::string FileContext::ReplacedNote() const {
    if (m_nReplacedTexts == 0)
        return std::string();
    return std::to_string(m_nReplacedTexts) +
           (m_nReplacedTexts == 1 ? " text holds" : " texts hold") +
           " characters the charset (ENCODING=" + m_reading.strEncoding +
           ") cannot decode, shown as U+FFFD: the file is likely in another charset; choose it "
           "with the ENCODING open option (mapgis-import --encoding), e.g. GBK";
}

void FileContext::WarnReplaced() {
    if (m_nReplacedTexts > m_nReplacedWarned) {
        m_nReplacedWarned = m_nReplacedTexts;
        m_reporter.Warn(ReplacedNote());
    }
}

void FileContext::Flush() {
    WarnReplaced();
    m_reporter.Flush();
}

void FileContext::AccountFor(std::function<LayerResults()> results) {
    m_accountedLayers.push_back(std::move(results));
}

const Account* FileContext::GetAccount() {
    if (!m_reading.bAccount)
        return nullptr;
    if (!m_account) {
        TakeCensus();
        std::vector<LayerResults> layers;
        for (const auto& results : m_accountedLayers)
            layers.push_back(results());
        m_account = BuildAccount(*m_census, m_settings.nImportMode != 0, layers);
        std::vector<std::string>& notes = m_account->notes;
        if (!m_strHeaderNote.empty())
            notes.insert(notes.begin(), m_strHeaderNote);
        if (m_nReplacedTexts > 0)
            notes.push_back(ReplacedNote());
        WarnReplaced();
    }
    return &*m_account;
}

const std::string& FileContext::AccountSummary() {
    if (!m_strAccountSummary) {
        const Account* pAccount = GetAccount();
        m_strAccountSummary = pAccount == nullptr
                                  ? std::string()
                                  : SummarizeAccount(*pAccount, m_reporter.GetFileName());
    }
    return *m_strAccountSummary;
}

namespace {

void AddNumbered(CPLStringList& aosList, const char* pszPrefix,
                 const std::vector<std::string>& values) {
    for (size_t i = 0; i < values.size(); ++i)
        aosList.SetNameValue((pszPrefix + std::to_string(i + 1)).c_str(), values[i].c_str());
}

}  // namespace

void FileContext::AddAccount(CPLStringList& aosList) {
    const Account* pAccount = GetAccount();
    if (pAccount == nullptr)
        return;
    const Account& account = *pAccount;
    if (!account.bValid) {
        aosList.SetNameValue("FILE_ACCOUNT_PROBLEM", account.strProblem.c_str());
        return;
    }
    aosList.SetNameValue("FILE_ITEM_COUNT", std::to_string(account.nItems).c_str());
    aosList.SetNameValue("FILE_IMPORTED_COUNT", std::to_string(account.nImported).c_str());
    aosList.SetNameValue("FILE_REPAIRED_COUNT", std::to_string(account.nRepaired).c_str());
    aosList.SetNameValue("FILE_REFUSED_COUNT", std::to_string(account.nRefused).c_str());
    aosList.SetNameValue("FILE_NOT_IMPORTABLE_COUNT",
                         std::to_string(account.nNotImportable).c_str());
    aosList.SetNameValue("FILE_SKIPPED_COUNT", std::to_string(account.nSkipped).c_str());
    AddNumbered(aosList, "FILE_ITEM_", account.entries);
    AddNumbered(aosList, "FILE_NOTE_", account.notes);
}

}  // namespace mapgis
