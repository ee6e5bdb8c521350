// One run of mapgis-import in phases: check the inputs, open them through the MAPGIS driver,
// translate every layer into the output, put the output in place, print the summary.
#include "run/ImportRunner.h"

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <numeric>
#include <optional>

#include "cpl_conv.h"
#include "cpl_string.h"
#include "gdal.h"
#include "gdal_utils.h"
#include "mapgisdriver.h"
#include "ogr_srs_api.h"
#include "output/Connection.h"
#include "output/GpkgPageSize.h"
#include "output/OutputFormat.h"
#include "output/PostgisOutput.h"
#include "output/SafeOutput.h"
#include "output/kml/KmlStyles.h"
#include "plan/ImportPlan.h"
#include "plan/SheetFinder.h"
#include "report/ImportSummary.h"
#include "report/Messages.h"
#include "report/WrittenLayers.h"
#include "run/CadDrawing.h"
#include "run/Destinations.h"
#include "run/Inputs.h"
#include "run/Interrupts.h"
#include "run/PlannedInputs.h"
#include "run/Progress.h"
#include "styles/DriverStyles.h"
#include "styles/GpkgProject.h"
#include "styles/LayerStyles.h"

namespace mapgis_import {

namespace {

// Errors and warnings to standard error in the program's voice, naming the output the user
// asked for rather than the temporary one being written.
void CPL_STDCALL ReportError(CPLErr eClass, CPLErrorNum, const char* pszMessage) {
    if (eClass == CE_Debug) {
        CPLDefaultErrorHandler(eClass, CPLE_None, pszMessage);
        return;
    }
    auto* poOutput = static_cast<SafeOutput*>(CPLGetErrorHandlerUserData());
    if (eClass == CE_Failure)
        poOutput->NoteFailure();
    std::fprintf(stderr, "%s: %s: %s\n", kProgram, eClass == CE_Warning ? "warning" : "error",
                 poOutput->Shown(pszMessage).c_str());
}

// Called for every feature written: passes progress on when it is shown, and stops the
// translation when a signal came.
int CPL_STDCALL TranslationProgress(double dComplete, const char* pszMessage, void* pData) {
    if (InterruptSignal() != 0)
        return FALSE;
    if (pData != nullptr)
        return GDALScaledProgress(dComplete, pszMessage, pData);
    return TRUE;
}

// GDAL's errors and warnings in the program's voice for as long as an import runs.
class ErrorsVoiced {
public:
    explicit ErrorsVoiced(SafeOutput* poOutput) { CPLPushErrorHandlerEx(ReportError, poOutput); }
    ~ErrorsVoiced() { CPLPopErrorHandler(); }
    ErrorsVoiced(const ErrorsVoiced&) = delete;
    ErrorsVoiced& operator=(const ErrorsVoiced&) = delete;
};

// An import of files into one output, phase by phase. Each phase returns false once the
// import has failed, with the exit status in m_nExit and the message said.
class ImportRun {
public:
    ImportRun(const Arguments& args, ImportOutcome* pOutcome)
        : m_args(args), m_pOutcome(pOutcome), m_progress(args) {}
    ~ImportRun();
    ImportRun(const ImportRun&) = delete;
    ImportRun& operator=(const ImportRun&) = delete;

    int Run();

private:
    bool CheckInputs();
    bool WriteDriverStyles();
    bool CheckStyleAndColorSources();
    bool ChooseOutputFormat();
    bool OpenInputs();
    bool PrepareOutput();
    bool ClaimOutput();
    bool TranslateLayers();
    bool WriteDrawing();
    bool TranslationOrder(std::vector<size_t>* pOrder);
    size_t GroupSize(size_t iJob, GDALDatasetH* phDst);
    bool TranslateGroup(size_t iJob, size_t nJobs, GDALDatasetH hDst);
    CPLStringList TranslationArguments(size_t iJob, size_t nJobs, GDALDatasetH hDst) const;
    void NoteWrittenNames(size_t iJob, size_t nJobs, GDALDatasetH hOut, int nBefore);
    std::string TargetLayer(const Job& job) const;
    bool TakeAccounts();
    bool WriteStyles();
    bool WriteProject(const std::vector<StyledLayer>& styled);
    void PublishedTables();
    void TakeSummaryFigures();
    void CloseInputs();
    bool CloseOutputs();
    bool PutInPlace();
    void Summarise();

    bool Fail(int nCode, const std::string& strMessage);
    bool FailWriting(const std::string& strMessage);
    bool Interrupted();

    const Arguments& m_args;
    ImportOutcome* m_pOutcome;
    SafeOutput m_output;
    ErrorsVoiced m_errors{&m_output};
    ProgressShown m_progress;
    OutputFormat m_format;
    PlannedInputs m_inputs;    // open until the summary's figures are in
    bool m_bFolder = false;    // a format of one layer per file: a folder of files
    bool m_bDatabase = false;  // PostgreSQL
    std::string m_strOutput;
    std::string m_strShown;             // the output as messages show it: never a password
    std::vector<std::string> m_tables;  // the output layers made (not appended to)
    Replacing m_eReplacing = Replacing::Nothing;
    std::unique_ptr<PostgisOutput> m_poDatabase;
    bool m_bPartialTables = false;  // partial tables may exist, to be dropped unless published
    std::unique_ptr<Destinations> m_poDestinations;
    std::optional<CPLConfigOptionSetter> m_pageSize;
    long long m_nAllItems = 0;
    long long m_nDone = 0;
    std::vector<InputAccount> m_accounts;
    std::vector<PublishedTable> m_published;
    std::vector<LayerResult> m_results;
    SystemSummary m_system;
    int m_nExit = kExitOk;
};

ImportRun::~ImportRun() {
    // The outputs are closed before partial tables go: their connection lets go of them.
    m_pageSize.reset();
    m_poDestinations.reset();
    if (m_bPartialTables)
        m_poDatabase->DropPartials(m_tables);
}

bool ImportRun::Fail(int nCode, const std::string& strMessage) {
    m_pOutcome->strError = strMessage;
    m_nExit = mapgis_import::Fail(nCode, strMessage);
    return false;
}

// The output could not be written: said naming the output asked for, and a full device.
bool ImportRun::FailWriting(const std::string& strMessage) {
    m_output.NoteFailure();
    return Fail(kExitOutput, m_output.Explained(strMessage) + "; nothing written");
}

// Exit status for a run stopped by a signal, as shells report it.
bool ImportRun::Interrupted() {
    return Fail(128 + InterruptSignal(), "interrupted; no output written");
}

int ImportRun::Run() {
    // Registered first, so that a copy of the driver that GDAL loads from GDAL_DRIVER_PATH
    // finds the name taken and stays out.
    RegisterOGRMAPGIS();
    RegisterWriters(m_args.strFormat, m_args.strOutput);
    if (!CheckInputs())
        return m_nExit;
    if (m_args.bStyleOnly)
        return WriteDriverStyles() ? kExitOk : m_nExit;
    // Everything the command line names is checked before an input is read: a large sheet's
    // pre-read takes seconds.
    if (!CheckStyleAndColorSources() || !ChooseOutputFormat())
        return m_nExit;
    CatchInterrupts();
    if (!OpenInputs() || !PrepareOutput() || !TranslateLayers() || !TakeAccounts() ||
        !WriteStyles())
        return m_nExit;
    // The summary's figures are taken while the inputs are open.
    TakeSummaryFigures();
    // Closed before the outputs, the inputs leave their memory to what closing needs
    // (Shapefile's record table, written whole) and to the spatial indexes.
    CloseInputs();
    // Closing writes what the writers held back; the indexes are packed into closed files.
    if (!CloseOutputs())
        return m_nExit;
    // Only a complete output is published or moved into place.
    if (!PutInPlace())
        return m_nExit;
    // Said once the output is where it belongs, never before.
    m_progress.Complete();
    Summarise();
    return kExitOk;
}

bool ImportRun::CheckInputs() {
    for (const std::string& strInput : m_args.inputs) {
        std::string strWhy;
        if (!IsReadableFile(strInput, &strWhy))
            return Fail(kExitInput, "cannot read " + mapgis::ShownPath(strInput) + ": " + strWhy);
        if (!IsExchangeFile(strInput)) {
            return Fail(kExitInput, mapgis::ShownPath(strInput) + ": unknown extension \"" +
                                        mapgis::ShownPath(CPLGetExtension(strInput.c_str())) +
                                        "\" (expected .wat, .wal, .wap or .wan)");
        }
    }
    return true;
}

// The style QGIS loads for a file it opens through the driver, beside each input.
bool ImportRun::WriteDriverStyles() {
    std::string strError;
    const int nExit = mapgis_import::WriteDriverStyles(m_args, &strError);
    return nExit == kExitOk || Fail(nExit, strError);
}

bool ImportRun::CheckStyleAndColorSources() {
    std::string strWhy;
    if (!m_args.strColors.empty() && (!IsReadableFile(m_args.strColors, &strWhy) ||
                                      !mapgis::CheckColorSource(m_args.strColors, &strWhy))) {
        return Fail(kExitInput, "cannot read colour index file " +
                                    mapgis::ShownPath(m_args.strColors) + ": " + strWhy);
    }
    if (!CheckStyleSources(m_args, &strWhy))
        return Fail(kExitInput, strWhy);
    return true;
}

bool ImportRun::ChooseOutputFormat() {
    std::string strWhy;
    int nExit = kExitOk;
    if (!ChooseFormat(m_args, &m_format, &nExit, &strWhy))
        return Fail(nExit, strWhy);
    m_bDatabase = m_format.IsDatabase();
    if (!m_bDatabase && !m_args.strOutput.empty() && !CanWriteBeside(m_args.strOutput, &strWhy))
        return Fail(kExitOutput, strWhy);
    return true;
}

bool ImportRun::OpenInputs() {
    int nExit = kExitOk;
    std::string strWhy;
    return OpenPlannedInputs(m_args, m_format, &m_inputs, &nExit, &strWhy) || Fail(nExit, strWhy);
}

bool ImportRun::PrepareOutput() {
    // Several files in a format of one layer per file: a folder of files, so that the output
    // is replaced in one step.
    m_bFolder = m_format.bOneLayer &&
                (m_inputs.plan.OutputLayerCount() > 1 || m_format.Traits().bSeveralFiles);
    m_strOutput = m_args.strOutput;
    const std::string& strExt = m_format.strExtension;
    if (m_strOutput.empty()) {
        m_strOutput = DefaultOutput(m_args.inputs[0], m_format, m_bFolder);
    } else if (m_bFolder && !strExt.empty() &&
               EQUAL(CPLGetExtension(m_strOutput.c_str()), strExt.c_str())) {
        m_strOutput.erase(m_strOutput.size() - strExt.size() - 1);
    }
    for (const Job& job : m_inputs.plan.jobs) {
        if (!job.bAppend)
            m_tables.push_back(job.strOutputLayer);
        m_nAllItems += job.nItems;
    }
    m_strShown = m_bDatabase ? PublicConnection(m_strOutput) : m_strOutput;
    std::string strError;
    if (!m_bDatabase)
        m_eReplacing = MayReplace(m_args, m_format, m_bFolder, m_strOutput, m_tables, &strError);
    if (!strError.empty())
        return Fail(kExitOutput, strError);
    return ClaimOutput();
}

// The database connected, or the temporary output begun; then where the layers go.
bool ImportRun::ClaimOutput() {
    std::string strError;
    if (m_bDatabase) {
        const std::string strSchema = SchemaOrPublic(m_args.strSchema);
        m_poDatabase = std::make_unique<PostgisOutput>(m_strOutput, strSchema);
        if (!m_poDatabase->Open(&strError))
            return Fail(kExitOutput, strError);
        const std::vector<std::string> existing = m_poDatabase->Existing(m_tables);
        if (!existing.empty() && !m_args.bOverwrite) {
            return Fail(kExitOutput, "the table " + strSchema + "." + existing[0] +
                                         " exists; use --overwrite to replace the sheet's tables");
        }
    } else if (!m_output.Begin(m_strOutput, &strError)) {
        return Fail(kExitOutput, strError);
    }
    if (m_bFolder && VSIMkdir(m_output.WorkPath().c_str(), 0755) != 0)
        return Fail(kExitOutput, "cannot make the folder " + m_strOutput);
    // Whatever stops the import from here leaves no partial table behind.
    m_bPartialTables = m_bDatabase;
    m_poDestinations = std::make_unique<Destinations>(
        m_bDatabase ? m_strOutput : m_output.WorkPath(), m_bFolder, m_format.strExtension);
    // A GeoPackage in pages as large as its size allows, unless the user sets SQLite's pragmas.
    if (m_format.Traits().ePacking == IndexPacking::GeoPackage) {
        const int nPage = GpkgPageSize(InputBytes(m_args.inputs));
        m_pageSize.emplace("OGR_SQLITE_PRAGMA", CPLSPrintf("page_size=%d", nPage), true);
    }
    return true;
}

// The order the jobs are translated in: the plan's, unless several layers go into one file
// whose writer closes a layer when it makes the next (GDAL's KML writer): then the jobs of a
// layer go one after the other, a sheet's other files appending to it right away. False
// when the file cannot be made.
bool ImportRun::TranslationOrder(std::vector<size_t>* pOrder) {
    std::vector<size_t>& order = *pOrder;
    order.resize(m_inputs.plan.jobs.size());
    std::iota(order.begin(), order.end(), size_t{0});
    const auto first = [this](size_t iJob) {
        for (size_t i = 0; i < m_inputs.plan.jobs.size(); ++i) {
            if (m_inputs.plan.jobs[i].strOutputLayer == m_inputs.plan.jobs[iJob].strOutputLayer)
                return i;
        }
        return iJob;
    };
    std::vector<size_t> byLayer = order;
    std::stable_sort(byLayer.begin(), byLayer.end(),
                     [&first](size_t a, size_t b) { return first(a) < first(b); });
    if (m_bFolder || m_bDatabase || byLayer == order)
        return true;
    const std::string strPath = m_poDestinations->PathOf(m_inputs.plan.jobs[0].strOutputLayer);
    GDALDatasetH hDst = m_poDestinations->Find(strPath);
    if (hDst == nullptr) {
        hDst = GDALCreate(m_format.hDriver, strPath.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
        if (hDst == nullptr)
            return false;
        m_poDestinations->Keep(strPath, hDst);
    }
    if (!GDALDatasetTestCapability(hDst, ODsCRandomLayerWrite))
        order = byLayer;
    return true;
}

bool ImportRun::TranslateLayers() {
    if (m_format.Traits().bCad)
        return WriteDrawing();
    std::vector<size_t> order;
    if (!TranslationOrder(&order))
        return FailWriting("cannot write " + m_strShown);
    for (size_t k = 0; k < order.size();) {
        const size_t iJob = order[k];
        GDALDatasetH hDst = nullptr;
        const size_t nJobs = GroupSize(iJob, &hDst);
        if (nJobs == 0)
            return FailWriting("cannot write " + m_strShown);
        if (!TranslateGroup(iJob, nJobs, hDst))
            return false;
        k += nJobs;
    }
    if (NothingWritten(m_inputs.plan))
        return Fail(kExitInput, "no layer to write: the inputs hold no item to import");
    return true;
}

// DXF: one drawing of every layer, by our writer rather than GDAL's translation.
bool ImportRun::WriteDrawing() {
    const DrawingResult result = WriteCadDrawing(m_args, m_output.WorkPath(), &m_inputs.plan);
    if (InterruptSignal() != 0)
        return Interrupted();
    if (!result.bOk)
        return FailWriting("cannot write " + m_strShown);
    if (result.nEscaped > 0) {
        CPLError(CE_Warning, CPLE_AppDefined,
                 "%s: %d character(s) that GBK lacks are written as \\U+XXXX escapes",
                 m_strShown.c_str(), result.nEscaped);
    }
    m_nDone = m_nAllItems;
    if (m_progress.IsShown())
        m_progress.Show(1.0);
    if (NothingWritten(m_inputs.plan))
        return Fail(kExitInput, "no layer to write: the inputs hold no item to import");
    return true;
}

// How many jobs from iJob go in one translation, with the dataset they go to (null: made by
// the translation); 0 when the dataset cannot be made. A compound layer's views go in one
// pass when the writer takes its layers' features in any order; its dataset is made here to
// ask.
size_t ImportRun::GroupSize(size_t iJob, GDALDatasetH* phDst) {
    const std::string strPath = m_poDestinations->PathOf(m_inputs.plan.jobs[iJob].strOutputLayer);
    *phDst = m_poDestinations->Find(strPath);
    size_t nJobs = m_bFolder ? 1 : m_inputs.plan.ViewsRun(iJob);
    if (nJobs > 1 && *phDst == nullptr) {
        *phDst = GDALCreate(m_format.hDriver, strPath.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
        if (*phDst == nullptr)
            return 0;
        m_poDestinations->Keep(strPath, *phDst);
    }
    if (nJobs > 1 && !GDALDatasetTestCapability(*phDst, ODsCRandomLayerWrite))
        nJobs = 1;
    return nJobs;
}

CPLStringList ImportRun::TranslationArguments(size_t iJob, size_t nJobs, GDALDatasetH hDst) const {
    const Job& job = m_inputs.plan.jobs[iJob];
    CPLStringList aosArgs;
    if (hDst == nullptr)
        aosArgs.AddString("-f").AddString(m_format.strName.c_str());
    if (job.bAppend)
        aosArgs.AddString("-append");
    else if (m_bDatabase)
        aosArgs.AddString("-overwrite");  // a partial table an earlier run left
    if (nJobs == 1) {
        aosArgs.AddString("-nln").AddString(TargetLayer(job).c_str());
    }
    // The layer's description is written from the accounts once every layer has been
    // read; copied from the source, it would make the driver read the layer ahead.
    aosArgs.AddString("-nomd");
    // GDAL's translation reports its progress feature by feature only when told to, and only
    // from layers that know their count before reading: the map layers' views.
    const auto first = m_inputs.plan.jobs.begin() + static_cast<std::ptrdiff_t>(iJob);
    if (m_progress.IsShown() &&
        std::all_of(first, first + static_cast<std::ptrdiff_t>(nJobs),
                    [](const Job& member) { return member.poView != nullptr; }))
        aosArgs.AddString("-progress");
    const CPLStringList& aosOptions = m_format.aosOptions;
    for (int i = 0; i < aosOptions.size(); ++i) {
        // Layer creation options would only draw a warning on a layer that exists.
        if (job.bAppend && EQUAL(aosOptions[i], "-lco")) {
            ++i;
            continue;
        }
        aosArgs.AddString(aosOptions[i]);
    }
    for (size_t i = iJob; i < iJob + nJobs; ++i) {
        const Job& member = m_inputs.plan.jobs[i];
        aosArgs.AddString(member.poView != nullptr ? member.poView->GetName()
                                                   : member.strFromLayer.c_str());
    }
    return aosArgs;
}

bool ImportRun::TranslateGroup(size_t iJob, size_t nJobs, GDALDatasetH hDst) {
    const Job& job = m_inputs.plan.jobs[iJob];
    long long nItems = 0;
    for (size_t i = iJob; i < iJob + nJobs; ++i) {
        const Job& member = m_inputs.plan.jobs[i];
        nItems += member.nItems;
        if (member.poView != nullptr)
            member.poView->Rename(TargetLayer(member));
    }
    if (job.poViews != nullptr) {
        job.poViews->SetInterleaved(nJobs > 1);
        // Read through the dataset, from the first item; layer by layer, each view's
        // reading is reset by the translation itself.
        if (nJobs > 1)
            job.poViews->ResetReading();
    }
    GDALVectorTranslateOptions* psOptions =
        GDALVectorTranslateOptionsNew(TranslationArguments(iJob, nJobs, hDst).List(), nullptr);
    void* pScaled = nullptr;
    if (m_progress.IsShown()) {
        const double dTotal = m_nAllItems > 0 ? static_cast<double>(m_nAllItems) : 1.0;
        pScaled = GDALCreateScaledProgress(m_nDone / dTotal, (m_nDone + nItems) / dTotal,
                                           m_progress.Function(), m_progress.Data());
    }
    GDALVectorTranslateOptionsSetProgress(psOptions, TranslationProgress, pScaled);
    const std::string strPath = m_poDestinations->PathOf(job.strOutputLayer);
    const int nBefore = hDst != nullptr ? GDALDatasetGetLayerCount(hDst) : 0;
    GDALDatasetH hFrom = job.hFrom;
    GDALDatasetH hResult =
        GDALVectorTranslate(hDst ? nullptr : strPath.c_str(), hDst, 1, &hFrom, psOptions, nullptr);
    GDALVectorTranslateOptionsFree(psOptions);
    GDALDestroyScaledProgress(pScaled);
    if (hResult != nullptr && hDst == nullptr)
        m_poDestinations->Keep(strPath, hResult);
    if (InterruptSignal() != 0)
        return Interrupted();
    if (hResult == nullptr) {
        const std::string strLost = m_bDatabase ? m_poDatabase->LostServer() : std::string();
        return FailWriting("cannot write layer " + job.strOutputLayer + " to " + m_strShown +
                           (strLost.empty() ? "" : ": " + strLost));
    }
    NoteWrittenNames(iJob, nJobs, hDst != nullptr ? hDst : hResult, nBefore);
    m_nDone += nItems;
    // A step done, whether or not the translation reported on its way.
    if (m_progress.IsShown())
        m_progress.Show(static_cast<double>(m_nDone) / std::max(m_nAllItems, 1LL));
    return true;
}

// GDAL's writers launder names (a File Geodatabase's may not begin with a digit): the names
// of the layers made are read back for the layers appended to, the styles, the descriptions
// and the summary. A translation adds its new layers after the dataset's others.
void ImportRun::NoteWrittenNames(size_t iJob, size_t nJobs, GDALDatasetH hOut, int nBefore) {
    int iLayer = nBefore;
    for (size_t i = iJob; i < iJob + nJobs; ++i) {
        Job& member = m_inputs.plan.jobs[i];
        if (member.bAppend)
            continue;
        member.strWritten = member.strOutputLayer;
        // A database's dataset lists every table of its schema; its names are kept as given.
        OGRLayerH hLayer = m_bDatabase ? nullptr : GDALDatasetGetLayer(hOut, iLayer++);
        if (hLayer != nullptr &&
            GDALDatasetGetLayerByName(hOut, member.strOutputLayer.c_str()) == nullptr)
            member.strWritten = OGR_L_GetName(hLayer);
        for (size_t j = i + 1; j < m_inputs.plan.jobs.size(); ++j) {
            if (m_inputs.plan.jobs[j].bAppend &&
                m_inputs.plan.jobs[j].strOutputLayer == member.strOutputLayer)
                m_inputs.plan.jobs[j].strWritten = member.strWritten;
        }
    }
}

// The layer a job's features go to: a new one as planned, else the one made before.
std::string ImportRun::TargetLayer(const Job& job) const {
    if (m_bDatabase)
        return m_poDatabase->PartialLayer(job.strOutputLayer);
    return job.bAppend ? job.strWritten : job.strOutputLayer;
}

// Every layer has been read: the accounts are complete, and a format that keeps layer
// descriptions gets them.
bool ImportRun::TakeAccounts() {
    for (size_t i = 0; i < m_inputs.sources.size(); ++i)
        m_accounts.push_back(CollectAccount(m_inputs.sources[i].get(), m_args.inputs[i]));
    if (!m_format.Traits().bDescriptions)
        return true;
    for (const Job& job : m_inputs.plan.jobs) {
        GDALDatasetH hDst = m_poDestinations->Find(m_poDestinations->PathOf(job.strOutputLayer));
        OGRLayerH hLayer = GDALDatasetGetLayerByName(hDst, job.strWritten.c_str());
        if (hLayer != nullptr && !job.bAppend) {
            GDALSetMetadataItem(
                hLayer, "DESCRIPTION",
                LayerDescription(m_inputs.plan, job.strOutputLayer, m_accounts).c_str(), nullptr);
        }
    }
    return true;
}

bool ImportRun::WriteStyles() {
    if (m_bDatabase) {
        PublishedTables();
        return true;
    }
    if (m_args.bNoStyle)
        return true;
    std::vector<StyledLayer> styled;
    for (const Job& job : m_inputs.plan.jobs) {
        if (!job.bAppend) {
            styled.push_back({m_poDestinations->PathOf(job.strOutputLayer), job.strWritten,
                              DrawingOf(job.strPart)});
        }
    }
    const Destinations& destinations = *m_poDestinations;
    std::string strError;
    if (!mapgis_import::WriteStyles(
            StyleHomeOf(m_format, m_bFolder), styled,
            [&destinations](const std::string& strPath) { return destinations.Find(strPath); },
            &strError)) {
        return FailWriting(strError);
    }
    return StyleHomeOf(m_format, m_bFolder) != StyleHome::GeoPackage || WriteProject(styled);
}

// A GeoPackage also keeps a QGIS project named after the sheet, its layers in map order.
bool ImportRun::WriteProject(const std::vector<StyledLayer>& styled) {
    GDALDatasetH hDst = m_poDestinations->Find(styled[0].strPath);
    std::vector<ProjectLayer> layers;
    for (const StyledLayer& layer : styled) {
        OGRLayerH hLayer = GDALDatasetGetLayerByName(hDst, layer.strName.c_str());
        std::string strQml, strSld;
        if (hLayer != nullptr)
            LayerStyleOf(hLayer, layer.strName, layer.eDrawing, &strQml, &strSld);
        layers.push_back({layer.strName, strQml});
    }
    const std::string strTitle =
        m_args.strName.empty() ? CPLGetBasename(m_args.inputs[0].c_str()) : m_args.strName;
    std::string strError;
    if (!WriteGpkgProject(hDst, CPLGetFilename(m_strOutput.c_str()), strTitle, layers, &strError))
        return FailWriting(strError);
    return true;
}

// A database's tables as they are to be published: their descriptions and styles.
void ImportRun::PublishedTables() {
    GDALDatasetH hDst = m_poDestinations->Find(m_strOutput);
    for (const std::string& strTable : m_tables) {
        PublishedTable table;
        table.strName = strTable;
        table.strDescription = LayerDescription(m_inputs.plan, strTable, m_accounts);
        OGRLayerH hLayer =
            GDALDatasetGetLayerByName(hDst, m_poDatabase->PartialLayer(strTable).c_str());
        if (!m_args.bNoStyle && hLayer != nullptr) {
            for (const Job& job : m_inputs.plan.jobs) {
                if (job.strOutputLayer == strTable && !job.bAppend)
                    LayerStyleOf(hLayer, strTable, DrawingOf(job.strPart), &table.strQml,
                                 &table.strSld);
            }
        }
        m_published.push_back(std::move(table));
    }
}

void ImportRun::TakeSummaryFigures() {
    if (m_args.bQuiet)
        return;
    for (const Job& job : m_inputs.plan.jobs)
        m_results.push_back(ResultOf(job));
    m_system.strSystem = DescribeSystem(m_inputs.plan.jobs[0].hSource);
    m_system.strScale = m_args.strScale;
    m_system.strOffset = m_args.strOffset;
}

void ImportRun::CloseInputs() {
    m_inputs.plan = Plan();  // its views read the inputs: they go first
    m_inputs.sources.clear();
    // What a large file's inputs held (its index, its census) goes back to the system before
    // the indexes are packed. A sheet's little is left for the next sheet of a worker: each
    // page handed back costs a fault when it is taken again.
    constexpr size_t kWorthReturning = 8 << 20;
    if (mallinfo2().fordblks >= kWorthReturning)
        malloc_trim(0);
}

// Closing an output writes what its writer held back; a failure then means the data did not
// get to disk. The spatial indexes are packed into the closed files.
bool ImportRun::CloseOutputs() {
    if (!m_poDestinations->CloseAll() || m_output.WritesFailed())
        return FailWriting("writing " + m_strShown + " failed");
    std::string strError;
    if (!m_bDatabase && !PackIndexes(m_format, m_output.WorkPath(), &strError))
        return FailWriting(strError);
    if (m_format.Traits().eStyles == StyleStore::KmlPlacemarks && !m_args.bNoStyle &&
        !RestyleKml(m_output.WorkPath(), &strError))
        return FailWriting(strError);
    return true;
}

// The tables published, or the files moved into place.
bool ImportRun::PutInPlace() {
    // A signal that comes from here on waits until the output is in place: it either stops
    // the import before, or finds it complete.
    InterruptsHeld held;
    if (InterruptSignal() != 0)
        return Interrupted();
    std::string strError;
    if (m_bDatabase) {
        const std::string strSheet = LaunderName(
            m_args.strName.empty() ? CPLGetBasename(m_args.inputs[0].c_str()) : m_args.strName);
        if (!m_poDatabase->Publish(strSheet, m_published, m_args.inputs, m_args.bOverwrite,
                                   &strError))
            return Fail(kExitOutput, strError + "; nothing written");
        m_bPartialTables = false;
    } else if (!m_output.Commit(m_eReplacing, &strError)) {
        return Fail(kExitOutput, m_output.Explained(strError));
    }
    m_pOutcome->strOutput = m_strShown;
    m_pOutcome->accounts = m_accounts;
    return true;
}

void ImportRun::Summarise() {
    if (m_args.bQuiet)
        return;
    PrintSummary(stdout, m_strShown, m_results, m_accounts, m_system);
    if (m_args.strColors.empty() && m_args.strLibraryDir.empty() && !m_args.bTyped)
        std::printf(
            "  colours: no colour source, items are drawn grey; name a colour index "
            "or Pcolor.lib with --colors FILE\n");
}

}  // namespace

int RunImport(const Arguments& args, ImportOutcome* pOutcome) {
    ImportRun run(args, pOutcome);
    return run.Run();
}

}  // namespace mapgis_import
