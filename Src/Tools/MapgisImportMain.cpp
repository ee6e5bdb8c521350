// mapgis-import: imports MAPGIS exchange files into any vector format GDAL writes.
#include <malloc.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ArchiveRunner.h"
#include "ImportArguments.h"
#include "ImportReport.h"
#include "ImportRunner.h"
#include "PostgisOutput.h"
#include "gdal.h"
#include "sqlite3.h"

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
    if (parsed.bHelp) {
        std::fputs(mapgis_import::HelpText(), stdout);
        return mapgis_import::kExitOk;
    }
    if (parsed.bVersion) {
        std::fputs(mapgis_import::VersionText().c_str(), stdout);
        return mapgis_import::kExitOk;
    }
    mapgis_import::ImportOutcome outcome;
    int nCode = mapgis_import::IsArchive(parsed) ? mapgis_import::RunArchive(parsed)
                                                 : mapgis_import::RunImport(parsed, &outcome);
    if (!parsed.strReport.empty() && !mapgis_import::IsArchive(parsed) && !parsed.bStyleOnly) {
        const auto lines = mapgis_import::ReportLines(parsed.inputs, outcome.accounts,
                                                      parsed.strName, outcome.strOutput,
                                                      parsed.strColors, nCode, outcome.strError);
        if (!mapgis_import::WriteReport(parsed.strReport, lines, &strError)) {
            std::fprintf(stderr, "mapgis-import: %s\n", strError.c_str());
            nCode = nCode == mapgis_import::kExitOk ? mapgis_import::kExitReport : nCode;
        }
    }
    GDALDestroyDriverManager();
    return nCode;
}
