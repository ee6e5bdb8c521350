// The parser factory of the MAPGIS plug-in: one file type, the MAPGIS exchange files.
#pragma once

#include "KoFileParser/KtFileParseFactory.h"

namespace KTX {

// The file type code under which the host knows MAPGIS exchange files.
inline constexpr int kMapGisFileType = 55;

class KtFileParseFactoryMAPGIS : public KtFileParseFactory {
public:
    KtFileParseFactoryMAPGIS() = default;
    ~KtFileParseFactoryMAPGIS() override;

    // A new parser for kMapGisFileType, owned by the caller; null for any other type.
    KtFileParser* CreateFileParser(int nFileType) const override;
    void GetSupportFileTypes(PlxArray<int>& arrTypes) const override;
    // The extensions offered in the host's file dialogs; ".wan" is accepted but not offered.
    void GetSupportFileExtNames(PlxArray<PlxUnicodeString>& arrExtNames) const override;
    int ExtNameToFileType(const PlxUnicodeString& strExtName) const override;
    PlxUnicodeString FileTypeToExtName(int nFileType) const override;
    PlxUnicodeString GetName() const override;
};

}  // namespace KTX
