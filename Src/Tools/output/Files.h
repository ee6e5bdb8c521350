// The file system as the import asks it: what is at a path, folders made, a work folder
// beside a target.
#pragma once

#include <string>

namespace mapgis_import {

// Whether a symbolic link is asked about as what it points to, or as the link itself (when a
// name is to be taken or replaced).
enum class Links { Followed, Themselves };

bool IsFolder(const std::string& strPath, Links eLinks = Links::Followed);
bool Exists(const std::string& strPath, Links eLinks = Links::Followed);

// A folder and those above it. Another import making one of them at the same moment is no
// failure: what counts is that the folder is there.
bool MakeFolders(const std::string& strPath);

// The folder a path is in ("." for a bare name).
std::string FolderOf(const std::string& strPath);

// A new hidden folder beside strTarget, ".<target's name><strKind>" and six random characters:
// on the target's file system, so that moving what it holds into place is a rename, and where
// no temp cleaner takes it away. Empty when it cannot be made (errno says why).
std::string MakeFolderBeside(const std::string& strTarget, const std::string& strKind);

}  // namespace mapgis_import
