// --style-only: the styles QGIS loads for the inputs opened through the driver.
#include "styles/DriverStyles.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "cpl_conv.h"
#include "cpl_vsi.h"
#include "styles/LayerStyles.h"

namespace mapgis_import {

int WriteDriverStyles(const Arguments& args, std::string* pstrError) {
    std::vector<std::string> written;
    const std::string strStyle = DriverStyle();
    for (const std::string& strInput : args.inputs) {
        const std::string strPath = CPLResetExtension(strInput.c_str(), "qml");
        if (std::find(written.begin(), written.end(), strPath) != written.end())
            continue;
        VSIStatBufL sStat;
        if (VSIStatL(strPath.c_str(), &sStat) == 0 && !args.bOverwrite) {
            *pstrError = strPath + " exists; use --overwrite to replace it";
            return kExitOutput;
        }
        if (!WriteStyleFile(strPath, strStyle, pstrError))
            return kExitOutput;
        written.push_back(strPath);
        if (!args.bQuiet)
            std::printf("%s: the style QGIS loads with %s\n", strPath.c_str(), strInput.c_str());
    }
    return kExitOk;
}

}  // namespace mapgis_import
