// The sheets of an archive, imported by worker processes, several at once; merged, one after
// the other into the one dataset.
#include "archive/ArchiveRunner.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "archive/ArchiveMerge.h"
#include "archive/MergedSheet.h"
#include "archive/WorkerJobs.h"
#include "archive/WorkerPool.h"
#include "cli/Options.h"
#include "cpl_conv.h"
#include "cpl_string.h"
#include "gdal.h"
#include "mapgisdriver.h"
#include "output/Connection.h"
#include "output/Files.h"
#include "output/OutputFormat.h"
#include "output/PostgisOutput.h"
#include "output/SafeOutput.h"
#include "plan/SheetFinder.h"
#include "plan/SheetShares.h"
#include "report/ImportReport.h"
#include "report/Messages.h"
#include "run/Interrupts.h"
#include "run/Progress.h"

namespace mapgis_import {

namespace {

std::string AbsolutePath(const std::string& strPath) {
    char* pszReal = realpath(strPath.c_str(), nullptr);
    const std::string strOut = pszReal != nullptr ? pszReal : strPath;
    std::free(pszReal);
    return strOut;
}

// The path of strFolder from strRoot ("" for the root itself); false when it is not below.
bool PathBelow(const std::string& strRoot, const std::string& strFolder, std::string* pstrPath) {
    const std::string strFrom = AbsolutePath(strRoot) + "/";
    const std::string strTo = AbsolutePath(strFolder) + "/";
    if (strTo.compare(0, strFrom.size(), strFrom) != 0)
        return false;
    *pstrPath = CPLCleanTrailingSlash(strTo.substr(strFrom.size()).c_str());
    return true;
}

// One sheet's import: what it reads, where it goes, and how it went.
struct SheetRun {
    const Sheet* poSheet = nullptr;
    std::string strName;    // "a/b/1": its folders and title
    std::string strOutput;  // a file; empty for a database or a merge
    std::string strTable;   // PostgreSQL: the title of its tables; merged: of its layers
    std::string strColors;
    std::vector<std::string> inputs;  // as its worker gets them
    int nStatus = -1;                 // -1 while it is to run or running
    bool bSkipped = false;
    bool bClaimed = false;
    std::string strWhy;             // why it failed or was skipped
    std::vector<ReportLine> lines;  // its worker's report
};

std::string Join(const std::string& a, const std::string& b) {
    return a.empty() ? b : b.empty() ? a : CPLFormFilename(a.c_str(), b.c_str(), nullptr);
}

// The arguments every worker gets: its sheet's import as the archive's was asked for.
std::vector<std::string> Passed(const Arguments& args, const OutputFormat& format) {
    std::vector<std::string> out = {"-q", "-f", format.strName};
    const std::vector<std::string> given = WorkerOptions(args);
    out.insert(out.end(), given.begin(), given.end());
    return out;
}

// Each sheet's name for its tables or layers; sheets whose names meet (case aside: PostgreSQL
// and GeoPackage fold it) get a hash of their path from the root.
template <typename NameOf>
void NameSheets(std::vector<SheetRun>* pRuns, NameOf nameOf) {
    std::map<std::string, int> counts;
    for (SheetRun& run : *pRuns) {
        run.strTable = nameOf(run.strName, false);
        ++counts[CPLString(run.strTable).tolower()];
    }
    for (SheetRun& run : *pRuns) {
        if (counts[CPLString(run.strTable).tolower()] > 1)
            run.strTable = nameOf(run.strName, true);
    }
}

// Each root's path from the archive's root: several roots are kept apart by their names,
// --root names them all from one folder; false with a message when it is not above one.
bool RootPaths(const Arguments& args, std::vector<std::string>* pRoots, std::string* pstrError) {
    for (const std::string& strInput : args.inputs) {
        pRoots->emplace_back(
            args.inputs.size() > 1 ? CPLGetFilename(CPLCleanTrailingSlash(strInput.c_str())) : "");
        if (!args.strRoot.empty() && !PathBelow(args.strRoot, strInput, &pRoots->back())) {
            *pstrError = "--root " + args.strRoot + " is not a folder above " + strInput;
            return false;
        }
    }
    return true;
}

// The sheet's folder from the archive's root, as found (the output folders follow it).
std::string SheetFolder(const std::vector<std::string>& roots, const Sheet& sheet) {
    return Join(roots[sheet.iRoot], sheet.strFolder);
}

// The sheet's name ("a/b/1"), in UTF-8: its folder from the archive's root and its title.
std::string SheetName(const std::vector<std::string>& roots, const Sheet& sheet) {
    return mapgis::DecodedName(Join(SheetFolder(roots, sheet), sheet.strTitle));
}

std::string MergedLayerName(const std::string& strPath, bool bWithHash) {
    const std::string strName = CPLString(strPath).replaceAll('/', '_');
    return bWithHash ? strName + "_" + PathHash(strPath) : strName;
}

}  // namespace

bool IsArchive(const Arguments& args) {
    for (const std::string& strInput : args.inputs) {
        if (IsFolder(strInput))
            return true;
    }
    return false;
}

namespace {

// An archive's import: its sheets given to workers, their outcomes gathered into the account.
class ArchiveImport {
public:
    ArchiveImport(const Arguments& args, const OutputFormat& format, std::string strOutDir,
                  const std::string& strRootPath)
        : m_args(args),
          m_format(format),
          m_strOutDir(std::move(strOutDir)),
          m_bMerge(!args.strMerge.empty()),
          m_bDatabase(format.IsDatabase()),
          m_progress(args),
          m_merged(format, args.strMerge == "sheets",
                   args.strName.empty() ? CPLGetFilename(strRootPath.c_str()) : args.strName),
          m_registry(m_strOutDir, SchemaOrPublic(args.strSchema)),
          m_strSystemLibrary(args.strLibraryDir.empty() ? std::string()
                                                        : ColorLibraryIn(args.strLibraryDir)) {}

    // The output made ready; the exit status and a message when it cannot be.
    int Prepare(std::string* pstrError);
    // The sheets' names and outputs (of the share asked for); roots: each root's path from
    // the archive's root.
    void Plan(const std::vector<Sheet>& sheets, const std::vector<std::string>& roots);
    void Run();
    // The merged dataset put in place, the report and the summary; the exit status.
    int Account();

private:
    void PlanSheet(size_t i, const std::string& strFolder);
    void PlanSheetFile(SheetRun& run, const std::string& strDir);
    bool StartOrSettle(size_t i);
    std::vector<std::string> JobArguments(const SheetRun& run) const;
    void StartPending(std::deque<size_t>& pending, size_t nJobs);
    void ForwardInterrupt();
    void Finished(SheetRun& run, const JobEnd& end);
    void SayFailure(const SheetRun& run) const;
    void RunMerged();
    void ShowProgress();
    void Reap();
    std::vector<ReportLine> LinesOf(const SheetRun& run, const std::string& strWhere) const;
    int ExitStatus() const;
    std::string Shown() const;
    std::vector<ReportLine> Report() const;
    void PrintSummary() const;

    const Arguments& m_args;
    const OutputFormat& m_format;
    const std::string m_strOutDir;
    const bool m_bMerge;
    const bool m_bDatabase;
    Replacing m_eReplacing = Replacing::Nothing;
    ProgressShown m_progress;
    MergedOutput m_merged;
    SheetRegistry m_registry;
    const std::string m_strSystemLibrary;  // --slib's Pcolor.lib, for sheets with no colours
    std::vector<SheetRun> m_runs;
    std::unique_ptr<WorkerPool> m_pool;  // while the sheets run
    size_t m_nFinished = 0;
    bool m_bForwarded = false;  // the interrupt passed on to the workers
    std::string m_strMergeError;
};

int ArchiveImport::Prepare(std::string* pstrError) {
    if (m_bMerge) {
        m_eReplacing = MayReplace(m_args, m_format, false, m_strOutDir, {}, pstrError);
        if (!pstrError->empty() || !m_merged.Begin(m_strOutDir, pstrError))
            return kExitOutput;
    } else if (m_bDatabase) {
        if (!PrepareDatabase(m_strOutDir, SchemaOrPublic(m_args.strSchema), pstrError) ||
            !m_registry.Open(pstrError))
            return kExitOutput;
    } else if (!MakeFolders(m_strOutDir)) {
        *pstrError = "cannot make the output folder " + m_strOutDir + ": " + std::strerror(errno);
        return kExitOutput;
    }
    return kExitOk;
}

void ArchiveImport::Plan(const std::vector<Sheet>& sheets, const std::vector<std::string>& roots) {
    m_runs.resize(sheets.size());
    for (size_t i = 0; i < sheets.size(); ++i) {
        m_runs[i].poSheet = &sheets[i];
        m_runs[i].strName = SheetName(roots, sheets[i]);
    }
    if (m_bDatabase)
        NameSheets(&m_runs, SheetTableName);
    else if (m_bMerge)
        NameSheets(&m_runs, MergedLayerName);
    // Named among all the sheets first: names that meet get their hash in whichever shares
    // they fall, as in an import of the whole archive.
    if (m_args.nShares > 0) {
        m_runs.erase(std::remove_if(m_runs.begin(), m_runs.end(),
                                    [this](const SheetRun& run) {
                                        return ShareOf(run.strName, m_args.nShares) !=
                                               m_args.nShare;
                                    }),
                     m_runs.end());
    }
    for (size_t i = 0; i < m_runs.size(); ++i)
        PlanSheet(i, SheetFolder(roots, *m_runs[i].poSheet));
}

// The sheet's colours, inputs and output; strFolder its path from the root.
void ArchiveImport::PlanSheet(size_t i, const std::string& strFolder) {
    SheetRun& run = m_runs[i];
    const Sheet& sheet = *run.poSheet;
    run.strColors = !m_args.strColors.empty()  ? m_args.strColors
                    : !sheet.strColors.empty() ? sheet.strColors
                                               : m_strSystemLibrary;
    run.inputs = sheet.files;
    if (m_bDatabase) {
        // Recorded with the sheet: what tells this sheet from another of the same name.
        for (std::string& strInput : run.inputs)
            strInput = AbsolutePath(strInput);
    } else if (!m_bMerge) {
        PlanSheetFile(run, Join(m_strOutDir, strFolder));
    }
}

// A sheet's own output in strDir, made for it; with --resume, an output there skips it.
void ArchiveImport::PlanSheetFile(SheetRun& run, const std::string& strDir) {
    const std::string& strExt = m_format.strExtension;
    run.strOutput = CPLFormFilename(strDir.c_str(), run.poSheet->strTitle.c_str(),
                                    strExt.empty() ? nullptr : strExt.c_str());
    // A format of one file per layer writes a folder, without the extension, for a sheet of
    // several layers.
    const std::string strFolderOut =
        strExt.empty() ? run.strOutput
                       : run.strOutput.substr(0, run.strOutput.size() - strExt.size() - 1);
    run.bSkipped = m_args.bResume && (Exists(run.strOutput) || IsFolder(strFolderOut));
    if (run.bSkipped) {
        run.nStatus = kExitOk;
        run.strWhy = "skipped: its output exists (--resume)";
    } else if (!MakeFolders(strDir)) {
        run.nStatus = kExitOutput;
        run.strWhy = "cannot make the folder " + strDir + ": " + std::strerror(errno);
    }
}

// Gives the sheet to a worker, or settles it at once (skipped, refused); false when another
// import holds the sheet's name for now.
bool ArchiveImport::StartOrSettle(size_t i) {
    SheetRun& run = m_runs[i];
    if (run.nStatus < 0 && m_bDatabase) {
        const SheetClaim eClaim = m_registry.Claim(run.strTable, run.strName, run.inputs,
                                                   m_args.bResume, m_args.bOverwrite, &run.strWhy);
        if (eClaim == SheetClaim::kBusy)
            return false;
        run.bClaimed = eClaim == SheetClaim::kGo;
        run.bSkipped = eClaim == SheetClaim::kSkip;
        if (run.bSkipped) {
            run.nStatus = kExitOk;
            run.strWhy = "skipped: recorded as imported from the same inputs (--resume)";
        } else if (!run.bClaimed) {
            run.nStatus = kExitOutput;
        }
    }
    if (run.nStatus < 0) {
        if (m_pool->Give(i, JobArguments(run), &run.strWhy))
            return true;
        run.nStatus = kExitOutput;
        if (run.bClaimed)
            m_registry.Release(run.strTable, run.strName, run.inputs, false);
    }
    if (run.nStatus != kExitOk && !m_args.bQuiet) {
        std::fprintf(stderr, "%s: sheet %s failed: %s\n", kProgram, run.strName.c_str(),
                     run.strWhy.c_str());
    }
    ++m_nFinished;
    ShowProgress();
    return true;
}

// The sheet's import as the archive's was asked for; a database is the worker's own.
std::vector<std::string> ArchiveImport::JobArguments(const SheetRun& run) const {
    std::vector<std::string> argv = run.inputs;
    const std::vector<std::string> passed = Passed(m_args, m_format);
    argv.insert(argv.end(), passed.begin(), passed.end());
    argv.insert(argv.end(), {"--report", "/dev/fd/" + std::to_string(kWorkerReportFd)});
    if (m_bDatabase)
        argv.insert(argv.end(), {"--name", run.strTable});
    else
        argv.insert(argv.end(), {"-o", run.strOutput});
    if (!run.strColors.empty())
        argv.insert(argv.end(), {"--colors", run.strColors});
    return argv;
}

void ArchiveImport::Finished(SheetRun& run, const JobEnd& end) {
    run.nStatus = end.nStatus;
    ++m_nFinished;
    const bool bReport = ParseReport(end.strReport, &run.lines) && !run.lines.empty();
    run.strWhy = FailureMessage(end.strMessages);
    // A worker that could not write its report wrote its output all the same.
    if (run.nStatus == kExitReport) {
        run.nStatus = kExitOk;
        run.strWhy = "written, but its account was lost: " + run.strWhy;
    } else if (run.nStatus == kExitOk && !bReport) {
        run.strWhy = "written, but its worker gave no account";
    }
    if (run.bClaimed)
        m_registry.Release(run.strTable, run.strName, run.inputs, run.nStatus == kExitOk);
    SayFailure(run);
    ShowProgress();
}

void ArchiveImport::SayFailure(const SheetRun& run) const {
    if (run.nStatus != kExitOk && !m_args.bQuiet) {
        std::fprintf(stderr, "%s: sheet %s failed (exit %d): %s\n", kProgram, run.strName.c_str(),
                     run.nStatus, run.strWhy.c_str());
    }
}

// Each sheet straight into the merged dataset, one after the other in this process: written
// once, while the driver's reader takes the other core. After a failure to write the dataset
// nothing more is (it will not be kept).
void ArchiveImport::RunMerged() {
    for (SheetRun& run : m_runs) {
        if (InterruptSignal() != 0 || !m_strMergeError.empty())
            break;
        MergedSheetResult result;
        if (!ImportMergedSheet(m_args, m_format,
                               {run.strName, run.strTable, run.inputs, run.strColors}, &m_merged,
                               &result, &m_strMergeError)) {
            m_strMergeError =
                "cannot merge the sheets into " + m_strOutDir + ": " + m_strMergeError;
            break;
        }
        run.nStatus = result.nStatus;
        run.strWhy = result.strWhy;
        run.lines = std::move(result.lines);
        ++m_nFinished;
        SayFailure(run);
        ShowProgress();
    }
    for (SheetRun& run : m_runs) {
        if (run.nStatus < 0 && InterruptSignal() != 0) {
            run.nStatus = 128 + InterruptSignal();
            run.strWhy = "not imported: interrupted";
        }
    }
}

void ArchiveImport::ShowProgress() {
    if (m_progress.IsShown())
        m_progress.Show(static_cast<double>(m_nFinished) / m_runs.size());
}

// Briefly, so that a signal is seen while the workers run.
void ArchiveImport::Reap() {
    for (const JobEnd& end : m_pool->Wait(10))
        Finished(m_runs[end.iJob], end);
}

// Starts workers for the pending sheets while fewer than nJobs run; a sheet another import
// holds goes to the back of the queue, tried again later.
void ArchiveImport::StartPending(std::deque<size_t>& pending, size_t nJobs) {
    for (size_t nTried = pending.size();
         nTried > 0 && m_pool->Busy() < nJobs && InterruptSignal() == 0; --nTried) {
        const size_t i = pending.front();
        pending.pop_front();
        if (!StartOrSettle(i))
            pending.push_back(i);
    }
}

// The signal the archive got, passed on once to the workers running (each in a process group
// of its own, out of the terminal's reach).
void ArchiveImport::ForwardInterrupt() {
    if (InterruptSignal() == 0 || m_bForwarded)
        return;
    m_pool->Signal(InterruptSignal());
    m_bForwarded = true;
}

void ArchiveImport::Run() {
    if (m_bMerge) {
        RunMerged();
        return;
    }
    const long nCores = sysconf(_SC_NPROCESSORS_ONLN);
    const size_t nJobs = m_args.nJobs > 0 ? static_cast<size_t>(m_args.nJobs)
                                          : static_cast<size_t>(nCores > 0 ? nCores : 1);
    std::vector<std::string> worker = {SelfPath(), "--worker"};
    if (m_bDatabase)
        worker.emplace_back("--output-from-environment");
    m_pool = std::make_unique<WorkerPool>(worker, WorkerEnvironment(m_bDatabase ? m_strOutDir : ""),
                                          nJobs);
    std::deque<size_t> pending;
    for (size_t i = 0; i < m_runs.size(); ++i)
        pending.push_back(i);
    while (m_pool->Busy() > 0 || (!pending.empty() && InterruptSignal() == 0)) {
        StartPending(pending, nJobs);
        ForwardInterrupt();
        if (m_pool->Busy() > 0)
            Reap();
        else if (!pending.empty())
            usleep(200000);  // every sheet left is held by another import
    }
    for (const size_t i : pending) {
        m_runs[i].nStatus = 128 + InterruptSignal();
        m_runs[i].strWhy = "not imported: interrupted";
    }
    m_pool.reset();
}

std::vector<ReportLine> ArchiveImport::LinesOf(const SheetRun& run,
                                               const std::string& strWhere) const {
    std::vector<ReportLine> lines = run.lines;
    if (lines.size() != run.poSheet->files.size()) {
        lines = ReportLines(run.poSheet->files, {}, run.strName, strWhere, run.strColors,
                            run.nStatus, run.strWhy);
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        ReportLine& line = lines[i];
        line.strSheet = run.strName;
        line.strInput = run.poSheet->files[i];
        line.strOutput = strWhere;
        line.strColors = run.strColors;
        line.nStatus = run.nStatus;
        if (line.strError.empty())
            line.strError = run.nStatus == kExitOk && !run.strWhy.empty() && !run.bSkipped
                                ? run.strWhy
                                : run.poSheet->strColorsNote;
    }
    return lines;
}

int ArchiveImport::Account() {
    const int nSignal = InterruptSignal();
    if (m_bMerge && m_strMergeError.empty() && nSignal == 0 &&
        !m_merged.Commit(!m_args.bNoStyle, m_eReplacing, &m_strMergeError))
        m_strMergeError = "cannot write " + m_strOutDir + ": " + m_strMergeError;
    if (m_bMerge && nSignal != 0)
        return Fail(128 + nSignal, "interrupted; nothing written");
    if (!m_strMergeError.empty())
        return Fail(kExitOutput, m_strMergeError + "; nothing written");
    int nExit = nSignal != 0 ? 128 + nSignal : ExitStatus();
    std::string strError;
    if (!m_args.strReport.empty() && !WriteReport(m_args.strReport, Report(), &strError)) {
        std::fprintf(stderr, "%s: warning: %s\n", kProgram, strError.c_str());
        nExit = nExit == kExitOk ? kExitReport : nExit;
    }
    if (nSignal != 0)
        return Fail(nExit, "interrupted; the sheets written so far are complete");
    m_progress.Complete();
    if (!m_args.bQuiet)
        PrintSummary();
    return nExit;
}

int ArchiveImport::ExitStatus() const {
    const size_t nFailed = std::count_if(
        m_runs.begin(), m_runs.end(), [](const SheetRun& run) { return run.nStatus != kExitOk; });
    return nFailed > 0 ? kExitSheets : kExitOk;
}

// Messages and reports never show a password.
std::string ArchiveImport::Shown() const {
    return m_bDatabase ? PublicConnection(m_strOutDir) : m_strOutDir;
}

std::vector<ReportLine> ArchiveImport::Report() const {
    std::vector<ReportLine> report;
    for (const SheetRun& run : m_runs) {
        // Where the report says the sheet went: a worker's own output is in the work folder.
        const auto lines = LinesOf(run, m_bMerge || m_bDatabase ? Shown() : run.strOutput);
        report.insert(report.end(), lines.begin(), lines.end());
    }
    return report;
}

void ArchiveImport::PrintSummary() const {
    size_t nWritten = 0, nSkipped = 0, nFailed = 0, nFound = 0;
    for (const SheetRun& run : m_runs) {
        nSkipped += run.bSkipped ? 1 : 0;
        nWritten += run.nStatus == kExitOk && !run.bSkipped ? 1 : 0;
        nFailed += run.nStatus != kExitOk ? 1 : 0;
        nFound += run.poSheet->strColors.empty() ? 0 : 1;
    }
    const std::string strShare =
        m_args.nShares > 0 ? CPLSPrintf(" of share %d/%d", m_args.nShare, m_args.nShares) : "";
    std::printf("%s: %zu sheets%s: %zu written, %zu skipped (their output exists), %zu failed\n",
                Shown().c_str(), m_runs.size(), strShare.c_str(), nWritten, nSkipped, nFailed);
    if (!m_args.strColors.empty()) {
        std::printf("  colour index: %s for every sheet\n", m_args.strColors.c_str());
    } else if (nFound == 0 && m_strSystemLibrary.empty()) {
        std::printf(
            "  colours: no colour index or Pcolor.lib found, items are drawn grey; "
            "name one with --colors FILE or --slib DIR\n");
    } else if (!m_strSystemLibrary.empty()) {
        std::printf("  colour index: found beside %zu of the sheets, %s for the others\n", nFound,
                    m_strSystemLibrary.c_str());
    } else {
        std::printf("  colour index: found beside %zu of the sheets (see the report)\n", nFound);
    }
    for (const SheetRun& run : m_runs) {
        if (run.nStatus != kExitOk)
            std::printf("  %s: failed (exit %d)\n", run.strName.c_str(), run.nStatus);
    }
}

// Every input a folder of sheets, and nothing asked that only files take.
int CheckFolders(const Arguments& args, std::string* pstrError) {
    for (const std::string& strInput : args.inputs) {
        if (!IsFolder(strInput)) {
            *pstrError = strInput + ": give folders of sheets or files, not both";
            return kExitUsage;
        }
    }
    if (args.bStyleOnly) {
        *pstrError = "--style-only takes files, not folders";
        return kExitUsage;
    }
    return kExitOk;
}

// The output of an archive is a folder or a database, a merged one a file: GeoPackage unless
// told otherwise.
int ChooseArchiveFormat(const Arguments& args, OutputFormat* pFormat, std::string* pstrError) {
    // Registered first, so that a copy of the driver that GDAL loads from GDAL_DRIVER_PATH
    // finds the name taken and stays out.
    RegisterOGRMAPGIS();
    const bool bMerge = !args.strMerge.empty();
    Arguments chosen = args;
    if (chosen.strFormat.empty() && !IsConnection(chosen.strOutput) &&
        (!bMerge || chosen.strOutput.empty()))
        chosen.strFormat = "GPKG";
    RegisterWriters(chosen.strFormat, chosen.strOutput);
    int nExit = kExitOk;
    if (!ChooseFormat(chosen, pFormat, &nExit, pstrError))
        return nExit;
    if (bMerge && !MergeFits(args, *pFormat, pstrError))
        return kExitUsage;
    return kExitOk;
}

int FindArchiveSheets(const Arguments& args, std::vector<Sheet>* pSheets, std::string* pstrError) {
    if (!CheckStyleSources(args, pstrError) ||
        !FindSheets(args.inputs, args.bRecursive, pSheets, pstrError))
        return kExitInput;
    if (pSheets->empty()) {
        *pstrError = "no exchange file (.wat, .wal, .wap, .wan) in " + args.inputs[0] +
                     (args.bRecursive ? "" : " (-r: subfolders)");
        return kExitInput;
    }
    return kExitOk;
}

// The names of the sheets of the share asked for, a line each in the order they are imported.
int ListSheets(const Arguments& args, const std::vector<Sheet>& sheets,
               const std::vector<std::string>& roots) {
    for (const Sheet& sheet : sheets) {
        const std::string strName = SheetName(roots, sheet);
        if (args.nShares == 0 || ShareOf(strName, args.nShares) == args.nShare)
            std::printf("%s\n", strName.c_str());
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0)
        return Fail(kExitOutput, std::string("cannot write the list of sheets to standard "
                                             "output: ") +
                                     std::strerror(errno));
    return kExitOk;
}

// Where the archive goes: -o, else beside the first folder (FOLDER.gpkg merged, else the
// folder FOLDER_gpkg).
std::string ArchiveOutput(const Arguments& args, const OutputFormat& format,
                          const std::string& strRootPath) {
    std::string strOutDir = format.IsDatabase()
                                ? args.strOutput
                                : std::string(CPLCleanTrailingSlash(args.strOutput.c_str()));
    if (strOutDir.empty() && !args.strMerge.empty())
        strOutDir = strRootPath + "." + format.strExtension;
    else if (strOutDir.empty())
        strOutDir = strRootPath + "_" + (format.strExtension.empty() ? "out" : format.strExtension);
    return strOutDir;
}

}  // namespace

int RunArchive(const Arguments& args) {
    std::string strError;
    OutputFormat format;
    std::vector<Sheet> sheets;
    std::vector<std::string> roots;
    int nExit = CheckFolders(args, &strError);
    if (nExit == kExitOk && !args.bListSheets)
        nExit = ChooseArchiveFormat(args, &format, &strError);
    if (nExit == kExitOk)
        nExit = FindArchiveSheets(args, &sheets, &strError);
    if (nExit == kExitOk && !RootPaths(args, &roots, &strError))
        nExit = kExitUsage;
    if (nExit != kExitOk)
        return Fail(nExit, strError);
    if (args.bListSheets)
        return ListSheets(args, sheets, roots);
    const std::string strRootPath = CPLCleanTrailingSlash(args.inputs[0].c_str());
    // From here a signal stops the workers; the sheets written so far stay complete.
    CatchInterrupts();
    ArchiveImport archive(args, format, ArchiveOutput(args, format, strRootPath), strRootPath);
    nExit = archive.Prepare(&strError);
    if (nExit != kExitOk)
        return Fail(nExit, strError);
    archive.Plan(sheets, roots);
    archive.Run();
    return archive.Account();
}

}  // namespace mapgis_import
