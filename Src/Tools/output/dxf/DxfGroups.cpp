// Group code and value pairs of an ASCII DXF file.
#include "DxfGroups.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace mapgis_dxf {

std::string FormatDxfReal(double dfValue) {
    if (!std::isfinite(dfValue))
        return "0.0";
    // Fifteen significant digits, the most a double keeps exactly, and no more than ten
    // decimals.
    const double dfMagnitude = std::fabs(dfValue);
    const int nIntDigits = dfMagnitude >= 1 ? static_cast<int>(std::log10(dfMagnitude)) + 1 : 0;
    const int nDecimals = std::max(1, std::min(10, 15 - nIntDigits));
    char szBuf[400];
    std::snprintf(szBuf, sizeof(szBuf), "%.*f", nDecimals, dfValue);
    std::string strText(szBuf);
    const size_t nPoint = strText.find('.');
    size_t nEnd = strText.find_last_not_of('0');
    if (nEnd == nPoint)
        ++nEnd;  // keep one decimal
    strText.erase(nEnd + 1);
    if (strText == "-0.0")
        return "0.0";
    return strText;
}

std::string FormatDxfHandle(unsigned nHandle) {
    char szBuf[16];
    std::snprintf(szBuf, sizeof(szBuf), "%X", nHandle);
    return szBuf;
}

void DxfGroups::Text(int nCode, const std::string& strValue) {
    char szCode[16];
    std::snprintf(szCode, sizeof(szCode), "%3d\n", nCode);
    m_strText += szCode;
    m_strText += strValue;
    m_strText += '\n';
}

void DxfGroups::Real(int nCode, double dfValue) {
    Text(nCode, FormatDxfReal(dfValue));
}

void DxfGroups::Int(int nCode, long nValue) {
    Text(nCode, std::to_string(nValue));
}

void DxfGroups::Handle(int nCode, unsigned nHandle) {
    Text(nCode, FormatDxfHandle(nHandle));
}

void DxfGroups::Point(int nCode, double dfX, double dfY) {
    Real(nCode, dfX);
    Real(nCode + 10, dfY);
}

void DxfGroups::Point3(int nCode, double dfX, double dfY, double dfZ) {
    Point(nCode, dfX, dfY);
    Real(nCode + 20, dfZ);
}

}  // namespace mapgis_dxf
