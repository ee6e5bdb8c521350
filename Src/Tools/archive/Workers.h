// The worker processes of an archive: each imports one sheet as mapgis-import itself, its
// report and messages going to files of its own that the archive reads when it is done.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace mapgis_import {

// The descriptor a worker writes its report into ("--report /dev/fd/3").
constexpr int kWorkerReportFd = 3;

struct Worker {
    int nReportFd = -1;  // its report, read when it is done
    int nErrorsFd = -1;  // its standard error
    pid_t pid = 0;
};

// This program, as the workers are started.
std::string SelfPath();

// The environment of the workers: the parent's, and the connection string for a database,
// which no command line shows.
std::vector<std::string> WorkerEnvironment(const std::string& strConnection);

// Starts a worker in a process group of its own; false with why it could not be.
bool StartWorker(const std::string& strSelf, const std::vector<std::string>& argv,
                 const std::vector<std::string>& env, Worker* pWorker, std::string* pstrWhy);

// What a finished worker wrote: its report and its messages; its files are closed.
void CollectWorker(Worker& worker, std::string* pstrReport, std::string* pstrMessages);

// What a worker said of its failure, for the report: its first error names the cause (the
// closing line only says the import stopped), else its last message; on one line.
std::string FailureMessage(const std::string& strMessages);

// The exit status of a worker from waitpid's status: 128 + the signal that ended it.
int StatusOf(int nWait);

}  // namespace mapgis_import
