// Wide string of UTF-16 code units with value semantics, the host's text type.
#pragma once

#include <string>
#include <string_view>

#include "KoBaseExport.h"
#include "PlxArray.h"

namespace KTX {

class KOBASE_API PlxUnicodeString {
public:
    // Flags of Split.
    enum : int {
        SplitKeepEmpty = 0,  // empty pieces between separators are kept
        SplitSkipEmpty = 1,  // empty pieces are dropped
    };

    PlxUnicodeString() { m_szInline[0] = 0; }
    PlxUnicodeString(const char16_t* psz);  // NOLINT: implicit, like the host's literals
    PlxUnicodeString(const char16_t* p, int nLength);
    explicit PlxUnicodeString(char16_t ch, int nRepeat = 1);
    explicit PlxUnicodeString(std::u16string_view str);
    PlxUnicodeString(const PlxUnicodeString& other);
    PlxUnicodeString(PlxUnicodeString&& other) noexcept;
    PlxUnicodeString& operator=(const PlxUnicodeString& other);
    PlxUnicodeString& operator=(PlxUnicodeString&& other) noexcept;
    ~PlxUnicodeString() {
        if (m_pData != m_szInline)
            delete[] m_pData;
    }

    // Conversion to and from UTF-8, the encoding of paths and of everything handed to
    // the outside world; invalid input is replaced by U+FFFD, never dropped.
    static PlxUnicodeString FromUtf8(std::string_view utf8);
    std::string ToUtf8() const;
    // The UTF-8 text appended to out, for writers that build a longer text.
    void AppendUtf8(std::string& out) const;

    int GetLength() const { return m_nLength; }
    bool IsEmpty() const { return m_nLength == 0; }
    // Keeps the storage, so a string refilled line after line allocates at most once.
    void Empty() {
        m_nLength = 0;
        m_pData[0] = 0;
    }
    char16_t GetAt(int i) const { return m_pData[i]; }
    char16_t operator[](int i) const { return m_pData[i]; }
    // Zero-terminated text; valid until the string is changed.
    const char16_t* GetString() const { return m_pData; }
    std::u16string_view View() const { return {m_pData, static_cast<size_t>(m_nLength)}; }
    std::u16string Str() const { return std::u16string(m_pData, static_cast<size_t>(m_nLength)); }

    // Direct filling: the string gets nLength characters (the first ones kept, the rest
    // undefined) and hands out its buffer; ReleaseBuffer then cuts it to the characters
    // actually written (at most nLength).
    char16_t* GetBufferSetLength(int nLength) {
        if (nLength < 0 || nLength > m_nCapacity)
            return GrowBufferSetLength(nLength);
        m_nLength = nLength;
        m_pData[nLength] = 0;
        return m_pData;
    }
    void ReleaseBuffer(int nNewLength) {
        if (nNewLength >= 0 && nNewLength < m_nLength)
            m_nLength = nNewLength;
        m_pData[m_nLength] = 0;
    }

    // First / last n characters; n beyond the length gives the whole string, n < 1 an empty one.
    PlxUnicodeString Left(int n) const;
    PlxUnicodeString Right(int n) const;
    // n characters from nFirst (the rest of the string when n < 0); clipped to the string.
    PlxUnicodeString Mid(int nFirst, int n = -1) const;

    // Index of the first occurrence at or after nStart, or -1.
    int Find(char16_t ch, int nStart = 0) const;
    int Find(const PlxUnicodeString& sub, int nStart = 0) const;

    int Compare(const PlxUnicodeString& other) const;
    // 0 when equal ignoring the case of ASCII letters.
    int CompareNoCase(const PlxUnicodeString& other) const;

    // Trimming: without an argument white space (blank, tab, CR, LF, VT, FF) is removed;
    // with a character set every character of the set is.
    PlxUnicodeString& TrimLeft();
    PlxUnicodeString& TrimLeft(const PlxUnicodeString& strSet);
    PlxUnicodeString& TrimRight();
    PlxUnicodeString& TrimRight(const PlxUnicodeString& strSet);
    PlxUnicodeString& Trim();
    // Removes trailing repetitions of a whole string ("abNN" trimmed of "N" gives "ab").
    PlxUnicodeString& TrimRightString(const PlxUnicodeString& str);

    // Removes every occurrence of ch and returns how many were removed.
    int Remove(char16_t ch);

    // The leading integer in the given radix (2 to 36) after optional white space and sign;
    // 0 when there is none; saturates at the limits of int.
    int ToInt(int nRadix = 10) const;

    // printf-style formatting into this string. The format's conversions are those of
    // printf; string arguments (%s) are UTF-8 const char*.
    void Format(const char16_t* pszFormat, ...);

    // Cuts the string at every character of strSeparators into arrPieces and returns the
    // number of pieces. With SplitKeepEmpty every separator makes a piece boundary, so
    // "a,,b" and "a,b," give three pieces each; an empty string gives no piece at all (0).
    int Split(PlxArray<PlxUnicodeString>& arrPieces, const PlxUnicodeString& strSeparators,
              int nFlag = SplitKeepEmpty) const;

    PlxUnicodeString& operator+=(const PlxUnicodeString& s) {
        return Append(s.m_pData, s.m_nLength);
    }
    PlxUnicodeString& operator+=(char16_t ch) { return Append(&ch, 1); }
    PlxUnicodeString& Append(const char16_t* p, int n);
    friend PlxUnicodeString operator+(PlxUnicodeString a, const PlxUnicodeString& b) {
        a += b;
        return a;
    }
    bool operator==(const PlxUnicodeString& o) const { return View() == o.View(); }
    bool operator!=(const PlxUnicodeString& o) const { return View() != o.View(); }
    bool operator<(const PlxUnicodeString& o) const { return View() < o.View(); }

private:
    // Room for the numbers and short words that fill exchange files, without a heap block.
    static constexpr int kInlineLength = 23;

    char16_t* GrowBufferSetLength(int nLength);
    void Assign(const char16_t* p, int n) {
        if (n > m_nCapacity)
            Grow(n, 0);
        // The source may lie inside this string's own text, always at or after m_pData:
        // a forward copy is safe, and memmove is. Short pieces are copied by a plain loop.
        if (n > 8) {
            std::char_traits<char16_t>::move(m_pData, p, static_cast<size_t>(n));
        } else {
            for (int i = 0; i < n; ++i)
                m_pData[i] = p[i];
        }
        m_nLength = n;
        m_pData[n] = 0;
    }
    // Capacity for nLength characters; keeps the first nKeep.
    void Grow(int nLength, int nKeep);

    char16_t* m_pData = m_szInline;  // m_szInline or a heap block of m_nCapacity + 1
    int m_nLength = 0;
    int m_nCapacity = kInlineLength;
    char16_t m_szInline[kInlineLength + 1];
};

// Leading number of a text: white space skipped, an optional sign, then the longest run that
// forms a number; 0 when there is none. Independent of the C locale; reads nothing beyond
// the given text. ugatoi saturates at the limits of int. ugatof accepts decimal numbers with
// an optional fraction and exponent (no hexadecimal, "inf" or "nan"); a number too large for a
// double gives +-HUGE_VAL.
KOBASE_API int ugatoi(const PlxUnicodeString& str);
KOBASE_API int ugatoi(const char16_t* pBegin, const char16_t* pEnd);
KOBASE_API double ugatof(const PlxUnicodeString& str);
KOBASE_API double ugatof(const char16_t* pBegin, const char16_t* pEnd);

}  // namespace KTX
