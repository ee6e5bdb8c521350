#include "KtIndexRecordPool.h"

#include <mutex>
#include <new>

namespace KTX {
namespace indexpool {

namespace {

constexpr std::size_t kRecordsPerBlock = 4096;

union Slot {
    Slot* pNext;  // while free
    alignas(std::max_align_t) unsigned char bytes[kRecordSize];
};

struct Block {
    Block* pNext;
    Slot slots[kRecordsPerBlock];
};

// Shared by every reader of the process; readers may run on several threads at once. Its
// destruction frees nothing, so a record returned late never meets a torn-down pool.
struct Pool {
    std::mutex mutex;
    Block* pBlocks = nullptr;
    Slot* pFree = nullptr;
    std::size_t nLive = 0;

    void* Take() {
        std::lock_guard<std::mutex> lock(mutex);
        if (pFree == nullptr) {
            auto* pBlock = static_cast<Block*>(::operator new(sizeof(Block), std::nothrow));
            if (pBlock == nullptr)
                return nullptr;
            pBlock->pNext = pBlocks;
            pBlocks = pBlock;
            for (std::size_t i = 0; i < kRecordsPerBlock; ++i) {
                pBlock->slots[i].pNext = pFree;
                pFree = &pBlock->slots[i];
            }
        }
        Slot* pSlot = pFree;
        pFree = pSlot->pNext;
        ++nLive;
        return pSlot;
    }

    void Give(void* p) {
        std::lock_guard<std::mutex> lock(mutex);
        auto* pSlot = static_cast<Slot*>(p);
        pSlot->pNext = pFree;
        pFree = pSlot;
        if (--nLive != 0)
            return;
        while (pBlocks != nullptr) {
            Block* pNext = pBlocks->pNext;
            ::operator delete(pBlocks);
            pBlocks = pNext;
        }
        pFree = nullptr;
    }
};

Pool g_pool;

}  // namespace

void* Allocate() {
    void* p = g_pool.Take();
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}

void* AllocateNoThrow() noexcept {
    return g_pool.Take();
}

void Free(void* p) noexcept {
    if (p != nullptr)
        g_pool.Give(p);
}

}  // namespace indexpool
}  // namespace KTX
