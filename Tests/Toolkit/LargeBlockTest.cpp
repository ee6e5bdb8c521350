// Large blocks as the index pools take them: aligned to their size, every byte theirs.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "PlxLargeBlock.h"

namespace {

TEST(LargeBlock, AlignedToItsSizeAndWholly) {
    void* apBlocks[2] = {KTX::PlxAllocLargeBlock(), KTX::PlxAllocLargeBlock()};
    for (void* p : apBlocks) {
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % KTX::kPlxLargeBlockBytes, 0u);
        std::memset(p, static_cast<int>(p == apBlocks[0] ? 0xA5 : 0x5A), KTX::kPlxLargeBlockBytes);
    }
    EXPECT_NE(apBlocks[0], apBlocks[1]);
    // Neither block's bytes overlap the other's.
    const auto* pFirst = static_cast<const unsigned char*>(apBlocks[0]);
    EXPECT_EQ(pFirst[0], 0xA5);
    EXPECT_EQ(pFirst[KTX::kPlxLargeBlockBytes - 1], 0xA5);
    for (void* p : apBlocks)
        KTX::PlxFreeLargeBlock(p);
    KTX::PlxFreeLargeBlock(nullptr);
}

}  // namespace
