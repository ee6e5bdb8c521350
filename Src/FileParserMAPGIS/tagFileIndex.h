// The item index record: where an item of an exchange file starts and which identifier it has.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

namespace KTX {

class KtFileStdio;
class KtFeature;

struct tagFileIndex {
    std::int32_t nItemID = 0;   // the item's identifier as written in the file
    std::int32_t nFilePos = 0;  // stream position of the item's first line (low 32 bits)

    tagFileIndex() = default;
    tagFileIndex(std::int32_t nID, std::int32_t nPos) : nItemID(nID), nFilePos(nPos) {}
    virtual ~tagFileIndex() = default;

    // Records come from shared pools by size (they are the bulk of every large index);
    // only those larger than the pools' slots from the general allocator. Records are
    // deleted through their virtual destructor, which hands the right size back here.
    static void* operator new(std::size_t nSize);
    static void* operator new(std::size_t nSize, const std::nothrow_t&) noexcept;
    static void operator delete(void* p, std::size_t nSize) noexcept;

    // A new heap record of the same dynamic type with the same field values.
    virtual tagFileIndex* Clone() const;
    // Reads the item the record describes into the feature; the base record cannot.
    virtual bool ReadData(KtFileStdio* pFile, KtFeature* pFeature, bool bCADMode) const;

protected:
    tagFileIndex(const tagFileIndex&) = default;
    tagFileIndex& operator=(const tagFileIndex&) = default;
};

}  // namespace KTX
