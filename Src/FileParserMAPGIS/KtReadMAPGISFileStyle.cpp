// Lookups in the host's style mapping table: MAPGIS line type, fill pattern and symbol
// numbers, asked for as decimal keys, become host style numbers.
#include "KtReadMAPGISFile.h"

#include <charconv>

namespace KTX {

namespace {

// The group under which the table files MAPGIS symbols.
constexpr char16_t kSymbolGroup[] = u"Custom Symbols";

// Asked once per item: formatting through the host's printf cost an area file 4 % of its read.
PlxUnicodeString DecimalKey(int nNumber) {
    char szDigits[16];
    const int nLength = static_cast<int>(
        std::to_chars(szDigits, szDigits + sizeof szDigits, nNumber).ptr - szDigits);
    char16_t szKey[16];
    for (int i = 0; i < nLength; ++i)
        szKey[i] = static_cast<char16_t>(szDigits[i]);
    return PlxUnicodeString(szKey, nLength);
}

}  // namespace

int KtReadMAPGISFile::LoadStyleMapTable(const PlxUnicodeString& strPath) {
    m_StyMapTable.Close();
    return m_StyMapTable.Open(strPath);
}

int KtReadMAPGISFile::FineLineStyleByID(int nLineStyle) {
    KtLineStyleParam query;
    query.m_strKey = DecimalKey(nLineStyle);
    const KtLineStyleParam* pMapped = m_StyMapTable.GetLineStyle(query, true);
    return pMapped != nullptr ? ugatoi(pMapped->m_strKey) : 0;
}

int KtReadMAPGISFile::FineFillStyleByID(int nFillStyle) {
    KtFillStyleParam query;
    query.m_strKey = DecimalKey(nFillStyle);
    const KtFillStyleParam* pMapped = m_StyMapTable.GetFillStyle(query, true);
    return pMapped != nullptr ? ugatoi(pMapped->m_strKey) : 0;
}

int KtReadMAPGISFile::FineSymbolStyleByID(int nSymbol) {
    KtSymbolParam query;
    query.m_strKey = DecimalKey(nSymbol);
    query.m_strGroup = kSymbolGroup;
    const KtSymbolParam* pMapped = m_StyMapTable.GetSymbolStyle(query, true);
    return pMapped != nullptr ? ugatoi(pMapped->m_strKey) : 0;
}

}  // namespace KTX
