// Buffered line reader over a file descriptor. The stream keeps its own buffer (rather than
// FILE* line reading) so that positions are exact byte offsets of the file and returning to
// a remembered line inside the buffer costs no system call.
#include "KtFileStdio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <vector>

#include "KtCharsetDecoder.h"
#include "PlxUtf8.h"

namespace KTX {

namespace {

// The first line end in [p, pEnd), or null. Sixteen bytes at a time here: most lines are
// a few dozen bytes, and a call of memchr for each cost more than scanning them.
const char* FindLineEnd(const char* p, const char* pEnd) {
#if defined(__SSE2__)
    const __m128i newline = _mm_set1_epi8('\n');
    for (; pEnd - p >= 16; p += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const unsigned nMask =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, newline)));
        if (nMask != 0)
            return p + __builtin_ctz(nMask);
    }
#endif
    return static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(pEnd - p)));
}

constexpr int kMinBuffer = 512;
// Larger requests are cut to this; lines longer than the buffer grow it anyway.
constexpr int kMaxBuffer = 16 * 1024 * 1024;
// Whatever the caller asks for, reading goes in blocks of at least this size: a file is
// read with few system calls.
constexpr int kMinBlock = 64 * 1024;
// Readers that return to remembered positions (an area's arcs, a network's nodes) walk a few
// parts of the file at once; each part keeps a window of its own.
constexpr int kWindows = 6;
constexpr char kBom[3] = {'\xEF', '\xBB', '\xBF'};

}  // namespace

struct KtFileStdio::Impl {
    // One stretch of the file in memory: buf[0, nFilled) holds the file bytes from offset
    // nBufStart; nNext indexes the next one.
    struct Window {
        std::vector<char> buf;
        std::int64_t nBufStart = 0;
        std::size_t nFilled = 0;
        std::size_t nNext = 0;
        unsigned nLastUse = 0;
        // Bytes the next read asks for: small right after a jump (a single item is often
        // all that is wanted there), doubling while reading goes on from there.
        std::size_t nReadAhead = 0;

        bool Holds(std::int64_t nOffset) const {
            return !buf.empty() && nOffset >= nBufStart &&
                   nOffset <= nBufStart + static_cast<std::int64_t>(nFilled);
        }
    };

    int fd = -1;
    std::uint64_t nOpenSerial = 0;
    PlxUnicodeString strPath;
    PLXCharset eCharset = PLXCharsetDefault;
    KtCharsetDecoder decoder;
    bool bBom = false;
    std::int64_t nLength = 0;
    std::size_t nBlock = kMinBlock;
    std::size_t nFirstRead = kMinBlock;  // the caller's buffer size
    Window windows[kWindows];
    Window* pCur = &windows[0];
    unsigned nClock = 0;

    std::int64_t Position() const {
        return pCur->nBufStart + static_cast<std::int64_t>(pCur->nNext);
    }

    // Drops the bytes before nNext and reads more after nFilled, doubling the buffer when
    // a line fills it. Returns false when the file has no more bytes.
    bool Refill() {
        Window& w = *pCur;
        if (w.nNext > 0) {
            std::memmove(w.buf.data(), w.buf.data() + w.nNext, w.nFilled - w.nNext);
            w.nBufStart += static_cast<std::int64_t>(w.nNext);
            w.nFilled -= w.nNext;
            w.nNext = 0;
        }
        if (w.nFilled == w.buf.size())
            w.buf.resize(w.buf.size() * 2);
        const std::size_t nWanted = std::min(w.buf.size() - w.nFilled, w.nReadAhead);
        w.nReadAhead = std::min(w.nReadAhead * 2, nBlock);
        for (;;) {
            const ssize_t k = pread(fd, w.buf.data() + w.nFilled, nWanted,
                                    w.nBufStart + static_cast<std::int64_t>(w.nFilled));
            if (k > 0) {
                w.nFilled += static_cast<std::size_t>(k);
                nLength = std::max(nLength, w.nBufStart + static_cast<std::int64_t>(w.nFilled));
                return true;
            }
            if (k < 0 && errno == EINTR)
                continue;
            // The file ends here, whatever its size was at Open (it may have shrunk since):
            // IsEOF must turn true so that reading loops stop.
            nLength = w.nBufStart + static_cast<std::int64_t>(w.nFilled);
            return false;
        }
    }

    // Makes the window that holds nOffset current; when none does, the one least recently
    // used starts over there.
    void Seek(std::int64_t nOffset) {
        Window* pTarget = pCur->Holds(nOffset) ? pCur : nullptr;
        for (int i = 0; pTarget == nullptr && i < kWindows; ++i) {
            if (windows[i].Holds(nOffset))
                pTarget = &windows[i];
        }
        if (pTarget == nullptr) {
            pTarget = &windows[0];
            for (int i = 1; i < kWindows; ++i) {
                if (windows[i].nLastUse < pTarget->nLastUse)
                    pTarget = &windows[i];
            }
            if (pTarget->buf.empty())
                pTarget->buf.assign(nBlock, '\0');
            pTarget->nBufStart = nOffset;
            pTarget->nFilled = 0;
            pTarget->nReadAhead = nFirstRead;
        }
        pTarget->nNext = static_cast<std::size_t>(nOffset - pTarget->nBufStart);
        pTarget->nLastUse = ++nClock;
        pCur = pTarget;
    }

    void Reset() {
        for (Window& w : windows) {
            std::vector<char>().swap(w.buf);
            w.nBufStart = 0;
            w.nFilled = 0;
            w.nNext = 0;
            w.nLastUse = 0;
        }
        pCur = &windows[0];
        nClock = 0;
    }
};

KtFileStdio::KtFileStdio() : m_pImpl(std::make_unique<Impl>()) {}

KtFileStdio::~KtFileStdio() {
    Close();
}

bool KtFileStdio::Open(const PlxUnicodeString& strPath, int nDirection, int nBufferSize,
                       PLXCharset eCharset) {
    Close();
    if (nDirection != KTFILE_READ || strPath.IsEmpty())
        return false;
    if (!m_pImpl->decoder.Init(eCharset))
        return false;
    // Not blocking: opening a FIFO would wait for a writer before fstat could refuse it.
    const std::string strName =
        utf8::EncodePath(strPath.GetString(), static_cast<std::size_t>(strPath.GetLength()));
    const int fd = ::open(strName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    Impl& d = *m_pImpl;
    static std::atomic<std::uint64_t> s_nOpenings{0};
    d.fd = fd;
    d.nOpenSerial = ++s_nOpenings;
    d.strPath = strPath;
    d.eCharset = eCharset;
    d.nLength = st.st_size;
    d.nFirstRead = static_cast<std::size_t>(std::clamp(nBufferSize, kMinBuffer, kMaxBuffer));
    d.nBlock = std::max(d.nFirstRead, static_cast<std::size_t>(kMinBlock));
    d.Reset();
    d.Seek(0);
    d.Refill();
    Impl::Window& w = *d.pCur;
    d.bBom = w.nFilled >= sizeof kBom && std::memcmp(w.buf.data(), kBom, sizeof kBom) == 0;
    if (d.bBom)
        w.nNext = sizeof kBom;
    return true;
}

void KtFileStdio::Close() {
    Impl& d = *m_pImpl;
    if (d.fd >= 0)
        ::close(d.fd);
    d.fd = -1;
    d.nOpenSerial = 0;
    d.strPath.Empty();
    d.bBom = false;
    d.nLength = 0;
    d.Reset();
}

std::uint64_t KtFileStdio::GetOpenSerial() const {
    return m_pImpl->nOpenSerial;
}

bool KtFileStdio::IsOpen() const {
    return m_pImpl->fd >= 0;
}

bool KtFileStdio::ReadLine(PlxUnicodeString& strLine) {
    Impl& d = *m_pImpl;
    if (d.fd < 0) {
        strLine.Empty();
        return false;
    }
    if (d.bBom && d.Position() == 0)
        d.Seek(sizeof kBom);
    Impl::Window& w = *d.pCur;
    std::size_t nScanned = w.nNext;  // bytes before this are known to hold no line end
    const char* pEnd = nullptr;
    for (;;) {
        if (nScanned < w.nFilled) {
            pEnd = FindLineEnd(w.buf.data() + nScanned, w.buf.data() + w.nFilled);
            if (pEnd != nullptr)
                break;
        }
        const std::size_t nPending = w.nFilled - w.nNext;
        if (!d.Refill())
            break;
        nScanned = nPending;
    }
    const char* pBegin = w.buf.data() + w.nNext;
    std::size_t nBytes;
    if (pEnd != nullptr) {
        nBytes = static_cast<std::size_t>(pEnd - pBegin);
        w.nNext += nBytes + 1;
        if (nBytes > 0 && pBegin[nBytes - 1] == '\r')
            --nBytes;
    } else {
        nBytes = w.nFilled - w.nNext;
        w.nNext = w.nFilled;
        if (nBytes == 0) {
            strLine.Empty();
            return false;
        }
    }
    d.decoder.Decode(pBegin, nBytes, strLine);
    return true;
}

bool KtFileStdio::IsEOF() const {
    const Impl& d = *m_pImpl;
    return d.fd < 0 || d.Position() >= d.nLength;
}

std::int64_t KtFileStdio::GetPosition() const {
    return m_pImpl->Position();
}

bool KtFileStdio::SetPosition(std::int64_t nOffset, int nWhence) {
    Impl& d = *m_pImpl;
    if (d.fd < 0)
        return false;
    std::int64_t nBase = 0;
    switch (nWhence) {
        case KTFILE_BEGIN:
            break;
        case KTFILE_CURRENT:
            nBase = d.Position();
            break;
        case KTFILE_END:
            nBase = d.nLength;
            break;
        default:
            return false;
    }
    if ((nOffset > 0 && nBase > INT64_MAX - nOffset))
        return false;
    const std::int64_t nTarget = nBase + nOffset;
    if (nTarget < 0 || nTarget > d.nLength)
        return false;
    d.Seek(nTarget);
    return true;
}

std::int64_t KtFileStdio::GetLength() const {
    return m_pImpl->nLength;
}

PLXCharset KtFileStdio::GetCharset() const {
    return m_pImpl->eCharset;
}

const PlxUnicodeString& KtFileStdio::GetPathName() const {
    return m_pImpl->strPath;
}

}  // namespace KTX
