// Exit status of mapgis-import.
#pragma once

namespace mapgis_import {

// Exit status of the program.
enum ExitCode : int {
    kExitOk = 0,      // done; items the reader refused are reported, not an error
    kExitUsage = 2,   // bad command line
    kExitInput = 3,   // an input (or the colour index file) cannot be read
    kExitOutput = 4,  // the output cannot be written
    kExitSheets = 5,  // an archive: some sheets failed, the others were written
    kExitReport = 6,  // all written, but the --report could not be
};

}  // namespace mapgis_import
