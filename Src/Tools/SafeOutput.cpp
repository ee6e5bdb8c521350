// Temporary output beside the target, and the interrupt signals.
#include "SafeOutput.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <vector>

#include "cpl_conv.h"
#include "cpl_vsi.h"

namespace mapgis_import {

namespace {

volatile std::sig_atomic_t g_nSignal = 0;

extern "C" void NoteSignal(int nSignal) {
    if (g_nSignal != 0) {
        // A second signal: the user insists.
        std::signal(nSignal, SIG_DFL);
        std::raise(nSignal);
        return;
    }
    g_nSignal = nSignal;
}

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
    return out;
}

// Why the last call on the target's folder failed.
std::string CannotWriteBeside(const std::string& strTarget) {
    return "cannot write beside " + strTarget + ": " + std::strerror(errno);
}

bool IsFolder(const std::string& strPath) {
    struct stat sStat;
    return stat(strPath.c_str(), &sStat) == 0 && S_ISDIR(sStat.st_mode);
}

}  // namespace

SafeOutput::~SafeOutput() {
    Discard();
}

bool CanWriteBeside(const std::string& strTarget, std::string* pstrError) {
    const std::string strDir = CPLGetPath(strTarget.c_str());
    if (access(strDir.empty() ? "." : strDir.c_str(), W_OK | X_OK) == 0)
        return true;
    *pstrError = CannotWriteBeside(strTarget);
    return false;
}

bool SafeOutput::Begin(const std::string& strTarget, std::string* pstrError) {
    m_strTarget = strTarget;
    const std::string strDir = CPLGetPath(strTarget.c_str());
    const std::string strName = CPLGetFilename(strTarget.c_str());
    std::string strTemplate = CPLFormFilename(strDir.empty() ? "." : strDir.c_str(),
                                              ("." + strName + ".partial-XXXXXX").c_str(), nullptr);
    if (mkdtemp(strTemplate.data()) == nullptr) {
        *pstrError = CannotWriteBeside(strTarget);
        return false;
    }
    m_strFolder = strTemplate;
    m_strWork = CPLFormFilename(m_strFolder.c_str(), strName.c_str(), nullptr);
    return true;
}

bool SafeOutput::Commit(std::string* pstrError) {
    const std::string strDir = CPLGetPath(m_strTarget.c_str());
    const std::vector<std::string> entries = Entries(m_strFolder);
    // A folder cannot be renamed over a folder that holds files: the old one goes first.
    if (IsFolder(m_strWork) && IsFolder(m_strTarget) &&
        VSIRmdirRecursive(m_strTarget.c_str()) != 0) {
        *pstrError = "cannot replace " + m_strTarget;
        return false;
    }
    // One file is the usual case, and its rename replaces the target at once; formats of
    // several files (a shapefile's .shp, .shx, .dbf) move file by file.
    for (const std::string& strEntry : entries) {
        const std::string strFrom = CPLFormFilename(m_strFolder.c_str(), strEntry.c_str(), nullptr);
        const std::string strTo =
            CPLFormFilename(strDir.empty() ? "." : strDir.c_str(), strEntry.c_str(), nullptr);
        if (std::rename(strFrom.c_str(), strTo.c_str()) != 0) {
            *pstrError = "cannot move the output to " + strTo + ": " + std::strerror(errno);
            return false;
        }
    }
    Discard();
    return true;
}

void SafeOutput::Discard() {
    if (m_strFolder.empty())
        return;
    VSIRmdirRecursive(m_strFolder.c_str());
    m_strFolder.clear();
}

void CatchInterrupts() {
    std::signal(SIGINT, NoteSignal);
    std::signal(SIGTERM, NoteSignal);
}

int InterruptSignal() {
    return g_nSignal;
}

}  // namespace mapgis_import
