// Figures of translated layers and their printout.
#include "report/ImportSummary.h"

#include "cpl_string.h"
#include "gdal.h"
#include "mapgisdriver.h"

namespace mapgis_import {

namespace {

long long NumberItem(char** papszMD, const char* pszName) {
    const char* psz = CSLFetchNameValue(papszMD, pszName);
    return psz == nullptr ? 0 : CPLAtoGIntBig(psz);
}

std::vector<std::string> Numbered(char** papszMD, const char* pszPrefix) {
    std::vector<std::string> out;
    for (int i = 1;; ++i) {
        const char* psz = CSLFetchNameValue(papszMD, CPLSPrintf("%s%d", pszPrefix, i));
        if (psz == nullptr)
            break;
        out.push_back(psz);
    }
    return out;
}

// "3: text" as "3 x text".
std::string Grouped(const std::string& strEntry) {
    const size_t nColon = strEntry.find(": ");
    if (nColon == std::string::npos)
        return strEntry;
    return strEntry.substr(0, nColon) + " x " + strEntry.substr(nColon + 2);
}

}  // namespace

InputAccount CollectAccount(GDALDatasetH hSource, const std::string& strInput) {
    InputAccount account;
    account.strInput = strInput;
    char** papszMD = GDALGetMetadata(hSource, "MAPGIS");
    if (const char* psz = CSLFetchNameValue(papszMD, "FILE_ACCOUNT_PROBLEM")) {
        account.strProblem = psz;
        return account;
    }
    account.nItems = NumberItem(papszMD, "FILE_ITEM_COUNT");
    account.nImported = NumberItem(papszMD, "FILE_IMPORTED_COUNT");
    account.nRepaired = NumberItem(papszMD, "FILE_REPAIRED_COUNT");
    account.nRefused = NumberItem(papszMD, "FILE_REFUSED_COUNT");
    account.nNotImportable = NumberItem(papszMD, "FILE_NOT_IMPORTABLE_COUNT");
    account.nSkipped = NumberItem(papszMD, "FILE_SKIPPED_COUNT");
    // What the file says of itself that does not hold goes first: it explains the figures.
    for (const std::string& strNote : Numbered(papszMD, "FILE_NOTE_"))
        account.entries.push_back(kNotePrefix + strNote);
    for (std::string& strEntry : Numbered(papszMD, "FILE_ITEM_"))
        account.entries.push_back(std::move(strEntry));
    return account;
}

std::string AccountLine(const InputAccount& a) {
    const std::string strFile = mapgis::ShownPath(CPLGetFilename(a.strInput.c_str()));
    if (!a.strProblem.empty())
        return strFile + ": no account of its items: " + a.strProblem;
    const std::string strRepaired =
        a.nRepaired > 0 ? " (" + std::to_string(a.nRepaired) + " repaired)" : "";
    return CPLSPrintf(
        "%s: %lld items: %lld written%s, %lld refused, %lld not importable, "
        "%lld skipped",
        strFile.c_str(), a.nItems, a.nImported, strRepaired.c_str(), a.nRefused, a.nNotImportable,
        a.nSkipped);
}

LayerResult CollectLayerResult(OGRLayerH hSource, const std::string& strInput,
                               const std::string& strOutputLayer) {
    LayerResult result;
    result.strInput = strInput;
    result.strOutputLayer = strOutputLayer;
    char** papszMD = GDALGetMetadata(hSource, "MAPGIS");
    result.nFeatures = NumberItem(papszMD, "FEATURE_COUNT");
    result.messages = Numbered(papszMD, "MESSAGE_");
    result.bHasBounds = OGR_L_GetExtent(hSource, &result.bounds, FALSE) == OGRERR_NONE;
    return result;
}

void PrintSummary(std::FILE* pOut, const std::string& strOutput,
                  const std::vector<LayerResult>& results,
                  const std::vector<InputAccount>& accounts, const SystemSummary& system) {
    std::fprintf(pOut, "Wrote %s:\n", mapgis::ShownPath(strOutput).c_str());
    if (!system.strScale.empty() || !system.strOffset.empty()) {
        std::fprintf(pOut, "  coordinates scaled by %s, then shifted by %s\n",
                     system.strScale.empty() ? "1" : system.strScale.c_str(),
                     system.strOffset.empty() ? "0,0" : system.strOffset.c_str());
    }
    if (!system.strSystem.empty()) {
        std::fprintf(pOut, "  coordinate system: %s\n", system.strSystem.c_str());
    } else {
        OGREnvelope all;
        for (const LayerResult& r : results) {
            if (r.bHasBounds)
                all.Merge(r.bounds);
        }
        std::fprintf(pOut, "  coordinate system: none assigned; %s\n",
                     mapgis::DescribeCoordinates(all).c_str());
    }
    for (const LayerResult& r : results) {
        std::fprintf(pOut, "  layer %s (%s%s%s): %lld features", r.strOutputLayer.c_str(),
                     r.strPart.c_str(), r.strPart.empty() ? "from " : " of ",
                     mapgis::ShownPath(CPLGetFilename(r.strInput.c_str())).c_str(), r.nFeatures);
        if (r.bHasBounds) {
            std::fprintf(pOut, ", bounds (%.15g, %.15g) - (%.15g, %.15g)", r.bounds.MinX,
                         r.bounds.MinY, r.bounds.MaxX, r.bounds.MaxY);
        } else {
            std::fprintf(pOut, ", no bounds");
        }
        std::fprintf(pOut, "\n");
        for (const std::string& s : r.messages) {
            std::fprintf(pOut, "    note: %s\n", Grouped(s).c_str());
        }
    }
    for (const InputAccount& a : accounts) {
        std::fprintf(pOut, "  %s\n", AccountLine(a).c_str());
        for (const std::string& s : a.entries) {
            const bool bNote = s.compare(0, kNotePrefix.size(), kNotePrefix) == 0;
            std::fprintf(pOut, "    %s:%s%s\n",
                         mapgis::ShownPath(CPLGetFilename(a.strInput.c_str())).c_str(),
                         bNote ? " " : "", s.c_str());
        }
    }
}

}  // namespace mapgis_import
