// Factory through which the host obtains parsers from a parser plug-in. A plug-in library
// exports one function, CreateFileParseFactory, of type PFN_CreateFileParseFactory.
#pragma once

#include "../KoBase/KoBaseExport.h"
#include "../KoBase/PlxArray.h"
#include "../KoBase/PlxUnicodeString.h"
#include "KtFileParser.h"

namespace KTX {

class KOBASE_API KtFileParseFactory {
public:
    KtFileParseFactory() = default;
    virtual ~KtFileParseFactory();

    virtual KtFileParser* CreateFileParser(int nFileType) const = 0;
    virtual void GetSupportFileTypes(PlxArray<int>& arrTypes) const = 0;
    virtual void GetSupportFileExtNames(PlxArray<PlxUnicodeString>& arrExtNames) const = 0;
    virtual int ExtNameToFileType(const PlxUnicodeString& strExtName) const = 0;
    virtual PlxUnicodeString FileTypeToExtName(int nFileType) const = 0;
    virtual PlxUnicodeString GetName() const = 0;
    // Deletes a parser this factory created (null is ignored).
    virtual void DestroyFileParser(KtFileParser* pParser) const;
    // Whether GetSupportFileTypes lists the type.
    virtual bool IsSupportFileType(int nFileType) const;
    // Whether ExtNameToFileType knows the extension.
    virtual bool IsSupportFileExtName(const PlxUnicodeString& strExtName) const;
};

}  // namespace KTX

extern "C" {
typedef KTX::KtFileParseFactory* (*PFN_CreateFileParseFactory)();
}
