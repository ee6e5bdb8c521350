// Group code and value pairs of an ASCII DXF file.
#pragma once

#include <string>

namespace mapgis_dxf {

// A real as DXF readers take it: fixed notation, fifteen significant digits but at most ten
// decimals, trailing zeros trimmed
// but one decimal kept ("12.5", "3.0", "-0.25"); a NaN or infinity, which DXF cannot hold, as 0.
std::string FormatDxfReal(double dfValue);

// A handle as DXF writes it: upper-case hexadecimal without leading zeros.
std::string FormatDxfHandle(unsigned nHandle);

// Appends pairs to a text: the code right-aligned in three columns, then the value, each on
// a line of its own.
class DxfGroups {
public:
    void Text(int nCode, const std::string& strValue);
    void Real(int nCode, double dfValue);
    void Int(int nCode, long nValue);
    void Handle(int nCode, unsigned nHandle);
    // A point: the codes n, n + 10 (and n + 20 with a z).
    void Point(int nCode, double dfX, double dfY);
    void Point3(int nCode, double dfX, double dfY, double dfZ);

    const std::string& Str() const { return m_strText; }

private:
    std::string m_strText;
};

}  // namespace mapgis_dxf
