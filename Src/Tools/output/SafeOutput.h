// An output written where a failure cannot hurt: into a temporary folder beside the target
// (same file system, so moving the result in is a rename), moved into place only when
// everything was written. Whatever happens before or during that move, the target holds
// either the complete old output or the complete new one.
#pragma once

#include <string>
#include <vector>

namespace mapgis_import {

// What moving an output into place may replace.
enum class Replacing {
    Nothing,  // the target must not exist
    Files,    // an old output, a folder only when it holds nothing the new one does not
    Dataset,  // an old dataset folder of the same format (a File Geodatabase), whole
};

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
    // Moves what was written into place. A new target is claimed exclusively: when another
    // import got there first, or the target exists and may not be replaced, nothing moves.
    // An old output goes only once the new one is in place. False with a message.
    bool Commit(Replacing eReplacing, std::string* pstrError);
    // Removes the temporary folder and everything in it.
    void Discard();
    // strText with the temporary paths replaced by the target's: messages name what the user
    // asked for.
    std::string Shown(const std::string& strText) const;
    // Called as a write fails: notes the failure, and whether the device is full, which the
    // writers' own messages seldom say and which is gone once they have cleaned up.
    void NoteFailure();
    // Whether a failure was noted since Begin: some writers go on after a failed statement,
    // and their output would be damaged.
    bool WritesFailed() const { return m_nFailures > 0; }
    // strMessage as Shown, with ": no space left on device" when a failure found it full.
    std::string Explained(const std::string& strMessage) const;

private:
    void MoveStylesBeside(bool bOverwrite);
    bool ReplaceFolder(bool bWhole, std::string* pstrError);

    std::string m_strTarget;
    std::string m_strFolder;
    std::string m_strWork;
    bool m_bDiskFull = false;
    int m_nFailures = 0;
};

// Whether the folder the target goes in takes new files; false with the message Begin would
// give. Cheap, for checking before the inputs are read.
bool CanWriteBeside(const std::string& strTarget, std::string* pstrError);

// The entries of the output folder strFolder that are not among ours: what replacing the
// folder would destroy. With bStems, an entry is ours when its name is one of ours followed
// by an extension ("1_lines" takes "1_lines.shp"); else when it is one of ours exactly.
std::vector<std::string> ForeignEntries(const std::string& strFolder,
                                        const std::vector<std::string>& ours, bool bStems);

// Why strTarget cannot be replaced when it holds the foreign entries.
std::string InTheWay(const std::string& strTarget, const std::vector<std::string>& foreign);

}  // namespace mapgis_import
