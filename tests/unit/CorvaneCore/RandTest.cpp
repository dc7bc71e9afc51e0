#include "CorvaneCore/Rand.h"

#include <MacPlatformTesting.h>

#include <gtest/gtest.h>

#include <vector>

TEST(CRand, DrawsFollowTheR250RecurrenceAndSpreadEvenly) {
    MacPlatformTestSetMicroseconds(true, 1234567);
    CRand rand;
    MacPlatformTestSetMicroseconds(false, 0);
    EXPECT_EQ(rand.GetSeed(), 1235u);
    std::vector<std::uint32_t> words;
    for (int i = 0; i < 1000; ++i) {
        words.push_back(rand.Rand());
    }
    for (std::size_t n = 250; n < words.size(); ++n) {
        ASSERT_EQ(words[n], words[n - 250] ^ words[n - 147]) << n;
    }
    rand.Seed(1235);
    EXPECT_EQ(rand.Rand(), words[0]) << "seeding again starts the same sequence";
    // Word 3 + 7j has bit 31 - j as its highest set bit, so the register has no short cycle.
    for (unsigned int j = 0; j < 32; ++j) {
        EXPECT_EQ(rand.GetTableWord(3 + 7 * j) >> (31 - j), 1u) << j;
    }
    // Six even buckets, and as many ones as zeros from either bit source.
    std::vector<int> counts(8);
    for (int i = 0; i < 60000; ++i) {
        ++counts[rand.RandomRange(6)];
        rand.SetBitReservoir(i < 30000);
        counts[6 + (i < 30000)] += rand.RandomBit();
    }
    for (int i = 0; i < 8; ++i) {
        EXPECT_NEAR(counts[i], i < 6 ? 10000 : 15000, 1000) << i;
    }
    EXPECT_EQ(rand.RandomRange(0), 0u);
}
