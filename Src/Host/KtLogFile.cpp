// The process log and its crash routine.
#include "KtLogFile.h"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <mutex>
#include <string>

#include "KtStringEx.h"
#include "PlxUtf8.h"

namespace KTX {

namespace {

constexpr int kMaxSignal = 65;

using SignalHandler = void (*)(int);

struct LogState {
    std::mutex mutex;
    std::vector<KtLogRecord> records;
};

// Never destroyed: the crash routine may run while static objects are being torn down.
LogState& State() {
    static LogState* pState = new LogState;
    return *pState;
}

std::atomic<SignalHandler> g_previous[kMaxSignal];

std::string FormatRecord(const KtLogRecord& rec) {
    std::string out = std::to_string(rec.nLevel) + " " + rec.strSourceFile.ToUtf8() + ":" +
                      std::to_string(rec.nSourceLine) + ": " + rec.GetText().ToUtf8() + "\n";
    return out;
}

void WriteAll(int fd, const std::string& text) {
    const char* p = text.data();
    size_t n = text.size();
    while (n > 0) {
        const ssize_t k = ::write(fd, p, n);
        if (k <= 0)
            return;
        p += k;
        n -= static_cast<size_t>(k);
    }
}

bool IsRealHandler(SignalHandler pfn) {
    return pfn != SIG_DFL && pfn != SIG_IGN && pfn != SIG_ERR && pfn != &KtLogFile::Dump;
}

}  // namespace

PlxUnicodeString KtLogRecord::GetText() const {
    KtStringEx str;
    if (str.LoadResString(strMessage))
        return str;
    return strMessage;
}

KtLogFile* KtLogFile::GetInstance(bool bNewSession) {
    static KtLogFile instance;
    if (bNewSession)
        instance.Clear();
    return &instance;
}

void KtLogFile::RecordLog(int nLevel, const PlxUnicodeString& strMessage,
                          const PlxUnicodeString& strSourceFile, int nSourceLine) {
    KtLogRecord rec;
    rec.nLevel = nLevel;
    rec.strMessage = strMessage;
    rec.strSourceFile = strSourceFile;
    rec.nSourceLine = nSourceLine;
    std::lock_guard<std::mutex> lock(State().mutex);
    State().records.push_back(std::move(rec));
}

std::vector<KtLogRecord> KtLogFile::GetRecords() const {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().records;
}

std::vector<KtLogRecord> KtLogFile::TakeRecords() {
    std::vector<KtLogRecord> out;
    std::lock_guard<std::mutex> lock(State().mutex);
    out.swap(State().records);
    return out;
}

int KtLogFile::GetRecordCount() const {
    std::lock_guard<std::mutex> lock(State().mutex);
    return static_cast<int>(State().records.size());
}

void KtLogFile::Clear() {
    std::lock_guard<std::mutex> lock(State().mutex);
    std::vector<KtLogRecord>().swap(State().records);
}

void KtLogFile::Write(std::FILE* pOut) const {
    if (pOut == nullptr)
        return;
    std::lock_guard<std::mutex> lock(State().mutex);
    for (const KtLogRecord& rec : State().records) {
        const std::string line = FormatRecord(rec);
        std::fwrite(line.data(), 1, line.size(), pOut);
    }
    std::fflush(pOut);
}

void KtLogFile::Dump(int nSignal) {
    // Best effort: a crash inside RecordLog holds the lock, and then the records are skipped
    // rather than waited for.
    LogState& state = State();
    if (state.mutex.try_lock()) {
        for (const KtLogRecord& rec : state.records)
            WriteAll(STDERR_FILENO, FormatRecord(rec));
        state.mutex.unlock();
    }
    const SignalHandler pfnPrevious = GetPreviousHandler(nSignal);
    if (IsRealHandler(pfnPrevious)) {
        pfnPrevious(nSignal);
        return;
    }
    if (pfnPrevious == SIG_IGN)
        return;
    // Default action: let the signal strike again with the default disposition, unblocked,
    // so the process ends the way it would have without the log (core file, exit status).
    std::signal(nSignal, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, nSignal);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    std::raise(nSignal);
}

void KtLogFile::RememberPreviousHandler(int nSignal, void (*pfnPrevious)(int)) {
    if (nSignal <= 0 || nSignal >= kMaxSignal)
        return;
    // Installing Dump twice (the plug-in loaded a second time) must not make Dump its own
    // predecessor; the handler found the first time stays.
    if (pfnPrevious == &KtLogFile::Dump || pfnPrevious == SIG_ERR)
        return;
    g_previous[nSignal].store(pfnPrevious);
}

void (*KtLogFile::GetPreviousHandler(int nSignal))(int) {
    if (nSignal <= 0 || nSignal >= kMaxSignal)
        return SIG_DFL;
    const SignalHandler pfn = g_previous[nSignal].load();
    return pfn == nullptr ? SIG_DFL : pfn;
}

}  // namespace KTX
