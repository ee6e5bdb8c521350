// The interrupt signals of an import.
#include "run/Interrupts.h"

#include <pthread.h>

namespace mapgis_import {

namespace {

volatile std::sig_atomic_t g_nSignal = 0;

// Every signal only notes itself: a second Ctrl-C must not cut the cleaning up short.
extern "C" void NoteSignal(int nSignal) {
    if (g_nSignal == 0)
        g_nSignal = nSignal;
}

constexpr int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP};

}  // namespace

void CatchInterrupts() {
    for (int nSignal : kInterrupts)
        std::signal(nSignal, NoteSignal);
}

int InterruptSignal() {
    return g_nSignal;
}

InterruptsHeld::InterruptsHeld() {
    sigset_t held;
    sigemptyset(&held);
    for (int nSignal : kInterrupts)
        sigaddset(&held, nSignal);
    pthread_sigmask(SIG_BLOCK, &held, &m_old);
}

InterruptsHeld::~InterruptsHeld() {
    pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
}

}  // namespace mapgis_import
