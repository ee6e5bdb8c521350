// The process log and its crash routine.
#include "KtLogFile.h"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <mutex>
#include <string>

#include "KtResStrings.h"
#include "KtStringEx.h"

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

// Writes records through a fixed buffer, to a FILE or (from the crash routine, which may run
// inside a broken heap and must not allocate) straight to a file descriptor.
class RawWriter {
public:
    explicit RawWriter(int fd) : m_fd(fd) {}
    explicit RawWriter(std::FILE* pFile) : m_pFile(pFile) {}
    ~RawWriter() { Flush(); }
    RawWriter(const RawWriter&) = delete;
    RawWriter& operator=(const RawWriter&) = delete;

    void Put(const KtLogRecord& rec) {
        PutInt(rec.nLevel);
        PutChar(' ');
        PutText(rec.strSourceFile.GetString(), rec.strSourceFile.GetLength());
        PutChar(':');
        PutInt(rec.nSourceLine);
        PutChar(':');
        PutChar(' ');
        const char16_t* pszRes =
            FindResString(rec.strMessage.GetString(), rec.strMessage.GetLength());
        if (pszRes != nullptr) {
            PutText(pszRes, static_cast<int>(std::char_traits<char16_t>::length(pszRes)));
        } else {
            PutText(rec.strMessage.GetString(), rec.strMessage.GetLength());
        }
        PutChar('\n');
    }

private:
    void PutChar(char c) {
        if (m_n == sizeof m_buf)
            Flush();
        m_buf[m_n++] = c;
    }
    void PutByte(std::uint32_t n) { PutChar(static_cast<char>(n)); }
    void PutInt(int n) {
        char sz[12];
        int k = 0;
        std::uint32_t u =
            n < 0 ? 0u - static_cast<std::uint32_t>(n) : static_cast<std::uint32_t>(n);
        do {
            sz[k++] = static_cast<char>('0' + u % 10);
            u /= 10;
        } while (u != 0);
        if (n < 0)
            PutChar('-');
        while (k > 0)
            PutChar(sz[--k]);
    }
    // UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
    void PutText(const char16_t* p, int n) {
        for (int i = 0; i < n; ++i) {
            std::uint32_t cp = p[i];
            if (cp >= 0xD800u && cp <= 0xDBFFu && i + 1 < n && p[i + 1] >= 0xDC00u &&
                p[i + 1] <= 0xDFFFu) {
                cp = 0x10000u + ((cp - 0xD800u) << 10) + (p[++i] - 0xDC00u);
            } else if (cp >= 0xD800u && cp <= 0xDFFFu) {
                cp = 0xFFFDu;
            }
            if (cp < 0x80u) {
                PutByte(cp);
            } else if (cp < 0x800u) {
                PutByte(0xC0u | (cp >> 6));
                PutByte(0x80u | (cp & 0x3Fu));
            } else if (cp < 0x10000u) {
                PutByte(0xE0u | (cp >> 12));
                PutByte(0x80u | ((cp >> 6) & 0x3Fu));
                PutByte(0x80u | (cp & 0x3Fu));
            } else {
                PutByte(0xF0u | (cp >> 18));
                PutByte(0x80u | ((cp >> 12) & 0x3Fu));
                PutByte(0x80u | ((cp >> 6) & 0x3Fu));
                PutByte(0x80u | (cp & 0x3Fu));
            }
        }
    }
    void Flush() {
        if (m_pFile != nullptr) {
            std::fwrite(m_buf, 1, m_n, m_pFile);
            m_n = 0;
            return;
        }
        const char* p = m_buf;
        while (m_n > 0) {
            const ssize_t k = ::write(m_fd, p, m_n);
            if (k <= 0)
                break;
            p += k;
            m_n -= static_cast<size_t>(k);
        }
        m_n = 0;
    }

    int m_fd = -1;
    std::FILE* m_pFile = nullptr;
    char m_buf[1024];
    size_t m_n = 0;
};

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
    {
        RawWriter writer(pOut);
        for (const KtLogRecord& rec : State().records)
            writer.Put(rec);
    }
    std::fflush(pOut);
}

void KtLogFile::Dump(int nSignal) {
    // Best effort: a crash inside RecordLog holds the lock, and then the records are skipped
    // rather than waited for.
    LogState& state = State();
    if (state.mutex.try_lock()) {
        {
            RawWriter writer(STDERR_FILENO);
            for (const KtLogRecord& rec : state.records)
                writer.Put(rec);
        }
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
