// Report lines as JSON and CSV.
#include "ImportReport.h"

#include <cstdio>
#include <memory>

#include "cpl_json.h"
#include "cpl_string.h"
#include "cpl_vsi.h"

namespace mapgis_import {

namespace {

struct FileCloser {
    void operator()(VSILFILE* fp) const { VSIFCloseL(fp); }
};

CPLJSONObject ToJson(const ReportLine& line) {
    CPLJSONObject o;
    o.Add("sheet", line.strSheet);
    o.Add("input", line.strInput);
    o.Add("output", line.strOutput);
    o.Add("colors", line.strColors);
    o.Add("status", line.nStatus);
    o.Add("error", line.strError);
    if (line.bHasAccount) {
        const InputAccount& a = line.account;
        o.Add("items", static_cast<GInt64>(a.nItems));
        o.Add("written", static_cast<GInt64>(a.nImported));
        o.Add("repaired", static_cast<GInt64>(a.nRepaired));
        o.Add("refused", static_cast<GInt64>(a.nRefused));
        o.Add("not_importable", static_cast<GInt64>(a.nNotImportable));
        o.Add("skipped", static_cast<GInt64>(a.nSkipped));
        o.Add("account_problem", a.strProblem);
        CPLJSONArray entries;
        for (const std::string& s : a.entries)
            entries.Add(s);
        o.Add("entries", entries);
    }
    return o;
}

ReportLine FromJson(const CPLJSONObject& o) {
    ReportLine line;
    line.strSheet = o.GetString("sheet");
    line.strInput = o.GetString("input");
    line.strOutput = o.GetString("output");
    line.strColors = o.GetString("colors");
    line.nStatus = o.GetInteger("status");
    line.strError = o.GetString("error");
    line.bHasAccount = o.GetObj("items").IsValid();
    if (line.bHasAccount) {
        InputAccount& a = line.account;
        a.strInput = line.strInput;
        a.nItems = o.GetLong("items");
        a.nImported = o.GetLong("written");
        a.nRepaired = o.GetLong("repaired");
        a.nRefused = o.GetLong("refused");
        a.nNotImportable = o.GetLong("not_importable");
        a.nSkipped = o.GetLong("skipped");
        a.strProblem = o.GetString("account_problem");
        const CPLJSONArray entries = o.GetArray("entries");
        for (int i = 0; i < entries.Size(); ++i)
            a.entries.push_back(entries[i].ToString());
    }
    return line;
}

std::string CsvField(const std::string& s) {
    if (s.find_first_of(",\"\n\r") == std::string::npos)
        return s;
    std::string out = "\"";
    for (char c : s)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string Csv(const ReportLine& line) {
    const InputAccount& a = line.account;
    auto number = [&](long long n) { return line.bHasAccount ? std::to_string(n) : ""; };
    std::string strEntries;
    for (const std::string& s : a.entries)
        strEntries += (strEntries.empty() ? "" : "; ") + s;
    const std::vector<std::string> fields = {line.strSheet,
                                             line.strInput,
                                             line.strOutput,
                                             line.strColors,
                                             std::to_string(line.nStatus),
                                             line.strError,
                                             number(a.nItems),
                                             number(a.nImported),
                                             number(a.nRepaired),
                                             number(a.nRefused),
                                             number(a.nNotImportable),
                                             number(a.nSkipped),
                                             strEntries};
    // A comma before every field but the first, empty ones (the sheet of a single import)
    // included.
    std::string out;
    for (size_t i = 0; i < fields.size(); ++i)
        out += (i == 0 ? "" : ",") + CsvField(fields[i]);
    return out;
}

}  // namespace

std::vector<ReportLine> ReportLines(const std::vector<std::string>& inputs,
                                    const std::vector<InputAccount>& accounts,
                                    const std::string& strSheet, const std::string& strOutput,
                                    const std::string& strColors, int nStatus,
                                    const std::string& strError) {
    std::vector<ReportLine> lines;
    for (size_t i = 0; i < inputs.size(); ++i) {
        ReportLine line;
        line.strSheet = strSheet;
        line.strInput = inputs[i];
        line.strOutput = strOutput;
        line.strColors = strColors;
        line.nStatus = nStatus;
        line.strError = strError;
        if (i < accounts.size()) {
            line.bHasAccount = true;
            line.account = accounts[i];
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

bool WriteReport(const std::string& strPath, const std::vector<ReportLine>& lines,
                 std::string* pstrError) {
    std::unique_ptr<VSILFILE, FileCloser> fp(VSIFOpenL(strPath.c_str(), "wb"));
    if (fp == nullptr) {
        *pstrError = "cannot write the report " + strPath;
        return false;
    }
    const bool bCsv = EQUAL(CPLGetExtension(strPath.c_str()), "csv");
    std::string strText;
    if (bCsv) {
        strText =
            "sheet,input,output,colors,status,error,items,written,repaired,refused,"
            "not_importable,skipped,entries\n";
    }
    for (const ReportLine& line : lines)
        strText +=
            (bCsv ? Csv(line) : ToJson(line).Format(CPLJSONObject::PrettyFormat::Plain)) + "\n";
    if (VSIFWriteL(strText.data(), 1, strText.size(), fp.get()) != strText.size()) {
        *pstrError = "cannot write the report " + strPath;
        return false;
    }
    return true;
}

bool ReadReport(const std::string& strPath, std::vector<ReportLine>* pLines) {
    std::unique_ptr<VSILFILE, FileCloser> fp(VSIFOpenL(strPath.c_str(), "rb"));
    if (fp == nullptr)
        return false;
    while (const char* pszLine = CPLReadLineL(fp.get())) {
        if (*pszLine == '\0')
            continue;
        CPLJSONDocument doc;
        if (!doc.LoadMemory(std::string(pszLine)))
            return false;
        pLines->push_back(FromJson(doc.GetRoot()));
    }
    return true;
}

}  // namespace mapgis_import
