// The host's UTF-16 string.
#include "PlxUnicodeString.h"

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "PlxUtf8.h"

namespace KTX {

namespace {

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

char16_t FoldAscii(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? c + (u'a' - u'A') : c;
}

bool InSet(char16_t c, const std::u16string& strSet) {
    return strSet.find(c) != std::u16string::npos;
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

PlxUnicodeString::PlxUnicodeString(const char16_t* psz) {
    if (psz != nullptr)
        m_str = psz;
}

PlxUnicodeString::PlxUnicodeString(const char16_t* p, int nLength) {
    if (p != nullptr && nLength > 0)
        m_str.assign(p, static_cast<size_t>(nLength));
}

PlxUnicodeString::PlxUnicodeString(char16_t ch, int nRepeat) {
    if (nRepeat > 0)
        m_str.assign(static_cast<size_t>(nRepeat), ch);
}

PlxUnicodeString PlxUnicodeString::FromUtf8(std::string_view utf8) {
    PlxUnicodeString s;
    s.m_str.resize(utf8.size());
    s.m_str.resize(utf8::Decode(utf8.data(), utf8.size(), s.m_str.data()));
    return s;
}

std::string PlxUnicodeString::ToUtf8() const {
    std::string out;
    utf8::Encode(m_str.data(), m_str.size(), out);
    return out;
}

PlxUnicodeString PlxUnicodeString::Left(int n) const {
    if (n < 1)
        return PlxUnicodeString();
    return PlxUnicodeString(m_str.substr(0, static_cast<size_t>(n)));
}

PlxUnicodeString PlxUnicodeString::Right(int n) const {
    if (n < 1)
        return PlxUnicodeString();
    if (static_cast<size_t>(n) >= m_str.size())
        return *this;
    return PlxUnicodeString(m_str.substr(m_str.size() - static_cast<size_t>(n)));
}

PlxUnicodeString PlxUnicodeString::Mid(int nFirst, int n) const {
    if (nFirst < 0)
        nFirst = 0;
    if (static_cast<size_t>(nFirst) >= m_str.size())
        return PlxUnicodeString();
    const size_t nCount = n < 0 ? std::u16string::npos : static_cast<size_t>(n);
    return PlxUnicodeString(m_str.substr(static_cast<size_t>(nFirst), nCount));
}

int PlxUnicodeString::Find(char16_t ch, int nStart) const {
    if (nStart < 0)
        nStart = 0;
    const size_t i = m_str.find(ch, static_cast<size_t>(nStart));
    return i == std::u16string::npos ? -1 : static_cast<int>(i);
}

int PlxUnicodeString::Find(const PlxUnicodeString& sub, int nStart) const {
    if (nStart < 0)
        nStart = 0;
    const size_t i = m_str.find(sub.m_str, static_cast<size_t>(nStart));
    return i == std::u16string::npos ? -1 : static_cast<int>(i);
}

int PlxUnicodeString::Compare(const PlxUnicodeString& other) const {
    const int n = m_str.compare(other.m_str);
    return n < 0 ? -1 : (n > 0 ? 1 : 0);
}

int PlxUnicodeString::CompareNoCase(const PlxUnicodeString& other) const {
    const size_t n = std::min(m_str.size(), other.m_str.size());
    for (size_t i = 0; i < n; ++i) {
        const char16_t a = FoldAscii(m_str[i]);
        const char16_t b = FoldAscii(other.m_str[i]);
        if (a != b)
            return a < b ? -1 : 1;
    }
    if (m_str.size() == other.m_str.size())
        return 0;
    return m_str.size() < other.m_str.size() ? -1 : 1;
}

PlxUnicodeString& PlxUnicodeString::TrimLeft() {
    size_t i = 0;
    while (i < m_str.size() && IsBlank(m_str[i]))
        ++i;
    m_str.erase(0, i);
    return *this;
}

PlxUnicodeString& PlxUnicodeString::TrimLeft(const PlxUnicodeString& strSet) {
    size_t i = 0;
    while (i < m_str.size() && InSet(m_str[i], strSet.m_str))
        ++i;
    m_str.erase(0, i);
    return *this;
}

PlxUnicodeString& PlxUnicodeString::TrimRight() {
    size_t n = m_str.size();
    while (n > 0 && IsBlank(m_str[n - 1]))
        --n;
    m_str.resize(n);
    return *this;
}

PlxUnicodeString& PlxUnicodeString::TrimRight(const PlxUnicodeString& strSet) {
    size_t n = m_str.size();
    while (n > 0 && InSet(m_str[n - 1], strSet.m_str))
        --n;
    m_str.resize(n);
    return *this;
}

PlxUnicodeString& PlxUnicodeString::Trim() {
    return TrimRight().TrimLeft();
}

PlxUnicodeString& PlxUnicodeString::TrimRightString(const PlxUnicodeString& str) {
    const size_t k = str.m_str.size();
    if (k == 0)
        return *this;
    size_t n = m_str.size();
    while (n >= k && m_str.compare(n - k, k, str.m_str) == 0)
        n -= k;
    m_str.resize(n);
    return *this;
}

int PlxUnicodeString::Remove(char16_t ch) {
    const size_t nBefore = m_str.size();
    size_t o = 0;
    for (size_t i = 0; i < nBefore; ++i) {
        if (m_str[i] != ch)
            m_str[o++] = m_str[i];
    }
    m_str.resize(o);
    return static_cast<int>(nBefore - o);
}

int PlxUnicodeString::ToInt(int nRadix) const {
    if (nRadix < 2 || nRadix > 36)
        return 0;
    size_t i = 0;
    while (i < m_str.size() && IsBlank(m_str[i]))
        ++i;
    bool bNegative = false;
    if (i < m_str.size() && (m_str[i] == u'-' || m_str[i] == u'+')) {
        bNegative = m_str[i] == u'-';
        ++i;
    }
    // Accumulated as a magnitude that stops growing once it passes the int range.
    const long long nLimit = bNegative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long nValue = 0;
    for (; i < m_str.size(); ++i) {
        const int d = DigitValue(m_str[i]);
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
    m_str.clear();
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
    // line after line into the same array reuses their buffers instead of allocating.
    const bool bSkipEmpty = nFlag == SplitSkipEmpty;
    const char16_t* p = m_str.data();
    const size_t n = m_str.size();
    const std::u16string& seps = strSeparators.m_str;
    const bool bOneSeparator = seps.size() == 1;
    const char16_t cSep = bOneSeparator ? seps[0] : 0;
    int nPieces = 0;
    size_t nStart = 0;
    auto emit = [&](size_t nEnd) {
        if (bSkipEmpty && nEnd == nStart)
            return;
        if (nPieces >= arrPieces.GetSize())
            arrPieces.SetSize(nPieces + 1);
        arrPieces[nPieces++].m_str.assign(p + nStart, nEnd - nStart);
    };
    if (n != 0) {
        for (size_t i = 0; i < n; ++i) {
            const bool bSep = bOneSeparator ? p[i] == cSep : InSet(p[i], seps);
            if (bSep) {
                emit(i);
                nStart = i + 1;
            }
        }
        emit(n);
    }
    arrPieces.SetSize(nPieces);
    return nPieces;
}

}  // namespace KTX
