// Charset choice for the ENCODING open option.
#include "mapgisencoding.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "cpl_string.h"
#include "cpl_vsi.h"

namespace mapgis {

namespace {

// Checks UTF-8 a chunk at a time; a sequence may run across chunks.
class Utf8Checker {
public:
    // False at the first byte that is no UTF-8; stops early, true, once nEnough
    // multi-byte sequences have been seen.
    bool Feed(const unsigned char* p, size_t n, long long nEnough) {
        size_t i = 0;
        while (i < n && m_nMultiByte < nEnough) {
            if (m_nPending == 0) {
                i = SkipAscii(p, i, n);
                if (i == n)
                    break;
            }
            if (!Step(p[i++]))
                return false;
        }
        return true;
    }
    bool Complete() const { return m_nPending == 0; }
    // Sequences of more than one byte seen whole.
    long long MultiByteCount() const { return m_nMultiByte; }

private:
    // The first byte from i on that is not ASCII, or n. A line file is ASCII but for its
    // few texts: eight bytes at a time.
    static size_t SkipAscii(const unsigned char* p, size_t i, size_t n) {
        for (std::uint64_t word = 0; i + sizeof word <= n; i += sizeof word) {
            std::memcpy(&word, p + i, sizeof word);
            if ((word & 0x8080808080808080ULL) != 0)
                break;
        }
        while (i < n && p[i] < 0x80)
            ++i;
        return i;
    }

    bool Step(unsigned char c) {
        if (m_nPending > 0) {
            if (c < m_nLow || c > m_nHigh)
                return false;
            m_nLow = 0x80;
            m_nHigh = 0xBF;
            if (--m_nPending == 0)
                ++m_nMultiByte;
            return true;
        }
        if (c < 0x80)
            return true;
        m_nLow = 0x80;
        m_nHigh = 0xBF;
        // Overlong forms, surrogates and code points beyond U+10FFFF are refused through
        // the range allowed for the second byte.
        if (c >= 0xC2 && c <= 0xDF) {
            m_nPending = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            m_nPending = 2;
            if (c == 0xE0)
                m_nLow = 0xA0;
            if (c == 0xED)
                m_nHigh = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            m_nPending = 3;
            if (c == 0xF0)
                m_nLow = 0x90;
            if (c == 0xF4)
                m_nHigh = 0x8F;
        } else {
            return false;
        }
        return true;
    }

    int m_nPending = 0;
    long long m_nMultiByte = 0;
    unsigned char m_nLow = 0x80;
    unsigned char m_nHigh = 0xBF;
};

// GBK text is almost never valid UTF-8 for more than a few characters, so this many
// non-ASCII characters, all valid, settle it; a large file is then not read to its end.
constexpr long long kDecisiveCharacters = 4096;
// Beyond this prefix the file is not looked at.
constexpr size_t kMaxPrefix = 16 * 1024 * 1024;

}  // namespace

bool IsFileUtf8(const std::string& strPath) {
    VSILFILE* fp = VSIFOpenL(strPath.c_str(), "rb");
    if (fp == nullptr)
        return false;
    Utf8Checker checker;
    std::vector<unsigned char> buffer(65536);
    bool bValid = true;
    for (size_t nRead = 0; nRead < kMaxPrefix;) {
        const size_t n = VSIFReadL(buffer.data(), 1, buffer.size(), fp);
        if (n == 0)
            break;
        nRead += n;
        if (!checker.Feed(buffer.data(), n, kDecisiveCharacters)) {
            bValid = false;
            break;
        }
        if (checker.MultiByteCount() >= kDecisiveCharacters)
            break;
    }
    const bool bAtEnd = VSIFEofL(fp) != 0;
    VSIFCloseL(fp);
    // A sequence cut by the end of the prefix is no fault; one cut by the end of the file is.
    if (!bValid || (bAtEnd && !checker.Complete()))
        return false;
    // Nothing but ASCII: the charset MAPGIS writes reads it the same.
    return checker.MultiByteCount() > 0;
}

bool CharsetFromOption(const std::string& strValue, const std::string& strPath,
                       KTX::PLXCharset* peCharset) {
    if (strValue.empty() || EQUAL(strValue.c_str(), "AUTO")) {
        *peCharset = IsFileUtf8(strPath) ? KTX::PLXCharsetUTF8 : KTX::PLXCharsetGB18030;
    } else if (EQUAL(strValue.c_str(), "GBK")) {
        *peCharset = KTX::PLXCharsetGBK;
    } else if (EQUAL(strValue.c_str(), "GB18030")) {
        *peCharset = KTX::PLXCharsetGB18030;
    } else if (EQUAL(strValue.c_str(), "UTF-8") || EQUAL(strValue.c_str(), "UTF8")) {
        *peCharset = KTX::PLXCharsetUTF8;
    } else {
        return false;
    }
    return true;
}

}  // namespace mapgis
