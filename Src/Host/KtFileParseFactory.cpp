#include "KtFileParseFactory.h"

namespace KTX {

KtFileParseFactory::~KtFileParseFactory() = default;

void KtFileParseFactory::DestroyFileParser(KtFileParser* pParser) const {
    delete pParser;
}

bool KtFileParseFactory::IsSupportFileType(int nFileType) const {
    PlxArray<int> arrTypes;
    GetSupportFileTypes(arrTypes);
    for (int nType : arrTypes) {
        if (nType == nFileType)
            return true;
    }
    return false;
}

bool KtFileParseFactory::IsSupportFileExtName(const PlxUnicodeString& strExtName) const {
    return ExtNameToFileType(strExtName) != 0;
}

}  // namespace KTX
