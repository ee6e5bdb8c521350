// The worker processes of an archive: each is mapgis-import itself, started once and given
// sheet after sheet over a socket; each sheet's report and messages go to files of its own
// that the archive reads when the sheet is done.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace mapgis_import {

struct Worker {
    pid_t pid = 0;
    int nSocket = -1;  // the archive's end of the worker's jobs
};

// This program, as the workers are started.
std::string SelfPath();

// The environment of the workers: the parent's, and the connection string for a database,
// which no command line shows.
std::vector<std::string> WorkerEnvironment(const std::string& strConnection);

// Starts a worker (argv, the program first) in a process group of its own, reading its jobs
// from its standard input; false with why it could not be.
bool StartWorker(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                 Worker* pWorker, std::string* pstrWhy);

// Closes the archive's end (a worker waiting for a job then ends) and waits for the worker;
// its waitpid status.
int EndWorker(Worker& worker);

// A file for a job's report or messages, and its text once the job is done.
int OpenWorkFile();
std::string ReadWorkFile(int nFd);

// What a worker said of its failure, for the report: its first error names the cause (the
// closing line only says the import stopped), else its last message; on one line.
std::string FailureMessage(const std::string& strMessages);

// The exit status of a worker from waitpid's status: 128 + the signal that ended it.
int StatusOf(int nWait);

}  // namespace mapgis_import
