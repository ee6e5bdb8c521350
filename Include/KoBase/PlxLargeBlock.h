// Memory in large blocks that the system may back with huge pages: for tables of a million
// small records, where a page fault for every 4 KiB costs a tenth of a read.
#pragma once

#include <cstddef>

#include "KoBaseExport.h"

namespace KTX {

// The size of every large block: 2 MiB, one huge page of x86-64.
inline constexpr std::size_t kPlxLargeBlockBytes = 2 * 1024 * 1024;

// A block of kPlxLargeBlockBytes aligned to its size, or null when no memory is left. Huge
// pages are asked for, not promised: without them the block has small pages.
KOBASE_API void* PlxAllocLargeBlock() noexcept;
// Returns a block PlxAllocLargeBlock gave; null is ignored.
KOBASE_API void PlxFreeLargeBlock(void* p) noexcept;

}  // namespace KTX
