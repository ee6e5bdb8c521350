// Description of one attribute field of a feature.
#pragma once

#include "KoBaseExport.h"
#include "PlxArray.h"
#include "PlxUnicodeString.h"

namespace KTX {

// Field type codes (m_nType).
enum PlxFieldType : int {
    PLX_FIELD_INT32 = 100,
    PLX_FIELD_DOUBLE = 101,
    PLX_FIELD_STRING = 102,
};

struct PlxFieldInfo {
    PlxUnicodeString m_strName;
    int m_nType = 0;  // a PlxFieldType
    int m_nSize = 0;  // bytes of a value (4 for PLX_FIELD_INT32); characters for strings
};

class KOBASE_API PlxFieldInfos : public PlxArray<PlxFieldInfo> {
public:
    // Index of the field with that name (exact match), or -1.
    int Find(const PlxUnicodeString& strName) const;
};

}  // namespace KTX
