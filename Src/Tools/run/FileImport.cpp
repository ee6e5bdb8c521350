// An import of files, with its report.
#include "run/FileImport.h"

#include <cstdio>
#include <string>

#include "report/ImportReport.h"
#include "report/Messages.h"
#include "run/ImportRunner.h"

namespace mapgis_import {

namespace {

// The report of an import of files (an archive writes its own); the exit status with it.
int Reported(const Arguments& args, const ImportOutcome& outcome, int nCode) {
    const auto lines = ReportLines(args.inputs, outcome.accounts, args.strName, outcome.strOutput,
                                   args.strColors, nCode, outcome.strError);
    std::string strError;
    if (WriteReport(args.strReport, lines, &strError))
        return nCode;
    std::fprintf(stderr, "%s: %s\n", kProgram, strError.c_str());
    return nCode == kExitOk ? kExitReport : nCode;
}

}  // namespace

int ImportFiles(const Arguments& args) {
    ImportOutcome outcome;
    const int nCode = RunImport(args, &outcome);
    return args.strReport.empty() || args.bStyleOnly ? nCode : Reported(args, outcome, nCode);
}

}  // namespace mapgis_import
