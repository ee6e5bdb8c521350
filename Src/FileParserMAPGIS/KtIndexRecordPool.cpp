#include "KtIndexRecordPool.h"

#include <mutex>
#include <new>

namespace KTX {
namespace indexpool {

namespace {

constexpr std::size_t kRecordsPerBlock = 4096;

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
        if (m_pBlocks == nullptr || m_nFreshFrom == kRecordsPerBlock) {
            auto* pBlock = static_cast<Block*>(::operator new(sizeof(Block), std::nothrow));
            if (pBlock == nullptr)
                return nullptr;
            pBlock->pNext = m_pBlocks;
            m_pBlocks = pBlock;
            m_nFreshFrom = 0;
        }
        ++m_nLive;
        return &m_pBlocks->slots[m_nFreshFrom++];
    }

    void Give(void* p) {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto* pSlot = static_cast<Slot*>(p);
        pSlot->pNext = m_pFree;
        m_pFree = pSlot;
        if (--m_nLive != 0)
            return;
        // Every record is back: all blocks but the newest go to the system, and that one
        // starts afresh, so a layer that makes and drops records one by one reuses it.
        Block* pOlder = m_pBlocks->pNext;
        while (pOlder != nullptr) {
            Block* pNext = pOlder->pNext;
            ::operator delete(pOlder);
            pOlder = pNext;
        }
        m_pBlocks->pNext = nullptr;
        m_pFree = nullptr;
        m_nFreshFrom = 0;
    }

private:
    union Slot {
        Slot* pNext;  // while free
        alignas(std::max_align_t) unsigned char bytes[kSlotSize];
    };
    struct Block {
        Block* pNext;
        Slot slots[kRecordsPerBlock];
    };

    std::mutex m_mutex;
    Block* m_pBlocks = nullptr;    // newest first
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
