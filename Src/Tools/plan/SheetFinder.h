// The sheets of an archive: the exchange files under the folders given, grouped by folder and
// title (1.wat, 1.wal and 1.wap of one folder are sheet 1), with the colour index file found
// beside them, else the colour library (Pcolor.lib) beside them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "cli/ImportArguments.h"

namespace mapgis_import {

struct Sheet {
    size_t iRoot = 0;                // the root it was found under
    std::string strFolder;           // relative to the root it was found under ("" for the root)
    std::string strTitle;            // the files' name without extension
    std::vector<std::string> files;  // in name order
    std::string strColors;           // the colour index or library beside the sheet, or empty
    std::string strColorsNote;       // why none was taken, when there were candidates
};

// Finds the sheets under the roots (folders; with bRecursive their subfolders too, a folder
// reached twice through symbolic links walked once), in path order; false with a message
// when a root cannot be read.
bool FindSheets(const std::vector<std::string>& roots, bool bRecursive, std::vector<Sheet>* pSheets,
                std::string* pstrError);

// Whether the name has the extension of an exchange file (.wat, .wal, .wap, .wan).
bool IsExchangeFile(const std::string& strName);

// Whether the file is a colour index file the import takes (mapgis::CheckColorSource): a
// regular file, never opened otherwise. A colour library is not one.
bool LooksLikeColorIndex(const std::string& strPath);

// The colour library in a folder: its file named Pcolor.lib in any case that is one; empty
// when there is none.
std::string ColorLibraryIn(const std::string& strFolder);

// Whether --slib names a folder with a colour library and --font-map a well-formed table;
// false with a message.
bool CheckStyleSources(const Arguments& args, std::string* pstrError);

}  // namespace mapgis_import
