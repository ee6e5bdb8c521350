#include "tagFileIndex.h"

#include <new>

#include "KtIndexRecordPool.h"

namespace KTX {

static_assert(sizeof(tagFileIndex) == indexpool::kRecordSize,
              "plain index records fill the pool's slots exactly");

void* tagFileIndex::operator new(std::size_t nSize) {
    return nSize == indexpool::kRecordSize ? indexpool::Allocate() : ::operator new(nSize);
}

void* tagFileIndex::operator new(std::size_t nSize, const std::nothrow_t&) noexcept {
    return nSize == indexpool::kRecordSize ? indexpool::AllocateNoThrow()
                                           : ::operator new(nSize, std::nothrow);
}

void tagFileIndex::operator delete(void* p, std::size_t nSize) noexcept {
    if (nSize == indexpool::kRecordSize)
        indexpool::Free(p);
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
