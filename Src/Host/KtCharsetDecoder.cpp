// Charset decoding of text lines: UTF-8 by the host's own codec, the Chinese national
// charsets through a table of their two-byte characters that iconv fills once per process,
// and through iconv itself for anything the table does not hold (four-byte sequences,
// invalid bytes). Lines of plain ASCII, the bulk of exchange files, skip both.
#include "KtCharsetDecoder.h"

#include <iconv.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cerrno>
#include <memory>

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

#if defined(__SSE2__)
bool AllAscii(__m128i bytes) {
    return _mm_movemask_epi8(bytes) == 0;
}

void Widen8(__m128i bytes, char16_t* pOut) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pOut),
                     _mm_unpacklo_epi8(bytes, _mm_setzero_si128()));
}

void Widen16(__m128i bytes, char16_t* pOut) {
    Widen8(bytes, pOut);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pOut + 8),
                     _mm_unpackhi_epi8(bytes, _mm_setzero_si128()));
}
#endif

// Writes the units of the ASCII bytes the text starts with; returns how many. Most lines of
// a file are short and all ASCII: they take one or two loads, the last one ending where the
// text ends and writing some units again, the same.
std::size_t WidenAsciiPrefix(const unsigned char* p, std::size_t n, char16_t* pOut) {
    std::size_t i = 0;
#if defined(__SSE2__)
    auto load16 = [p](std::size_t k) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k));
    };
    auto load8 = [p](std::size_t k) {
        return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + k));
    };
    if (n >= 16) {
        for (; i + 16 <= n && AllAscii(load16(i)); i += 16)
            Widen16(load16(i), pOut + i);
        if (i + 16 > n && i < n && AllAscii(load16(n - 16))) {
            Widen16(load16(n - 16), pOut + n - 16);
            i = n;
        }
        return i;
    }
    if (n >= 8) {
        if (!AllAscii(_mm_or_si128(load8(0), load8(n - 8))))
            return 0;
        Widen8(load8(0), pOut);
        Widen8(load8(n - 8), pOut + n - 8);
        return n;
    }
#endif
    for (; i < n && p[i] < 0x80; ++i)
        pOut[i] = p[i];
    return i;
}

constexpr unsigned kLeadFirst = 0x81;
constexpr unsigned kLeadLast = 0xFE;
constexpr unsigned kTrailFirst = 0x40;
constexpr unsigned kTrailLast = 0xFE;
constexpr unsigned kTrails = kTrailLast - kTrailFirst + 1;

// One UTF-16 unit of a byte sequence, or 0 when iconv does not turn all of it into exactly
// one unit.
char16_t ConvertOne(iconv_t cd, const char* pBytes, std::size_t nBytes) {
    char16_t szOut[4] = {};
    char* pIn = const_cast<char*>(pBytes);
    std::size_t nInLeft = nBytes;
    char* pOut = reinterpret_cast<char*>(szOut);
    std::size_t nOutLeft = sizeof szOut;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    const std::size_t nResult = iconv(cd, &pIn, &nInLeft, &pOut, &nOutLeft);
    if (nResult == static_cast<std::size_t>(-1) || nInLeft != 0 ||
        nOutLeft != sizeof szOut - sizeof(char16_t))
        return 0;
    return szOut[0];
}

}  // namespace

struct KtCharsetDecoder::DoubleByteTable {
    char16_t units[kLeadLast - kLeadFirst + 1][kTrails] = {};

    char16_t Lookup(unsigned char cLead, unsigned char cTrail) const {
        if (cLead < kLeadFirst || cLead > kLeadLast || cTrail < kTrailFirst || cTrail > kTrailLast)
            return 0;
        return units[cLead - kLeadFirst][cTrail - kTrailFirst];
    }

    // Null when iconv lacks the charset or does not keep ASCII as it is: then every line
    // with a byte above 0x7F goes through iconv whole.
    static DoubleByteTable* Build(const char* pszName) {
        iconv_t cd = iconv_open(kUtf16, pszName);
        if (cd == reinterpret_cast<iconv_t>(-1))
            return nullptr;
        bool bAscii = true;
        for (unsigned c = 0; c < 0x80 && bAscii; ++c) {
            const char b = static_cast<char>(c);
            bAscii = ConvertOne(cd, &b, 1) == c || c == 0;
        }
        DoubleByteTable* pTable = nullptr;
        if (bAscii) {
            pTable = new DoubleByteTable();
            for (unsigned lead = kLeadFirst; lead <= kLeadLast; ++lead) {
                for (unsigned trail = kTrailFirst; trail <= kTrailLast; ++trail) {
                    const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                    pTable->units[lead - kLeadFirst][trail - kTrailFirst] = ConvertOne(cd, pair, 2);
                }
            }
        }
        iconv_close(cd);
        return pTable;
    }
};

const KtCharsetDecoder::DoubleByteTable* KtCharsetDecoder::TableOf(PLXCharset eCharset) {
    // Each built on first use (about a millisecond) and kept for the life of the process;
    // the initialisation of function statics is thread-safe.
    switch (eCharset) {
        case PLXCharsetGBK: {
            static const std::unique_ptr<DoubleByteTable> pGbk(DoubleByteTable::Build("GBK"));
            return pGbk.get();
        }
        case PLXCharsetDefault:
        case PLXCharsetGB18030: {
            static const std::unique_ptr<DoubleByteTable> pGb18030(
                DoubleByteTable::Build("GB18030"));
            return pGb18030.get();
        }
        case PLXCharsetUTF8:
            break;
    }
    return nullptr;
}

KtCharsetDecoder::~KtCharsetDecoder() {
    Release();
}

void KtCharsetDecoder::Release() {
    if (m_pIconv != nullptr)
        iconv_close(AsIconv(m_pIconv));
    m_pIconv = nullptr;
    m_pTable = nullptr;
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
    m_pTable = TableOf(eCharset);
    return true;
}

void KtCharsetDecoder::Decode(const char* p, std::size_t n, PlxUnicodeString& strOut) {
    // Every charset here agrees with ASCII on bytes below 0x80, and no character takes more
    // UTF-16 units than it has bytes: n units suffice.
    char16_t* pOut = strOut.GetBufferSetLength(static_cast<int>(n));
    const auto* pBytes = reinterpret_cast<const unsigned char*>(p);
    std::size_t i = WidenAsciiPrefix(pBytes, n, pOut);
    if (i == n) {
        strOut.ReleaseBuffer(static_cast<int>(n));
        return;
    }
    std::size_t nUsed = i;
    std::size_t iAscii = 0;  // the bytes from here to i were ASCII, a unit each
    while (i < n) {
        // Plain ASCII, sixteen or eight bytes at a time while no byte has its high bit set.
#if defined(__SSE2__)
        const __m128i zero = _mm_setzero_si128();
        if (i + 16 <= n) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pBytes + i));
            if (_mm_movemask_epi8(bytes) == 0) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(pOut + nUsed),
                                 _mm_unpacklo_epi8(bytes, zero));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(pOut + nUsed + 8),
                                 _mm_unpackhi_epi8(bytes, zero));
                i += 16;
                nUsed += 16;
                continue;
            }
        }
        // The next eight; or, with fewer left, the last eight when those before i were
        // ASCII: their units are written again, the same.
        const std::size_t nFrom = i + 8 <= n ? i : (n >= iAscii + 8 ? n - 8 : n);
        if (nFrom < n) {
            const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pBytes + nFrom));
            if (_mm_movemask_epi8(bytes) == 0) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(pOut + nUsed - (i - nFrom)),
                                 _mm_unpacklo_epi8(bytes, zero));
                nUsed += nFrom + 8 - i;
                i = nFrom + 8;
                continue;
            }
        }
#endif
        const unsigned char c = pBytes[i];
        if (c < 0x80) {
            pOut[nUsed++] = c;
            ++i;
            continue;
        }
        const char16_t unit =
            (m_pTable != nullptr && i + 1 < n) ? m_pTable->Lookup(c, pBytes[i + 1]) : char16_t{0};
        if (unit == 0)
            break;
        pOut[nUsed++] = unit;
        i += 2;
        iAscii = i;
    }
    if (i == n) {
        strOut.ReleaseBuffer(static_cast<int>(nUsed));
        return;
    }
    if (m_pIconv == nullptr) {
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
