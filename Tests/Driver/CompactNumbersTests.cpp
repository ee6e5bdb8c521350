// Numbers kept in two bytes while they fit, four from the first that does not: every number
// must read back as added, before and after the widening.
#include <gtest/gtest.h>

#include <vector>

#include "mapgiscompactnumbers.h"

TEST(CompactNumbers, EveryNumberReadsBackAcrossTheWidening) {
    const std::vector<std::uint32_t> kSmall = {0, 7, 0xFFFF, 3};
    const std::vector<std::uint32_t> kAfter = {0x10000, 5, 0xFFFFFFFF, 0xFFFF};
    mapgis::CompactNumbers numbers;
    for (std::uint32_t n : kSmall)
        numbers.Add(n);
    ASSERT_EQ(numbers.Size(), kSmall.size());
    for (size_t i = 0; i < kSmall.size(); ++i)
        EXPECT_EQ(numbers[i], kSmall[i]) << i;
    for (std::uint32_t n : kAfter)
        numbers.Add(n);
    ASSERT_EQ(numbers.Size(), kSmall.size() + kAfter.size());
    for (size_t i = 0; i < kSmall.size(); ++i)
        EXPECT_EQ(numbers[i], kSmall[i]) << i;
    for (size_t i = 0; i < kAfter.size(); ++i)
        EXPECT_EQ(numbers[kSmall.size() + i], kAfter[i]) << i;
    // Wide from the first number on.
    mapgis::CompactNumbers wide;
    wide.Add(70000);
    wide.Add(1);
    ASSERT_EQ(wide.Size(), 2u);
    EXPECT_EQ(wide[0], 70000u);
    EXPECT_EQ(wide[1], 1u);
}
