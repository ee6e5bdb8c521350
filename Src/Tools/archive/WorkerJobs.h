// What an archive and its workers say to each other over a socket of packets: a job (the
// sheet's command line, with the files its report and messages go to) and the job's exit
// status. A worker takes sheet after sheet, so that GDAL and PROJ are set up once.
#pragma once

#include <string>
#include <vector>

namespace mapgis_import {

// Where a worker reads its jobs and answers them: its standard input.
constexpr int kWorkerSocketFd = 0;
// The descriptor a worker writes a job's report into ("--report /dev/fd/3").
constexpr int kWorkerReportFd = 3;

struct WorkerJob {
    std::vector<std::string> argv;  // as mapgis-import takes them, without the program
    int nReportFd = -1;
    int nErrorsFd = -1;
};

// False when the worker is gone (errno says why).
bool SendJob(int nSocket, const WorkerJob& job);
// False at the end of the jobs: the archive closed its end, or the socket failed. The
// descriptors received are close-on-exec and the caller's to close.
bool ReceiveJob(int nSocket, WorkerJob* pJob);

bool SendStatus(int nSocket, int nStatus);
// False when the worker ended before it answered.
bool ReceiveStatus(int nSocket, int* pnStatus);

}  // namespace mapgis_import
