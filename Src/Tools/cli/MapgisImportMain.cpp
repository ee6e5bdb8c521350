// mapgis-import: imports MAPGIS exchange files into any vector format GDAL writes.
#include <malloc.h>

#include <cstdio>
#include <string>
#include <vector>

#include "archive/ArchiveRunner.h"
#include "archive/WorkerLoop.h"
#include "cli/HelpText.h"
#include "cli/ImportArguments.h"
#include "cli/Options.h"
#include "gdal.h"
#include "output/Connection.h"
#include "report/Messages.h"
#include "run/FileImport.h"
#include "sqlite3.h"

namespace mapgis_import {
namespace {

// What the program says of itself, when asked; false when the import is to run.
bool Explained(const Arguments& args) {
    if (args.bHelp)
        std::fputs(HelpText(), stdout);
    else if (args.bVersion)
        std::fputs(VersionText().c_str(), stdout);
    else if (args.bHelpMan)
        std::fputs(OptionsManPage().c_str(), stdout);
    return args.bHelp || args.bVersion || args.bHelpMan;
}

int Run(const Arguments& args) {
    if (args.bWorker)
        return RunWorker(args);
    if (IsArchive(args))
        return RunArchive(args);
    if (args.bListSheets || args.nShares > 0)
        return Fail(kExitUsage, std::string(args.bListSheets ? "--list-sheets" : "--shard") +
                                    " takes folders of sheets, not files");
    return ImportFiles(args);
}

}  // namespace
}  // namespace mapgis_import

int main(int argc, char** argv) {
    // Blocks of 1 MiB and more straight from the system, whatever was freed before: a
    // writer's table of records grown by realloc is then moved by the kernel instead of
    // copied, and the peak of a large import does not hold both copies.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    // SQLite's memory statistics take a global lock on every allocation of every statement
    // step; nothing here reads them.
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    const std::vector<std::string> args(argv + 1, argv + argc);
    // Every local user sees a command line: a connection's password goes from it at once.
    for (int i = 1; i < argc; ++i)
        mapgis_import::HideSecretsInPlace(argv[i]);
    mapgis_import::Arguments parsed;
    std::string strError;
    if (!mapgis_import::ParseArguments(args, &parsed, &strError)) {
        std::fprintf(stderr, "mapgis-import: %s\n%s", strError.c_str(), mapgis_import::UsageText());
        return mapgis_import::kExitUsage;
    }
    if (mapgis_import::Explained(parsed))
        return mapgis_import::kExitOk;
    const int nCode = mapgis_import::Run(parsed);
    GDALDestroyDriverManager();
    return nCode;
}
