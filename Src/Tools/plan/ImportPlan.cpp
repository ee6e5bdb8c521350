// Output layers of an import and their names.
#include "plan/ImportPlan.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

#include "cpl_conv.h"
#include "cpl_string.h"
#include "mapgisdriver.h"
#include "output/Connection.h"
#include "output/SafeOutput.h"

namespace mapgis_import {

std::string NameFromBytes(const std::string& strBytes) {
    return mapgis::DecodedName(strBytes);
}

namespace {

bool IsNetwork(const std::string& strInput) {
    return EQUAL(CPLGetExtension(strInput.c_str()), "wan");
}

// A whole layer after its kind: a compound one after its file's, a typed one after its own.
const char* LayerSuffix(const std::string& strInput, mapgis::LayerKind eLayerKind) {
    const std::string strExt = CPLGetExtension(strInput.c_str());
    const bool bNetwork = IsNetwork(strInput);
    switch (eLayerKind) {
        case mapgis::LayerKind::Point:
            return "points";
        case mapgis::LayerKind::Line:
            return bNetwork ? "network" : "lines";
        case mapgis::LayerKind::Region:
            return "areas";
        case mapgis::LayerKind::Text:
            return "texts";
        case mapgis::LayerKind::Compound:
            break;
    }
    if (bNetwork)
        return "network";
    if (EQUAL(strExt.c_str(), "wal"))
        return "lines";
    return EQUAL(strExt.c_str(), "wap") ? "areas" : "points";
}

std::string Title(const Arguments& args, const std::string& strInput) {
    return args.strName.empty() ? NameFromBytes(CPLGetBasename(strInput.c_str())) : args.strName;
}

std::string RealPath(const std::string& strInput) {
    char* pszReal = realpath(strInput.c_str(), nullptr);
    const std::string strReal = pszReal != nullptr ? pszReal : "";
    std::free(pszReal);
    return strReal;
}

std::string FolderOf(const std::string& strInput) {
    const std::string strReal = RealPath(strInput);
    return strReal.empty() ? strReal : CPLGetDirname(strReal.c_str());
}

const Job* JobWriting(const Plan& plan, const std::string& strName) {
    for (const Job& job : plan.jobs) {
        if (EQUAL(job.strOutputLayer.c_str(), strName.c_str()))
            return &job;
    }
    return nullptr;
}

// Whether two jobs write one output layer: views of one kind from one sheet (one title, one
// folder).
bool Shares(const Job& job, const Job& other) {
    if (job.strPart.empty() || job.strPart != other.strPart)
        return false;
    const std::string strFolder = FolderOf(job.strInput);
    return !strFolder.empty() && strFolder == FolderOf(other.strInput) &&
           RealPath(job.strInput) != RealPath(other.strInput);
}

// The output layer of a new job: "<title>_<suffix>", shared with the job that has it when
// they write the same; otherwise, when the name is taken, the input's folder name goes in
// front. A database takes them as table names. False when that is taken too.
bool NameJob(const Plan& plan, const OutputFormat& format, const std::string& strName, Job* pJob) {
    const std::string strPrefixed =
        NameFromBytes(CPLGetFilename(FolderOf(pJob->strInput).c_str())) + "_" + strName;
    for (const std::string& strGiven : {strName, strPrefixed}) {
        const std::string strCandidate = format.IsDatabase() ? LaunderName(strGiven) : strGiven;
        pJob->strOutputLayer = strCandidate;
        const Job* poOther = JobWriting(plan, strCandidate);
        if (poOther == nullptr)
            return true;
        if (Shares(*pJob, *poOther)) {
            pJob->bAppend = true;
            return true;
        }
    }
    pJob->strOutputLayer = strName;
    return false;
}

long long ItemCount(OGRLayerH hLayer) {
    const char* psz = GDALGetMetadataItem(hLayer, "ITEM_COUNT", "MAPGIS");
    return psz == nullptr ? 0 : CPLAtoGIntBig(psz);
}

}  // namespace

size_t Plan::OutputLayerCount() const {
    size_t n = 0;
    for (const Job& job : jobs)
        n += job.bAppend ? 0 : 1;
    return n;
}

size_t Plan::ViewsRun(size_t iJob) const {
    size_t nJobs = 1;
    while (iJob + nJobs < jobs.size() && jobs[iJob].poViews != nullptr &&
           jobs[iJob + nJobs].poViews == jobs[iJob].poViews)
        ++nJobs;
    return nJobs;
}

namespace {

// The map layers' views: those of new output layers, then those appending to layers of the
// sheet's other files; each set is read in one pass, the appending one without layer creation
// options.
void AddMapViews(const OutputFormat& format, GDALDatasetH hSource, std::vector<Job>& parts,
                 Plan* pPlan) {
    ViewOptions options;
    options.bCurves = format.bCurves;
    options.bShortNames = format.Traits().bShortNames;
    bool bFirst = true;
    for (bool bAppend : {false, true}) {
        auto poViews = std::make_unique<MapViewDataset>(GDALDataset::FromHandle(hSource));
        for (Job& part : parts) {
            if (part.bAppend != bAppend)
                continue;
            part.poView = poViews->Add(std::make_unique<MapView>(
                OGRLayer::FromHandle(part.hSource), part.strOutputLayer, part.nItems, options));
            part.poViews = poViews.get();
            part.hFrom = GDALDataset::ToHandle(poViews.get());
            part.bFirstOfSource = bFirst;
            bFirst = false;
            pPlan->jobs.push_back(part);
        }
        if (poViews->GetLayerCount() > 0)
            pPlan->views.push_back(std::move(poViews));
    }
}

}  // namespace

bool PlanInput(const Arguments& args, const OutputFormat& format, const std::string& strInput,
               size_t iSource, GDALDatasetH hSource, Plan* pPlan, std::string* pstrError) {
    const std::string strTitle = Title(args, strInput);
    Job job;
    job.iSource = iSource;
    job.strInput = strInput;
    std::vector<Job> parts;
    for (int i = 0; i < GDALDatasetGetLayerCount(hSource); ++i) {
        OGRLayerH hLayer = GDALDatasetGetLayer(hSource, i);
        Job part = job;
        part.hSource = hLayer;
        part.nItems = ItemCount(hLayer);
        if (const char* pszKind = GDALGetMetadataItem(hLayer, "MAP_KIND", "MAPGIS")) {
            part.strPart = pszKind;
            if (!NameJob(*pPlan, format, strTitle + "_" + part.strPart, &part)) {
                *pstrError = part.strOutputLayer;
                return false;
            }
            part.strFromLayer = part.strOutputLayer;
            parts.push_back(part);
            continue;
        }
        const char* pszType = GDALGetMetadataItem(hLayer, "LAYER_TYPE", "MAPGIS");
        const mapgis::LayerKind eLayerKind =
            mapgis::LayerKindFromType(pszType != nullptr ? atoi(pszType) : 0);
        part.hFrom = hSource;
        part.strFromLayer = OGR_L_GetName(hLayer);
        // A typed layer holds one kind, which the sheet's other files may share.
        if (eLayerKind != mapgis::LayerKind::Compound)
            part.strPart = LayerSuffix(strInput, eLayerKind);
        if (!NameJob(*pPlan, format, strTitle + "_" + LayerSuffix(strInput, eLayerKind), &part)) {
            *pstrError = part.strOutputLayer;
            return false;
        }
        pPlan->jobs.push_back(part);
    }
    AddMapViews(format, hSource, parts, pPlan);
    return true;
}

void SortInMapOrder(Plan* pPlan) {
    constexpr std::array<const char*, 6> kMapOrder = {"areas",  "lines", "network",
                                                      "points", "nodes", "texts"};
    const auto rank = [&kMapOrder](const Job& job) {
        return std::find(kMapOrder.begin(), kMapOrder.end(), job.strPart) - kMapOrder.begin();
    };
    // Stable: the job that makes a layer stays ahead of those appending to it.
    std::stable_sort(pPlan->jobs.begin(), pPlan->jobs.end(),
                     [&rank](const Job& a, const Job& b) { return rank(a) < rank(b); });
}

}  // namespace mapgis_import
