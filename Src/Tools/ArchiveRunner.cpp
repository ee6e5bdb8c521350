// The sheets of an archive, each imported by a worker process, several at once.
#include "ArchiveRunner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "ArchiveMerge.h"
#include "ImportReport.h"
#include "OutputFormat.h"
#include "PostgisOutput.h"
#include "SafeOutput.h"
#include "SheetFinder.h"
#include "cpl_conv.h"
#include "cpl_string.h"
#include "cpl_vsi.h"
#include "gdal.h"
#include "ogr_mapgis.h"

extern char** environ;

namespace mapgis_import {

namespace {

constexpr const char* kProgram = "mapgis-import";

int Fail(int nCode, const std::string& strMessage) {
    std::fprintf(stderr, "%s: %s\n", kProgram, strMessage.c_str());
    return nCode;
}

bool Exists(const std::string& strPath) {
    VSIStatBufL sStat;
    return VSIStatL(strPath.c_str(), &sStat) == 0;
}

// A folder and those above it. GDAL's VSIMkdirRecursive fails on a relative path of one
// name ("out"), whose parent it takes for "": such paths are made from the current folder.
bool MakeFolders(const std::string& strPath) {
    std::string strFull = strPath;
    if (CPLIsFilenameRelative(strPath.c_str())) {
        char* pszCurrent = CPLGetCurrentDir();
        if (pszCurrent != nullptr)
            strFull = CPLFormFilename(pszCurrent, strPath.c_str(), nullptr);
        CPLFree(pszCurrent);
    }
    return Exists(strFull) || VSIMkdirRecursive(strFull.c_str(), 0755) == 0;
}

// The work folder, in $TMPDIR (else /tmp): never among the user's files.
std::string MakeWorkFolder() {
    const char* pszTmp = std::getenv("TMPDIR");
    std::string strTemplate = std::string(pszTmp != nullptr && *pszTmp != '\0' ? pszTmp : "/tmp") +
                              "/mapgis-import-XXXXXX";
    if (mkdtemp(&strTemplate[0]) == nullptr)
        return std::string();
    return strTemplate;
}

std::string SelfPath() {
    char szPath[4096];
    const ssize_t n = readlink("/proc/self/exe", szPath, sizeof(szPath) - 1);
    if (n <= 0)
        return "mapgis-import";
    szPath[n] = '\0';
    return szPath;
}

// One sheet's import: what it reads, where it goes, and how it went.
struct SheetRun {
    const Sheet* poSheet = nullptr;
    std::string strName;    // "a/b/1": its folders and title
    std::string strOutput;  // a file, or the connection string
    std::string strTable;   // PostgreSQL: the title of its tables
    std::string strColors;
    std::string strReport;  // its report and its messages, in the work folder
    std::string strErrors;
    pid_t pid = 0;
    int nStatus = -1;
    bool bSkipped = false;
};

std::string Join(const std::string& a, const std::string& b) {
    return a.empty() ? b : b.empty() ? a : CPLFormFilename(a.c_str(), b.c_str(), nullptr);
}

// The arguments every worker gets as the import was given them.
std::vector<std::string> Passed(const Arguments& args, const OutputFormat& format) {
    std::vector<std::string> out = {"-q", "-f", format.strName};
    auto flag = [&](bool b, const char* psz) {
        if (b)
            out.emplace_back(psz);
    };
    auto value = [&](const std::string& v, const char* psz) {
        if (!v.empty()) {
            out.emplace_back(psz);
            out.push_back(v);
        }
    };
    flag(args.bTyped, "--typed");
    flag(args.bNoSplit, "--no-split");
    flag(args.bNoRepair, "--no-repair");
    flag(args.bNoStyle, "--no-style");
    flag(args.bOverwrite, "--overwrite");
    value(args.strEncoding, "--encoding");
    value(args.strSrs, "--srs");
    value(args.strScale, "--scale");
    value(args.strOffset, "--offset");
    value(args.strDbfEncoding, "--dbf-encoding");
    value(args.strSchema, "--schema");
    return out;
}

bool Start(const std::string& strSelf, const std::vector<std::string>& argv, SheetRun& run) {
    std::vector<char*> apsz;
    for (const std::string& s : argv)
        apsz.push_back(const_cast<char*>(s.c_str()));
    apsz.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, run.strErrors.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int nErr =
        posix_spawn(&run.pid, strSelf.c_str(), &actions, nullptr, apsz.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return nErr == 0;
}

// What a worker said of its failure, for the report: its first error names the cause (the
// closing line only says the import stopped), else its last message; on one line.
std::string FailureMessage(const std::string& strPath) {
    const std::string strPrefix = std::string(kProgram) + ": ";
    std::string strLast, strError;
    bool bInError = false;
    VSILFILE* fp = VSIFOpenL(strPath.c_str(), "rb");
    if (fp == nullptr)
        return strLast;
    while (const char* psz = CPLReadLineL(fp)) {
        const std::string strLine = psz;
        const bool bOwn = strLine.compare(0, strPrefix.size(), strPrefix) == 0;
        if (bOwn)
            strLast = strLine.substr(strPrefix.size());
        if (bOwn && strError.empty() && strLast.compare(0, 7, "error: ") == 0) {
            strError = strLast.substr(7);
            bInError = true;
        } else if (bInError && !bOwn && !strLine.empty()) {
            strError += " " + std::string(CPLString(strLine).Trim());
        } else {
            bInError = bInError && !bOwn;
        }
    }
    VSIFCloseL(fp);
    return strError.empty() ? strLast : strError;
}

int StatusOf(int nWait) {
    if (WIFEXITED(nWait))
        return WEXITSTATUS(nWait);
    return WIFSIGNALED(nWait) ? 128 + WTERMSIG(nWait) : 1;
}

}  // namespace

bool IsArchive(const Arguments& args) {
    for (const std::string& strInput : args.inputs) {
        if (IsFolder(strInput))
            return true;
    }
    return false;
}

// Whether the sheets can go into one dataset as asked; false with a message.
bool MergeFits(const Arguments& args, const OutputFormat& format, std::string* pstrError) {
    if (IsPostgis(format)) {
        *pstrError = "--merge writes a file; in PostgreSQL the sheets' tables share a schema";
    } else if (args.bResume) {
        *pstrError =
            "--merge writes one dataset, complete or not at all; --resume is for an "
            "output per sheet";
    } else if (format.bOneLayer || format.bCad || STARTS_WITH_CI(format.strName.c_str(), "KML")) {
        *pstrError =
            "--merge takes a format of several layers in one file, such as GPKG or "
            "OpenFileGDB; -f " +
            format.strName + " gets an output per sheet";
    } else {
        return true;
    }
    return false;
}

int RunArchive(const Arguments& args) {
    for (const std::string& strInput : args.inputs) {
        if (!IsFolder(strInput))
            return Fail(kExitUsage, strInput + ": give folders of sheets or files, not both");
    }
    if (args.bStyleOnly)
        return Fail(kExitUsage, "--style-only takes files, not folders");
    RegisterOGRMAPGIS();
    // The output of an archive is a folder or a database, a merged one a file: GeoPackage
    // unless told otherwise.
    const bool bMerge = !args.strMerge.empty();
    Arguments chosen = args;
    if (chosen.strFormat.empty() && !IsConnection(chosen.strOutput) &&
        (!bMerge || chosen.strOutput.empty()))
        chosen.strFormat = "GPKG";
    RegisterWriters(chosen.strFormat, chosen.strOutput);
    OutputFormat format;
    int nExit = kExitOk;
    std::string strError;
    if (!ChooseFormat(chosen, &format, &nExit, &strError))
        return Fail(nExit, strError);
    if (bMerge && !MergeFits(args, format, &strError))
        return Fail(kExitUsage, strError);
    std::vector<Sheet> sheets;
    if (!FindSheets(args.inputs, args.bRecursive, &sheets, &strError))
        return Fail(kExitInput, strError);
    if (sheets.empty()) {
        return Fail(kExitInput, "no exchange file (.wat, .wal, .wap, .wan) in " + args.inputs[0] +
                                    (args.bRecursive ? "" : " (-r: subfolders)"));
    }
    const bool bDatabase = IsPostgis(format);
    const std::string strRootPath = CPLCleanTrailingSlash(args.inputs[0].c_str());
    std::string strOutDir =
        bDatabase ? args.strOutput : std::string(CPLCleanTrailingSlash(args.strOutput.c_str()));
    if (strOutDir.empty() && bMerge)
        strOutDir = strRootPath + "." + format.strExtension;
    else if (strOutDir.empty())
        strOutDir = strRootPath + "_" + (format.strExtension.empty() ? "out" : format.strExtension);
    std::set<std::string> done;
    Replacing eReplacing = Replacing::Nothing;
    MergedOutput merged(format, args.strMerge == "sheets",
                        args.strName.empty() ? CPLGetFilename(strRootPath.c_str()) : args.strName);
    if (bMerge) {
        eReplacing = MayReplace(args, format, false, strOutDir, {}, &strError);
        if (!strError.empty())
            return Fail(kExitOutput, strError);
        if (!merged.Begin(strOutDir, &strError))
            return Fail(kExitOutput, strError);
    } else if (bDatabase) {
        if (!PrepareDatabase(strOutDir, SchemaOrPublic(args.strSchema), &done, &strError))
            return Fail(kExitOutput, strError);
    } else if (!MakeFolders(strOutDir)) {
        return Fail(kExitOutput, "cannot make the output folder " + strOutDir);
    }

    // The work folder holds each worker's report and messages.
    const std::string strWork = MakeWorkFolder();
    if (strWork.empty())
        return Fail(kExitOutput, std::string("cannot make a work folder: ") + std::strerror(errno));
    struct RemoveWork {
        std::string strPath;
        ~RemoveWork() { VSIRmdirRecursive(strPath.c_str()); }
    } removeWork{strWork};

    std::vector<SheetRun> runs(sheets.size());
    for (size_t i = 0; i < sheets.size(); ++i) {
        const Sheet& sheet = sheets[i];
        SheetRun& run = runs[i];
        run.poSheet = &sheet;
        // Several roots: each one's name keeps their sheets apart.
        const std::string strRoot =
            args.inputs.size() > 1 ? std::string(CPLGetFilename(
                                         CPLCleanTrailingSlash(args.inputs[sheet.iRoot].c_str())))
                                   : std::string();
        const std::string strFolder = Join(strRoot, sheet.strFolder);
        run.strName = Join(strFolder, sheet.strTitle);
        run.strColors = args.strColors.empty() ? sheet.strColors : args.strColors;
        run.strReport = CPLFormFilename(strWork.c_str(), CPLSPrintf("%zu.json", i), nullptr);
        run.strErrors = CPLFormFilename(strWork.c_str(), CPLSPrintf("%zu.err", i), nullptr);
        if (bMerge) {
            run.strOutput =
                CPLFormFilename(strWork.c_str(), CPLSPrintf("%zu", i), format.strExtension.c_str());
        } else if (bDatabase) {
            run.strOutput = strOutDir;
            run.strTable = LaunderName(CPLString(run.strName).replaceAll('/', '_'));
            run.bSkipped = args.bResume && done.count(run.strTable) != 0;
        } else {
            const std::string strDir = Join(strOutDir, strFolder);
            run.strOutput = CPLFormFilename(
                strDir.c_str(), sheet.strTitle.c_str(),
                format.strExtension.empty() ? nullptr : format.strExtension.c_str());
            // A format of one file per layer writes a folder, without the extension, for a
            // sheet of several layers.
            const std::string strFolderOut =
                format.strExtension.empty()
                    ? run.strOutput
                    : run.strOutput.substr(0,
                                           run.strOutput.size() - format.strExtension.size() - 1);
            run.bSkipped = args.bResume && (Exists(run.strOutput) || IsFolder(strFolderOut));
            if (!run.bSkipped && !MakeFolders(strDir))
                return Fail(kExitOutput, "cannot make the folder " + strDir);
        }
    }

    CatchInterrupts();
    const std::string strSelf = SelfPath();
    const std::vector<std::string> passed = Passed(args, format);
    const long nCores = sysconf(_SC_NPROCESSORS_ONLN);
    const size_t nJobs = args.nJobs > 0 ? static_cast<size_t>(args.nJobs)
                                        : static_cast<size_t>(nCores > 0 ? nCores : 1);
    const bool bProgress = !args.bQuiet && isatty(fileno(stdout));
    size_t nNext = 0, nRunning = 0, nFinished = 0;
    auto finished = [&](SheetRun& run, int nWait) {
        run.nStatus = StatusOf(nWait);
        --nRunning;
        ++nFinished;
        if (run.nStatus != kExitOk && !args.bQuiet) {
            std::fprintf(stderr, "%s: sheet %s failed (exit %d): %s\n", kProgram,
                         run.strName.c_str(), run.nStatus, FailureMessage(run.strErrors).c_str());
        }
        if (bProgress)
            GDALTermProgress(static_cast<double>(nFinished) / runs.size(), nullptr, nullptr);
    };
    // Sheets go into a merged dataset in their order, each once its worker is done, while the
    // others run; after a failure to append, nothing more is (the dataset will not be kept).
    size_t nMerged = 0;
    std::string strMergeError;
    auto mergeFinished = [&]() {
        for (; bMerge && nMerged < runs.size() && runs[nMerged].nStatus >= 0; ++nMerged) {
            const SheetRun& run = runs[nMerged];
            if (run.nStatus == kExitOk && strMergeError.empty() &&
                !merged.Append(run.strName, run.strOutput, &strMergeError)) {
                strMergeError = "cannot merge the sheets into " + strOutDir + ": " + strMergeError;
            }
            VSIUnlink(run.strOutput.c_str());
        }
    };
    while (nFinished < runs.size()) {
        mergeFinished();
        while (nRunning < nJobs && nNext < runs.size() && InterruptSignal() == 0) {
            SheetRun& run = runs[nNext++];
            if (run.bSkipped) {
                run.nStatus = kExitOk;
                ++nFinished;
                continue;
            }
            std::vector<std::string> argv = {strSelf};
            argv.insert(argv.end(), run.poSheet->files.begin(), run.poSheet->files.end());
            argv.insert(argv.end(), passed.begin(), passed.end());
            argv.insert(argv.end(), {"-o", run.strOutput, "--report", run.strReport});
            if (!run.strColors.empty())
                argv.insert(argv.end(), {"--colors", run.strColors});
            if (bDatabase)
                argv.insert(argv.end(), {"--name", run.strTable});
            if (bMerge)
                argv.insert(argv.end(), {"--name", kWorkerName, "--no-style"});
            if (!Start(strSelf, argv, run)) {
                run.nStatus = kExitOutput;
                ++nFinished;
                continue;
            }
            ++nRunning;
        }
        if (nRunning == 0) {
            if (InterruptSignal() != 0)
                break;
            continue;
        }
        // Polled, so that a signal is seen while the workers run.
        int nWait = 0;
        const pid_t pid = waitpid(-1, &nWait, WNOHANG);
        if (pid <= 0) {
            if (InterruptSignal() != 0) {
                // Each worker cleans up after itself on the signal.
                for (const SheetRun& run : runs) {
                    if (run.pid > 0 && run.nStatus < 0)
                        kill(run.pid, InterruptSignal());
                }
                break;
            }
            usleep(10000);
            continue;
        }
        for (SheetRun& run : runs) {
            if (run.pid == pid)
                finished(run, nWait);
        }
    }
    if (InterruptSignal() != 0) {
        while (nRunning > 0) {
            int nWait = 0;
            const pid_t pid = waitpid(-1, &nWait, 0);
            if (pid < 0)
                break;
            for (SheetRun& run : runs) {
                if (pid > 0 && run.pid == pid)
                    finished(run, nWait);
            }
        }
        return Fail(128 + InterruptSignal(), "interrupted; the sheets written so far are complete");
    }

    mergeFinished();
    if (bMerge && strMergeError.empty() &&
        !merged.Commit(!args.bNoStyle, eReplacing, &strMergeError))
        strMergeError = "cannot write " + strOutDir + ": " + strMergeError;
    if (!strMergeError.empty())
        return Fail(kExitOutput, strMergeError + "; nothing written");

    // Messages and reports never show a password.
    const std::string strShown = bDatabase ? PublicConnection(strOutDir) : strOutDir;
    size_t nWritten = 0, nSkipped = 0, nFailed = 0;
    std::vector<ReportLine> report;
    for (const SheetRun& run : runs) {
        // Where the report says the sheet went: a worker's own output is in the work folder.
        const std::string& strWhere = bMerge || bDatabase ? strShown : run.strOutput;
        std::vector<ReportLine> lines;
        if (run.bSkipped) {
            ++nSkipped;
            lines = ReportLines(run.poSheet->files, {}, run.strName, strWhere, run.strColors,
                                kExitOk, "skipped: its output exists (--resume)");
        } else if (run.nStatus == kExitOk && ReadReport(run.strReport, &lines)) {
            ++nWritten;
        } else {
            ++nFailed;
            lines = ReportLines(run.poSheet->files, {}, run.strName, strWhere, run.strColors,
                                run.nStatus == kExitOk ? kExitOutput : run.nStatus,
                                FailureMessage(run.strErrors));
        }
        for (ReportLine& line : lines) {
            line.strSheet = run.strName;
            line.strOutput = strWhere;
            line.strColors = run.strColors;
            if (line.strError.empty() && !run.poSheet->strColorsNote.empty())
                line.strError = run.poSheet->strColorsNote;
            report.push_back(std::move(line));
        }
    }
    if (!args.strReport.empty() && !WriteReport(args.strReport, report, &strError))
        return Fail(kExitOutput, strError);
    if (!args.bQuiet) {
        std::printf("%s: %zu sheets: %zu written, %zu skipped (their output exists), %zu failed\n",
                    strShown.c_str(), runs.size(), nWritten, nSkipped, nFailed);
        size_t nFound = 0;
        for (const SheetRun& run : runs)
            nFound += run.poSheet->strColors.empty() ? 0 : 1;
        if (!args.strColors.empty()) {
            std::printf("  colour index: %s for every sheet\n", args.strColors.c_str());
        } else {
            std::printf("  colour index: found beside %zu of the sheets (see the report)\n",
                        nFound);
        }
        for (const SheetRun& run : runs) {
            if (!run.bSkipped && run.nStatus != kExitOk)
                std::printf("  %s: failed (exit %d)\n", run.strName.c_str(), run.nStatus);
        }
    }
    return nFailed > 0 ? kExitSheets : kExitOk;
}

}  // namespace mapgis_import
