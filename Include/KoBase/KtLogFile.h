// The process log of the host: records of level, message, source file and line.
#pragma once

#include <cstdio>
#include <vector>

#include "KoBaseExport.h"
#include "PlxUnicodeString.h"

namespace KTX {

// Log levels.
enum KtLogLevel : int {
    KTLOG_DEBUG = 100,
    KTLOG_INFO = 200,
    KTLOG_WARNING = 300,
    KTLOG_ERROR = 400,
};

struct KtLogRecord {
    int nLevel = 0;
    PlxUnicodeString strMessage;     // a resource identifier ("IMe056") or plain text
    PlxUnicodeString strSourceFile;  // the source unit that wrote the record
    int nSourceLine = 0;

    // The message's resource text when strMessage names a resource string, else strMessage.
    PlxUnicodeString GetText() const;
};

class KOBASE_API KtLogFile {
public:
    // The process log. With bNewSession the records held so far are discarded first.
    // Records are kept in memory; every member is safe to call from any thread.
    static KtLogFile* GetInstance(bool bNewSession);

    void RecordLog(int nLevel, const PlxUnicodeString& strMessage,
                   const PlxUnicodeString& strSourceFile, int nSourceLine);

    std::vector<KtLogRecord> GetRecords() const;
    // Hands the records over and empties the log.
    std::vector<KtLogRecord> TakeRecords();
    int GetRecordCount() const;
    void Clear();
    // Writes every record, one a line, as "level source:line: text".
    void Write(std::FILE* pOut) const;

    // Crash routine for signal(): writes the records to standard error, then hands the
    // signal on to the handler that was in place before (see RememberPreviousHandler), or
    // to the default action, so the application's own handling still runs.
    static void Dump(int nSignal);
    // Tells Dump which handler signal() returned when Dump was installed for nSignal.
    static void RememberPreviousHandler(int nSignal, void (*pfnPrevious)(int));
    // The handler remembered for nSignal (SIG_DFL when none), to restore it at unload.
    static void (*GetPreviousHandler(int nSignal))(int);

private:
    KtLogFile() = default;
};

}  // namespace KTX
