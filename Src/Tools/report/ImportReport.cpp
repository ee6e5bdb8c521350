// Report lines as JSON and CSV.
#include "report/ImportReport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cpl_json.h"
#include "cpl_string.h"
#include "cpl_vsi.h"

namespace mapgis_import {

namespace {

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

// A report to "/dev/fd/N" goes into that open file as it is: an archive's worker writes its
// report into a file its parent holds open.
constexpr const char* kDescriptorFolder = "/dev/fd/";

// Writes all of the text; the error's text, or empty.
std::string WriteAll(int nFd, const std::string& strText) {
    for (size_t nDone = 0; nDone < strText.size();) {
        const ssize_t n = write(nFd, strText.data() + nDone, strText.size() - nDone);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return std::strerror(n < 0 ? errno : ENOSPC);
        nDone += static_cast<size_t>(n);
    }
    return std::string();
}

std::string WriteToDescriptor(const std::string& strPath, const std::string& strText) {
    const int nFd = std::atoi(strPath.c_str() + std::strlen(kDescriptorFolder));
    if (lseek(nFd, 0, SEEK_SET) != 0 || ftruncate(nFd, 0) != 0)
        return std::strerror(errno);
    return WriteAll(nFd, strText);
}

// Written beside the target under a temporary name, on disk, then renamed over it: a report
// is whole or as it was, and a full disk is told rather than found later as an empty file.
std::string WriteAndRename(const std::string& strPath, const std::string& strText) {
    struct stat sStat;
    const bool bExists = stat(strPath.c_str(), &sStat) == 0;
    if (bExists && !S_ISREG(sStat.st_mode))
        return "not a regular file";
    // Through a link: the file it names is replaced, the link stays.
    char* pszReal = bExists ? realpath(strPath.c_str(), nullptr) : nullptr;
    const std::string strTarget = pszReal != nullptr ? pszReal : strPath;
    std::free(pszReal);
    const std::string strDir = CPLGetPath(strTarget.c_str());
    std::string strTemp = CPLFormFilename(
        strDir.empty() ? "." : strDir.c_str(),
        ("." + std::string(CPLGetFilename(strTarget.c_str())) + ".tmp-XXXXXX").c_str(), nullptr);
    const int nFd = mkstemp(&strTemp[0]);
    if (nFd < 0)
        return std::strerror(errno);
    const mode_t nMask = umask(0);
    umask(nMask);
    std::string strWhy = WriteAll(nFd, strText);
    if (strWhy.empty() &&
        (fchmod(nFd, bExists ? sStat.st_mode & 07777 : 0666 & ~nMask) != 0 || fsync(nFd) != 0))
        strWhy = std::strerror(errno);
    if (close(nFd) != 0 && strWhy.empty())
        strWhy = std::strerror(errno);
    if (strWhy.empty() && std::rename(strTemp.c_str(), strTarget.c_str()) != 0)
        strWhy = std::strerror(errno);
    if (!strWhy.empty())
        unlink(strTemp.c_str());
    return strWhy;
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
    const std::string strWhy = STARTS_WITH(strPath.c_str(), kDescriptorFolder)
                                   ? WriteToDescriptor(strPath, strText)
                                   : WriteAndRename(strPath, strText);
    if (strWhy.empty())
        return true;
    *pstrError = "cannot write the report " + strPath + ": " + strWhy;
    return false;
}

bool ParseReport(const std::string& strText, std::vector<ReportLine>* pLines) {
    size_t nFrom = 0;
    while (nFrom < strText.size()) {
        const size_t nEnd = std::min(strText.find('\n', nFrom), strText.size());
        const std::string strLine = strText.substr(nFrom, nEnd - nFrom);
        nFrom = nEnd + 1;
        if (strLine.empty())
            continue;
        CPLJSONDocument doc;
        if (!doc.LoadMemory(strLine))
            return false;
        pLines->push_back(FromJson(doc.GetRoot()));
    }
    return true;
}

}  // namespace mapgis_import
