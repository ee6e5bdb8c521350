// Fuzzes the import of .wal files through the plug-in's factory, in both import modes.
#include <cstddef>
#include <cstdint>

#include "FuzzImport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    fuzzimport::ImportFuzzedFile(pData, nSize, "input.wal");
    return 0;
}
