// A QGIS project in the GeoPackage's qgis_projects table.
#include "styles/GpkgProject.h"

#include <ctime>

#include "cpl_conv.h"
#include "cpl_minixml.h"
#include "cpl_string.h"
#include "cpl_vsi.h"
#include "ogr_api.h"
#include "ogr_srs_api.h"

namespace mapgis_import {

namespace {

std::string Xml(const std::string& strText) {
    char* psz = CPLEscapeString(strText.c_str(), -1, CPLES_XML);
    std::string out = psz;
    CPLFree(psz);
    return out;
}

// The system QGIS reads from a layer's or the project's <spatialrefsys>.
std::string SystemXml(OGRLayerH hLayer) {
    std::string strWkt;
    if (OGRSpatialReferenceH hSRS = OGR_L_GetSpatialRef(hLayer)) {
        char* psz = nullptr;
        const char* const apszOptions[] = {"FORMAT=WKT2_2019", nullptr};
        if (OSRExportToWktEx(hSRS, &psz, apszOptions) == OGRERR_NONE)
            strWkt = psz;
        CPLFree(psz);
    }
    return "<spatialrefsys><wkt>" + Xml(strWkt) + "</wkt></spatialrefsys>";
}

// The renderer and labels of a style, and whether its labels are shown.
std::string StyleBody(const std::string& strQml, bool* pbLabels) {
    const size_t nRoot = strQml.find("<qgis ");
    const size_t nStart = strQml.find('>', nRoot);
    const size_t nEnd = strQml.rfind("</qgis>");
    *pbLabels = strQml.find("labelsEnabled=\"1\"") != std::string::npos;
    if (nRoot == std::string::npos || nStart == std::string::npos || nEnd == std::string::npos)
        return std::string();
    return strQml.substr(nStart + 1, nEnd - nStart - 1);
}

std::string ProjectXml(GDALDatasetH hDataset, const std::string& strFile,
                       const std::string& strName, const std::vector<ProjectLayer>& layers) {
    std::string strTree, strLayers, strSystem;
    // The layer tree lists the top layer first.
    for (auto it = layers.rbegin(); it != layers.rend(); ++it) {
        OGRLayerH hLayer = GDALDatasetGetLayerByName(hDataset, it->strName.c_str());
        if (hLayer == nullptr)
            continue;
        const std::string strId = Xml("mapgis_" + it->strName);
        const std::string strSource = Xml("./" + strFile + "|layername=" + it->strName);
        const std::string strLayer = Xml(it->strName);
        strSystem = SystemXml(hLayer);
        bool bLabels = false;
        const std::string strStyle = StyleBody(it->strQml, &bLabels);
        strTree += "<layer-tree-layer id=\"" + strId + "\" name=\"" + strLayer + "\" source=\"" +
                   strSource + "\" providerKey=\"ogr\" checked=\"Qt::Checked\" expanded=\"1\"/>";
        strLayers += std::string("<maplayer type=\"vector\" labelsEnabled=\"") +
                     (bLabels ? "1" : "0") + "\"><id>" + strId + "</id><datasource>" + strSource +
                     "</datasource><layername>" + strLayer + "</layername><srs>" + strSystem +
                     "</srs><provider encoding=\"UTF-8\">ogr</provider>" + strStyle + "</maplayer>";
    }
    // QGIS reads the project's system only where the project says it has one.
    return "<!DOCTYPE qgis PUBLIC 'http://mrcc.com/qgis.dtd' 'SYSTEM'>\n<qgis projectname=\"" +
           Xml(strName) + "\" version=\"3.22.0\"><title>" + Xml(strName) +
           "</title><properties><SpatialRefSys><ProjectionsEnabled type=\"int\">1"
           "</ProjectionsEnabled></SpatialRefSys></properties><projectCrs>" +
           strSystem + "</projectCrs><layer-tree-group>" + strTree +
           "</layer-tree-group><projectlayers>" + strLayers + "</projectlayers></qgis>\n";
}

// The project zipped as a .qgz, in hexadecimal as QGIS keeps it. GDAL zips only to a name
// ending in .zip.
bool ZippedHex(const std::string& strName, const std::string& strXml, std::string* pstrHex) {
    const std::string strZip =
        CPLSPrintf("/vsimem/mapgis_project_%p.zip", static_cast<const void*>(&strXml));
    VSILFILE* fp = VSIFOpenL(("/vsizip/" + strZip + "/" + strName + ".qgs").c_str(), "wb");
    const bool bWritten =
        fp != nullptr && VSIFWriteL(strXml.data(), 1, strXml.size(), fp) == strXml.size();
    const bool bClosed = fp != nullptr && VSIFCloseL(fp) == 0;
    vsi_l_offset nSize = 0;
    GByte* pabyZip = VSIGetMemFileBuffer(strZip.c_str(), &nSize, FALSE);
    if (bWritten && bClosed && pabyZip != nullptr) {
        char* pszHex = CPLBinaryToHex(static_cast<int>(nSize), pabyZip);
        *pstrHex = pszHex;
        CPLFree(pszHex);
    }
    VSIUnlink(strZip.c_str());
    return bWritten && bClosed && pabyZip != nullptr;
}

bool Execute(GDALDatasetH hDataset, const std::string& strSql) {
    CPLErrorReset();
    OGRLayerH hResult = GDALDatasetExecuteSQL(hDataset, strSql.c_str(), nullptr, nullptr);
    GDALDatasetReleaseResultSet(hDataset, hResult);
    return CPLGetLastErrorType() < CE_Failure;
}

std::string Quoted(const std::string& strText) {
    std::string out = "'";
    for (const char c : strText)
        out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

}  // namespace

bool WriteGpkgProject(GDALDatasetH hDataset, const std::string& strFile, const std::string& strName,
                      const std::vector<ProjectLayer>& layers, std::string* pstrError) {
    std::string strHex;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char szTime[32];
    std::strftime(szTime, sizeof(szTime), "%Y-%m-%dT%H:%M:%S", &local);
    const std::string strMetadata = std::string("{\"last_modified_time\": \"") + szTime +
                                    "\", \"last_modified_user\": \"mapgis-import\" }";
    if (!ZippedHex(strName, ProjectXml(hDataset, strFile, strName, layers), &strHex) ||
        !Execute(hDataset,
                 "CREATE TABLE IF NOT EXISTS qgis_projects(name TEXT PRIMARY KEY, metadata BLOB, "
                 "content BLOB)") ||
        !Execute(hDataset, "INSERT OR REPLACE INTO qgis_projects VALUES (" + Quoted(strName) +
                               ", " + Quoted(strMetadata) + ", " + Quoted(strHex) + ")")) {
        *pstrError = "cannot write the QGIS project " + strName + " into " + strFile;
        return false;
    }
    return true;
}

}  // namespace mapgis_import
