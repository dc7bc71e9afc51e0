#include "CorvaneCore/Rand.h"

#include <MacPlatformTesting.h>

#include <gtest/gtest.h>

#include <vector>

TEST(CRand, DrawsFollowTheR250RecurrenceAndSpreadEvenly) {
    MacPlatformTestSetMicroseconds(true, 1234567);
    CRand rand;
    MacPlatformTestSetMicroseconds(false, 0);
    EXPECT_EQ(rand.GetSeed(), 1235u);
    rand.Seed(1);
    // Word 3 + 7j has bit 31 - j as its highest set bit, so the register has no short cycle.
    for (unsigned int j = 0; j < 32; ++j) {
        EXPECT_EQ(rand.GetTableWord(3 + 7 * j) >> (31 - j), 1u) << j;
    }
    std::vector<std::uint32_t> words;
    for (int i = 0; i < 1000; ++i) {
        words.push_back(rand.Rand());
    }
    for (std::size_t n = 250; n < words.size(); ++n) {
        ASSERT_EQ(words[n], words[n - 250] ^ words[n - 147]) << n;
    }
    rand.Seed(1);
    EXPECT_EQ(rand.Rand(), words[0]) << "seeding again starts the same sequence";

    constexpr int draws = 60000;
    std::vector<int> buckets(6);
    for (int i = 0; i < draws; ++i) {
        std::uint32_t value = rand.RandomRange(6);
        ASSERT_LT(value, 6u);
        ++buckets[value];
    }
    for (int count : buckets) {
        EXPECT_NEAR(count, draws / 6, draws / 60);
    }
    EXPECT_EQ(rand.RandomRange(0), 0u);
    for (bool reservoir : {true, false}) {
        rand.SetBitReservoir(reservoir);
        int ones = 0;
        for (int i = 0; i < draws; ++i) {
            ones += rand.RandomBit() ? 1 : 0;
        }
        EXPECT_NEAR(ones, draws / 2, draws / 50) << reservoir;
    }
}
