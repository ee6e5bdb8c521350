// Lookups in the host's style mapping table: MAPGIS line type, fill pattern and symbol
// numbers, asked for as decimal keys, become host style numbers.
#include "KtReadMAPGISFile.h"

namespace KTX {

namespace {

// The group under which the table files MAPGIS symbols.
constexpr char16_t kSymbolGroup[] = u"Custom Symbols";

PlxUnicodeString DecimalKey(int nNumber) {
    PlxUnicodeString strKey;
    strKey.Format(u"%d", nNumber);
    return strKey;
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
