// The style mapping manager. The table file is plain UTF-8 text, one mapping a line:
//   line   <foreign number> <host line style> <description>
//   fill   <foreign number> <host fill style> <description>
//   symbol "<group>" <foreign number> <host marker> <description>
// Blank lines and lines starting with '#' are ignored. Anything else is an error: the whole
// table is refused rather than loaded in part.
#include "KtStyleMapMgr.h"

#include <climits>
#include <deque>
#include <string>
#include <unordered_map>

#include "KtFileStdio.h"
#include "KtLogFile.h"

namespace KTX {

namespace {

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

// A whole decimal integer within the int range, optional minus sign; nothing else.
bool ParseInt(const std::u16string& s, int& nValue) {
    size_t i = (!s.empty() && s[0] == u'-') ? 1 : 0;
    if (i == s.size() || s.size() - i > 10)
        return false;
    long long n = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < u'0' || s[i] > u'9')
            return false;
        n = n * 10 + (s[i] - u'0');
    }
    if (s[0] == u'-')
        n = -n;
    if (n < INT_MIN || n > INT_MAX)
        return false;
    nValue = static_cast<int>(n);
    return true;
}

bool ParseKey(const PlxUnicodeString& strKey, int& nValue) {
    PlxUnicodeString s = strKey;
    s.Trim();
    if (!s.IsEmpty() && s[0] == u'+')
        s = s.Mid(1);
    return ParseInt(s.Str(), nValue);
}

PlxUnicodeString NumberText(int n) {
    return PlxUnicodeString::FromUtf8(std::to_string(n));
}

// Reads the line word by word.
class LineScanner {
public:
    explicit LineScanner(const std::u16string& s) : m_s(s) {}

    bool AtEnd() {
        SkipBlanks();
        return m_i >= m_s.size();
    }
    bool Word(std::u16string& strWord) {
        SkipBlanks();
        const size_t nBegin = m_i;
        while (m_i < m_s.size() && !IsBlank(m_s[m_i]))
            ++m_i;
        strWord = m_s.substr(nBegin, m_i - nBegin);
        return !strWord.empty();
    }
    bool Int(int& nValue) {
        std::u16string strWord;
        return Word(strWord) && ParseInt(strWord, nValue);
    }
    // A non-empty text between double quotes.
    bool Quoted(std::u16string& strText) {
        SkipBlanks();
        if (m_i >= m_s.size() || m_s[m_i] != u'"')
            return false;
        const size_t nClose = m_s.find(u'"', m_i + 1);
        if (nClose == std::u16string::npos || nClose == m_i + 1)
            return false;
        strText = m_s.substr(m_i + 1, nClose - m_i - 1);
        m_i = nClose + 1;
        return m_i >= m_s.size() || IsBlank(m_s[m_i]);
    }
    std::u16string Rest() {
        SkipBlanks();
        size_t nEnd = m_s.size();
        while (nEnd > m_i && IsBlank(m_s[nEnd - 1]))
            --nEnd;
        return m_s.substr(m_i, nEnd - m_i);
    }

private:
    void SkipBlanks() {
        while (m_i < m_s.size() && IsBlank(m_s[m_i]))
            ++m_i;
    }

    const std::u16string& m_s;
    size_t m_i = 0;
};

// One kind of mapping. Both answers of a mapping are kept ready so that a lookup returns a
// pointer into the table; the deque keeps them at their addresses while the table grows.
template <class Param>
struct MappingTable {
    struct Entry {
        Param toHost;     // answer of an import query
        Param toForeign;  // answer of an export query
    };
    std::deque<Entry> entries;
    std::unordered_map<int, size_t> byForeign;
    std::unordered_map<int, size_t> byHost;

    bool Add(int nForeign, int nHost, const PlxUnicodeString& strName) {
        if (byForeign.count(nForeign) != 0)
            return false;  // one meaning per number
        Entry e;
        e.toHost.m_strKey = NumberText(nHost);
        e.toHost.m_strName = strName;
        e.toForeign.m_strKey = NumberText(nForeign);
        e.toForeign.m_strName = strName;
        entries.push_back(std::move(e));
        byForeign.emplace(nForeign, entries.size() - 1);
        byHost.emplace(nHost, entries.size() - 1);  // the first mapping of a host number wins
        return true;
    }
    const Param* Find(const PlxUnicodeString& strKey, bool bImport) const {
        int n = 0;
        if (!ParseKey(strKey, n))
            return nullptr;
        const auto& index = bImport ? byForeign : byHost;
        const auto it = index.find(n);
        if (it == index.end())
            return nullptr;
        const Entry& e = entries[it->second];
        return bImport ? &e.toHost : &e.toForeign;
    }
};

}  // namespace

struct KtStyleMapMgr::Impl {
    bool bOpen = false;
    MappingTable<KtLineStyleParam> lines;
    MappingTable<KtFillStyleParam> fills;
    std::unordered_map<std::u16string, MappingTable<KtSymbolParam>> symbols;  // by group
    std::unordered_map<int, const KtSymbolParam*> symbolByHost;  // export queries of any group

    bool ParseLine(const std::u16string& strLine) {
        LineScanner scan(strLine);
        if (scan.AtEnd())
            return true;
        std::u16string strKind;
        scan.Word(strKind);
        if (strKind[0] == u'#')
            return true;
        std::u16string strGroup;
        if (strKind == u"symbol" && !scan.Quoted(strGroup))
            return false;
        int nForeign = 0;
        int nHost = 0;
        if (!scan.Int(nForeign) || !scan.Int(nHost))
            return false;
        const PlxUnicodeString strName(scan.Rest());
        if (strKind == u"line")
            return lines.Add(nForeign, nHost, strName);
        if (strKind == u"fill")
            return fills.Add(nForeign, nHost, strName);
        if (strKind != u"symbol")
            return false;
        MappingTable<KtSymbolParam>& table = symbols[strGroup];
        if (!table.Add(nForeign, nHost, strName))
            return false;
        table.entries.back().toHost.m_strGroup = PlxUnicodeString(strGroup);
        table.entries.back().toForeign.m_strGroup = PlxUnicodeString(strGroup);
        symbolByHost.emplace(nHost, &table.entries.back().toForeign);
        return true;
    }
};

KtStyleMapMgr::KtStyleMapMgr() : m_pImpl(std::make_unique<Impl>()) {}

KtStyleMapMgr::~KtStyleMapMgr() = default;

int KtStyleMapMgr::Open(const PlxUnicodeString& strPath) {
    Close();
    KtFileStdio file;
    if (!file.Open(strPath, KTFILE_READ, 8192, PLXCharsetUTF8))
        return 0;
    auto pNew = std::make_unique<Impl>();
    PlxUnicodeString strLine;
    int nLine = 0;
    while (file.ReadLine(strLine)) {
        ++nLine;
        if (!pNew->ParseLine(strLine.Str())) {
            PlxUnicodeString strMessage;
            strMessage.Format(
                u"Style mapping table %s, line %d: not a valid mapping; no "
                u"style is mapped.",
                strPath.ToUtf8().c_str(), nLine);
            KtLogFile::GetInstance(false)->RecordLog(KTLOG_WARNING, strMessage, u"KtStyleMapMgr",
                                                     nLine);
            return 0;
        }
    }
    pNew->bOpen = true;
    m_pImpl = std::move(pNew);
    return 1;
}

void KtStyleMapMgr::Close() {
    m_pImpl = std::make_unique<Impl>();
}

bool KtStyleMapMgr::IsOpen() const {
    return m_pImpl->bOpen;
}

const KtLineStyleParam* KtStyleMapMgr::GetLineStyle(const KtLineStyleParam& query,
                                                    bool bImport) const {
    return m_pImpl->lines.Find(query.m_strKey, bImport);
}

const KtFillStyleParam* KtStyleMapMgr::GetFillStyle(const KtFillStyleParam& query,
                                                    bool bImport) const {
    return m_pImpl->fills.Find(query.m_strKey, bImport);
}

const KtSymbolParam* KtStyleMapMgr::GetSymbolStyle(const KtSymbolParam& query, bool bImport) const {
    const Impl& d = *m_pImpl;
    if (!bImport && query.m_strGroup.IsEmpty()) {
        int n = 0;
        if (!ParseKey(query.m_strKey, n))
            return nullptr;
        const auto it = d.symbolByHost.find(n);
        return it == d.symbolByHost.end() ? nullptr : it->second;
    }
    const auto it = d.symbols.find(query.m_strGroup.Str());
    return it == d.symbols.end() ? nullptr : it->second.Find(query.m_strKey, bImport);
}

}  // namespace KTX
