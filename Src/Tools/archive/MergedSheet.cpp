// One sheet of a merged archive, imported straight into the merged dataset.
#include "archive/MergedSheet.h"

#include <memory>

#include "archive/Workers.h"
#include "cpl_error.h"
#include "mapgisdriver.h"
#include "ogr_api.h"
#include "plan/ImportPlan.h"
#include "plan/SheetFinder.h"
#include "report/ImportSummary.h"
#include "report/Messages.h"
#include "report/WrittenLayers.h"
#include "run/Destinations.h"
#include "run/Inputs.h"
#include "run/Interrupts.h"
#include "run/PlannedInputs.h"

namespace mapgis_import {

namespace {

// The name the plan gives the sheet's layers (<name>_<kind>), the kind taken from it.
constexpr const char* kPlanName = "sheet";

// The messages of the sheet's import, said as its own import says them, for its report; a
// failure among them fails the sheet.
struct SheetMessages {
    std::string strText;
    bool bFailure = false;
};

void CPL_STDCALL CollectMessage(CPLErr eClass, CPLErrorNum, const char* pszMessage) {
    if (eClass == CE_Debug) {
        CPLDefaultErrorHandler(eClass, CPLE_None, pszMessage);
        return;
    }
    auto* poMessages = static_cast<SheetMessages*>(CPLGetErrorHandlerUserData());
    poMessages->bFailure = poMessages->bFailure || eClass == CE_Failure;
    poMessages->strText += std::string(kProgram) + ": " +
                           (eClass == CE_Warning ? "warning: " : "error: ") + pszMessage + "\n";
}

class SheetIntoMerge {
public:
    SheetIntoMerge(const Arguments& args, const OutputFormat& format, const MergedSheet& sheet,
                   MergedOutput* pMerged);
    ~SheetIntoMerge() { CPLPopErrorHandler(); }
    SheetIntoMerge(const SheetIntoMerge&) = delete;
    SheetIntoMerge& operator=(const SheetIntoMerge&) = delete;

    bool Run(MergedSheetResult* pResult, std::string* pstrMergeError);

private:
    bool CheckInputs();
    bool OpenInputs();
    bool MakeLayers(std::string* pstrMergeError);
    bool WriteFeatures(std::string* pstrMergeError);
    size_t GroupSize(size_t iJob) const;
    bool WriteGroup(size_t iJob, size_t nJobs);
    bool Fail(int nCode, const std::string& strMessage);

    Arguments m_args;  // the archive's, for this sheet
    const OutputFormat& m_format;
    const MergedSheet& m_sheet;
    MergedOutput* m_pMerged;
    SheetMessages m_messages;
    PlannedInputs m_inputs;
    std::vector<MergedTarget> m_targets;  // each job's layer in the merged dataset
    bool m_bWriteFailed = false;
    int m_nExit = kExitOk;
    std::string m_strFailure;
};

SheetIntoMerge::SheetIntoMerge(const Arguments& args, const OutputFormat& format,
                               const MergedSheet& sheet, MergedOutput* pMerged)
    : m_args(args), m_format(format), m_sheet(sheet), m_pMerged(pMerged) {
    m_args.inputs = sheet.inputs;
    m_args.strColors = sheet.strColors;
    m_args.strName = kPlanName;
    CPLPushErrorHandlerEx(CollectMessage, &m_messages);
}

bool SheetIntoMerge::Fail(int nCode, const std::string& strMessage) {
    m_nExit = nCode;
    m_strFailure = strMessage;
    m_messages.strText += std::string(kProgram) + ": " + strMessage + "\n";
    return false;
}

bool SheetIntoMerge::CheckInputs() {
    std::string strWhy;
    for (const std::string& strInput : m_args.inputs) {
        if (!IsReadableFile(strInput, &strWhy))
            return Fail(kExitInput, "cannot read " + mapgis::ShownPath(strInput) + ": " + strWhy);
    }
    if (!m_args.strColors.empty() && (!IsReadableFile(m_args.strColors, &strWhy) ||
                                      !mapgis::CheckColorSource(m_args.strColors, &strWhy))) {
        return Fail(kExitInput, "cannot read colour index file " +
                                    mapgis::ShownPath(m_args.strColors) + ": " + strWhy);
    }
    return true;
}

bool SheetIntoMerge::OpenInputs() {
    int nExit = kExitOk;
    std::string strWhy;
    return OpenPlannedInputs(m_args, m_format, &m_inputs, &nExit, &strWhy) || Fail(nExit, strWhy);
}

// The merged layers of every job, made before any feature is written.
bool SheetIntoMerge::MakeLayers(std::string* pstrMergeError) {
    const size_t nPrefix = std::string(kPlanName).size() + 1;
    for (const Job& job : m_inputs.plan.jobs) {
        OGRLayerH hSource = job.poView != nullptr
                                ? OGRLayer::ToHandle(job.poView)
                                : GDALDatasetGetLayerByName(job.hFrom, job.strFromLayer.c_str());
        m_targets.push_back(m_pMerged->LayerOf(
            m_sheet.strLayers, job.strOutputLayer.substr(nPrefix), hSource, pstrMergeError));
        if (m_targets.back().hLayer == nullptr)
            return false;
    }
    return true;
}

// Consecutive jobs of one input's map views go in one pass over the file when the merged
// dataset takes its layers' features in any order.
size_t SheetIntoMerge::GroupSize(size_t iJob) const {
    return m_pMerged->TakesAnyOrder() ? m_inputs.plan.ViewsRun(iJob) : 1;
}

bool SheetIntoMerge::WriteGroup(size_t iJob, size_t nJobs) {
    const Job& job = m_inputs.plan.jobs[iJob];
    MapViewDataset* poViews = nJobs > 1 ? job.poViews : nullptr;
    if (job.poViews != nullptr)
        job.poViews->SetInterleaved(poViews != nullptr);
    OGRLayerH hSource = job.poView != nullptr
                            ? OGRLayer::ToHandle(job.poView)
                            : GDALDatasetGetLayerByName(job.hFrom, job.strFromLayer.c_str());
    if (poViews != nullptr)
        poViews->ResetReading();
    else
        OGR_L_ResetReading(hSource);
    for (;;) {
        OGRLayer* poFrom = nullptr;
        std::unique_ptr<OGRFeature> poFeature(
            poViews != nullptr ? poViews->GetNextFeature(&poFrom, nullptr, nullptr, nullptr)
                               : OGRFeature::FromHandle(OGR_L_GetNextFeature(hSource)));
        if (poFeature == nullptr || InterruptSignal() != 0)
            return true;
        size_t i = iJob;
        // Features of the views another pass writes are passed over, as a translation does.
        while (poViews != nullptr && i < iJob + nJobs && m_inputs.plan.jobs[i].poView != poFrom)
            ++i;
        if (i < iJob + nJobs &&
            !m_pMerged->Write(m_targets[i], OGRFeature::ToHandle(poFeature.get()), m_sheet.strName))
            return false;
    }
}

bool SheetIntoMerge::WriteFeatures(std::string* pstrMergeError) {
    m_pMerged->BeginFeatures();
    for (size_t iJob = 0; iJob < m_inputs.plan.jobs.size() && InterruptSignal() == 0;) {
        const size_t nJobs = GroupSize(iJob);
        if (!WriteGroup(iJob, nJobs)) {
            *pstrMergeError = "cannot write sheet " + m_sheet.strName + ": " + CPLGetLastErrorMsg();
            m_bWriteFailed = true;
            return false;
        }
        iJob += nJobs;
    }
    if (InterruptSignal() != 0)
        return Fail(128 + InterruptSignal(), "interrupted; no output written");
    if (m_messages.bFailure)
        return Fail(kExitInput, "cannot import sheet " + m_sheet.strName);
    if (NothingWritten(m_inputs.plan))
        return Fail(kExitInput, "no layer to write: the inputs hold no item to import");
    return true;
}

bool SheetIntoMerge::Run(MergedSheetResult* pResult, std::string* pstrMergeError) {
    std::vector<InputAccount> accounts;
    if (CheckInputs() && OpenInputs()) {
        if (!MakeLayers(pstrMergeError))
            return false;
        const bool bWritten = WriteFeatures(pstrMergeError);
        if (m_bWriteFailed)
            return false;
        for (size_t i = 0; bWritten && i < m_inputs.sources.size(); ++i)
            accounts.push_back(CollectAccount(m_inputs.sources[i].get(), m_args.inputs[i]));
        if (!m_pMerged->EndSheet(bWritten, pstrMergeError))
            return false;
    }
    pResult->nStatus = m_nExit;
    pResult->strWhy = FailureMessage(m_messages.strText);
    pResult->lines = ReportLines(m_args.inputs, accounts, m_args.strName, std::string(),
                                 m_args.strColors, m_nExit, m_strFailure);
    return true;
}

}  // namespace

bool ImportMergedSheet(const Arguments& args, const OutputFormat& format, const MergedSheet& sheet,
                       MergedOutput* pMerged, MergedSheetResult* pResult,
                       std::string* pstrMergeError) {
    SheetIntoMerge import(args, format, sheet, pMerged);
    return import.Run(pResult, pstrMergeError);
}

}  // namespace mapgis_import
