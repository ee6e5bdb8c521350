// What an archive makes of a finished worker: the cause of its failure from its messages,
// and its exit status from real child processes.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

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

}  // namespace
}  // namespace mapgis_import
