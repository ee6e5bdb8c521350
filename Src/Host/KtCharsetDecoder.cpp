// Charset decoding of text lines: UTF-8 by the host's own codec, the Chinese national
// charsets through iconv. Lines of plain ASCII, the bulk of exchange files, skip both.
#include "KtCharsetDecoder.h"

#include <iconv.h>

#include <cerrno>

#include "PlxUtf8.h"

namespace KTX {

namespace {

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
constexpr const char* kUtf16 = "UTF-16BE";
#else
constexpr const char* kUtf16 = "UTF-16LE";
#endif

const char* IconvName(PLXCharset eCharset) {
    switch (eCharset) {
        case PLXCharsetDefault:
        case PLXCharsetGB18030:
            return "GB18030";
        case PLXCharsetGBK:
            return "GBK";
        case PLXCharsetUTF8:
            break;
    }
    return nullptr;
}

iconv_t AsIconv(void* p) {
    return static_cast<iconv_t>(p);
}

}  // namespace

KtCharsetDecoder::~KtCharsetDecoder() {
    Release();
}

void KtCharsetDecoder::Release() {
    if (m_pIconv != nullptr)
        iconv_close(AsIconv(m_pIconv));
    m_pIconv = nullptr;
}

bool KtCharsetDecoder::Init(PLXCharset eCharset) {
    Release();
    if (eCharset == PLXCharsetUTF8) {
        m_eCharset = eCharset;
        return true;
    }
    const char* pszName = IconvName(eCharset);
    if (pszName == nullptr)
        return false;
    iconv_t cd = iconv_open(kUtf16, pszName);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    m_pIconv = cd;
    m_eCharset = eCharset;
    return true;
}

void KtCharsetDecoder::Decode(const char* p, std::size_t n, PlxUnicodeString& strOut) {
    // Every charset here agrees with ASCII on bytes below 0x80.
    if (utf8::IsAscii(p, n)) {
        char16_t* pOut = strOut.GetBufferSetLength(static_cast<int>(n));
        for (std::size_t i = 0; i < n; ++i)
            pOut[i] = static_cast<unsigned char>(p[i]);
        return;
    }
    if (m_pIconv == nullptr) {
        char16_t* pOut = strOut.GetBufferSetLength(static_cast<int>(n));
        strOut.ReleaseBuffer(static_cast<int>(utf8::Decode(p, n, pOut)));
        return;
    }
    DecodeMultiByte(p, n, strOut);
}

void KtCharsetDecoder::DecodeMultiByte(const char* p, std::size_t n, PlxUnicodeString& strOut) {
    // No character of these charsets takes more UTF-16 units than it has bytes, and a
    // rejected byte gives one unit, so n units suffice; the buffer still grows if iconv
    // ever asks for more.
    std::size_t nSize = n;
    char16_t* pBuf = strOut.GetBufferSetLength(static_cast<int>(nSize));
    iconv_t cd = AsIconv(m_pIconv);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* pIn = const_cast<char*>(p);
    std::size_t nInLeft = n;
    std::size_t nUsed = 0;  // units written
    while (nInLeft > 0) {
        char* pOut = reinterpret_cast<char*>(pBuf + nUsed);
        std::size_t nOutLeft = (nSize - nUsed) * sizeof(char16_t);
        const std::size_t nResult = iconv(cd, &pIn, &nInLeft, &pOut, &nOutLeft);
        const int nError = errno;
        nUsed = nSize - nOutLeft / sizeof(char16_t);
        if (nResult != static_cast<std::size_t>(-1))
            break;
        if (nError == E2BIG || nUsed == nSize) {
            nSize += nInLeft + 2;
            pBuf = strOut.GetBufferSetLength(static_cast<int>(nSize));
            continue;
        }
        // An invalid or truncated sequence: replace its first byte and go on after it.
        pBuf[nUsed++] = 0xFFFD;
        ++pIn;
        --nInLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    strOut.ReleaseBuffer(static_cast<int>(nUsed));
}

}  // namespace KTX
