// What the layers of an import got.
#include "report/WrittenLayers.h"

#include <algorithm>

#include "cpl_conv.h"
#include "ogr_srs_api.h"

namespace mapgis_import {

std::string DescribeSystem(OGRLayerH hLayer) {
    OGRSpatialReferenceH hSRS = OGR_L_GetSpatialRef(hLayer);
    if (hSRS == nullptr)
        return std::string();
    const char* pszName = OSRGetName(hSRS);
    const char* pszAuthority = OSRGetAuthorityName(hSRS, nullptr);
    const char* pszCode = OSRGetAuthorityCode(hSRS, nullptr);
    std::string strText = pszName != nullptr ? pszName : "unnamed system";
    if (pszAuthority != nullptr && pszCode != nullptr)
        strText = std::string(pszAuthority) + ":" + pszCode + " (" + strText + ")";
    return strText;
}

LayerResult ResultOf(const Job& job) {
    LayerResult result = CollectLayerResult(job.hSource, job.strInput, job.strWritten);
    result.strPart = job.strPart;
    if (!job.bFirstOfSource)
        result.messages.clear();
    if (job.poView != nullptr) {
        result.nFeatures = job.poView->Emitted();
        result.bounds = job.poView->Bounds();
        result.bHasBounds = result.bounds.IsInit();
    }
    return result;
}

bool NothingWritten(const Plan& plan) {
    return std::all_of(plan.jobs.begin(), plan.jobs.end(), [](const Job& job) {
        return job.poView != nullptr && job.poView->Emitted() == 0;
    });
}

std::string LayerDescription(const Plan& plan, const std::string& strLayer,
                             const std::vector<InputAccount>& accounts) {
    constexpr size_t kEntries = 5;
    std::string out;
    std::vector<size_t> described;
    for (const Job& job : plan.jobs) {
        if (job.strOutputLayer != strLayer ||
            std::find(described.begin(), described.end(), job.iSource) != described.end()) {
            continue;
        }
        described.push_back(job.iSource);
        const InputAccount& account = accounts[job.iSource];
        out += (out.empty() ? "" : "\n") + AccountLine(account);
        for (size_t i = 0; i < account.entries.size() && i < kEntries; ++i)
            out += "\n" + std::string(CPLGetFilename(account.strInput.c_str())) + ":" +
                   account.entries[i];
        if (account.entries.size() > kEntries)
            out += "\n(" + std::to_string(account.entries.size() - kEntries) + " more)";
    }
    return out;
}

}  // namespace mapgis_import
