// Field descriptions of a feature.
#include "PlxFieldInfo.h"

namespace KTX {

int PlxFieldInfos::Find(const PlxUnicodeString& strName) const {
    for (int i = 0; i < GetSize(); ++i) {
        if (GetAt(i).m_strName == strName)
            return i;
    }
    return -1;
}

}  // namespace KTX
