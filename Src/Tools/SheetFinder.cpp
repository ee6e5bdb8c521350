// Finding the sheets of an archive.
#include "SheetFinder.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "cpl_conv.h"
#include "cpl_string.h"
#include "cpl_vsi.h"

namespace mapgis_import {

namespace {

// The colour index of the sheets of one folder: the one named after the sheet, else the only
// one there.
void ChooseColors(const std::vector<std::string>& candidates, Sheet& sheet) {
    for (const std::string& strPath : candidates) {
        if (EQUAL(CPLGetBasename(strPath.c_str()), sheet.strTitle.c_str())) {
            sheet.strColors = strPath;
            return;
        }
    }
    if (candidates.size() == 1) {
        sheet.strColors = candidates[0];
    } else if (candidates.size() > 1) {
        sheet.strColorsNote = std::to_string(candidates.size()) +
                              " colour index files beside the sheet and none named after it: "
                              "none used (name one with --colors)";
    }
}

bool Walk(size_t iRoot, const std::string& strRoot, const std::string& strRelative, bool bRecursive,
          std::vector<Sheet>* pSheets, std::string* pstrError) {
    const std::string strFolder =
        strRelative.empty() ? strRoot
                            : CPLFormFilename(strRoot.c_str(), strRelative.c_str(), nullptr);
    char** papszNames = VSIReadDir(strFolder.c_str());
    if (papszNames == nullptr && !IsFolder(strFolder)) {
        *pstrError = "cannot read the folder " + strFolder;
        return false;
    }
    CPLStringList aosNames(papszNames);
    std::vector<std::string> names;
    for (int i = 0; i < aosNames.size(); ++i) {
        if (!EQUAL(aosNames[i], ".") && !EQUAL(aosNames[i], ".."))
            names.emplace_back(aosNames[i]);
    }
    std::sort(names.begin(), names.end());
    // Titles in the order of their first file; a title's case follows that file.
    std::map<std::string, Sheet> byTitle;
    std::vector<std::string> order;
    std::vector<std::string> colors;
    std::vector<std::string> subfolders;
    for (const std::string& strName : names) {
        const std::string strPath = CPLFormFilename(strFolder.c_str(), strName.c_str(), nullptr);
        if (IsFolder(strPath)) {
            subfolders.push_back(strName);
        } else if (IsExchangeFile(strName)) {
            const std::string strTitle = CPLGetBasename(strName.c_str());
            const std::string strKey = CPLString(strTitle).tolower();
            auto [it, bNew] = byTitle.try_emplace(strKey);
            if (bNew) {
                it->second.iRoot = iRoot;
                it->second.strFolder = strRelative;
                it->second.strTitle = strTitle;
                order.push_back(strKey);
            }
            it->second.files.push_back(strPath);
        } else if (LooksLikeColorIndex(strPath)) {
            colors.push_back(strPath);
        }
    }
    for (const std::string& strKey : order) {
        Sheet& sheet = byTitle[strKey];
        ChooseColors(colors, sheet);
        pSheets->push_back(std::move(sheet));
    }
    if (!bRecursive)
        return true;
    for (const std::string& strSub : subfolders) {
        const std::string strNext =
            strRelative.empty() ? strSub
                                : CPLFormFilename(strRelative.c_str(), strSub.c_str(), nullptr);
        if (!Walk(iRoot, strRoot, strNext, bRecursive, pSheets, pstrError))
            return false;
    }
    return true;
}

}  // namespace

bool IsExchangeFile(const std::string& strName) {
    const std::string strExt = CPLGetExtension(strName.c_str());
    for (const char* psz : {"wat", "wal", "wap", "wan"}) {
        if (EQUAL(strExt.c_str(), psz))
            return true;
    }
    return false;
}

bool IsFolder(const std::string& strPath) {
    VSIStatBufL sStat;
    return VSIStatL(strPath.c_str(), &sStat) == 0 && VSI_ISDIR(sStat.st_mode);
}

bool LooksLikeColorIndex(const std::string& strPath) {
    VSILFILE* fp = VSIFOpenL(strPath.c_str(), "rb");
    if (fp == nullptr)
        return false;
    char szHead[4096];
    const size_t nRead = VSIFReadL(szHead, 1, sizeof(szHead) - 1, fp);
    VSIFCloseL(fp);
    szHead[nRead] = '\0';
    // Its entries name each colour and its inks: "Color:1", then "Black=...".
    return std::strstr(szHead, "\"Color:") != nullptr && std::strstr(szHead, "\"Black=") != nullptr;
}

bool FindSheets(const std::vector<std::string>& roots, bool bRecursive, std::vector<Sheet>* pSheets,
                std::string* pstrError) {
    for (size_t i = 0; i < roots.size(); ++i) {
        if (!Walk(i, roots[i], std::string(), bRecursive, pSheets, pstrError))
            return false;
    }
    return true;
}

}  // namespace mapgis_import
