#include "PlxLargeBlock.h"

#include <sys/mman.h>

#include <cstdlib>

namespace KTX {

void* PlxAllocLargeBlock() noexcept {
    void* p = nullptr;
    if (posix_memalign(&p, kPlxLargeBlockBytes, kPlxLargeBlockBytes) != 0)
        return nullptr;
    madvise(p, kPlxLargeBlockBytes, MADV_HUGEPAGE);  // advice only: it may be refused
    return p;
}

void PlxFreeLargeBlock(void* p) noexcept {
    std::free(p);
}

}  // namespace KTX
