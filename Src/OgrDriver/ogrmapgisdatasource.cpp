// A MAPGIS exchange file opened through the import plug-in.
#include <algorithm>
#include <cstring>
#include <future>
#include <iterator>

#include "KoElement/KtFeature.h"
#include "cpl_string.h"
#include "mapgisencoding.h"
#include "mapgissource.h"
#include "ogr_mapgis.h"

namespace {

bool HasMapgisExtension(const char* pszFilename) {
    const std::string strExt = CPLGetExtension(pszFilename);
    for (const char* pszKnown : {"wat", "wal", "wap", "wan"}) {
        if (EQUAL(strExt.c_str(), pszKnown))
            return true;
    }
    return false;
}

using Mode = OGRMapgisDataSource::Mode;

constexpr const char* kModeNames[] = {"MAP", "COMPOUND", "TYPED"};

// The open options as import settings; false, with the error reported, for a bad value.
bool SettingsFromOptions(GDALOpenInfo* poOpenInfo, mapgis::ImportSettings* pSettings,
                         Mode* peMode) {
    CSLConstList papszOptions = poOpenInfo->papszOpenOptions;
    pSettings->strPath = poOpenInfo->pszFilename;
    const char* pszMode = CSLFetchNameValueDef(papszOptions, "MODE", "MAP");
    const auto* pEnd = std::end(kModeNames);
    const auto* pFound = std::find_if(std::begin(kModeNames), pEnd, [pszMode](const char* pszName) {
        return EQUAL(pszMode, pszName);
    });
    if (pFound == pEnd) {
        CPLError(CE_Failure, CPLE_IllegalArg, "MODE=%s: expected MAP, COMPOUND or TYPED", pszMode);
        return false;
    }
    *peMode = static_cast<Mode>(pFound - std::begin(kModeNames));
    // The map layers read the compound reading.
    pSettings->nImportMode = *peMode == Mode::Typed ? 0 : 1;
    const char* pszEncoding = CSLFetchNameValueDef(papszOptions, "ENCODING", "AUTO");
    if (!mapgis::CharsetFromOption(pszEncoding, pSettings->strPath, &pSettings->eCharset)) {
        CPLError(CE_Failure, CPLE_IllegalArg, "ENCODING=%s: expected AUTO, GBK, GB18030 or UTF-8",
                 pszEncoding);
        return false;
    }
    pSettings->strColorIndexPath = CSLFetchNameValueDef(papszOptions, "COLOR_INDEX", "");
    std::string strWhy;
    if (!pSettings->strColorIndexPath.empty() &&
        !mapgis::CheckColorSource(pSettings->strColorIndexPath, &strWhy)) {
        CPLError(CE_Failure, CPLE_OpenFailed, "COLOR_INDEX=%s: %s",
                 mapgis::ShownPath(pSettings->strColorIndexPath).c_str(), strWhy.c_str());
        return false;
    }
    pSettings->strDestName = CSLFetchNameValueDef(
        papszOptions, "NAME", mapgis::DecodedName(CPLGetBasename(poOpenInfo->pszFilename)).c_str());
    return true;
}

// Item positions are kept in 32 bits: a file of 2 GiB or more cannot be indexed.
constexpr GIntBig kMaxFileSize = (static_cast<GIntBig>(1) << 31) - 1;

// The reason the file cannot be opened at all, or empty.
std::string WhyUnreadable(GDALOpenInfo* poOpenInfo) {
    if (poOpenInfo->bIsDirectory)
        return "a folder, not a MAPGIS exchange file";
    // A FIFO or a device would block or never end the reader's pre-read.
    const std::string strNotAFile = mapgis::WhyNotAFile(poOpenInfo->pszFilename);
    if (!strNotAFile.empty())
        return strNotAFile;
    VSIStatBufL sStat;
    if (VSIStatL(poOpenInfo->pszFilename, &sStat) != 0)
        return "no such file";
    if (sStat.st_size == 0)
        return "empty file";
    if (sStat.st_size > kMaxFileSize) {
        return CPLSPrintf(
            "%lld bytes: files of 2 GiB or more are beyond what the MAPGIS reader "
            "can address (item positions are 32-bit)",
            static_cast<long long>(sStat.st_size));
    }
    return std::string();
}

// The open options that say how the file is read.
mapgis::FileContext::Reading ReadingFromOptions(GDALOpenInfo* poOpenInfo, Mode eMode) {
    CSLConstList papszOptions = poOpenInfo->papszOpenOptions;
    mapgis::FileContext::Reading reading;
    reading.bMapLayers = eMode == Mode::Map;
    reading.strModeName = kModeNames[static_cast<size_t>(eMode)];
    reading.bReadAhead = CPLFetchBool(papszOptions, "READ_AHEAD", false);
    reading.strEncoding = CSLFetchNameValueDef(papszOptions, "ENCODING", "AUTO");
    // Only point files hold the texts that can be repaired.
    reading.bRepair = CPLFetchBool(papszOptions, "REPAIR", true) &&
                      EQUAL(CPLGetExtension(poOpenInfo->pszFilename), "wat");
    reading.bAccount = CPLFetchBool(papszOptions, "ACCOUNT", false);
    return reading;
}

// What the layers will share, with the checks of the open options that need the file; null,
// with the error reported, when one fails.
std::unique_ptr<mapgis::FileContext> OpenFileContext(GDALOpenInfo* poOpenInfo,
                                                     const mapgis::ImportSettings& settings,
                                                     Mode eMode) {
    CSLConstList papszOptions = poOpenInfo->papszOpenOptions;
    auto file = std::make_unique<mapgis::FileContext>(
        settings, ReadingFromOptions(poOpenInfo, eMode),
        mapgis::ShownPath(CPLGetFilename(poOpenInfo->pszFilename)));
    file->CheckHeader(reinterpret_cast<const char*>(poOpenInfo->pabyHeader),
                      static_cast<size_t>(poOpenInfo->nHeaderBytes));
    if (!file->TakeStyleSources(papszOptions) || !file->TakePlacement(papszOptions))
        return nullptr;
    file->StartCensus();
    return file;
}

}  // namespace

int OGRMapgisDataSource::Identify(GDALOpenInfo* poOpenInfo) {
    // The plug-in reads files of the file system only.
    if (STARTS_WITH(poOpenInfo->pszFilename, "/vsi") ||
        !HasMapgisExtension(poOpenInfo->pszFilename)) {
        return FALSE;
    }
    // A folder or an empty file under a MAPGIS extension is claimed, so that the open says
    // what is wrong with it rather than nothing; so is a file too large, found at open.
    if (poOpenInfo->bIsDirectory)
        return TRUE;
    if (poOpenInfo->fpL == nullptr)
        return FALSE;
    // Exchange files are text: a NUL byte means some other file under the same extension.
    const auto* pabyHeader = poOpenInfo->pabyHeader;
    for (int i = 0; i < poOpenInfo->nHeaderBytes; ++i) {
        if (pabyHeader[i] == 0)
            return FALSE;
    }
    return TRUE;
}

GDALDataset* OGRMapgisDataSource::Open(GDALOpenInfo* poOpenInfo) {
    if (!Identify(poOpenInfo))
        return nullptr;
    // Hosts such as QGIS ask for update access first: the file is opened read-only, and
    // the capabilities and writes say what it allows.
    if (poOpenInfo->eAccess == GA_Update) {
        CPLDebug("MAPGIS", "%s: opened read-only, the driver does not write",
                 poOpenInfo->pszFilename);
    }
    const std::string strWhy = WhyUnreadable(poOpenInfo);
    if (!strWhy.empty()) {
        CPLError(CE_Failure, CPLE_OpenFailed, "%s: %s",
                 mapgis::ShownPath(poOpenInfo->pszFilename).c_str(), strWhy.c_str());
        return nullptr;
    }
    mapgis::ImportSettings settings;
    Mode eMode = Mode::Map;
    if (!SettingsFromOptions(poOpenInfo, &settings, &eMode))
        return nullptr;
    std::unique_ptr<mapgis::FileContext> file = OpenFileContext(poOpenInfo, settings, eMode);
    if (!file)
        return nullptr;
    std::unique_ptr<OGRMapgisDataSource> poDS(new OGRMapgisDataSource(std::move(file), eMode));
    poDS->SetDescription(poOpenInfo->pszFilename);
    poDS->m_aosOpenOptions = CPLStringList(CSLDuplicate(poOpenInfo->papszOpenOptions));
    if (!poDS->Load())
        return nullptr;
    const char* pszSRS = CSLFetchNameValue(poOpenInfo->papszOpenOptions, "SRS");
    if (pszSRS != nullptr && !poDS->AssignSrs(pszSRS))
        return nullptr;
    return poDS.release();
}

bool OGRMapgisDataSource::Load() {
    std::string strError;
    std::vector<mapgis::LogMessage> messages;
    std::shared_ptr<mapgis::PluginSession> session =
        mapgis::PluginSession::Open(m_file->Settings(), &strError, &messages);
    for (const mapgis::LogMessage& msg : messages)
        m_file->Reporter().Warn(msg.Describe());
    if (session && session->GetLayerCount() == 0) {
        // Typed mode keeps only layers with items of their kind. Whether the file could not
        // be read at all only a compound read tells.
        mapgis::ImportSettings compound = m_file->Settings();
        compound.nImportMode = 1;
        if (mapgis::PluginSession::Open(compound, &strError, nullptr) == nullptr)
            session.reset();
    }
    if (!session) {
        CPLError(CE_Failure, CPLE_OpenFailed, "%s: %s", m_file->Reporter().GetFileName().c_str(),
                 strError.c_str());
        return false;
    }
    if (session->GetLayerCount() == 0) {
        m_file->Reporter().Warn("no item fits a point, line, region or text layer");
    }
    // The account of the file is what its plug-in layers read.
    for (int i = 0; i < session->GetLayerCount(); ++i) {
        m_layers.push_back(
            std::make_unique<OGRMapgisLayer>(*m_file, session, i, session->GetLayerSummary(i)));
        OGRMapgisLayer* poLayer = m_layers.back().get();
        m_file->AccountFor([poLayer] { return poLayer->Results(); });
    }
    if (m_eMode == Mode::Map)
        AddMapLayers();
    return true;
}

void OGRMapgisDataSource::AddMapLayers() {
    if (m_layers.empty())
        return;
    const bool bNetwork = EQUAL(CPLGetExtension(m_file->Settings().strPath.c_str()), "wan");
    const mapgis::Census* pCensus = m_file->TakeCensus();
    // A file the census cannot walk may give any kind: a layer too many rather than a
    // feature lost.
    std::array<bool, 4> kinds;
    kinds.fill(true);
    if (pCensus->bTaken)
        kinds = mapgis::MapKindsOf(*pCensus);
    const bool bOnlyKind = std::count(kinds.begin(), kinds.end(), true) == 1;
    for (mapgis::MapKind eKind : mapgis::kMapKinds) {
        if (kinds[static_cast<size_t>(eKind)]) {
            m_mapLayers.push_back(std::make_unique<OGRMapgisMapLayer>(*m_file, m_layers[0].get(),
                                                                      eKind, bNetwork, bOnlyKind));
        }
    }
}

int OGRMapgisDataSource::GetLayerCount() {
    return static_cast<int>(m_eMode == Mode::Map ? m_mapLayers.size() : m_layers.size());
}

bool OGRMapgisDataSource::AssignSrs(const std::string& strUser) {
    OGREnvelope bound;
    for (const auto& poLayer : m_layers)
        bound.Merge(poLayer->Bound());
    // Reference counted: the layers' geometry fields hold it.
    OGRSpatialReference* poSRS = new OGRSpatialReference();
    std::string strError;
    const bool bResolved = mapgis::ResolveSrs(strUser, bound, poSRS, &strError);
    if (bResolved) {
        for (const auto& poLayer : m_layers)
            poLayer->GetLayerDefn()->GetGeomFieldDefn(0)->SetSpatialRef(poSRS);
        for (const auto& poLayer : m_mapLayers)
            poLayer->GetLayerDefn()->GetGeomFieldDefn(0)->SetSpatialRef(poSRS);
    } else {
        CPLError(CE_Failure, CPLE_IllegalArg, "%s: %s", m_file->Reporter().GetFileName().c_str(),
                 strError.c_str());
    }
    poSRS->Release();
    return bResolved;
}

OGRMapgisDataSource::~OGRMapgisDataSource() {
    for (auto& poOther : m_otherModes)
        poOther.reset();
    m_mapLayers.clear();
    m_layers.clear();
    m_file->Flush();
}

OGRLayer* OGRMapgisDataSource::GetLayer(int i) {
    if (i < 0 || i >= GetLayerCount())
        return nullptr;
    if (m_eMode == Mode::Map)
        return m_mapLayers[static_cast<size_t>(i)].get();
    return m_layers[static_cast<size_t>(i)].get();
}

OGRLayer* OGRMapgisDataSource::GetLayerByName(const char* pszName) {
    if (OGRLayer* poLayer = GDALDataset::GetLayerByName(pszName))
        return poLayer;
    const std::optional<Mode> eOther = pszName != nullptr ? OtherModeOf(pszName) : std::nullopt;
    if (!eOther)
        return nullptr;
    const auto iOther = static_cast<size_t>(*eOther);
    if (!m_otherModesTried[iOther]) {
        m_otherModesTried[iOther] = true;
        CPLStringList aosOptions(m_aosOpenOptions);
        aosOptions.SetNameValue("MODE", kModeNames[iOther]);
        GDALOpenInfo oOpenInfo(GetDescription(), GDAL_OF_READONLY | GDAL_OF_VECTOR);
        oOpenInfo.papszOpenOptions = aosOptions.List();
        m_otherModes[iOther].reset(static_cast<OGRMapgisDataSource*>(Open(&oOpenInfo)));
    }
    // Only the other mode's own layers: its lookup would come back to this mode's names.
    const auto& poOther = m_otherModes[iOther];
    return poOther ? poOther->GDALDataset::GetLayerByName(pszName) : nullptr;
}

std::optional<Mode> OGRMapgisDataSource::OtherModeOf(const char* pszName) const {
    const std::string& strName = m_file->Settings().strDestName;
    std::optional<Mode> eMode;
    const size_t nLength = strlen(pszName);
    if (EQUAL(pszName, strName.c_str())) {
        eMode = Mode::Compound;
    } else if (nLength == strName.size() + 1 && EQUALN(pszName, strName.c_str(), strName.size()) &&
               strchr("PLRTplrt", pszName[nLength - 1]) != nullptr) {
        // The plug-in names typed layers after the dataset with P, L, R or T added.
        eMode = Mode::Typed;
    } else if (nLength > strName.size() + 1 &&
               EQUALN(pszName, (strName + "_").c_str(), strName.size() + 1)) {
        const char* pszSuffix = pszName + strName.size() + 1;
        for (const char* pszKnown : {"areas", "lines", "points", "texts", "network", "nodes"}) {
            if (EQUAL(pszSuffix, pszKnown))
                eMode = Mode::Map;
        }
    }
    return eMode == m_eMode ? std::nullopt : eMode;
}

char** OGRMapgisDataSource::GetMetadata(const char* pszDomain) {
    if (pszDomain != nullptr && EQUAL(pszDomain, "MAPGIS")) {
        m_aosMetadata.Clear();
        m_file->AddAccount(m_aosMetadata);
        return m_aosMetadata.List();
    }
    return GDALDataset::GetMetadata(pszDomain);
}

const char* OGRMapgisDataSource::GetMetadataItem(const char* pszName, const char* pszDomain) {
    if (pszDomain != nullptr && EQUAL(pszDomain, "MAPGIS")) {
        GetMetadata(pszDomain);
        return m_aosMetadata.FetchNameValue(pszName);
    }
    return GDALDataset::GetMetadataItem(pszName, pszDomain);
}

char** OGRMapgisDataSource::GetMetadataDomainList() {
    return BuildMetadataDomainList(GDALDataset::GetMetadataDomainList(), TRUE, "MAPGIS", nullptr);
}

namespace {

// Items read before their features go out: the features of a batch leave layer by layer, so
// that a writer switches tables (a COPY in PostgreSQL) a few times a batch, not every item.
constexpr int kMapBatchItems = 1024;

}  // namespace

int OGRMapgisDataSource::TestCapability(const char* pszCap) {
    return m_eMode == Mode::Map && !m_layers.empty() && EQUAL(pszCap, ODsCRandomLayerRead);
}

void OGRMapgisDataSource::ResetReading() {
    m_nMapItem = 0;
    m_mapBatch.clear();
    m_iMapBatchLayer = 0;
}

bool OGRMapgisDataSource::ReadMapBatch() {
    OGRMapgisLayer* poCompound = m_layers[0].get();
    const bool bNetwork = EQUAL(CPLGetExtension(m_file->Settings().strPath.c_str()), "wan");
    m_mapBatch.clear();
    m_mapBatch.resize(m_mapLayers.size());
    m_iMapBatchLayer = 0;
    int nRead = 0;
    for (; nRead < kMapBatchItems && m_nMapItem < poCompound->End(); ++nRead) {
        mapgis::ItemRead read = poCompound->NextReadFrom(m_nMapItem);
        const std::int64_t nAt = read.bEnd ? poCompound->End() : read.nItem;
        for (const auto& poLayer : m_mapLayers)
            poLayer->SkipEmpty(m_nMapItem, nAt);
        m_nMapItem = nAt + 1;
        if (read.bEnd)
            break;
        // Cut once; each layer takes the pieces of its kind.
        std::unique_ptr<OGRFeature> poSource = poCompound->MakeFeature(read, false);
        std::vector<mapgis::KindPiece> pieces =
            mapgis::CutByKind(*poSource, bNetwork,
                              mapgis::IsFilled(m_file->GetCensus(), poCompound->CensusItemAt(nAt),
                                               read.feature->GetGeometry()));
        for (size_t i = 0; i < m_mapLayers.size(); ++i) {
            for (auto& poFeature : m_mapLayers[i]->TakePieces(nAt, *poSource, read, pieces))
                m_mapBatch[i].push_back(std::move(poFeature));
        }
        poCompound->Recycle(std::move(read));
    }
    return nRead > 0;
}

OGRFeature* OGRMapgisDataSource::GetNextFeature(OGRLayer** ppoBelongingLayer,
                                                double* pdfProgressPct,
                                                GDALProgressFunc pfnProgress, void* pProgressData) {
    if (ppoBelongingLayer != nullptr)
        *ppoBelongingLayer = nullptr;
    if (!TestCapability(ODsCRandomLayerRead))
        return nullptr;
    for (;;) {
        for (; m_iMapBatchLayer < m_mapBatch.size(); ++m_iMapBatchLayer) {
            auto& queue = m_mapBatch[m_iMapBatchLayer];
            if (queue.empty())
                continue;
            std::unique_ptr<OGRFeature> poFeature = std::move(queue.front());
            queue.pop_front();
            const std::int64_t nEnd = m_layers[0]->End();
            const double dfDone =
                nEnd > 0 ? static_cast<double>(std::min(m_nMapItem, nEnd)) / nEnd : 1.0;
            if (pdfProgressPct != nullptr)
                *pdfProgressPct = dfDone;
            // The caller stops the reading by its progress function, as it does a layer's.
            if (pfnProgress != nullptr && !pfnProgress(dfDone, "", pProgressData))
                return nullptr;
            if (ppoBelongingLayer != nullptr)
                *ppoBelongingLayer = m_mapLayers[m_iMapBatchLayer].get();
            return poFeature.release();
        }
        if (!ReadMapBatch())
            return nullptr;
    }
}
