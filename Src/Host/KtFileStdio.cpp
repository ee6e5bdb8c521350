// Buffered line reader over a file descriptor. The stream keeps its own buffer (rather than
// FILE* line reading) so that positions are exact byte offsets of the file and returning to
// a remembered line inside the buffer costs no system call.
#include "KtFileStdio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "KtCharsetDecoder.h"

namespace KTX {

namespace {

constexpr int kMinBuffer = 512;
// Larger requests are cut to this; lines longer than the buffer grow it anyway.
constexpr int kMaxBuffer = 16 * 1024 * 1024;
constexpr char kBom[3] = {'\xEF', '\xBB', '\xBF'};

}  // namespace

struct KtFileStdio::Impl {
    int fd = -1;
    PlxUnicodeString strPath;
    PLXCharset eCharset = PLXCharsetDefault;
    KtCharsetDecoder decoder;
    bool bBom = false;
    std::int64_t nLength = 0;

    // buf[0, nFilled) holds the file bytes from offset nBufStart; nNext indexes the next one.
    std::vector<char> buf;
    std::int64_t nBufStart = 0;
    std::size_t nFilled = 0;
    std::size_t nNext = 0;

    std::int64_t Position() const { return nBufStart + static_cast<std::int64_t>(nNext); }

    // Drops the bytes before nNext and reads more after nFilled, doubling the buffer when
    // a line fills it. Returns false when the file has no more bytes.
    bool Refill() {
        if (nNext > 0) {
            std::memmove(buf.data(), buf.data() + nNext, nFilled - nNext);
            nBufStart += static_cast<std::int64_t>(nNext);
            nFilled -= nNext;
            nNext = 0;
        }
        if (nFilled == buf.size())
            buf.resize(buf.size() * 2);
        for (;;) {
            const ssize_t k = pread(fd, buf.data() + nFilled, buf.size() - nFilled,
                                    nBufStart + static_cast<std::int64_t>(nFilled));
            if (k > 0) {
                nFilled += static_cast<std::size_t>(k);
                nLength = std::max(nLength, nBufStart + static_cast<std::int64_t>(nFilled));
                return true;
            }
            if (k < 0 && errno == EINTR)
                continue;
            // The file ends here, whatever its size was at Open (it may have shrunk since):
            // IsEOF must turn true so that reading loops stop.
            nLength = nBufStart + static_cast<std::int64_t>(nFilled);
            return false;
        }
    }

    void Seek(std::int64_t nOffset) {
        if (nOffset >= nBufStart && nOffset <= nBufStart + static_cast<std::int64_t>(nFilled)) {
            nNext = static_cast<std::size_t>(nOffset - nBufStart);
            return;
        }
        nBufStart = nOffset;
        nFilled = 0;
        nNext = 0;
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
    const int fd = ::open(strPath.ToUtf8().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    Impl& d = *m_pImpl;
    d.fd = fd;
    d.strPath = strPath;
    d.eCharset = eCharset;
    d.nLength = st.st_size;
    d.buf.assign(static_cast<std::size_t>(std::clamp(nBufferSize, kMinBuffer, kMaxBuffer)), '\0');
    d.nBufStart = 0;
    d.nFilled = 0;
    d.nNext = 0;
    d.Refill();
    d.bBom = d.nFilled >= sizeof kBom && std::memcmp(d.buf.data(), kBom, sizeof kBom) == 0;
    if (d.bBom)
        d.nNext = sizeof kBom;
    return true;
}

void KtFileStdio::Close() {
    Impl& d = *m_pImpl;
    if (d.fd >= 0)
        ::close(d.fd);
    d.fd = -1;
    d.strPath.Empty();
    d.bBom = false;
    d.nLength = 0;
    std::vector<char>().swap(d.buf);
    d.nBufStart = 0;
    d.nFilled = 0;
    d.nNext = 0;
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
    std::size_t nScanned = d.nNext;  // bytes before this are known to hold no line end
    const char* pEnd = nullptr;
    for (;;) {
        if (nScanned < d.nFilled) {
            pEnd = static_cast<const char*>(
                std::memchr(d.buf.data() + nScanned, '\n', d.nFilled - nScanned));
            if (pEnd != nullptr)
                break;
        }
        const std::size_t nPending = d.nFilled - d.nNext;
        if (!d.Refill())
            break;
        nScanned = nPending;
    }
    const char* pBegin = d.buf.data() + d.nNext;
    std::size_t nBytes;
    if (pEnd != nullptr) {
        nBytes = static_cast<std::size_t>(pEnd - pBegin);
        d.nNext += nBytes + 1;
        if (nBytes > 0 && pBegin[nBytes - 1] == '\r')
            --nBytes;
    } else {
        nBytes = d.nFilled - d.nNext;
        d.nNext = d.nFilled;
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
