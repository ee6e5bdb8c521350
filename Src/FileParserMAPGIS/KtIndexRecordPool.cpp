#include "KtIndexRecordPool.h"

#include <cstddef>
#include <mutex>
#include <new>

#include "KoBase/PlxLargeBlock.h"

namespace KTX {
namespace indexpool {

namespace {

// A pool starts with small blocks; once it holds a large block's worth it takes large
// blocks, which the system may back with huge pages: a file of a million items otherwise
// spent a tenth of its read in page faults, one per 4 KiB of records.
constexpr std::size_t kSmallBlockBytes = 64 * 1024;

void* AllocateBlock(std::size_t nBytes) {
    return nBytes < kPlxLargeBlockBytes ? ::operator new(nBytes, std::nothrow)
                                        : PlxAllocLargeBlock();
}

void FreeBlock(void* p, std::size_t nBytes) {
    if (nBytes < kPlxLargeBlockBytes)
        ::operator delete(p);
    else
        PlxFreeLargeBlock(p);
}

// Shared by every reader of the process; readers may run on several threads at once. Its
// destruction frees nothing, so a record returned late never meets a torn-down pool.
template <std::size_t kSlotSize>
class Pool {
public:
    void* Take() {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_pFree != nullptr) {
            Slot* pSlot = m_pFree;
            m_pFree = pSlot->pNext;
            ++m_nLive;
            return pSlot;
        }
        // Slots never given out are taken from the newest block in order, so a new block
        // costs nothing until its slots are used.
        if (m_pBlocks == nullptr || m_nFreshFrom == m_pBlocks->nSlots) {
            const std::size_t nBytes =
                m_nBlockBytes >= kPlxLargeBlockBytes ? kPlxLargeBlockBytes : kSmallBlockBytes;
            auto* pBlock = static_cast<Block*>(AllocateBlock(nBytes));
            if (pBlock == nullptr)
                return nullptr;
            pBlock->pNext = m_pBlocks;
            pBlock->nBytes = nBytes;
            pBlock->nSlots = (nBytes - kSlotsOffset) / sizeof(Slot);
            m_pBlocks = pBlock;
            m_nBlockBytes += nBytes;
            m_nFreshFrom = 0;
        }
        ++m_nLive;
        return SlotsOf(m_pBlocks) + m_nFreshFrom++;
    }

    void Give(void* p) {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto* pSlot = static_cast<Slot*>(p);
        pSlot->pNext = m_pFree;
        m_pFree = pSlot;
        if (--m_nLive != 0)
            return;
        // Every record is back: the blocks go to the system but the newest small one, which
        // starts afresh, so a layer that makes and drops records one by one reuses it.
        Block* pKept = m_pBlocks->nBytes < kPlxLargeBlockBytes ? m_pBlocks : nullptr;
        Block* pBlock = pKept != nullptr ? pKept->pNext : m_pBlocks;
        while (pBlock != nullptr) {
            Block* pNext = pBlock->pNext;
            FreeBlock(pBlock, pBlock->nBytes);
            pBlock = pNext;
        }
        if (pKept != nullptr)
            pKept->pNext = nullptr;
        m_pBlocks = pKept;
        m_nBlockBytes = pKept != nullptr ? pKept->nBytes : 0;
        m_pFree = nullptr;
        m_nFreshFrom = 0;
    }

private:
    union Slot {
        Slot* pNext;  // while free
        alignas(std::max_align_t) unsigned char bytes[kSlotSize];
    };
    // A block's slots follow its header and fill the rest of its bytes.
    struct Block {
        Block* pNext;
        std::size_t nBytes;
        std::size_t nSlots;
    };
    static constexpr std::size_t kSlotsOffset =
        (sizeof(Block) + alignof(Slot) - 1) / alignof(Slot) * alignof(Slot);
    static Slot* SlotsOf(Block* pBlock) {
        return reinterpret_cast<Slot*>(reinterpret_cast<unsigned char*>(pBlock) + kSlotsOffset);
    }

    std::mutex m_mutex;
    Block* m_pBlocks = nullptr;  // newest first
    std::size_t m_nBlockBytes = 0;
    std::size_t m_nFreshFrom = 0;  // first slot of the newest block never given out
    Slot* m_pFree = nullptr;
    std::size_t m_nLive = 0;
};

Pool<16> g_pool16;
Pool<32> g_pool32;
Pool<48> g_pool48;
Pool<64> g_pool64;

static_assert(kMaxPooledSize == 4 * kSizeClass, "one pool per size class");

void* Take(std::size_t nSize) {
    switch ((nSize + kSizeClass - 1) / kSizeClass) {
        case 1:
            return g_pool16.Take();
        case 2:
            return g_pool32.Take();
        case 3:
            return g_pool48.Take();
        default:
            return g_pool64.Take();
    }
}

}  // namespace

void* Allocate(std::size_t nSize) {
    void* p = Take(nSize);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}

void* AllocateNoThrow(std::size_t nSize) noexcept {
    return Take(nSize);
}

void Free(void* p, std::size_t nSize) noexcept {
    if (p == nullptr)
        return;
    switch ((nSize + kSizeClass - 1) / kSizeClass) {
        case 1:
            g_pool16.Give(p);
            break;
        case 2:
            g_pool32.Give(p);
            break;
        case 3:
            g_pool48.Give(p);
            break;
        default:
            g_pool64.Give(p);
            break;
    }
}

}  // namespace indexpool
}  // namespace KTX
