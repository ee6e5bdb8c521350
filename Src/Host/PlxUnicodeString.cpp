// The host's UTF-16 string.
#include "PlxUnicodeString.h"

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "PlxSeparatorScan.h"
#include "PlxUtf8.h"

namespace KTX {

namespace {

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

char16_t FoldAscii(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? c + (u'a' - u'A') : c;
}

bool InSet(char16_t c, std::u16string_view strSet) {
    return strSet.find(c) != std::u16string_view::npos;
}

int DigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'z')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'Z')
        return c - u'A' + 10;
    return 99;
}

}  // namespace

PlxUnicodeString::PlxUnicodeString(const char16_t* psz) : PlxUnicodeString() {
    if (psz != nullptr)
        Assign(psz, static_cast<int>(std::char_traits<char16_t>::length(psz)));
}

PlxUnicodeString::PlxUnicodeString(const char16_t* p, int nLength) : PlxUnicodeString() {
    if (p != nullptr && nLength > 0)
        Assign(p, nLength);
}

PlxUnicodeString::PlxUnicodeString(char16_t ch, int nRepeat) : PlxUnicodeString() {
    if (nRepeat > 0) {
        char16_t* pOut = GetBufferSetLength(nRepeat);
        std::fill(pOut, pOut + nRepeat, ch);
    }
}

PlxUnicodeString::PlxUnicodeString(std::u16string_view str) : PlxUnicodeString() {
    Assign(str.data(), static_cast<int>(str.size()));
}

PlxUnicodeString::PlxUnicodeString(const PlxUnicodeString& other) : PlxUnicodeString() {
    Assign(other.m_pData, other.m_nLength);
}

PlxUnicodeString::PlxUnicodeString(PlxUnicodeString&& other) noexcept : PlxUnicodeString() {
    *this = std::move(other);
}

PlxUnicodeString& PlxUnicodeString::operator=(const PlxUnicodeString& other) {
    if (this != &other)
        Assign(other.m_pData, other.m_nLength);
    return *this;
}

PlxUnicodeString& PlxUnicodeString::operator=(PlxUnicodeString&& other) noexcept {
    if (this == &other)
        return *this;
    if (other.m_pData == other.m_szInline) {
        // Short texts are copied; the storage this string has stays for later use.
        Assign(other.m_pData, other.m_nLength);
        other.Empty();
        return *this;
    }
    if (m_pData != m_szInline)
        delete[] m_pData;
    m_pData = other.m_pData;
    m_nLength = other.m_nLength;
    m_nCapacity = other.m_nCapacity;
    other.m_pData = other.m_szInline;
    other.m_nLength = 0;
    other.m_nCapacity = kInlineLength;
    other.m_szInline[0] = 0;
    return *this;
}

void PlxUnicodeString::Grow(int nLength, int nKeep) {
    if (nLength <= m_nCapacity)
        return;
    // Geometric growth keeps appending character by character linear.
    const int nCapacity = std::max(nLength, m_nCapacity + m_nCapacity / 2);
    auto* pNew = new char16_t[static_cast<size_t>(nCapacity) + 1];
    std::copy(m_pData, m_pData + nKeep, pNew);
    if (m_pData != m_szInline)
        delete[] m_pData;
    m_pData = pNew;
    m_nCapacity = nCapacity;
}

PlxUnicodeString& PlxUnicodeString::Append(const char16_t* p, int n) {
    if (n <= 0)
        return *this;
    const int nNew = m_nLength + n;
    if (nNew > m_nCapacity) {
        // The source may be this string's own text: copy it before the old block goes.
        PlxUnicodeString strCopy(p, n);
        Grow(nNew, m_nLength);
        std::copy(strCopy.m_pData, strCopy.m_pData + n, m_pData + m_nLength);
    } else {
        std::copy(p, p + n, m_pData + m_nLength);
    }
    m_nLength = nNew;
    m_pData[nNew] = 0;
    return *this;
}

char16_t* PlxUnicodeString::GrowBufferSetLength(int nLength) {
    if (nLength < 0)
        nLength = 0;
    Grow(nLength, m_nLength < nLength ? m_nLength : nLength);
    m_nLength = nLength;
    m_pData[nLength] = 0;
    return m_pData;
}

PlxUnicodeString PlxUnicodeString::FromUtf8(std::string_view utf8) {
    PlxUnicodeString s;
    char16_t* pOut = s.GetBufferSetLength(static_cast<int>(utf8.size()));
    s.ReleaseBuffer(static_cast<int>(utf8::Decode(utf8.data(), utf8.size(), pOut)));
    return s;
}

std::string PlxUnicodeString::ToUtf8() const {
    std::string out;
    AppendUtf8(out);
    return out;
}

void PlxUnicodeString::AppendUtf8(std::string& out) const {
    utf8::Encode(m_pData, static_cast<size_t>(m_nLength), out);
}

PlxUnicodeString PlxUnicodeString::Left(int n) const {
    if (n < 1)
        return PlxUnicodeString();
    return PlxUnicodeString(m_pData, std::min(n, m_nLength));
}

PlxUnicodeString PlxUnicodeString::Right(int n) const {
    if (n < 1)
        return PlxUnicodeString();
    if (n >= m_nLength)
        return *this;
    return PlxUnicodeString(m_pData + (m_nLength - n), n);
}

PlxUnicodeString PlxUnicodeString::Mid(int nFirst, int n) const {
    if (nFirst < 0)
        nFirst = 0;
    if (nFirst >= m_nLength)
        return PlxUnicodeString();
    const int nRest = m_nLength - nFirst;
    return PlxUnicodeString(m_pData + nFirst, n < 0 ? nRest : std::min(n, nRest));
}

int PlxUnicodeString::Find(char16_t ch, int nStart) const {
    if (nStart < 0)
        nStart = 0;
    const size_t i = View().find(ch, static_cast<size_t>(nStart));
    return i == std::u16string_view::npos ? -1 : static_cast<int>(i);
}

int PlxUnicodeString::Find(const PlxUnicodeString& sub, int nStart) const {
    if (nStart < 0)
        nStart = 0;
    const size_t i = View().find(sub.View(), static_cast<size_t>(nStart));
    return i == std::u16string_view::npos ? -1 : static_cast<int>(i);
}

int PlxUnicodeString::Compare(const PlxUnicodeString& other) const {
    const int n = View().compare(other.View());
    return n < 0 ? -1 : (n > 0 ? 1 : 0);
}

int PlxUnicodeString::CompareNoCase(const PlxUnicodeString& other) const {
    const int n = std::min(m_nLength, other.m_nLength);
    for (int i = 0; i < n; ++i) {
        const char16_t a = FoldAscii(m_pData[i]);
        const char16_t b = FoldAscii(other.m_pData[i]);
        if (a != b)
            return a < b ? -1 : 1;
    }
    if (m_nLength == other.m_nLength)
        return 0;
    return m_nLength < other.m_nLength ? -1 : 1;
}

PlxUnicodeString& PlxUnicodeString::TrimLeft() {
    int i = 0;
    while (i < m_nLength && IsBlank(m_pData[i]))
        ++i;
    Assign(m_pData + i, m_nLength - i);
    return *this;
}

PlxUnicodeString& PlxUnicodeString::TrimLeft(const PlxUnicodeString& strSet) {
    int i = 0;
    while (i < m_nLength && InSet(m_pData[i], strSet.View()))
        ++i;
    Assign(m_pData + i, m_nLength - i);
    return *this;
}

PlxUnicodeString& PlxUnicodeString::TrimRight() {
    int n = m_nLength;
    while (n > 0 && IsBlank(m_pData[n - 1]))
        --n;
    ReleaseBuffer(n);
    return *this;
}

PlxUnicodeString& PlxUnicodeString::TrimRight(const PlxUnicodeString& strSet) {
    int n = m_nLength;
    while (n > 0 && InSet(m_pData[n - 1], strSet.View()))
        --n;
    ReleaseBuffer(n);
    return *this;
}

PlxUnicodeString& PlxUnicodeString::Trim() {
    return TrimRight().TrimLeft();
}

PlxUnicodeString& PlxUnicodeString::TrimRightString(const PlxUnicodeString& str) {
    const int k = str.m_nLength;
    if (k == 0)
        return *this;
    int n = m_nLength;
    while (n >= k &&
           View().substr(static_cast<size_t>(n - k), static_cast<size_t>(k)) == str.View())
        n -= k;
    ReleaseBuffer(n);
    return *this;
}

int PlxUnicodeString::Remove(char16_t ch) {
    const int nBefore = m_nLength;
    int o = 0;
    for (int i = 0; i < nBefore; ++i) {
        if (m_pData[i] != ch)
            m_pData[o++] = m_pData[i];
    }
    ReleaseBuffer(o);
    return nBefore - o;
}

int PlxUnicodeString::ToInt(int nRadix) const {
    if (nRadix < 2 || nRadix > 36)
        return 0;
    int i = 0;
    while (i < m_nLength && IsBlank(m_pData[i]))
        ++i;
    bool bNegative = false;
    if (i < m_nLength && (m_pData[i] == u'-' || m_pData[i] == u'+')) {
        bNegative = m_pData[i] == u'-';
        ++i;
    }
    // Accumulated as a magnitude that stops growing once it passes the int range.
    const long long nLimit = bNegative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long nValue = 0;
    for (; i < m_nLength; ++i) {
        const int d = DigitValue(m_pData[i]);
        if (d >= nRadix)
            break;
        if (nValue <= nLimit)
            nValue = nValue * nRadix + d;
    }
    if (nValue > nLimit)
        nValue = nLimit;
    return static_cast<int>(bNegative ? -nValue : nValue);
}

void PlxUnicodeString::Format(const char16_t* pszFormat, ...) {
    Empty();
    if (pszFormat == nullptr)
        return;
    const std::string strFormat = PlxUnicodeString(pszFormat).ToUtf8();
    va_list args;
    va_start(args, pszFormat);
    va_list argsCopy;
    va_copy(argsCopy, args);
    char szSmall[256];
    const int n = std::vsnprintf(szSmall, sizeof szSmall, strFormat.c_str(), args);
    va_end(args);
    if (n < 0) {
        va_end(argsCopy);
        return;
    }
    if (static_cast<size_t>(n) < sizeof szSmall) {
        va_end(argsCopy);
        *this = FromUtf8(std::string_view(szSmall, static_cast<size_t>(n)));
        return;
    }
    std::vector<char> big(static_cast<size_t>(n) + 1);
    std::vsnprintf(big.data(), big.size(), strFormat.c_str(), argsCopy);
    va_end(argsCopy);
    *this = FromUtf8(std::string_view(big.data(), static_cast<size_t>(n)));
}

int PlxUnicodeString::Split(PlxArray<PlxUnicodeString>& arrPieces,
                            const PlxUnicodeString& strSeparators, int nFlag) const {
    // Pieces are assigned into the strings the array already holds, so a reader that splits
    // line after line into the same array reuses them; short pieces never touch the heap.
    const char16_t* const p = m_pData;
    const int n = m_nLength;
    const std::u16string_view seps = strSeparators.View();
    if (n == 0) {
        arrPieces.SetSize(0);
        return 0;
    }
    if (seps.size() == 1 && nFlag != SplitSkipEmpty) {
        // The common case, a line cut at every ",": counted first, so that the array is
        // sized once.
        const char16_t cSep = seps[0];
        int nPieces = 1;
        ForEachSeparator(p, n, cSep, [&nPieces](int) { ++nPieces; });
        arrPieces.SetSize(nPieces);
        PlxUnicodeString* pOut = arrPieces.GetData();
        int nStart = 0;
        ForEachSeparator(p, n, cSep, [&](int i) {
            const int nPiece = i - nStart;
            // A short piece with eight characters readable behind it goes as one block of
            // eight: every string has room for them.
            static_assert(kInlineLength >= 8);
            if (nPiece <= 8 && nStart + 8 <= n) {
                std::memmove(pOut->m_pData, p + nStart, 8 * sizeof(char16_t));
                pOut->m_nLength = nPiece;
                pOut->m_pData[nPiece] = 0;
                ++pOut;
            } else {
                (pOut++)->Assign(p + nStart, nPiece);
            }
            nStart = i + 1;
        });
        pOut->Assign(p + nStart, n - nStart);
        return nPieces;
    }
    const bool bSkipEmpty = nFlag == SplitSkipEmpty;
    int nPieces = 0;
    int nStart = 0;
    auto emit = [&](int nEnd) {
        if (bSkipEmpty && nEnd == nStart)
            return;
        if (nPieces >= arrPieces.GetSize())
            arrPieces.SetSize(nPieces + 1);
        arrPieces[nPieces++].Assign(p + nStart, nEnd - nStart);
    };
    for (int i = 0; i < n; ++i) {
        if (InSet(p[i], seps)) {
            emit(i);
            nStart = i + 1;
        }
    }
    emit(n);
    arrPieces.SetSize(nPieces);
    return nPieces;
}

}  // namespace KTX
