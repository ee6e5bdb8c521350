// The GDAL writer an import goes to and what it can hold.
#pragma once

#include <string>
#include <vector>

#include "cli/ImportArguments.h"
#include "cpl_string.h"
#include "gdal.h"
#include "output/FormatTraits.h"
#include "output/SafeOutput.h"

namespace mapgis_import {

struct OutputFormat {
    std::string strName;  // GDAL's short name
    GDALDriverH hDriver = nullptr;
    const FormatTraits* poTraits = nullptr;  // its row of the table
    std::string strExtension;                // of its files, without the dot; may be empty
    bool bCurves = false;                    // keeps arcs and circles as curves
    bool bOneLayer = false;                  // a file holds one layer: several go into a folder
    CPLStringList aosOptions;  // translation options: coordinate system, text encoding

    const FormatTraits& Traits() const { return *poTraits; }
    bool IsDatabase() const { return poTraits->bDatabase; }
};

// Registers the writer of an import to strOutput in strFormat (either may be empty): one of
// the common ones alone, else every driver GDAL has.
void RegisterWriters(const std::string& strFormat, const std::string& strOutput);

// The writer named by -f, else by the output's extension, else GeoPackage, with the options
// the arguments call for; false with the exit code and a message when there is none or the
// arguments do not fit it.
bool ChooseFormat(const Arguments& args, OutputFormat* pFormat, int* pnExit,
                  std::string* pstrError);

// Packs the spatial indexes of the closed output at strPath (a file or a folder of files)
// that the format's writer was told to leave out; false with a message.
bool PackIndexes(const OutputFormat& format, const std::string& strPath, std::string* pstrError);

// What the output at strOutput may replace, or Replacing::Nothing with a message when what is
// there must stay: without --overwrite anything, with it anything but an earlier output (a
// folder of the files of the layers named, a dataset of the format). Checked before a layer
// is written; the move into place checks again.
Replacing MayReplace(const Arguments& args, const OutputFormat& format, bool bFolder,
                     const std::string& strOutput, const std::vector<std::string>& layers,
                     std::string* pstrError);

// Whether an archive's sheets can go into one dataset of the format as the arguments ask;
// false with a message.
bool MergeFits(const Arguments& args, const OutputFormat& format, std::string* pstrError);

// The first input with the writer's extension; without the extension when it is a folder.
std::string DefaultOutput(const std::string& strInput, const OutputFormat& format, bool bFolder);

}  // namespace mapgis_import
