// Parameters of an import or export, filled by the host before it opens a parser.
#pragma once

#include "../KoBase/KoBaseExport.h"
#include "../KoBase/PlxTypes.h"
#include "../KoBase/PlxUnicodeString.h"

namespace KTX {

// Import modes (KtImportParams::GetImportMode).
enum KtImportMode : int {
    KTIMPORT_TYPED = 0,  // one layer per geometry kind, without styles
    KTIMPORT_CAD = 1,    // one compound layer keeping every item's style (any non-zero value)
};

class KOBASE_API KtExchangeParams {
public:
    virtual ~KtExchangeParams();

    const PlxUnicodeString& GetFilePathName() const { return m_strFilePathName; }
    void SetFilePathName(const PlxUnicodeString& s) { m_strFilePathName = s; }
    PLXCharset GetImportOrExportCharset() const { return m_eCharset; }
    void SetImportOrExportCharset(PLXCharset e) { m_eCharset = e; }

private:
    PlxUnicodeString m_strFilePathName;
    PLXCharset m_eCharset = PLXCharsetDefault;
};

class KOBASE_API KtImportParams : public KtExchangeParams {
public:
    int GetImportMode() const { return m_nImportMode; }
    void SetImportMode(int n) { m_nImportMode = n; }
    // Name of the destination dataset; the layers are named after it.
    const PlxUnicodeString& GetDestDTName() const { return m_strDestDTName; }
    void SetDestDTName(const PlxUnicodeString& s) { m_strDestDTName = s; }

private:
    int m_nImportMode = KTIMPORT_CAD;
    PlxUnicodeString m_strDestDTName;
};

class KOBASE_API KtMapGisImportParams : public KtImportParams {
public:
    // The MAPGIS colour index file that turns colour numbers into colours; may be empty.
    const PlxUnicodeString& GetColorIndexFilePath() const { return m_strColorIndexFilePath; }
    void SetColorIndexFilePath(const PlxUnicodeString& s) { m_strColorIndexFilePath = s; }

private:
    PlxUnicodeString m_strColorIndexFilePath;
};

class KOBASE_API KtExportParams : public KtExchangeParams {};
class KOBASE_API KtVectorExportParams : public KtExportParams {};

// Projection of a dataset; this host carries none through its file parsers.
class KtPrjCoordSys;

}  // namespace KTX
