// The workers of an archive: at most so many, each started when a sheet first needs it and
// kept for the sheets after, one sheet at a time; a worker that dies is replaced.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "archive/Workers.h"

namespace mapgis_import {

// A job done: its exit status (128 + the signal that ended its worker), report and messages.
struct JobEnd {
    size_t iJob = 0;
    int nStatus = 0;
    std::string strReport;
    std::string strMessages;
};

class WorkerPool {
public:
    // argv: how a worker is started, the program first; env: its environment.
    WorkerPool(std::vector<std::string> argv, std::vector<std::string> env, size_t nWorkers);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    size_t Busy() const;
    // Gives job iJob (its command line) to an idle worker, started if need be; false with why.
    bool Give(size_t iJob, const std::vector<std::string>& jobArgv, std::string* pstrWhy);
    // The jobs that end within nMillis milliseconds.
    std::vector<JobEnd> Wait(int nMillis);
    // Passes a signal on to the busy workers.
    void Signal(int nSignal) const;

private:
    struct Slot {
        Worker worker;
        bool bBusy = false;
        size_t iJob = 0;
        int nReportFd = -1;
        int nErrorsFd = -1;
    };

    Slot* Idle();
    bool Send(Slot& slot, const std::vector<std::string>& jobArgv, std::string* pstrWhy);
    JobEnd Ended(Slot& slot);

    const std::vector<std::string> m_argv;
    const std::vector<std::string> m_env;
    std::vector<Slot> m_slots;
};

}  // namespace mapgis_import
