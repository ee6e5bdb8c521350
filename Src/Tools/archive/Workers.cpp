// The worker processes of an archive.
#include "archive/Workers.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "archive/WorkerJobs.h"
#include "cli/ImportArguments.h"
#include "cpl_string.h"
#include "report/Messages.h"

extern char** environ;

namespace mapgis_import {

namespace {

std::vector<char*> Pointers(const std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (const std::string& s : strings)
        out.push_back(const_cast<char*>(s.c_str()));
    out.push_back(nullptr);
    return out;
}

}  // namespace

// A job's report or messages: a file without a name in $TMPDIR (else /tmp), which no temp
// cleaner can take away, held open by this process and read when the job is done.
int OpenWorkFile() {
    const char* pszTmp = std::getenv("TMPDIR");
    const std::string strDir = pszTmp != nullptr && *pszTmp != '\0' ? pszTmp : "/tmp";
    int nFd = open(strDir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (nFd < 0) {
        std::string strTemplate = strDir + "/mapgis-import-XXXXXX";
        nFd = mkostemp(&strTemplate[0], O_CLOEXEC);
        if (nFd >= 0)
            unlink(strTemplate.c_str());
    }
    return nFd;
}

std::string ReadWorkFile(int nFd) {
    std::string strText;
    char sz[65536];
    for (off_t nAt = 0;;) {
        const ssize_t n = pread(nFd, sz, sizeof(sz), nAt);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return strText;
        strText.append(sz, static_cast<size_t>(n));
        nAt += n;
    }
}

std::string SelfPath() {
    char szPath[4096];
    const ssize_t n = readlink("/proc/self/exe", szPath, sizeof(szPath) - 1);
    if (n <= 0)
        return "mapgis-import";
    szPath[n] = '\0';
    return szPath;
}

std::vector<std::string> WorkerEnvironment(const std::string& strConnection) {
    std::vector<std::string> out;
    const std::string strPrefix = std::string(kConnectionVariable) + "=";
    for (char** ppsz = environ; *ppsz != nullptr; ++ppsz) {
        if (std::strncmp(*ppsz, strPrefix.c_str(), strPrefix.size()) != 0)
            out.emplace_back(*ppsz);
    }
    if (!strConnection.empty())
        out.push_back(strPrefix + strConnection);
    return out;
}

// A worker in a process group of its own: a Ctrl-C at the terminal reaches the parent
// alone, which passes it on once, so that no worker gets a second signal while it cleans up.
// Its standard error and report descriptor are /dev/null until a job names its own, so that
// nothing it opens before takes their numbers.
bool StartWorker(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                 Worker* pWorker, std::string* pstrWhy) {
    int anPair[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, anPair) != 0) {
        *pstrWhy = std::string("cannot make a socket for a worker: ") + std::strerror(errno);
        return false;
    }
    std::vector<char*> apszArgs = Pointers(argv);
    std::vector<char*> apszEnv = Pointers(env);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, anPair[1], kWorkerSocketFd);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, kWorkerReportFd, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int nSignal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&defaults, nSignal);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);
    const int nErr = posix_spawn(&pWorker->pid, argv[0].c_str(), &actions, &attr, apszArgs.data(),
                                 apszEnv.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    close(anPair[1]);
    if (nErr != 0) {
        close(anPair[0]);
        *pstrWhy = std::string("cannot start a worker: ") + std::strerror(nErr);
        return false;
    }
    pWorker->nSocket = anPair[0];
    return true;
}

int EndWorker(Worker& worker) {
    close(worker.nSocket);
    int nWait = 0;
    while (waitpid(worker.pid, &nWait, 0) < 0 && errno == EINTR) {
    }
    worker = Worker();
    return nWait;
}

std::string FailureMessage(const std::string& strText) {
    const std::string strPrefix = std::string(kProgram) + ": ";
    std::string strLast, strError;
    bool bInError = false;
    for (size_t nFrom = 0; nFrom < strText.size();) {
        const size_t nEnd = std::min(strText.find('\n', nFrom), strText.size());
        const std::string strLine = strText.substr(nFrom, nEnd - nFrom);
        nFrom = nEnd + 1;
        const bool bOwn = strLine.compare(0, strPrefix.size(), strPrefix) == 0;
        if (bOwn)
            strLast = strLine.substr(strPrefix.size());
        if (bOwn && strError.empty() && strLast.compare(0, 7, "error: ") == 0) {
            strError = strLast.substr(7);
            bInError = true;
        } else if (bInError && !bOwn && !strLine.empty()) {
            strError += " " + std::string(CPLString(strLine).Trim());
        } else {
            bInError = bInError && !bOwn;
        }
    }
    return strError.empty() ? strLast : strError;
}

int StatusOf(int nWait) {
    if (WIFEXITED(nWait))
        return WEXITSTATUS(nWait);
    return WIFSIGNALED(nWait) ? 128 + WTERMSIG(nWait) : 1;
}

}  // namespace mapgis_import
