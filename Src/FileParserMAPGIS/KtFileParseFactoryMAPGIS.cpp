#include "KtFileParseFactoryMAPGIS.h"

#include <new>

#include "KtFileParserMapGis.h"

namespace KTX {

KtFileParseFactoryMAPGIS::~KtFileParseFactoryMAPGIS() = default;

KtFileParser* KtFileParseFactoryMAPGIS::CreateFileParser(int nFileType) const {
    if (nFileType != kMapGisFileType)
        return nullptr;
    return new (std::nothrow) KtFileParserMapGis();
}

void KtFileParseFactoryMAPGIS::GetSupportFileTypes(PlxArray<int>& arrTypes) const {
    arrTypes.RemoveAll();
    arrTypes.Add(kMapGisFileType);
}

void KtFileParseFactoryMAPGIS::GetSupportFileExtNames(
    PlxArray<PlxUnicodeString>& arrExtNames) const {
    arrExtNames.RemoveAll();
    arrExtNames.Add(PlxUnicodeString(u".wat"));
    arrExtNames.Add(PlxUnicodeString(u".wal"));
    arrExtNames.Add(PlxUnicodeString(u".wap"));
}

int KtFileParseFactoryMAPGIS::ExtNameToFileType(const PlxUnicodeString& strExtName) const {
    PlxUnicodeString strExt = strExtName;
    strExt.TrimLeft(u".");
    for (const char16_t* pszKnown : {u"wat", u"wal", u"wap", u"wan"}) {
        if (strExt.CompareNoCase(pszKnown) == 0)
            return kMapGisFileType;
    }
    return 0;
}

PlxUnicodeString KtFileParseFactoryMAPGIS::FileTypeToExtName(int nFileType) const {
    if (nFileType != kMapGisFileType)
        return PlxUnicodeString();
    return PlxUnicodeString(u".wat;.wal;.wap;.wan;");
}

PlxUnicodeString KtFileParseFactoryMAPGIS::GetName() const {
    return PlxUnicodeString();
}

}  // namespace KTX
