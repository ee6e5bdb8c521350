// Names of the DXF document's table entries and blocks.
#include "DxfNames.h"

#include <cstring>

#include "DxfText.h"

namespace mapgis_dxf {

std::string SymbolBlockName(int nSymbol) {
    return "MAPGIS_SYMBOL_" + std::to_string(nSymbol);
}

std::string CadLayerName(const std::string& strUtf8) {
    std::string strName = strUtf8;
    for (char& c : strName) {
        if (c != '\0' && std::strchr("<>/\\\":;?*|=`", c) != nullptr)
            c = '_';
    }
    return strName.empty() ? "_" : strName;
}

std::string DxfLayerName(const std::string& strUtf8, int* pnEscaped) {
    const DxfEncodedText encoded = EncodeDxfText(CadLayerName(strUtf8));
    *pnEscaped += encoded.nEscaped;
    return encoded.strBytes;
}

}  // namespace mapgis_dxf
