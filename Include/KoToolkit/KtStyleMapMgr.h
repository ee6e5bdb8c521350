// The style mapping manager: maps foreign line type, fill pattern and symbol numbers to the
// host's style numbers (see KtStyle.h) through a style mapping table file. The file format is
// described in the header comments of Resource/stmg.stt.
#pragma once

#include <memory>

#include "../KoBase/KoBaseExport.h"
#include "../KoBase/PlxUnicodeString.h"

namespace KTX {

// Query and answer records. A query carries the foreign number as decimal text in m_strKey
// (and, for symbols, the symbol group in m_strGroup); an answer carries the host style number
// as decimal text in m_strKey and the table's description in m_strName.
class KtLineStyleParam {
public:
    PlxUnicodeString m_strKey;
    PlxUnicodeString m_strName;
};

class KtFillStyleParam {
public:
    PlxUnicodeString m_strKey;
    PlxUnicodeString m_strName;
};

class KtSymbolParam {
public:
    PlxUnicodeString m_strKey;
    PlxUnicodeString m_strGroup;
    PlxUnicodeString m_strName;
};

class KOBASE_API KtStyleMapMgr {
public:
    KtStyleMapMgr();
    ~KtStyleMapMgr();
    KtStyleMapMgr(const KtStyleMapMgr&) = delete;
    KtStyleMapMgr& operator=(const KtStyleMapMgr&) = delete;

    // Loads a table file (closing the one loaded before). Returns 1 on success, 0 when the
    // file cannot be read or holds a malformed line (nothing is loaded then).
    int Open(const PlxUnicodeString& strPath);
    void Close();
    bool IsOpen() const;

    // The mapping of the query, or null when the table has none (or is closed). With
    // bImport the query's key is a foreign number and the answer a host style; without,
    // the direction is reversed (host style to foreign number). The answer stays valid
    // until the next Open or Close.
    const KtLineStyleParam* GetLineStyle(const KtLineStyleParam& query, bool bImport) const;
    const KtFillStyleParam* GetFillStyle(const KtFillStyleParam& query, bool bImport) const;
    const KtSymbolParam* GetSymbolStyle(const KtSymbolParam& query, bool bImport) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};

}  // namespace KTX
