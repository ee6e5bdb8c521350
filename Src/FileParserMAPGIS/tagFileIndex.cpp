#include "tagFileIndex.h"

#include <new>

#include "KtIndexRecordPool.h"

namespace KTX {

void* tagFileIndex::operator new(std::size_t nSize) {
    return indexpool::IsPooled(nSize) ? indexpool::Allocate(nSize) : ::operator new(nSize);
}

void* tagFileIndex::operator new(std::size_t nSize, const std::nothrow_t&) noexcept {
    return indexpool::IsPooled(nSize) ? indexpool::AllocateNoThrow(nSize)
                                      : ::operator new(nSize, std::nothrow);
}

void tagFileIndex::operator delete(void* p, std::size_t nSize) noexcept {
    if (indexpool::IsPooled(nSize))
        indexpool::Free(p, nSize);
    else
        ::operator delete(p);
}

tagFileIndex* tagFileIndex::Clone() const {
    return new (std::nothrow) tagFileIndex(nItemID, nFilePos);
}

bool tagFileIndex::ReadData(KtFileStdio* /*pFile*/, KtFeature* /*pFeature*/,
                            bool /*bCADMode*/) const {
    return false;
}

}  // namespace KTX
