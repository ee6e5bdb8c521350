#include "KtTextStyle.h"

namespace KTX {

void KtTextStyle::Merge(const KtTextStyle& other) {
    if (other.IsSet(ForeColorSet))
        m_crFore = other.m_crFore;
    if (other.IsSet(WidthSet))
        m_dWidth = other.m_dWidth;
    if (other.IsSet(HeightSet))
        m_dHeight = other.m_dHeight;
    if (other.IsSet(FaceNameSet))
        m_strFace = other.m_strFace;
    if (other.IsSet(ItalicSet))
        m_bItalic = other.m_bItalic;
    m_nSet |= other.m_nSet;
}

}  // namespace KTX
