// Style of a text geometry: colour, character size, face and slant.
#pragma once

#include "../KoBase/KoBaseExport.h"
#include "../KoBase/PlxTypes.h"
#include "../KoBase/PlxUnicodeString.h"

namespace KTX {

class KOBASE_API KtTextStyle {
public:
    // Bits of GetSetMask.
    enum : unsigned {
        ForeColorSet = 1u << 0,
        WidthSet = 1u << 1,
        HeightSet = 1u << 2,
        FaceNameSet = 1u << 3,
        ItalicSet = 1u << 4,
    };

    void SetForeColor(PLXCOLOR c) { m_crFore = c, m_nSet |= ForeColorSet; }
    // Character width and height in map units.
    void SetWidth(double d) { m_dWidth = d, m_nSet |= WidthSet; }
    void SetHeight(double d) { m_dHeight = d, m_nSet |= HeightSet; }
    void SetFaceName(const PlxUnicodeString& s) { m_strFace = s, m_nSet |= FaceNameSet; }
    void SetItalic(bool b) { m_bItalic = b, m_nSet |= ItalicSet; }

    // Defaults of members never set: black, size 0, no face name, upright.
    PLXCOLOR GetForeColor() const { return m_crFore; }
    double GetWidth() const { return m_dWidth; }
    double GetHeight() const { return m_dHeight; }
    const PlxUnicodeString& GetFaceName() const { return m_strFace; }
    bool IsItalic() const { return m_bItalic; }

    unsigned GetSetMask() const { return m_nSet; }
    bool IsSet(unsigned nBits) const { return (m_nSet & nBits) == nBits; }

    // Copies the members that `other` has set, keeping the rest.
    void Merge(const KtTextStyle& other);

private:
    PLXCOLOR m_crFore = PLXRGB(0, 0, 0);
    double m_dWidth = 0.0;
    double m_dHeight = 0.0;
    PlxUnicodeString m_strFace;
    bool m_bItalic = false;
    unsigned m_nSet = 0;
};

}  // namespace KTX
