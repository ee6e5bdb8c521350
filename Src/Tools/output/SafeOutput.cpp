// Temporary output beside the target and its move into place.
#include "output/SafeOutput.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cpl_conv.h"
#include "cpl_error.h"
#include "cpl_vsi.h"
#include "output/Files.h"

namespace mapgis_import {

namespace {

std::vector<std::string> Entries(const std::string& strFolder) {
    std::vector<std::string> out;
    DIR* pDir = opendir(strFolder.c_str());
    if (pDir == nullptr)
        return out;
    while (const dirent* pEntry = readdir(pDir)) {
        if (std::strcmp(pEntry->d_name, ".") != 0 && std::strcmp(pEntry->d_name, "..") != 0)
            out.emplace_back(pEntry->d_name);
    }
    closedir(pDir);
    std::sort(out.begin(), out.end());
    return out;
}

// Why the last call on the target's folder failed.
std::string CannotWriteBeside(const std::string& strTarget) {
    return "cannot write beside " + strTarget + ": " + std::strerror(errno);
}

std::string Beside(const std::string& strTarget, const std::string& strName) {
    return CPLFormFilename(FolderOf(strTarget).c_str(), strName.c_str(), nullptr);
}

std::string ExistsMessage(const std::string& strTarget, const char* pszWhat) {
    return strTarget + " exists" + pszWhat + "; use --overwrite to replace it";
}

// Names are taken and replaced here: a link is asked about as itself.
// Moves strFrom to strTo only when nothing is there, as one step of the file system. A file
// system without that step: a file is linked (which fails on an existing name) and a folder
// renamed (which fails on a folder that holds anything).
bool Claim(const std::string& strFrom, const std::string& strTo) {
    if (renameat2(AT_FDCWD, strFrom.c_str(), AT_FDCWD, strTo.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    if (!IsFolder(strFrom, Links::Themselves)) {
        if (link(strFrom.c_str(), strTo.c_str()) != 0)
            return false;
        unlink(strFrom.c_str());
        return true;
    }
    if (Exists(strTo, Links::Themselves)) {
        errno = EEXIST;
        return false;
    }
    return std::rename(strFrom.c_str(), strTo.c_str()) == 0;
}

std::string Listed(const std::vector<std::string>& names) {
    constexpr size_t kShown = 5;
    std::string out;
    for (size_t i = 0; i < names.size() && i < kShown; ++i)
        out += (i == 0 ? "" : ", ") + names[i];
    if (names.size() > kShown)
        out += " and " + std::to_string(names.size() - kShown) + " more";
    return out;
}

}  // namespace

SafeOutput::~SafeOutput() {
    Discard();
}

bool CanWriteBeside(const std::string& strTarget, std::string* pstrError) {
    if (access(FolderOf(strTarget).c_str(), W_OK | X_OK) == 0)
        return true;
    *pstrError = CannotWriteBeside(strTarget);
    return false;
}

std::vector<std::string> ForeignEntries(const std::string& strFolder,
                                        const std::vector<std::string>& ours, bool bStems) {
    std::vector<std::string> out;
    for (const std::string& strEntry : Entries(strFolder)) {
        const bool bOurs = std::any_of(ours.begin(), ours.end(), [&](const std::string& s) {
            return strEntry == s ||
                   (bStems && strEntry.size() > s.size() + 1 &&
                    strEntry.compare(0, s.size(), s) == 0 && strEntry[s.size()] == '.' &&
                    strEntry.find('.', s.size() + 1) == std::string::npos);
        });
        if (!bOurs)
            out.push_back(strEntry);
    }
    return out;
}

std::string InTheWay(const std::string& strTarget, const std::vector<std::string>& foreign) {
    return "cannot replace " + strTarget + ": it holds " + Listed(foreign) +
           ", which this import does not write; move that away or choose another output";
}

bool SafeOutput::Begin(const std::string& strTarget, std::string* pstrError) {
    m_strTarget = strTarget;
    const std::string strName = CPLGetFilename(strTarget.c_str());
    m_strFolder = MakeFolderBeside(strTarget, ".partial-");
    if (m_strFolder.empty()) {
        *pstrError = CannotWriteBeside(strTarget);
        return false;
    }
    m_strWork = CPLFormFilename(m_strFolder.c_str(), strName.c_str(), nullptr);
    return true;
}

bool SafeOutput::Commit(Replacing eReplacing, std::string* pstrError) {
    const bool bOverwrite = eReplacing != Replacing::Nothing;
    const std::string strName = CPLGetFilename(m_strTarget.c_str());
    if (!bOverwrite) {
        for (const std::string& strEntry : Entries(m_strFolder)) {
            if (strEntry != strName && Exists(Beside(m_strTarget, strEntry), Links::Themselves)) {
                *pstrError = ExistsMessage(Beside(m_strTarget, strEntry), "");
                return false;
            }
        }
    }
    if (!Claim(m_strWork, m_strTarget)) {
        const bool bTaken = errno == EEXIST || errno == ENOTEMPTY;
        if (bTaken && !bOverwrite) {
            *pstrError = ExistsMessage(m_strTarget, " (another import wrote it meanwhile)");
            return false;
        }
        if (!bTaken) {
            *pstrError = "cannot move the output to " + m_strTarget + ": " + std::strerror(errno);
            return false;
        }
        if (IsFolder(m_strWork, Links::Themselves) &&
            !ReplaceFolder(eReplacing == Replacing::Dataset, pstrError))
            return false;
        if (!IsFolder(m_strWork, Links::Themselves) && IsFolder(m_strTarget, Links::Themselves)) {
            *pstrError = "cannot replace " + m_strTarget + ": it is a folder";
            return false;
        }
        if (!IsFolder(m_strWork, Links::Themselves) &&
            std::rename(m_strWork.c_str(), m_strTarget.c_str()) != 0) {
            *pstrError = "cannot replace " + m_strTarget + ": " + std::strerror(errno);
            return false;
        }
    }
    MoveStylesBeside(bOverwrite);
    Discard();
    return true;
}

// Swaps the new folder with the old in one step; the old one is then in the temporary folder,
// which goes with it. Unless bWhole, the old one may hold only names the new one has.
bool SafeOutput::ReplaceFolder(bool bWhole, std::string* pstrError) {
    if (!IsFolder(m_strTarget, Links::Themselves)) {
        *pstrError = "cannot replace " + m_strTarget + ": it is not a folder";
        return false;
    }
    const std::vector<std::string> foreign =
        bWhole ? std::vector<std::string>()
               : ForeignEntries(m_strTarget, Entries(m_strWork), false);
    if (!foreign.empty()) {
        *pstrError = InTheWay(m_strTarget, foreign);
        return false;
    }
    if (renameat2(AT_FDCWD, m_strWork.c_str(), AT_FDCWD, m_strTarget.c_str(), RENAME_EXCHANGE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS) {
        *pstrError = "cannot replace " + m_strTarget + ": " + std::strerror(errno);
        return false;
    }
    // A file system that cannot swap: the old folder steps aside, and comes back when the new
    // one cannot take its place.
    const std::string strOld = CPLFormFilename(m_strFolder.c_str(), ".old", nullptr);
    if (std::rename(m_strTarget.c_str(), strOld.c_str()) != 0 ||
        std::rename(m_strWork.c_str(), m_strTarget.c_str()) != 0) {
        *pstrError = "cannot replace " + m_strTarget + ": " + std::strerror(errno);
        if (Exists(strOld, Links::Themselves))
            std::rename(strOld.c_str(), m_strTarget.c_str());
        return false;
    }
    return true;
}

// The styles QGIS finds beside a file, once the file is in place; a style that cannot be
// moved leaves the output as it is and is said.
void SafeOutput::MoveStylesBeside(bool bOverwrite) {
    for (const std::string& strEntry : Entries(m_strFolder)) {
        if (strEntry == CPLGetFilename(m_strWork.c_str()) || strEntry == ".old")
            continue;
        const std::string strFrom = CPLFormFilename(m_strFolder.c_str(), strEntry.c_str(), nullptr);
        const std::string strTo = Beside(m_strTarget, strEntry);
        const bool bMoved =
            bOverwrite ? std::rename(strFrom.c_str(), strTo.c_str()) == 0 : Claim(strFrom, strTo);
        if (!bMoved) {
            CPLError(CE_Warning, CPLE_FileIO, "%s is written, but its style %s is not: %s",
                     m_strTarget.c_str(), strTo.c_str(), std::strerror(errno));
        }
    }
}

void SafeOutput::Discard() {
    if (m_strFolder.empty())
        return;
    VSIRmdirRecursive(m_strFolder.c_str());
    m_strFolder.clear();
}

std::string SafeOutput::Shown(const std::string& strText) const {
    if (m_strFolder.empty())
        return strText;
    std::string out = strText;
    for (const auto& [strFrom, strTo] :
         {std::make_pair(m_strWork, m_strTarget),
          std::make_pair(m_strFolder + "/", FolderOf(m_strTarget) + "/")}) {
        for (size_t nAt = out.find(strFrom); nAt != std::string::npos;
             nAt = out.find(strFrom, nAt + strTo.size()))
            out.replace(nAt, strFrom.size(), strTo);
    }
    return out;
}

void SafeOutput::NoteFailure() {
    if (!m_strFolder.empty())
        ++m_nFailures;
    struct statvfs sStat;
    m_bDiskFull =
        m_bDiskFull || errno == ENOSPC ||
        (!m_strFolder.empty() && statvfs(m_strFolder.c_str(), &sStat) == 0 && sStat.f_bavail == 0);
}

std::string SafeOutput::Explained(const std::string& strMessage) const {
    if (!m_bDiskFull)
        return Shown(strMessage);
    std::string strWhy = std::strerror(ENOSPC);
    strWhy[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(strWhy[0])));
    return Shown(strMessage) + ": " + strWhy;
}

}  // namespace mapgis_import
