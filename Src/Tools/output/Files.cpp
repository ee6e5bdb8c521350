// File system helpers of the import.
#include "output/Files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

#include "cpl_conv.h"

namespace mapgis_import {

namespace {

bool Stat(const std::string& strPath, Links eLinks, struct stat* pStat) {
    return (eLinks == Links::Followed ? stat(strPath.c_str(), pStat)
                                      : lstat(strPath.c_str(), pStat)) == 0;
}

}  // namespace

bool IsFolder(const std::string& strPath, Links eLinks) {
    struct stat sStat;
    return Stat(strPath, eLinks, &sStat) && S_ISDIR(sStat.st_mode);
}

bool Exists(const std::string& strPath, Links eLinks) {
    struct stat sStat;
    return Stat(strPath, eLinks, &sStat);
}

bool MakeFolders(const std::string& strPath) {
    std::string strFull = strPath;
    if (CPLIsFilenameRelative(strPath.c_str())) {
        char* pszCurrent = CPLGetCurrentDir();
        if (pszCurrent != nullptr)
            strFull = CPLFormFilename(pszCurrent, strPath.c_str(), nullptr);
        CPLFree(pszCurrent);
    }
    for (size_t n = strFull.find('/', 1); n != std::string::npos; n = strFull.find('/', n + 1)) {
        if (mkdir(strFull.substr(0, n).c_str(), 0755) != 0 && errno != EEXIST)
            return false;
    }
    return (mkdir(strFull.c_str(), 0755) == 0 || errno == EEXIST) && IsFolder(strFull);
}

std::string FolderOf(const std::string& strPath) {
    const std::string strDir = CPLGetPath(strPath.c_str());
    return strDir.empty() ? "." : strDir;
}

std::string MakeFolderBeside(const std::string& strTarget, const std::string& strKind) {
    const std::string strName = "." + std::string(CPLGetFilename(strTarget.c_str())) + strKind;
    std::string strTemplate =
        CPLFormFilename(FolderOf(strTarget).c_str(), (strName + "XXXXXX").c_str(), nullptr);
    return mkdtemp(&strTemplate[0]) != nullptr ? strTemplate : std::string();
}

}  // namespace mapgis_import
