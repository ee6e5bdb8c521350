// Figures of translated layers and their printout.
#include "ImportSummary.h"

#include "cpl_string.h"
#include "gdal.h"

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

LayerResult CollectLayerResult(OGRLayerH hSource, const std::string& strInput,
                               const std::string& strOutputLayer) {
    LayerResult result;
    result.strInput = strInput;
    result.strOutputLayer = strOutputLayer;
    char** papszMD = GDALGetMetadata(hSource, "MAPGIS");
    result.nItems = NumberItem(papszMD, "ITEM_COUNT");
    result.nFeatures = NumberItem(papszMD, "FEATURE_COUNT");
    result.nRefused = NumberItem(papszMD, "REFUSED_COUNT");
    result.refusedReasons = Numbered(papszMD, "REFUSED_REASON_");
    result.messages = Numbered(papszMD, "MESSAGE_");
    result.bHasBounds = OGR_L_GetExtent(hSource, &result.bounds, FALSE) == OGRERR_NONE;
    return result;
}

void PrintSummary(std::FILE* pOut, const std::string& strOutput,
                  const std::vector<LayerResult>& results) {
    std::fprintf(pOut, "Wrote %s:\n", strOutput.c_str());
    for (const LayerResult& r : results) {
        std::fprintf(pOut, "  layer %s (from %s): %lld features", r.strOutputLayer.c_str(),
                     CPLGetFilename(r.strInput.c_str()), r.nFeatures);
        if (r.bHasBounds) {
            std::fprintf(pOut, ", bounds (%.15g, %.15g) - (%.15g, %.15g)", r.bounds.MinX,
                         r.bounds.MinY, r.bounds.MaxX, r.bounds.MaxY);
        } else {
            std::fprintf(pOut, ", no bounds");
        }
        std::fprintf(pOut, "\n    %lld of %lld items refused\n", r.nRefused, r.nItems);
        for (const std::string& s : r.refusedReasons) {
            std::fprintf(pOut, "      refused: %s\n", Grouped(s).c_str());
        }
        for (const std::string& s : r.messages) {
            std::fprintf(pOut, "      note: %s\n", Grouped(s).c_str());
        }
    }
}

}  // namespace mapgis_import
