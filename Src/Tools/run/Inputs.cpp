// The inputs of an import: checked, and opened through the MAPGIS driver.
#include "run/Inputs.h"

#include <unistd.h>

#include "cpl_string.h"
#include "cpl_vsi.h"
#include "mapgisdriver.h"
#include "plan/SheetFinder.h"

namespace mapgis_import {

namespace {

// Item positions in the reader's index are 32-bit.
constexpr long long kMaxInputSize = (1LL << 31) - 1;

// The driver's mode: the map layers unless asked otherwise; DXF takes every item through them.
const char* ModeOf(const Arguments& args, const OutputFormat& format) {
    if (args.bTyped)
        return "TYPED";
    return args.bCompound && !format.Traits().bCad ? "COMPOUND" : "MAP";
}

}  // namespace

bool IsReadableFile(const std::string& strPath, std::string* pstrWhy) {
    // Asked of the file system only: opening a FIFO blocks until something writes to it.
    *pstrWhy = mapgis::WhyNotAFile(strPath);
    if (!pstrWhy->empty())
        return false;
    VSIStatBufL sStat;
    if (VSIStatL(strPath.c_str(), &sStat) != 0) {
        *pstrWhy = "no such file";
        return false;
    }
    if (static_cast<long long>(sStat.st_size) > kMaxInputSize) {
        *pstrWhy = std::to_string(static_cast<long long>(sStat.st_size)) +
                   " bytes: files of 2 GiB or more cannot be imported (item positions are "
                   "32-bit)";
        return false;
    }
    if (access(strPath.c_str(), R_OK) != 0) {
        *pstrWhy = "permission denied";
        return false;
    }
    return true;
}

GDALDatasetH OpenInput(const std::string& strPath, const Arguments& args,
                       const OutputFormat& format) {
    CPLStringList aosOpen;
    aosOpen.SetNameValue("MODE", ModeOf(args, format));
    aosOpen.SetNameValue("ENCODING", args.strEncoding.c_str());
    aosOpen.SetNameValue("ACCOUNT", "YES");
    // The plug-in reads on the second core while the writer writes: a line file's import
    // takes a fifth less.
    aosOpen.SetNameValue("READ_AHEAD", "YES");
    aosOpen.SetNameValue("REPAIR", args.bNoRepair ? "NO" : "YES");
    const std::string strColors = !args.strColors.empty() || args.strLibraryDir.empty()
                                      ? args.strColors
                                      : ColorLibraryIn(args.strLibraryDir);
    if (!strColors.empty())
        aosOpen.SetNameValue("COLOR_INDEX", strColors.c_str());
    if (!args.strFontMap.empty())
        aosOpen.SetNameValue("FONT_MAP", args.strFontMap.c_str());
    if (!args.strName.empty())
        aosOpen.SetNameValue("NAME", args.strName.c_str());
    if (!args.strSrs.empty())
        aosOpen.SetNameValue("SRS", args.strSrs.c_str());
    if (!args.strScale.empty())
        aosOpen.SetNameValue("SCALE", args.strScale.c_str());
    if (!args.strOffset.empty())
        aosOpen.SetNameValue("OFFSET", args.strOffset.c_str());
    const char* const apszDrivers[] = {"MAPGIS", nullptr};
    return GDALOpenEx(strPath.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, apszDrivers,
                      aosOpen.List(), nullptr);
}

}  // namespace mapgis_import
