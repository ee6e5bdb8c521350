// Path functions of the host. Paths are UTF-16 here and UTF-8 on the file system.
#pragma once

#include "KoBaseExport.h"
#include "PlxUnicodeString.h"

namespace KTX {

class KOBASE_API KtFile {
public:
    KtFile() = delete;

    // Extension with its dot (".wal"), empty when the file name has none. Only the file name
    // counts: a dot in a folder name is not an extension.
    static PlxUnicodeString GetExt(const PlxUnicodeString& strPath);
    // File name without folder and extension.
    static PlxUnicodeString GetTitle(const PlxUnicodeString& strPath);
    // File name without folder.
    static PlxUnicodeString GetFileName(const PlxUnicodeString& strPath);
    // Folder (with a trailing separator) of the loaded host library of that name ("KoBase",
    // without prefix or suffix); empty when no such library is loaded.
    static PlxUnicodeString GetModulePath(const PlxUnicodeString& strLibraryName);
    // strFolder joined with strRelative; "." and ".." steps of strRelative are resolved.
    // An absolute strRelative is returned as it is.
    static PlxUnicodeString GetAbsolutePath(const PlxUnicodeString& strFolder,
                                            const PlxUnicodeString& strRelative);
    static bool Exists(const PlxUnicodeString& strPath);
};

}  // namespace KTX
