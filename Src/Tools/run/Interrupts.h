// Interrupt signals: an import stops where it is safe to and cleans up.
#pragma once

#include <csignal>

namespace mapgis_import {

// SIGINT, SIGTERM and SIGHUP only note the signal, every time, so that the import stops
// where it is safe to and cleans up. The signal noted, or 0.
void CatchInterrupts();
int InterruptSignal();

// Holds the interrupt signals back for its lifetime: a signal that comes while the output
// is moved into place takes effect after, and the output is then complete.
class InterruptsHeld {
public:
    InterruptsHeld();
    ~InterruptsHeld();
    InterruptsHeld(const InterruptsHeld&) = delete;
    InterruptsHeld& operator=(const InterruptsHeld&) = delete;

private:
    sigset_t m_old;
};

}  // namespace mapgis_import
