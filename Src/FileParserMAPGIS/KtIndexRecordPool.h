// Storage of the index records. A large file has one record per item, millions of them:
// taken from shared blocks they cost their own size, not that plus the general allocator's
// 16 bytes each. Records of up to kMaxPooledSize bytes are pooled, in size classes of 16.
#pragma once

#include <cstddef>

namespace KTX {
namespace indexpool {

inline constexpr std::size_t kSizeClass = 16;
inline constexpr std::size_t kMaxPooledSize = 64;

constexpr bool IsPooled(std::size_t nSize) {
    return nSize > 0 && nSize <= kMaxPooledSize;
}

// Memory for one record of nSize bytes (IsPooled); throws std::bad_alloc when none is left.
void* Allocate(std::size_t nSize);
// Null when no memory is left.
void* AllocateNoThrow(std::size_t nSize) noexcept;
// Returns a record's memory, with the size it was taken with. Once every record of a size
// class is returned (when the last layer holding such records is destroyed), its blocks go
// back to the system but the newest when it is a small one, kept for the next records.
void Free(void* p, std::size_t nSize) noexcept;

}  // namespace indexpool
}  // namespace KTX
