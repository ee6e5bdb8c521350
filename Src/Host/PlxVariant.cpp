// Field values and their conversions.
#include "PlxVariant.h"

#include <charconv>
#include <climits>
#include <cmath>

namespace KTX {

int PlxVariant::ToInt() const {
    switch (m_eType) {
        case Int32:
            return m_nValue;
        case Double:
            if (std::isnan(m_dValue))
                return 0;
            if (m_dValue >= static_cast<double>(INT_MAX))
                return INT_MAX;
            if (m_dValue <= static_cast<double>(INT_MIN))
                return INT_MIN;
            return static_cast<int>(m_dValue);
        case String:
            return ugatoi(m_str);
        case Null:
            break;
    }
    return 0;
}

double PlxVariant::ToDouble() const {
    switch (m_eType) {
        case Int32:
            return m_nValue;
        case Double:
            return m_dValue;
        case String:
            return ugatof(m_str);
        case Null:
            break;
    }
    return 0.0;
}

PlxUnicodeString PlxVariant::ToString() const {
    char sz[64];
    std::to_chars_result res{sz, std::errc()};
    switch (m_eType) {
        case Int32:
            res = std::to_chars(sz, sz + sizeof sz, m_nValue);
            break;
        case Double:
            // The shortest text that reads back to the same double.
            res = std::to_chars(sz, sz + sizeof sz, m_dValue);
            break;
        case String:
            return m_str;
        case Null:
            break;
    }
    return PlxUnicodeString::FromUtf8(std::string_view(sz, static_cast<size_t>(res.ptr - sz)));
}

bool PlxVariant::operator==(const PlxVariant& o) const {
    if (m_eType != o.m_eType)
        return false;
    switch (m_eType) {
        case Int32:
            return m_nValue == o.m_nValue;
        case Double:
            return m_dValue == o.m_dValue;
        case String:
            return m_str == o.m_str;
        case Null:
            break;
    }
    return true;
}

}  // namespace KTX
