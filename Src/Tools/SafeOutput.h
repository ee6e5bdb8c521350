// An output written where a failure cannot hurt: into a temporary folder beside the target
// (same file system, so moving the result in is a rename), moved into place only when
// everything was written. Whatever happens before that, the temporary folder goes and a good
// output that was there stays as it was.
#pragma once

#include <string>

namespace mapgis_import {

class SafeOutput {
public:
    SafeOutput() = default;
    ~SafeOutput();
    SafeOutput(const SafeOutput&) = delete;
    SafeOutput& operator=(const SafeOutput&) = delete;

    // Makes the temporary folder beside strTarget; false with a message when it cannot.
    bool Begin(const std::string& strTarget, std::string* pstrError);
    // Where the output is to be written meanwhile: the target's name in the temporary folder.
    const std::string& WorkPath() const { return m_strWork; }
    // Moves what was written into place, replacing what stood there; false with a message
    // when it cannot.
    bool Commit(std::string* pstrError);
    // Removes the temporary folder and everything in it.
    void Discard();

private:
    std::string m_strTarget;
    std::string m_strFolder;
    std::string m_strWork;
};

// Whether the folder the target goes in takes new files; false with the message Begin would
// give. Cheap, for checking before the inputs are read.
bool CanWriteBeside(const std::string& strTarget, std::string* pstrError);

// SIGINT and SIGTERM only note the signal, so that the import can stop where it is safe to
// and clean up. The signal noted, or 0.
void CatchInterrupts();
int InterruptSignal();

}  // namespace mapgis_import
