// A MAPGIS exchange file opened through the import plug-in.
#include "cpl_string.h"
#include "mapgisencoding.h"
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

// The open options as import settings; false, with the error reported, for a bad value.
bool SettingsFromOptions(GDALOpenInfo* poOpenInfo, mapgis::ImportSettings* pSettings) {
    CSLConstList papszOptions = poOpenInfo->papszOpenOptions;
    pSettings->strPath = poOpenInfo->pszFilename;
    const char* pszMode = CSLFetchNameValueDef(papszOptions, "MODE", "COMPOUND");
    if (EQUAL(pszMode, "COMPOUND")) {
        pSettings->nImportMode = 1;
    } else if (EQUAL(pszMode, "TYPED")) {
        pSettings->nImportMode = 0;
    } else {
        CPLError(CE_Failure, CPLE_IllegalArg, "MODE=%s: expected COMPOUND or TYPED", pszMode);
        return false;
    }
    const char* pszEncoding = CSLFetchNameValueDef(papszOptions, "ENCODING", "AUTO");
    if (!mapgis::CharsetFromOption(pszEncoding, pSettings->strPath, &pSettings->eCharset)) {
        CPLError(CE_Failure, CPLE_IllegalArg, "ENCODING=%s: expected AUTO, GBK, GB18030 or UTF-8",
                 pszEncoding);
        return false;
    }
    pSettings->strColorIndexPath = CSLFetchNameValueDef(papszOptions, "COLOR_INDEX", "");
    if (!pSettings->strColorIndexPath.empty()) {
        VSIStatBufL sStat;
        if (VSIStatL(pSettings->strColorIndexPath.c_str(), &sStat) != 0 ||
            VSI_ISDIR(sStat.st_mode)) {
            CPLError(CE_Failure, CPLE_OpenFailed, "COLOR_INDEX=%s: no such file",
                     pSettings->strColorIndexPath.c_str());
            return false;
        }
    }
    pSettings->strDestName =
        CSLFetchNameValueDef(papszOptions, "NAME", CPLGetBasename(poOpenInfo->pszFilename));
    return true;
}

}  // namespace

int OGRMapgisDataSource::Identify(GDALOpenInfo* poOpenInfo) {
    // The plug-in reads files of the file system only.
    if (poOpenInfo->fpL == nullptr || STARTS_WITH(poOpenInfo->pszFilename, "/vsi"))
        return FALSE;
    if (!HasMapgisExtension(poOpenInfo->pszFilename) || poOpenInfo->nHeaderBytes == 0) {
        return FALSE;
    }
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
    if (poOpenInfo->eAccess == GA_Update) {
        CPLError(CE_Failure, CPLE_NotSupported, "%s: the MAPGIS driver only reads",
                 poOpenInfo->pszFilename);
        return nullptr;
    }
    mapgis::ImportSettings settings;
    if (!SettingsFromOptions(poOpenInfo, &settings))
        return nullptr;
    std::unique_ptr<OGRMapgisDataSource> poDS(
        new OGRMapgisDataSource(settings, CPLGetFilename(poOpenInfo->pszFilename)));
    poDS->SetDescription(poOpenInfo->pszFilename);
    if (!poDS->Load())
        return nullptr;
    return poDS.release();
}

bool OGRMapgisDataSource::Load() {
    std::string strError;
    std::vector<mapgis::LogMessage> messages;
    std::shared_ptr<mapgis::PluginSession> session =
        mapgis::PluginSession::Open(m_settings, &strError, &messages);
    for (const mapgis::LogMessage& msg : messages)
        m_reporter.Warn(msg.Describe());
    if (session && session->GetLayerCount() == 0) {
        // Typed mode keeps only layers with items of their kind. Whether the file could not
        // be read at all only a compound read tells.
        mapgis::ImportSettings compound = m_settings;
        compound.nImportMode = 1;
        if (mapgis::PluginSession::Open(compound, &strError, nullptr) == nullptr)
            session.reset();
    }
    if (!session) {
        CPLError(CE_Failure, CPLE_OpenFailed, "%s: %s", m_reporter.GetFileName().c_str(),
                 strError.c_str());
        return false;
    }
    if (session->GetLayerCount() == 0) {
        m_reporter.Warn("no item fits a point, line, region or text layer");
    }
    for (int i = 0; i < session->GetLayerCount(); ++i) {
        m_layers.push_back(
            std::make_unique<OGRMapgisLayer>(this, session, i, session->GetLayerSummary(i)));
    }
    return true;
}

OGRMapgisDataSource::~OGRMapgisDataSource() {
    m_layers.clear();
    m_reporter.Flush();
}

OGRLayer* OGRMapgisDataSource::GetLayer(int i) {
    if (i < 0 || i >= GetLayerCount())
        return nullptr;
    return m_layers[static_cast<size_t>(i)].get();
}
