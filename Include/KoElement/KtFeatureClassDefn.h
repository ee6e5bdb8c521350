// Definition of a layer: layer type, name, feature count and bound.
#pragma once

#include "../KoBase/KoBaseExport.h"
#include "../KoBase/PlxTypes.h"
#include "../KoBase/PlxUnicodeString.h"

namespace KTX {

// Layer type codes (SetType).
enum KtLayerType : int {
    KTLAYER_POINT = 1,
    KTLAYER_LINE = 3,
    KTLAYER_REGION = 5,
    KTLAYER_TEXT = 7,
    KTLAYER_CAD = 149,
};

class KOBASE_API KtFeatureClassDefn {
public:
    void SetType(int nType) { m_nType = nType; }
    int GetType() const { return m_nType; }
    void SetName(const PlxUnicodeString& strName) { m_strName = strName; }
    const PlxUnicodeString& GetName() const { return m_strName; }
    void SetFeatureCount(int nCount) { m_nFeatureCount = nCount; }
    int GetFeatureCount() const { return m_nFeatureCount; }
    void SetBound(const PlxRect2D& rc) { m_rcBound = rc; }
    const PlxRect2D& GetBound() const { return m_rcBound; }

private:
    int m_nType = 0;
    PlxUnicodeString m_strName;
    int m_nFeatureCount = 0;
    PlxRect2D m_rcBound;
};

}  // namespace KTX
