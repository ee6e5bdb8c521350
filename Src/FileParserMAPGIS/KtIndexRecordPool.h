// Storage of the plain index records. A point or line file has one record per item, millions
// in a large file: taken from shared blocks they cost their 16 bytes, not the 32 that the
// general allocator needs for each.
#pragma once

#include <cstddef>

namespace KTX {
namespace indexpool {

// Memory for one record of kRecordSize bytes; throws std::bad_alloc when none is left.
void* Allocate();
// Null when no memory is left.
void* AllocateNoThrow() noexcept;
// Returns a record's memory. The blocks go back to the system once every record taken
// from them is returned, which is when the last layer holding records is destroyed.
void Free(void* p) noexcept;

inline constexpr std::size_t kRecordSize = 16;

}  // namespace indexpool
}  // namespace KTX
