// The report of an import (--report): a line per input with its sheet, output, exit status
// and the account of its items, as JSON lines or CSV.
#pragma once

#include <string>
#include <vector>

#include "report/ImportSummary.h"

namespace mapgis_import {

struct ReportLine {
    std::string strSheet;
    std::string strInput;
    std::string strOutput;
    std::string strColors;  // the colour index file used, or empty
    int nStatus = 0;        // the exit status of the sheet's import
    std::string strError;   // why it failed, or a note
    bool bHasAccount = false;
    InputAccount account;
};

// The lines of an import's inputs: their accounts when it succeeded, else the error.
std::vector<ReportLine> ReportLines(const std::vector<std::string>& inputs,
                                    const std::vector<InputAccount>& accounts,
                                    const std::string& strSheet, const std::string& strOutput,
                                    const std::string& strColors, int nStatus,
                                    const std::string& strError);

// Writes the lines: CSV when the path ends in .csv, else one JSON object per line, into a
// temporary file renamed over the target once on disk ("/dev/fd/N": into that open file);
// false with a message when it cannot, or when the target is not a regular file.
bool WriteReport(const std::string& strPath, const std::vector<ReportLine>& lines,
                 std::string* pstrError);

// The lines of a report of JSON lines that WriteReport wrote; false when it cannot be read.
bool ParseReport(const std::string& strText, std::vector<ReportLine>* pLines);

}  // namespace mapgis_import
