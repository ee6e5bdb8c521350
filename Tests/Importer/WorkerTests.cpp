// What an archive makes of a finished worker: the cause of its failure from its messages,
// and its exit status from real child processes; the jobs over a real socket; the pool's
// workers that die, real processes.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "archive/WorkerJobs.h"
#include "archive/WorkerPool.h"
#include "archive/Workers.h"

namespace mapgis_import {
namespace {

struct Messages {
    const char* pszText;  // what the worker wrote to standard error
    const char* pszCause;
};

class FailureCause : public testing::TestWithParam<Messages> {};

TEST_P(FailureCause, FromTheWorkersMessages) {
    EXPECT_EQ(FailureMessage(GetParam().pszText), GetParam().pszCause);
}

INSTANTIATE_TEST_SUITE_P(
    Workers, FailureCause,
    testing::Values(
        Messages{"", ""},
        // No error: the last thing it said.
        Messages{"mapgis-import: cannot read x.wal: no such file\n",
                 "cannot read x.wal: no such file"},
        Messages{"mapgis-import: last words", "last words"},
        Messages{"GDAL: noise\nmapgis-import: warning: w\n", "warning: w"},
        // The first error names the cause; the closing line only says the import stopped.
        Messages{"mapgis-import: error: 1.wal, line 3: bad header\n"
                 "mapgis-import: cannot import 1.wal\n",
                 "1.wal, line 3: bad header"},
        Messages{"mapgis-import: error: first\nmapgis-import: error: second\n", "first"},
        // A server's message over several lines, on one.
        Messages{"mapgis-import: error: COPY failed\n  DETAIL: disk full\n\n  HINT: free it\n"
                 "mapgis-import: writing PG:dbname=x failed\n",
                 "COPY failed DETAIL: disk full HINT: free it"},
        // What follows the program's next line is not the error's.
        Messages{"mapgis-import: error: a\nmapgis-import: b\nstray\n", "a"}));

int StatusOfChild(void (*pfnChild)()) {
    const pid_t pid = fork();
    if (pid == 0)
        pfnChild();
    int nWait = 0;
    EXPECT_EQ(waitpid(pid, &nWait, 0), pid);
    return StatusOf(nWait);
}

TEST(StatusOf, AsShellsReportIt) {
    EXPECT_EQ(StatusOfChild([] { _exit(0); }), 0);
    EXPECT_EQ(StatusOfChild([] { _exit(5); }), 5);
    EXPECT_EQ(StatusOfChild([] {
                  signal(SIGTERM, SIG_DFL);
                  kill(getpid(), SIGTERM);
                  pause();
              }),
              128 + SIGTERM);
    EXPECT_EQ(StatusOfChild([] { kill(getpid(), SIGKILL); }), 128 + SIGKILL);
}

class JobOverSocket : public testing::TestWithParam<std::vector<std::string>> {};

// The command line arrives as sent, and the descriptors name the sender's files.
TEST_P(JobOverSocket, ArrivesWhole) {
    int anPair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, anPair), 0);
    const int nReport = OpenWorkFile();
    const int nErrors = OpenWorkFile();
    ASSERT_TRUE(SendJob(anPair[0], {GetParam(), nReport, nErrors}));
    WorkerJob job;
    ASSERT_TRUE(ReceiveJob(anPair[1], &job));
    EXPECT_EQ(job.argv, GetParam());
    ASSERT_EQ(write(job.nReportFd, "report", 6), 6);
    ASSERT_EQ(write(job.nErrorsFd, "errors", 6), 6);
    EXPECT_EQ(ReadWorkFile(nReport), "report");
    EXPECT_EQ(ReadWorkFile(nErrors), "errors");
    ASSERT_TRUE(SendStatus(anPair[1], 130));
    int nStatus = 0;
    ASSERT_TRUE(ReceiveStatus(anPair[0], &nStatus));
    EXPECT_EQ(nStatus, 130);
    // The archive gone: the worker's next job is the end; the worker gone: no status.
    close(anPair[0]);
    EXPECT_FALSE(ReceiveJob(anPair[1], &job));
    for (int nFd : {nReport, nErrors, job.nReportFd, job.nErrorsFd, anPair[1]})
        close(nFd);
}

INSTANTIATE_TEST_SUITE_P(Workers, JobOverSocket,
                         testing::Values(std::vector<std::string>{"a.wal"},
                                         std::vector<std::string>{"/x/图 幅.wal", "", "--name",
                                                                  "a b", "-o", "é.gpkg"},
                                         std::vector<std::string>(2000, std::string(40, 'x'))));

TEST(JobOverSocket, NoStatusFromAWorkerGone) {
    int anPair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, anPair), 0);
    close(anPair[1]);
    int nStatus = 0;
    EXPECT_FALSE(ReceiveStatus(anPair[0], &nStatus));
    close(anPair[0]);
}

struct Ending {
    const char* pszScript;  // what the worker does with its job
    int nStatus;            // the job's status
};

class WorkerEnding : public testing::TestWithParam<Ending> {};

JobEnd WaitForEnd(WorkerPool& pool) {
    for (int i = 0; i < 300; ++i) {
        std::vector<JobEnd> ends = pool.Wait(100);
        if (!ends.empty())
            return ends.front();
    }
    ADD_FAILURE() << "the job did not end";
    return {};
}

// A worker that ends instead of answering: its job takes its end, and the next job gets a
// new worker.
TEST_P(WorkerEnding, IsTheJobsStatusAndTheWorkerReplaced) {
    WorkerPool pool({"/bin/sh", "-c", GetParam().pszScript}, {"PATH=/usr/bin:/bin"}, 1);
    std::string strWhy;
    for (size_t iJob : {7u, 8u}) {
        ASSERT_TRUE(pool.Give(iJob, {"s.wal"}, &strWhy)) << strWhy;
        EXPECT_EQ(pool.Busy(), 1u);
        const JobEnd end = WaitForEnd(pool);
        EXPECT_EQ(end.iJob, iJob);
        EXPECT_EQ(end.nStatus, GetParam().nStatus);
        EXPECT_EQ(pool.Busy(), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Workers, WorkerEnding,
    testing::Values(Ending{"head -c1 >/dev/null; kill -KILL $$", 128 + SIGKILL},
                    Ending{"head -c1 >/dev/null; kill -TERM $$", 128 + SIGTERM},
                    Ending{"head -c1 >/dev/null; exit 3", 3},
                    // Exit status 0 without an answer: the sheet was not done.
                    Ending{"head -c1 >/dev/null; exit 0", 4},
                    // An answer of 128 + a signal (130, little-endian): the worker is done
                    // for, the next sheet gets another (this one would never answer again).
                    Ending{"head -c1 >/dev/null; printf '\\202\\0\\0\\0' >&0; cat >/dev/null",
                           130}));

}  // namespace
}  // namespace mapgis_import
