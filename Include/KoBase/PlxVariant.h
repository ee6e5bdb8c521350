// A field value: nothing, a 32-bit integer, a real or a text.
#pragma once

#include <cstdint>

#include "KoBaseExport.h"
#include "PlxUnicodeString.h"

namespace KTX {

class KOBASE_API PlxVariant {
public:
    enum Type : int { Null = 0, Int32 = 1, Double = 2, String = 3 };

    PlxVariant() = default;
    PlxVariant(int nValue) : m_eType(Int32), m_nValue(nValue) {}      // NOLINT: implicit by design
    PlxVariant(double dValue) : m_eType(Double), m_dValue(dValue) {}  // NOLINT
    PlxVariant(const PlxUnicodeString& str) : m_eType(String), m_str(str) {}  // NOLINT

    Type GetType() const { return m_eType; }
    bool IsNull() const { return m_eType == Null; }
    // Conversions: a real is truncated toward zero (saturating), a text is read with
    // ugatoi/ugatof, nothing gives 0.
    int ToInt() const;
    double ToDouble() const;
    PlxUnicodeString ToString() const;

    bool operator==(const PlxVariant& o) const;
    bool operator!=(const PlxVariant& o) const { return !(*this == o); }

private:
    Type m_eType = Null;
    int m_nValue = 0;
    double m_dValue = 0.0;
    PlxUnicodeString m_str;
};

}  // namespace KTX
