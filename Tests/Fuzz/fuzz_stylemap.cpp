// Fuzzes the host's style mapping table: loading a table file and asking it for line, fill
// and symbol mappings in both directions.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "KoBase/KtLogFile.h"
#include "KoToolkit/KtStyleMapMgr.h"

namespace {

const char16_t* const kGroups[] = {u"Custom Symbols", u"Other Library", u""};

// Queries one key in every kind and direction; a closed manager answers nothing.
void Query(const KTX::KtStyleMapMgr& mgr, const KTX::PlxUnicodeString& strKey) {
    for (bool bImport : {true, false}) {
        KTX::KtLineStyleParam line;
        line.m_strKey = strKey;
        const bool bLine = mgr.GetLineStyle(line, bImport) != nullptr;
        KTX::KtFillStyleParam fill;
        fill.m_strKey = strKey;
        const bool bFill = mgr.GetFillStyle(fill, bImport) != nullptr;
        bool bSymbol = false;
        for (const char16_t* pszGroup : kGroups) {
            KTX::KtSymbolParam symbol;
            symbol.m_strKey = strKey;
            symbol.m_strGroup = pszGroup;
            const KTX::KtSymbolParam* pAnswer = mgr.GetSymbolStyle(symbol, bImport);
            if (pAnswer != nullptr)
                pAnswer->m_strKey.ToUtf8();
            bSymbol = bSymbol || pAnswer != nullptr;
        }
        if (!mgr.IsOpen())
            fuzzinput::Require(!bLine && !bFill && !bSymbol, "a closed table maps nothing");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    const std::string strPath = fuzzinput::WriteTempFile("stmg.stt", pData, nSize);
    KTX::KtStyleMapMgr mgr;
    const int nOpened = mgr.Open(KTX::PlxUnicodeString::FromUtf8(strPath));
    fuzzinput::Require(nOpened == 0 || nOpened == 1, "Open answers 1 or 0");
    fuzzinput::Require((nOpened == 1) == mgr.IsOpen(), "a refused table leaves the manager closed");
    for (int n = -3; n <= 40; ++n)
        Query(mgr, KTX::PlxUnicodeString::FromUtf8(std::to_string(n)));
    // Keys as the file spells them: every word of its first lines, odd texts included.
    const std::string strText(reinterpret_cast<const char*>(pData), nSize < 512 ? nSize : 512);
    std::size_t nStart = 0;
    while (nStart < strText.size()) {
        std::size_t nEnd = strText.find_first_of(" \t\r\n", nStart);
        if (nEnd == std::string::npos)
            nEnd = strText.size();
        if (nEnd > nStart)
            Query(mgr, KTX::PlxUnicodeString::FromUtf8(strText.substr(nStart, nEnd - nStart)));
        nStart = nEnd + 1;
    }
    mgr.Close();
    fuzzinput::Require(!mgr.IsOpen(), "Close closes");
    // A refused table is logged, and the log keeps its records in memory.
    KTX::KtLogFile::GetInstance(true);
    return 0;
}
