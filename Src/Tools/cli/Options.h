// The options of mapgis-import, in one table: the parsing of a command line, the option lists
// of --help and of the manual page, and the command line of an archive's workers are all made
// from it.
#pragma once

#include <string>
#include <vector>

#include "cli/ImportArguments.h"

namespace mapgis_import {

// False with a message for a command line that cannot be understood: an unknown option, an
// option without its value, a value given to an option that takes none, a value refused.
bool ParseArguments(const std::vector<std::string>& args, Arguments* pArgs, std::string* pstrError);

// The options as --help lists them.
std::string OptionsHelp();

// The options as the manual page lists them, in roff.
std::string OptionsManPage();

// The options that shape a sheet's import, as they were given, for each worker of an archive;
// the archive's own (folders, jobs, report, merge...) stay with it.
std::vector<std::string> WorkerOptions(const Arguments& args);

}  // namespace mapgis_import
