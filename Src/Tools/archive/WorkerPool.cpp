// The workers of an archive.
#include "archive/WorkerPool.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <utility>

#include "archive/WorkerJobs.h"
#include "cli/ExitCode.h"

namespace mapgis_import {

namespace {

// A sheet's status above this is 128 + the signal that stopped it.
constexpr int kSignalled = 128;

}  // namespace

WorkerPool::WorkerPool(std::vector<std::string> argv, std::vector<std::string> env, size_t nWorkers)
    : m_argv(std::move(argv)), m_env(std::move(env)), m_slots(nWorkers) {}

WorkerPool::~WorkerPool() {
    for (Slot& slot : m_slots) {
        if (slot.worker.pid > 0)
            EndWorker(slot.worker);
    }
}

size_t WorkerPool::Busy() const {
    size_t n = 0;
    for (const Slot& slot : m_slots)
        n += slot.bBusy ? 1 : 0;
    return n;
}

// An idle worker already running, else a free place for one; null when all are busy.
WorkerPool::Slot* WorkerPool::Idle() {
    Slot* poFree = nullptr;
    for (Slot& slot : m_slots) {
        if (!slot.bBusy && slot.worker.pid > 0)
            return &slot;
        if (!slot.bBusy && poFree == nullptr)
            poFree = &slot;
    }
    return poFree;
}

bool WorkerPool::Give(size_t iJob, const std::vector<std::string>& jobArgv, std::string* pstrWhy) {
    Slot* poSlot = Idle();
    if (poSlot == nullptr) {
        *pstrWhy = "no worker is free";
        return false;
    }
    Slot& slot = *poSlot;
    slot.nReportFd = OpenWorkFile();
    slot.nErrorsFd = OpenWorkFile();
    if (slot.nReportFd < 0 || slot.nErrorsFd < 0) {
        *pstrWhy = std::string("cannot make a work file: ") + std::strerror(errno);
    } else if (Send(slot, jobArgv, pstrWhy)) {
        slot.bBusy = true;
        slot.iJob = iJob;
        return true;
    }
    for (int nFd : {slot.nReportFd, slot.nErrorsFd}) {
        if (nFd >= 0)
            close(nFd);
    }
    return false;
}

// The job to the slot's worker; one that ended while it was idle is replaced once.
bool WorkerPool::Send(Slot& slot, const std::vector<std::string>& jobArgv, std::string* pstrWhy) {
    const WorkerJob job{jobArgv, slot.nReportFd, slot.nErrorsFd};
    for (int nTry = 0; nTry < 2; ++nTry) {
        if (slot.worker.pid == 0 && !StartWorker(m_argv, m_env, &slot.worker, pstrWhy))
            return false;
        if (SendJob(slot.worker.nSocket, job))
            return true;
        *pstrWhy = std::string("cannot give a worker its sheet: ") + std::strerror(errno);
        EndWorker(slot.worker);
    }
    return false;
}

std::vector<JobEnd> WorkerPool::Wait(int nMillis) {
    std::vector<pollfd> polled;
    std::vector<Slot*> slots;
    for (Slot& slot : m_slots) {
        if (slot.bBusy) {
            polled.push_back({slot.worker.nSocket, POLLIN, 0});
            slots.push_back(&slot);
        }
    }
    std::vector<JobEnd> ends;
    if (poll(polled.data(), polled.size(), nMillis) <= 0)
        return ends;
    for (size_t i = 0; i < polled.size(); ++i) {
        if (polled[i].revents != 0)
            ends.push_back(Ended(*slots[i]));
    }
    return ends;
}

// The answer of the slot's worker; a worker that ended instead (a crash, a signal) is gone,
// and its status is the job's.
JobEnd WorkerPool::Ended(Slot& slot) {
    JobEnd end;
    end.iJob = slot.iJob;
    if (!ReceiveStatus(slot.worker.nSocket, &end.nStatus)) {
        // Ended without answering, the sheet is not done, whatever the worker's status.
        const int nStatus = StatusOf(EndWorker(slot.worker));
        end.nStatus = nStatus != kExitOk ? nStatus : kExitOutput;
    } else if (end.nStatus > kSignalled) {
        // A worker whose sheet a signal stopped ends after answering: the next sheet gets a
        // new one.
        EndWorker(slot.worker);
    }
    end.strReport = ReadWorkFile(slot.nReportFd);
    end.strMessages = ReadWorkFile(slot.nErrorsFd);
    close(slot.nReportFd);
    close(slot.nErrorsFd);
    slot.bBusy = false;
    return end;
}

void WorkerPool::Signal(int nSignal) const {
    for (const Slot& slot : m_slots) {
        if (slot.bBusy)
            kill(slot.worker.pid, nSignal);
    }
}

}  // namespace mapgis_import
