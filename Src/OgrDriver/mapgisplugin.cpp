// Loading of the import plug-in and the locked calls into it.
#include "mapgisplugin.h"

#include <dlfcn.h>
#include <signal.h>

#include <mutex>

#include "KoBase/KtLogFile.h"
#include "KoBase/PlxArray.h"
#include "KoFileParser/KtExchangeParams.h"
#include "KoFileParser/KtFileParseFactory.h"
#include "KoFileParser/KtFileParser.h"
#include "KoFileParser/KtVectorFileLayer.h"
#include "cpl_conv.h"
#include "cpl_string.h"
#include "mapgissource.h"

namespace mapgis {

namespace {

constexpr int kMapgisFileType = 55;
constexpr const char* kPluginFileName = "KoFileParserMAPGIS.fps";

// The plug-in stays loaded, and its factory alive, until the process ends: its process-wide
// tables are torn down by its own unload.
struct PluginState {
    std::mutex mutex;  // held for every call into the plug-in
    bool bTried = false;
    std::string strError;
    KTX::KtFileParseFactory* pFactory = nullptr;
    // Colour file and charset of the last layer-definition read: the tables in force.
    std::string strTablesKey;
};

PluginState& State() {
    static PluginState* pState = new PluginState;
    return *pState;
}

KTX::PlxUnicodeString FromUtf8(const std::string& s) {
    return KTX::PlxUnicodeString::FromUtf8(s);
}

std::string TablesKey(const ImportSettings& s) {
    return s.strColorIndexPath + '\n' + std::to_string(static_cast<int>(s.eCharset));
}

// The plug-in sits beside the host library it runs on: in the build folder and in the
// private folder of an installation alike. Whoever loaded this driver has loaded that
// library already.
std::string FindPluginFile() {
    const char* pszOption = CPLGetConfigOption("MAPGIS_PLUGIN_FILE", nullptr);
    if (pszOption != nullptr && pszOption[0] != '\0')
        return pszOption;
    Dl_info info{};
    void* pHostCode = reinterpret_cast<void*>(&KTX::KtLogFile::GetInstance);
    if (dladdr(pHostCode, &info) == 0 || info.dli_fname == nullptr)
        return kPluginFileName;
    return CPLFormFilename(CPLGetPath(info.dli_fname), kPluginFileName, nullptr);
}

// The signal dispositions a library may change when it is loaded, put back as they were when
// this goes: the plug-in installs crash handlers of its own, which are not the host
// program's to lose.
class SignalDispositions {
public:
    SignalDispositions() {
        for (size_t i = 0; i < kSignalCount; ++i)
            m_bSaved[i] = sigaction(kSignals[i], nullptr, &m_saved[i]) == 0;
    }
    ~SignalDispositions() {
        for (size_t i = 0; i < kSignalCount; ++i) {
            if (m_bSaved[i])
                sigaction(kSignals[i], &m_saved[i], nullptr);
        }
    }
    SignalDispositions(const SignalDispositions&) = delete;
    SignalDispositions& operator=(const SignalDispositions&) = delete;

private:
    static constexpr int kSignals[] = {SIGINT, SIGILL, SIGFPE, SIGSEGV, SIGTERM, SIGABRT, SIGBUS};
    static constexpr size_t kSignalCount = sizeof(kSignals) / sizeof(kSignals[0]);
    struct sigaction m_saved[kSignalCount] = {};
    bool m_bSaved[kSignalCount] = {};
};

// Must be called with the lock held.
bool LoadLocked(PluginState& state) {
    if (state.bTried)
        return state.pFactory != nullptr;
    state.bTried = true;
    const std::string strFile = FindPluginFile();
    const SignalDispositions keep;
    void* pHandle = dlopen(strFile.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (pHandle == nullptr) {
        const char* pszWhy = dlerror();
        state.strError = "cannot load the MAPGIS import plug-in " + strFile + ": " +
                         (pszWhy != nullptr ? pszWhy : "unknown reason");
        return false;
    }
    auto pfnCreate =
        reinterpret_cast<PFN_CreateFileParseFactory>(dlsym(pHandle, "CreateFileParseFactory"));
    if (pfnCreate == nullptr) {
        state.strError = strFile + " exports no CreateFileParseFactory";
        return false;
    }
    state.pFactory = pfnCreate();
    if (state.pFactory == nullptr) {
        state.strError = strFile + ": CreateFileParseFactory gave no factory";
        return false;
    }
    return true;
}

// Hands over what the plug-in logged since the last call. Lock held.
void TakeLog(std::vector<LogMessage>* pOut) {
    std::vector<KTX::KtLogRecord> records = KTX::KtLogFile::GetInstance(false)->TakeRecords();
    if (pOut == nullptr)
        return;
    for (const KTX::KtLogRecord& rec : records) {
        LogMessage msg;
        msg.nLevel = rec.nLevel;
        msg.strId = ToUtf8(rec.strMessage);
        msg.strText = ToUtf8(rec.GetText());
        std::string strSource = ToUtf8(rec.strSourceFile);
        const size_t nCut = strSource.find_last_of("/\\");
        msg.strSource = nCut == std::string::npos ? strSource : strSource.substr(nCut + 1);
        msg.nLine = rec.nSourceLine;
        pOut->push_back(std::move(msg));
    }
}

KTX::KtMapGisImportParams MakeParams(const ImportSettings& s) {
    KTX::KtMapGisImportParams params;
    params.SetFilePathName(HostPath(s.strPath));
    params.SetImportMode(s.nImportMode);
    params.SetImportOrExportCharset(s.eCharset);
    params.SetDestDTName(FromUtf8(s.strDestName));
    params.SetColorIndexFilePath(HostPath(s.strColorIndexPath));
    return params;
}

// The colour and style tables are reloaded by every layer-definition read, before the file
// itself is opened. A definition read of a file that cannot exist therefore puts the tables
// of these settings back in force without reading anything. Lock held.
void ReloadTablesLocked(PluginState& state, const ImportSettings& s) {
    ImportSettings reload = s;
    reload.strPath = "/dev/null/tables.wal";
    reload.nImportMode = 1;
    KTX::KtFileParser* pParser = state.pFactory->CreateFileParser(kMapgisFileType);
    if (pParser != nullptr) {
        pParser->Open(MakeParams(reload));
        pParser->Close();
        state.pFactory->DestroyFileParser(pParser);
    }
    TakeLog(nullptr);
    state.strTablesKey = TablesKey(s);
}

}  // namespace

std::string ToUtf8(const KTX::PlxUnicodeString& str) {
    return str.ToUtf8();
}

std::string LogMessage::Describe() const {
    std::string out = strId;
    if (strText != strId && !strText.empty())
        out += ": " + strText;
    if (!strSource.empty())
        out += " (" + strSource + ":" + std::to_string(nLine) + ")";
    return out;
}

std::shared_ptr<PluginSession> PluginSession::Open(const ImportSettings& settings,
                                                   std::string* pstrError,
                                                   std::vector<LogMessage>* pMessages) {
    PluginState& state = State();
    std::shared_ptr<PluginSession> session(new PluginSession);
    session->m_settings = settings;
    session->m_strTablesKey = TablesKey(settings);
    std::lock_guard<std::mutex> lock(state.mutex);
    if (!LoadLocked(state)) {
        if (pstrError != nullptr)
            *pstrError = state.strError;
        return nullptr;
    }
    TakeLog(nullptr);  // whatever others left behind is not this file's
    KTX::KtFileParser* pParser = state.pFactory->CreateFileParser(kMapgisFileType);
    session->m_pParser = dynamic_cast<KTX::KtFileParseVector*>(pParser);
    if (session->m_pParser == nullptr) {
        state.pFactory->DestroyFileParser(pParser);
        if (pstrError != nullptr)
            *pstrError = "the plug-in gave no vector parser";
        return nullptr;
    }
    const bool bOpened = session->m_pParser->Open(MakeParams(settings));
    state.strTablesKey = session->m_strTablesKey;
    TakeLog(pMessages);
    if (!bOpened) {
        if (pstrError != nullptr)
            *pstrError = "the file cannot be read as a MAPGIS exchange file";
        // The lock is released before the session goes, whose destructor closes the parser.
        return nullptr;
    }
    return session;
}

PluginSession::~PluginSession() {
    if (m_pParser == nullptr)
        return;
    PluginState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    m_pParser->Close();
    state.pFactory->DestroyFileParser(m_pParser);
    TakeLog(nullptr);
}

int PluginSession::GetLayerCount() const {
    std::lock_guard<std::mutex> lock(State().mutex);
    return m_pParser->GetLayerCount();
}

LayerSummary PluginSession::GetLayerSummary(int iLayer) const {
    std::lock_guard<std::mutex> lock(State().mutex);
    LayerSummary summary;
    const KTX::KtVectorFileLayer* pLayer = m_pParser->GetLayer(iLayer);
    if (pLayer == nullptr)
        return summary;
    const KTX::KtFeatureClassDefn& defn = pLayer->GetFeatureClassDefn();
    summary.strName = ToUtf8(pLayer->GetLayerName());
    summary.nType = defn.GetType();
    summary.nItemCount = defn.GetFeatureCount();
    summary.rcBound = defn.GetBound();
    return summary;
}

std::int64_t PluginSession::GetCursor(int iLayer) const {
    std::lock_guard<std::mutex> lock(State().mutex);
    const KTX::KtVectorFileLayer* pLayer = m_pParser->GetLayer(iLayer);
    return pLayer == nullptr ? 0 : pLayer->GetCurFilePosition();
}

void PluginSession::SetCursor(int iLayer, std::int64_t nItem) {
    std::lock_guard<std::mutex> lock(State().mutex);
    if (KTX::KtVectorFileLayer* pLayer = m_pParser->GetLayer(iLayer))
        pLayer->SetCurFilePosition(nItem);
}

std::mutex& PluginSession::Mutex() {
    return State().mutex;
}

ItemRead PluginSession::ReadNext(int iLayer) {
    std::lock_guard<std::mutex> lock(State().mutex);
    return ReadNextLocked(iLayer);
}

void PluginSession::PassOverLocked(int iLayer, const std::vector<bool>& wanted) {
    KTX::KtVectorFileLayer* pLayer = m_pParser->GetLayer(iLayer);
    if (pLayer == nullptr)
        return;
    const std::int64_t nFrom = pLayer->GetCurFilePosition();
    const std::int64_t nSize = static_cast<std::int64_t>(wanted.size());
    std::int64_t nAt = nFrom;
    while (nAt >= 0 && nAt < nSize && !wanted[static_cast<size_t>(nAt)])
        ++nAt;
    if (nAt != nFrom)
        pLayer->SetCurFilePosition(nAt);
}

ItemRead PluginSession::ReadNextLocked(int iLayer) {
    ItemRead result;
    auto feature = std::make_unique<KTX::KtFeature>();
    PluginState& state = State();
    KTX::KtVectorFileLayer* pLayer = m_pParser->GetLayer(iLayer);
    if (pLayer == nullptr) {
        result.bEnd = true;
        return result;
    }
    if (state.strTablesKey != m_strTablesKey)
        ReloadTablesLocked(state, m_settings);
    KTX::PlxArray<KTX::KtFeature*> batch;
    batch.Add(feature.get());
    const std::int64_t nBefore = pLayer->GetCurFilePosition();
    const int nFilled = pLayer->ReadFeatures(batch, 0);
    const std::int64_t nAfter = pLayer->GetCurFilePosition();
    TakeLog(&result.messages);
    // The layer's read answers 0 both for a refused item and at the end of its index; only
    // the cursor tells them apart.
    if (nAfter == nBefore) {
        result.bEnd = true;
        return result;
    }
    result.nItem = nBefore;
    if (nFilled == 1)
        result.feature = std::move(feature);
    return result;
}

}  // namespace mapgis
