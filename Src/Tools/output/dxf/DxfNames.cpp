// Names of the DXF document's table entries and blocks.
#include "DxfNames.h"

#include <cstring>

#include "DxfText.h"

namespace mapgis_dxf {

std::string SymbolBlockName(int nSymbol) {
    return "MAPGIS_SYMBOL_" + std::to_string(nSymbol);
}

std::string DxfLayerName(const std::string& strUtf8, int* pnEscaped) {
    std::string strName = strUtf8;
    for (char& c : strName) {
        if (c != '\0' && std::strchr("<>/\\\":;?*|=`", c) != nullptr)
            c = '_';
    }
    if (strName.empty())
        strName = "_";
    const DxfEncodedText encoded = EncodeDxfText(strName);
    *pnEscaped += encoded.nEscaped;
    return encoded.strBytes;
}

}  // namespace mapgis_dxf
