// Fuzzes the import of one kind of exchange file (MAPGIS_FUZZ_EXT, set per harness) through
// the plug-in's factory, in both import modes.
#include <cstddef>
#include <cstdint>

#include "FuzzImport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    fuzzimport::ImportFuzzedFile(pData, nSize, "input." MAPGIS_FUZZ_EXT);
    return 0;
}
