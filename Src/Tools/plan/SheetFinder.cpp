// Finding the sheets of an archive.
#include "plan/SheetFinder.h"

#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <set>
#include <utility>

#include "cpl_conv.h"
#include "cpl_string.h"
#include "cpl_vsi.h"
#include "mapgisdriver.h"
#include "output/Files.h"

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

// Folders by device and inode: a symbolic link to a folder already walked (its parent, say)
// is not walked again, so links can neither loop nor repeat sheets.
using Visited = std::set<std::pair<dev_t, ino_t>>;

// False when the folder was walked before.
bool FirstVisit(const std::string& strFolder, Visited& visited) {
    struct stat st {};
    if (::stat(strFolder.c_str(), &st) != 0)
        return true;
    return visited.emplace(st.st_dev, st.st_ino).second;
}

// The names in a folder, sorted; false with a message when it cannot be read.
bool NamesIn(const std::string& strFolder, std::vector<std::string>* pNames,
             std::string* pstrError) {
    char** papszNames = VSIReadDir(strFolder.c_str());
    if (papszNames == nullptr && !IsFolder(strFolder)) {
        *pstrError = "cannot read the folder " + mapgis::ShownPath(strFolder);
        return false;
    }
    CPLStringList aosNames(papszNames);
    for (int i = 0; i < aosNames.size(); ++i) {
        if (!EQUAL(aosNames[i], ".") && !EQUAL(aosNames[i], ".."))
            pNames->emplace_back(aosNames[i]);
    }
    std::sort(pNames->begin(), pNames->end());
    return true;
}

// What a folder holds for an archive: its sheets by title (lower case) in the order of their
// first file, a title's case following that file; the colour index files; the subfolders.
struct FolderContents {
    std::map<std::string, Sheet> byTitle;
    std::vector<std::string> order;
    std::vector<std::string> colors;
    std::vector<std::string> subfolders;
};

FolderContents Contents(size_t iRoot, const std::string& strRelative, const std::string& strFolder,
                        const std::vector<std::string>& names) {
    FolderContents contents;
    for (const std::string& strName : names) {
        const std::string strPath = CPLFormFilename(strFolder.c_str(), strName.c_str(), nullptr);
        if (IsFolder(strPath)) {
            contents.subfolders.push_back(strName);
        } else if (IsExchangeFile(strName)) {
            // Whatever it is, its sheet's import says why it cannot be read (a FIFO, say).
            const std::string strTitle = CPLGetBasename(strName.c_str());
            const std::string strKey = CPLString(strTitle).tolower();
            auto [it, bNew] = contents.byTitle.try_emplace(strKey);
            if (bNew) {
                it->second.iRoot = iRoot;
                it->second.strFolder = strRelative;
                it->second.strTitle = strTitle;
                contents.order.push_back(strKey);
            }
            it->second.files.push_back(strPath);
        } else if (LooksLikeColorIndex(strPath)) {
            contents.colors.push_back(strPath);
        }
    }
    return contents;
}

bool Walk(size_t iRoot, const std::string& strRoot, const std::string& strRelative, bool bRecursive,
          Visited& visited, std::vector<Sheet>* pSheets, std::string* pstrError) {
    const std::string strFolder =
        strRelative.empty() ? strRoot
                            : CPLFormFilename(strRoot.c_str(), strRelative.c_str(), nullptr);
    if (!FirstVisit(strFolder, visited))
        return true;
    std::vector<std::string> names;
    if (!NamesIn(strFolder, &names, pstrError))
        return false;
    FolderContents contents = Contents(iRoot, strRelative, strFolder, names);
    // A colour index beside the sheets wins over a library.
    const std::string strLibrary =
        contents.order.empty() ? std::string() : ColorLibraryIn(strFolder);
    for (const std::string& strKey : contents.order) {
        Sheet& sheet = contents.byTitle[strKey];
        ChooseColors(contents.colors, sheet);
        if (sheet.strColors.empty() && sheet.strColorsNote.empty())
            sheet.strColors = strLibrary;
        pSheets->push_back(std::move(sheet));
    }
    if (!bRecursive)
        return true;
    for (const std::string& strSub : contents.subfolders) {
        const std::string strNext =
            strRelative.empty() ? strSub
                                : CPLFormFilename(strRelative.c_str(), strSub.c_str(), nullptr);
        if (!Walk(iRoot, strRoot, strNext, bRecursive, visited, pSheets, pstrError))
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

bool LooksLikeColorIndex(const std::string& strPath) {
    // The check the import makes of --colors: never opens a FIFO or a device.
    std::string strWhy;
    return mapgis::CheckColorSource(strPath, &strWhy) && !mapgis::IsColorLibraryFile(strPath);
}

std::string ColorLibraryIn(const std::string& strFolder) {
    const CPLStringList aosNames(VSIReadDir(strFolder.c_str()));
    for (int i = 0; i < aosNames.size(); ++i) {
        if (!EQUAL(aosNames[i], "Pcolor.lib"))
            continue;
        const std::string strPath = CPLFormFilename(strFolder.c_str(), aosNames[i], nullptr);
        std::string strWhy;
        if (mapgis::CheckColorSource(strPath, &strWhy) && mapgis::IsColorLibraryFile(strPath))
            return strPath;
    }
    return std::string();
}

bool CheckStyleSources(const Arguments& args, std::string* pstrError) {
    if (!args.strLibraryDir.empty() && ColorLibraryIn(args.strLibraryDir).empty()) {
        *pstrError = "--slib " + mapgis::ShownPath(args.strLibraryDir) +
                     ": no MAPGIS colour library (Pcolor.lib) in that folder";
        return false;
    }
    std::string strWhy;
    if (!args.strFontMap.empty() && !mapgis::CheckFontMap(args.strFontMap, &strWhy)) {
        *pstrError = "--font-map " + mapgis::ShownPath(strWhy);
        return false;
    }
    return true;
}

bool FindSheets(const std::vector<std::string>& roots, bool bRecursive, std::vector<Sheet>* pSheets,
                std::string* pstrError) {
    Visited visited;
    for (size_t i = 0; i < roots.size(); ++i) {
        if (!Walk(i, roots[i], std::string(), bRecursive, visited, pSheets, pstrError))
            return false;
    }
    return true;
}

}  // namespace mapgis_import
