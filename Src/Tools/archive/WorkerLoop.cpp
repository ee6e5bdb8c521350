// A worker of an archive.
#include "archive/WorkerLoop.h"

#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "archive/WorkerJobs.h"
#include "cli/Options.h"
#include "report/Messages.h"
#include "run/FileImport.h"
#include "run/Interrupts.h"

namespace mapgis_import {

namespace {

// Standard error and the report descriptor onto the job's files for the time of the job,
// then back onto /dev/null, so that the archive's files are not held after it.
class JobFiles {
public:
    explicit JobFiles(const WorkerJob& job) {
        Point(job.nErrorsFd, job.nReportFd);
        // Closed unless received on the very number it is copied to.
        for (int nFd : {job.nErrorsFd, job.nReportFd}) {
            if (nFd != STDERR_FILENO && nFd != kWorkerReportFd)
                close(nFd);
        }
    }
    ~JobFiles() {
        const int nNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
        Point(nNull, nNull);
        close(nNull);
    }
    JobFiles(const JobFiles&) = delete;
    JobFiles& operator=(const JobFiles&) = delete;

private:
    static void Point(int nErrorsFd, int nReportFd) {
        dup2(nErrorsFd, STDERR_FILENO);
        dup2(nReportFd, kWorkerReportFd);
    }
};

int RunJob(const WorkerJob& job, const std::string& strConnection) {
    const JobFiles files(job);
    Arguments args;
    std::string strError;
    if (!ParseArguments(job.argv, &args, &strError))
        return Fail(kExitUsage, strError);
    if (!strConnection.empty())
        args.strOutput = strConnection;
    return ImportFiles(args);
}

}  // namespace

int RunWorker(const Arguments& args) {
    int nStatus = kExitOk;
    WorkerJob job;
    while (InterruptSignal() == 0 && ReceiveJob(kWorkerSocketFd, &job)) {
        nStatus = RunJob(job, args.strOutput);
        if (!SendStatus(kWorkerSocketFd, nStatus))
            break;
    }
    return nStatus;
}

}  // namespace mapgis_import
