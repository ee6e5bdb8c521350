// The fields of an exchange file line located in place. PlxUnicodeString::Split on ","
// (empty pieces kept) copies every piece out; most lines of a file are only counted or
// have one or two numbers read from them, and for those this gives the same answers
// without a copy: the same field count, and for field i the value that ugatoi or ugatof
// give for the piece Split would have made.
#pragma once

#include <cstdint>

#include "KoBase/PlxDigitScan.h"
#include "KoBase/PlxSeparatorScan.h"
#include "KoBase/PlxUnicodeString.h"

namespace KTX {

class KtFieldSpans {
public:
    // Fields beyond this are counted but not located.
    static constexpr int kMaxSpans = 12;

    KtFieldSpans() = default;
    // The line must stay unchanged while the spans are read.
    explicit KtFieldSpans(const PlxUnicodeString& strLine) { Reset(strLine); }

    void Reset(const PlxUnicodeString& strLine) {
        m_pText = strLine.GetString();
        m_nCount = 0;
        const int nLength = strLine.GetLength();
        if (nLength == 0)
            return;  // an empty line has no field at all
        int nStart = 0;
        ForEachSeparator(m_pText, nLength, u',', [&](int k) {
            Locate(nStart, k);
            nStart = k + 1;
        });
        Locate(nStart, nLength);
    }

    int GetCount() const { return m_nCount; }
    // Field i, for i below both GetCount() and kMaxSpans.
    int ToInt(int i) const { return ugatoi(m_pText + m_nBegin[i], m_pText + m_nEnd[i]); }
    double ToDouble(int i) const { return ugatof(m_pText + m_nBegin[i], m_pText + m_nEnd[i]); }
    // Whether field i is a plain decimal, an optional sign, digits and at most one point,
    // with no more than 15 digits before the point; nTrunc then is its value truncated
    // toward zero. The value lies strictly between nTrunc - 1 and nTrunc + 1, and its
    // double (ToDouble) between them or on them, since both are exact doubles.
    bool ToTruncated(int i, std::int64_t& nTrunc) const {
        const char16_t* p = m_pText + m_nBegin[i];
        const char16_t* const pEnd = m_pText + m_nEnd[i];
        const bool bNegative = p < pEnd && *p == u'-';
        if (p < pEnd && (*p == u'-' || *p == u'+'))
            ++p;
        std::uint64_t n = 0;
        int nDigits = 0;
        p = PlxScanDigits(p, pEnd, n, nDigits);
        if (nDigits > 15)
            return false;
        if (p < pEnd && *p == u'.') {
            std::uint64_t nFraction = 0;  // only counted
            p = PlxScanDigits(p + 1, pEnd, nFraction, nDigits);
        }
        if (p != pEnd || nDigits == 0)
            return false;
        nTrunc = bNegative ? -static_cast<std::int64_t>(n) : static_cast<std::int64_t>(n);
        return true;
    }

private:
    void Locate(int nBegin, int nEnd) {
        if (m_nCount < kMaxSpans) {
            m_nBegin[m_nCount] = nBegin;
            m_nEnd[m_nCount] = nEnd;
        }
        ++m_nCount;
    }

    const char16_t* m_pText = u"";
    int m_nCount = 0;
    int m_nBegin[kMaxSpans];  // only the first min(m_nCount, kMaxSpans) are set
    int m_nEnd[kMaxSpans];
};

}  // namespace KTX
