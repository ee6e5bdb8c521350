// One run of mapgis-import: check the inputs, open them through the MAPGIS driver, translate
// every layer into the output, print the summary.
#include "ImportRunner.h"

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

#include "ImportPlan.h"
#include "ImportSummary.h"
#include "LayerStyles.h"
#include "OutputFormat.h"
#include "PostgisOutput.h"
#include "SafeOutput.h"
#include "SheetFinder.h"
#include "cpl_conv.h"
#include "cpl_string.h"
#include "gdal.h"
#include "gdal_utils.h"
#include "mapgissource.h"
#include "ogr_mapgis.h"
#include "ogr_srs_api.h"

namespace mapgis_import {

namespace {

constexpr const char* kProgram = "mapgis-import";

struct DatasetCloser {
    void operator()(void* h) const { GDALClose(h); }
};
using DatasetPtr = std::unique_ptr<void, DatasetCloser>;

int Fail(ImportOutcome* pOutcome, int nCode, const std::string& strMessage) {
    std::fprintf(stderr, "%s: %s\n", kProgram, strMessage.c_str());
    pOutcome->strError = strMessage;
    return nCode;
}

// The output could not be written: said naming the output asked for, and a full device.
int FailWriting(ImportOutcome* pOutcome, SafeOutput& output, const std::string& strMessage) {
    output.NoteFailure();
    return Fail(pOutcome, kExitOutput, output.Explained(strMessage) + "; nothing written");
}

// Item positions in the reader's index are 32-bit.
constexpr long long kMaxInputSize = (1LL << 31) - 1;

bool IsReadableFile(const std::string& strPath, std::string* pstrWhy) {
    // Asked of the file system only: opening a FIFO blocks until something writes to it.
    *pstrWhy = mapgis::WhyNotAFile(strPath);
    if (!pstrWhy->empty())
        return false;
    VSIStatBufL sStat;
    if (VSIStatL(strPath.c_str(), &sStat) != 0) {
        *pstrWhy = "no such file";
        return false;
    }
    if (static_cast<long long>(sStat.st_size) > kMaxInputSize) {
        *pstrWhy = std::to_string(static_cast<long long>(sStat.st_size)) +
                   " bytes: files of 2 GiB or more cannot be imported (item positions are "
                   "32-bit)";
        return false;
    }
    if (access(strPath.c_str(), R_OK) != 0) {
        *pstrWhy = "permission denied";
        return false;
    }
    return true;
}

// The driver's mode: the map layers unless asked otherwise; DXF takes every item through them.
const char* ModeOf(const Arguments& args, const OutputFormat& format) {
    if (args.bTyped)
        return "TYPED";
    return args.bCompound && !format.bCad ? "COMPOUND" : "MAP";
}

DatasetPtr OpenInput(const std::string& strPath, const Arguments& args,
                     const OutputFormat& format) {
    CPLStringList aosOpen;
    aosOpen.SetNameValue("MODE", ModeOf(args, format));
    aosOpen.SetNameValue("ENCODING", args.strEncoding.c_str());
    aosOpen.SetNameValue("ACCOUNT", "YES");
    // The plug-in reads on the second core while the writer writes: a line file's import
    // takes a fifth less.
    aosOpen.SetNameValue("READ_AHEAD", "YES");
    aosOpen.SetNameValue("REPAIR", args.bNoRepair ? "NO" : "YES");
    const std::string strColors = !args.strColors.empty() || args.strLibraryDir.empty()
                                      ? args.strColors
                                      : ColorLibraryIn(args.strLibraryDir);
    if (!strColors.empty())
        aosOpen.SetNameValue("COLOR_INDEX", strColors.c_str());
    if (!args.strFontMap.empty())
        aosOpen.SetNameValue("FONT_MAP", args.strFontMap.c_str());
    if (!args.strName.empty())
        aosOpen.SetNameValue("NAME", args.strName.c_str());
    if (!args.strSrs.empty())
        aosOpen.SetNameValue("SRS", args.strSrs.c_str());
    if (!args.strScale.empty())
        aosOpen.SetNameValue("SCALE", args.strScale.c_str());
    if (!args.strOffset.empty())
        aosOpen.SetNameValue("OFFSET", args.strOffset.c_str());
    const char* const apszDrivers[] = {"MAPGIS", nullptr};
    return DatasetPtr(GDALOpenEx(strPath.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, apszDrivers,
                                 aosOpen.List(), nullptr));
}

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

// Exit status for a run stopped by a signal, as shells report it.
int Interrupted(ImportOutcome* pOutcome) {
    return Fail(pOutcome, 128 + InterruptSignal(), "interrupted; no output written");
}

// Called for every feature written: passes progress on to the terminal when asked to, and
// stops the translation when a signal came.
int CPL_STDCALL Progress(double dComplete, const char* pszMessage, void* pData) {
    if (InterruptSignal() != 0)
        return FALSE;
    if (pData != nullptr)
        return GDALScaledProgress(dComplete, pszMessage, pData);
    return TRUE;
}

// "EPSG:4527 (CGCS2000 / 3-degree Gauss-Kruger zone 39)", or empty without a system.
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

// Where the output layers go: into one dataset, or, for a format of one layer per file,
// each into its own file in the output folder.
class Destinations {
public:
    Destinations(std::string strWork, bool bFolder, std::string strExtension)
        : m_strWork(std::move(strWork)), m_bFolder(bFolder), m_strExt(std::move(strExtension)) {}

    // The path of the dataset the layer goes to.
    std::string PathOf(const std::string& strLayer) const {
        if (!m_bFolder)
            return m_strWork;
        return CPLFormFilename(m_strWork.c_str(), strLayer.c_str(),
                               m_strExt.empty() ? nullptr : m_strExt.c_str());
    }
    // The dataset written at the path so far, or null.
    GDALDatasetH Find(const std::string& strPath) const {
        for (const auto& entry : m_open) {
            if (entry.first == strPath)
                return entry.second.get();
        }
        return nullptr;
    }
    void Keep(const std::string& strPath, GDALDatasetH hDataset) {
        m_open.emplace_back(strPath, DatasetPtr(hDataset));
    }
    // Closes every dataset; false when closing one reported a failure (the data did not get
    // to disk).
    bool CloseAll() {
        CPLErrorReset();
        m_open.clear();
        return CPLGetLastErrorType() != CE_Failure;
    }

private:
    std::string m_strWork;
    bool m_bFolder;
    std::string m_strExt;
    std::vector<std::pair<std::string, DatasetPtr>> m_open;
};

// The figures of what a job wrote: its view's, or its MAPGIS layer's.
LayerResult ResultOf(const Job& job) {
    LayerResult result = CollectLayerResult(job.hSource, job.strInput, job.strOutputLayer);
    result.strPart = job.strPart;
    if (!job.bFirstOfSource)
        result.messages.clear();
    if (job.poView != nullptr || job.poCad != nullptr) {
        result.nFeatures = job.poView ? job.poView->Emitted() : job.poCad->Emitted();
        result.bounds = job.poView ? job.poView->Bounds() : job.poCad->Bounds();
        result.bHasBounds = result.bounds.IsInit();
    }
    return result;
}

// The map layers are those of the kinds the files' items can give: when the reader refused
// every item, they stayed empty.
bool NothingWritten(const Plan& plan) {
    return std::all_of(plan.jobs.begin(), plan.jobs.end(), [](const Job& job) {
        return (job.poView != nullptr && job.poView->Emitted() == 0) ||
               (job.poCad != nullptr && job.poCad->Emitted() == 0);
    });
}

// What became of the items of the inputs a layer holds, for the layer's description (which
// QGIS shows): each input's account and the first of its items not written.
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

// The style QGIS loads for a file it opens through the driver is the file's name with .qml:
// one for the files of a sheet.
int WriteDriverStyles(const Arguments& args, ImportOutcome* pOutcome) {
    std::vector<std::string> written;
    const std::string strStyle = DriverStyle();
    for (const std::string& strInput : args.inputs) {
        const std::string strPath = CPLResetExtension(strInput.c_str(), "qml");
        if (std::find(written.begin(), written.end(), strPath) != written.end())
            continue;
        VSIStatBufL sStat;
        if (VSIStatL(strPath.c_str(), &sStat) == 0 && !args.bOverwrite)
            return Fail(pOutcome, kExitOutput, strPath + " exists; use --overwrite to replace it");
        std::string strError;
        if (!WriteStyleFile(strPath, strStyle, &strError))
            return Fail(pOutcome, kExitOutput, strError);
        written.push_back(strPath);
        if (!args.bQuiet)
            std::printf("%s: the style QGIS loads with %s\n", strPath.c_str(), strInput.c_str());
    }
    return kExitOk;
}

}  // namespace

int RunImport(const Arguments& args, ImportOutcome* pOutcome) {
    SafeOutput output;
    CPLPushErrorHandlerEx(ReportError, &output);
    struct PopHandler {
        ~PopHandler() { CPLPopErrorHandler(); }
    } popHandler;
    // Registered first, so that a copy of the driver that GDAL loads from GDAL_DRIVER_PATH
    // finds the name taken and stays out.
    RegisterOGRMAPGIS();
    RegisterWriters(args.strFormat, args.strOutput);

    for (const std::string& strInput : args.inputs) {
        std::string strWhy;
        if (!IsReadableFile(strInput, &strWhy)) {
            return Fail(pOutcome, kExitInput,
                        "cannot read " + mapgis::ShownPath(strInput) + ": " + strWhy);
        }
        if (!IsExchangeFile(strInput)) {
            return Fail(pOutcome, kExitInput,
                        mapgis::ShownPath(strInput) + ": unknown extension \"" +
                            mapgis::ShownPath(CPLGetExtension(strInput.c_str())) +
                            "\" (expected .wat, .wal, .wap or .wan)");
        }
    }
    if (args.bStyleOnly)
        return WriteDriverStyles(args, pOutcome);
    std::string strWhy;
    if (!args.strColors.empty() && (!IsReadableFile(args.strColors, &strWhy) ||
                                    !mapgis::CheckColorSource(args.strColors, &strWhy))) {
        return Fail(
            pOutcome, kExitInput,
            "cannot read colour index file " + mapgis::ShownPath(args.strColors) + ": " + strWhy);
    }
    if (!CheckStyleSources(args, &strWhy))
        return Fail(pOutcome, kExitInput, strWhy);
    OutputFormat format;
    int nExit = kExitOk;
    if (!ChooseFormat(args, &format, &nExit, &strWhy))
        return Fail(pOutcome, nExit, strWhy);
    // Before any input is read: a large sheet's pre-read takes seconds.
    if (!IsPostgis(format) && !args.strOutput.empty() && !CanWriteBeside(args.strOutput, &strWhy))
        return Fail(pOutcome, kExitOutput, strWhy);

    CatchInterrupts();
    std::vector<DatasetPtr> sources;
    Plan plan;
    for (size_t iSource = 0; iSource < args.inputs.size(); ++iSource) {
        const std::string& strInput = args.inputs[iSource];
        DatasetPtr src = OpenInput(strInput, args, format);
        if (InterruptSignal() != 0)
            return Interrupted(pOutcome);
        if (!src) {
            // A bad SRS, SCALE or OFFSET is the command line's fault, not the input's.
            const bool bUsage = CPLGetLastErrorNo() == CPLE_IllegalArg;
            return Fail(pOutcome, bUsage ? kExitUsage : kExitInput,
                        "cannot import " + mapgis::ShownPath(strInput));
        }
        std::string strName;
        if (!PlanInput(args, format, strInput, iSource, src.get(), &plan, &strName)) {
            return Fail(pOutcome, kExitUsage,
                        strInput + ": its layer " + strName +
                            " would take the name of another input's; give "
                            "the inputs different names or folders");
        }
        sources.push_back(std::move(src));
        if (InterruptSignal() != 0)
            return Interrupted(pOutcome);
    }
    if (plan.jobs.empty()) {
        return Fail(pOutcome, kExitInput, "no layer to write: the inputs hold no item to import");
    }

    // Several files in a format of one layer per file: a folder of files, so that the output
    // is replaced in one step.
    const bool bFolder = format.bOneLayer && (plan.OutputLayerCount() > 1 || format.bSeveralFiles);
    const bool bDatabase = IsPostgis(format);
    std::string strOutput = args.strOutput;
    if (strOutput.empty()) {
        strOutput = DefaultOutput(args.inputs[0], format, bFolder);
    } else if (bFolder && !format.strExtension.empty() &&
               EQUAL(CPLGetExtension(strOutput.c_str()), format.strExtension.c_str())) {
        strOutput.erase(strOutput.size() - format.strExtension.size() - 1);
    }
    std::vector<std::string> tables;
    for (const Job& job : plan.jobs) {
        if (!job.bAppend)
            tables.push_back(job.strOutputLayer);
    }
    // Messages and the summary never show a password.
    const std::string strShown = bDatabase ? PublicConnection(strOutput) : strOutput;
    std::string strError;
    const Replacing eReplacing =
        bDatabase ? Replacing::Nothing
                  : MayReplace(args, format, bFolder, strOutput, tables, &strError);
    if (!strError.empty())
        return Fail(pOutcome, kExitOutput, strError);

    const std::string strSchema = SchemaOrPublic(args.strSchema);
    PostgisOutput database(strOutput, strSchema);
    if (bDatabase) {
        if (!database.Open(&strError))
            return Fail(pOutcome, kExitOutput, strError);
        const std::vector<std::string> existing = database.Existing(tables);
        if (!existing.empty() && !args.bOverwrite) {
            return Fail(pOutcome, kExitOutput,
                        "the table " + strSchema + "." + existing[0] +
                            " exists; use --overwrite to replace the sheet's tables");
        }
    } else if (!output.Begin(strOutput, &strError)) {
        return Fail(pOutcome, kExitOutput, strError);
    }
    if (bFolder && VSIMkdir(output.WorkPath().c_str(), 0755) != 0)
        return Fail(pOutcome, kExitOutput, "cannot make the folder " + strOutput);
    // Whatever stops the import leaves no partial table behind; declared before the
    // destinations, so that their connection has let go of the tables first.
    struct PartialsGuard {
        PostgisOutput* poDatabase;
        const std::vector<std::string>* pTables;
        bool bPublished = false;
        ~PartialsGuard() {
            if (poDatabase != nullptr && !bPublished)
                poDatabase->DropPartials(*pTables);
        }
    } partials{bDatabase ? &database : nullptr, &tables};
    Destinations destinations(bDatabase ? strOutput : output.WorkPath(), bFolder,
                              format.strExtension);
    long long nAllItems = 0;
    for (const Job& job : plan.jobs)
        nAllItems += job.nItems;
    const bool bProgress = !args.bQuiet && isatty(fileno(stdout));
    // A GeoPackage in SQLite pages of 64 KiB rather than 4: a sheet's geometries are written
    // and read back for the index in a sixteenth of the page reads and writes (a line file's
    // import takes a sixth less). Unless the user sets SQLite's pragmas.
    std::optional<CPLConfigOptionSetter> largePages;
    if (format.ePacking == IndexPacking::GeoPackage)
        largePages.emplace("OGR_SQLITE_PRAGMA", "page_size=65536", true);
    long long nDone = 0;
    for (size_t iJob = 0; iJob < plan.jobs.size();) {
        const Job& job = plan.jobs[iJob];
        const std::string strPath = destinations.PathOf(job.strOutputLayer);
        GDALDatasetH hDst = destinations.Find(strPath);
        // A compound layer's views go in one pass when the writer takes its layers' features
        // in any order; its dataset is made here to ask.
        size_t nJobs = 1;
        while (iJob + nJobs < plan.jobs.size() && job.poViews != nullptr && !bFolder &&
               plan.jobs[iJob + nJobs].poViews == job.poViews)
            ++nJobs;
        if (nJobs > 1 && hDst == nullptr) {
            hDst = GDALCreate(format.hDriver, strPath.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
            if (hDst == nullptr) {
                return FailWriting(pOutcome, output, "cannot write " + strShown);
            }
            destinations.Keep(strPath, hDst);
        }
        if (nJobs > 1 && !GDALDatasetTestCapability(hDst, ODsCRandomLayerWrite))
            nJobs = 1;
        const std::vector<Job>::const_iterator together = plan.jobs.begin() + iJob;
        iJob += nJobs;
        long long nItems = 0;
        for (auto it = together; it != together + nJobs; ++it) {
            nItems += it->nItems;
            if (it->poView != nullptr) {
                it->poView->Rename(bDatabase ? database.PartialLayer(it->strOutputLayer)
                                             : it->strOutputLayer);
            }
        }
        if (job.poViews != nullptr) {
            job.poViews->SetInterleaved(nJobs > 1);
            // Read through the dataset, from the first item; layer by layer, each view's
            // reading is reset by the translation itself.
            if (nJobs > 1)
                job.poViews->ResetReading();
        }
        CPLStringList aosArgs;
        if (hDst == nullptr)
            aosArgs.AddString("-f").AddString(format.strName.c_str());
        if (job.bAppend)
            aosArgs.AddString("-append");
        else if (bDatabase)
            aosArgs.AddString("-overwrite");  // a partial table an earlier run left
        if (nJobs == 1) {
            aosArgs.AddString("-nln").AddString(
                bDatabase ? database.PartialLayer(job.strOutputLayer).c_str()
                          : job.strOutputLayer.c_str());
        }
        // The layer's description is written from the accounts once every layer has been
        // read; copied from the source, it would make the driver read the layer ahead.
        aosArgs.AddString("-nomd");
        for (int i = 0; i < format.aosOptions.size(); ++i) {
            // Layer creation options would only draw a warning on a layer that exists.
            if (job.bAppend && EQUAL(format.aosOptions[i], "-lco")) {
                ++i;
                continue;
            }
            aosArgs.AddString(format.aosOptions[i]);
        }
        for (auto it = together; it != together + nJobs; ++it)
            aosArgs.AddString(it->poView != nullptr ? it->poView->GetName()
                                                    : it->strFromLayer.c_str());
        GDALVectorTranslateOptions* psOptions =
            GDALVectorTranslateOptionsNew(aosArgs.List(), nullptr);
        void* pScaled = nullptr;
        if (bProgress) {
            const double dTotal = nAllItems > 0 ? static_cast<double>(nAllItems) : 1.0;
            pScaled = GDALCreateScaledProgress(nDone / dTotal, (nDone + nItems) / dTotal,
                                               GDALTermProgress, nullptr);
        }
        GDALVectorTranslateOptionsSetProgress(psOptions, Progress, pScaled);
        int bUsageError = FALSE;
        GDALDatasetH hFrom = job.hFrom;
        GDALDatasetH hResult = GDALVectorTranslate(hDst ? nullptr : strPath.c_str(), hDst, 1,
                                                   &hFrom, psOptions, &bUsageError);
        GDALVectorTranslateOptionsFree(psOptions);
        GDALDestroyScaledProgress(pScaled);
        if (hResult != nullptr && hDst == nullptr)
            destinations.Keep(strPath, hResult);
        if (InterruptSignal() != 0)
            return Interrupted(pOutcome);
        if (hResult == nullptr) {
            const std::string strLost = bDatabase ? database.LostServer() : std::string();
            return FailWriting(pOutcome, output,
                               "cannot write layer " + job.strOutputLayer + " to " + strShown +
                                   (strLost.empty() ? "" : ": " + strLost));
        }
        nDone += nItems;
    }
    if (NothingWritten(plan))
        return Fail(pOutcome, kExitInput, "no layer to write: the inputs hold no item to import");
    // Every layer has been read: the accounts are complete.
    std::vector<InputAccount> accounts;
    for (size_t i = 0; i < sources.size(); ++i)
        accounts.push_back(CollectAccount(sources[i].get(), args.inputs[i]));
    if (EQUAL(format.strName.c_str(), "GPKG")) {
        for (const Job& job : plan.jobs) {
            GDALDatasetH hDst = destinations.Find(destinations.PathOf(job.strOutputLayer));
            OGRLayerH hLayer = GDALDatasetGetLayerByName(hDst, job.strOutputLayer.c_str());
            if (hLayer != nullptr && !job.bAppend) {
                GDALSetMetadataItem(hLayer, "DESCRIPTION",
                                    LayerDescription(plan, job.strOutputLayer, accounts).c_str(),
                                    nullptr);
            }
        }
    }
    std::vector<PublishedTable> published;
    if (bDatabase) {
        GDALDatasetH hDst = destinations.Find(strOutput);
        for (const std::string& strTable : tables) {
            PublishedTable table;
            table.strName = strTable;
            table.strDescription = LayerDescription(plan, strTable, accounts);
            OGRLayerH hLayer =
                GDALDatasetGetLayerByName(hDst, database.PartialLayer(strTable).c_str());
            if (!args.bNoStyle && hLayer != nullptr) {
                for (const Job& job : plan.jobs) {
                    if (job.strOutputLayer == strTable && !job.bAppend)
                        LayerStyleOf(hLayer, strTable, DrawingOf(job.strPart), &table.strQml,
                                     &table.strSld);
                }
            }
            published.push_back(std::move(table));
        }
    } else if (!args.bNoStyle) {
        std::vector<StyledLayer> styled;
        for (const Job& job : plan.jobs) {
            if (!job.bAppend) {
                styled.push_back({destinations.PathOf(job.strOutputLayer), job.strOutputLayer,
                                  DrawingOf(job.strPart)});
            }
        }
        if (!WriteStyles(
                StyleHomeOf(format, bFolder), styled,
                [&destinations](const std::string& strPath) { return destinations.Find(strPath); },
                &strError)) {
            return FailWriting(pOutcome, output, strError);
        }
    }
    // The summary's figures are taken while the inputs are open. Closed before the outputs,
    // they leave their memory to what closing needs (Shapefile's record table, written whole)
    // and to the spatial indexes.
    std::vector<LayerResult> results;
    SystemSummary system;
    if (!args.bQuiet) {
        for (const Job& job : plan.jobs)
            results.push_back(ResultOf(job));
        system.strSystem = DescribeSystem(plan.jobs[0].hSource);
        system.strScale = args.strScale;
        system.strOffset = args.strOffset;
    }
    plan = Plan();
    sources.clear();
    malloc_trim(0);  // what the inputs held goes back to the system, not only to the heap
    if (!destinations.CloseAll() || output.WritesFailed()) {
        return FailWriting(pOutcome, output, "writing " + strShown + " failed");
    }
    if (!bDatabase && !PackIndexes(format, output.WorkPath(), &strError)) {
        return FailWriting(pOutcome, output, strError);
    }
    // A signal that comes from here on waits until the output is in place: it either stops
    // the import before, or finds it complete.
    InterruptsHeld held;
    if (InterruptSignal() != 0)
        return Interrupted(pOutcome);
    if (bDatabase) {
        const std::string strSheet = LaunderName(
            args.strName.empty() ? CPLGetBasename(args.inputs[0].c_str()) : args.strName);
        if (!database.Publish(strSheet, published, args.inputs, args.bOverwrite, &strError))
            return Fail(pOutcome, kExitOutput, strError + "; nothing written");
        partials.bPublished = true;
    } else if (!output.Commit(eReplacing, &strError)) {
        return Fail(pOutcome, kExitOutput, output.Explained(strError));
    }
    pOutcome->strOutput = strShown;
    pOutcome->accounts = accounts;
    if (!args.bQuiet) {
        PrintSummary(stdout, strShown, results, accounts, system);
        if (args.strColors.empty() && args.strLibraryDir.empty() && !args.bTyped)
            std::printf(
                "  colours: no colour source, items are drawn grey; name a colour index "
                "or Pcolor.lib with --colors FILE\n");
    }
    return kExitOk;
}

}  // namespace mapgis_import
