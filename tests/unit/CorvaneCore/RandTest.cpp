#include "CorvaneCore/Rand.h"

#include <MacPlatformTesting.h>

#include <gtest/gtest.h>

#include <vector>

TEST(CRand, SharedTables) {
    CRand rand;
    for (unsigned int i = 0; i < 250; ++i) {
        EXPECT_EQ(CRand::R250IncrementTable[i], (i + 1) % 250);
    }
    for (unsigned int i = 250; i < 256; ++i) {
        EXPECT_EQ(CRand::R250IncrementTable[i], 0u);
    }
    EXPECT_EQ(CRand::BitSetTable[0], 0u);
    EXPECT_EQ(CRand::BitSetTable[1], 1u);
    EXPECT_EQ(CRand::BitSetTable[2], 2u);
    EXPECT_EQ(CRand::BitSetTable[3], 2u);
    EXPECT_EQ(CRand::BitSetTable[4], 3u);
    EXPECT_EQ(CRand::BitSetTable[7], 3u);
    EXPECT_EQ(CRand::BitSetTable[127], 7u);
    EXPECT_EQ(CRand::BitSetTable[128], 8u);
    EXPECT_EQ(CRand::BitSetTable[255], 8u);
}

TEST(CRand, SeedingFillsTheTableFromTheCongruentialGenerator) {
    CRand rand;
    rand.Seed(1);
    EXPECT_EQ(rand.GetSeed(), 1u);
    EXPECT_EQ(rand.GetIndex(), 0u);
    EXPECT_EQ(rand.GetSecondIndex(), 103u);
    // The last word comes first: (1 * 1103515245 + 12345) >> 16.
    EXPECT_EQ(rand.GetTableWord(249), 16838u);
    std::uint32_t state = 1103527590u;
    EXPECT_EQ(rand.GetTableWord(248),
              static_cast<std::uint32_t>((std::uint64_t{state} * 1103515245u + 12345u) >> 16));
    // Word 3 + 7j has bit 31 - j set and every bit above it clear.
    for (unsigned int j = 0; j < 32; ++j) {
        std::uint32_t word = rand.GetTableWord(3 + 7 * j);
        EXPECT_NE(word & (0x80000000u >> j), 0u) << j;
        EXPECT_EQ(word & ~(0xFFFFFFFFu >> j), 0u) << j;
    }

    CRand other;
    other.Seed(1);
    rand.Rand();
    rand.Seed(1);
    EXPECT_EQ(other.GetLCGState(), rand.GetLCGState());
    for (unsigned int i = 0; i < CRand::TABLE_SIZE; ++i) {
        ASSERT_EQ(other.GetTableWord(i), rand.GetTableWord(i)) << i;
    }
}

TEST(CRand, ConstructionSeedsFromTheClock) {
    MacPlatformTestSetMicroseconds(true, 1234567);
    CRand rand;
    MacPlatformTestSetMicroseconds(false, 0);
    EXPECT_EQ(rand.GetSeed(), 1235u);
}

TEST(CRand, DrawsFollowTheR250Recurrence) {
    CRand rand;
    rand.Seed(20240601);
    std::vector<std::uint32_t> words;
    for (int i = 0; i < 1000; ++i) {
        words.push_back(rand.Rand());
    }
    for (std::size_t n = 250; n < words.size(); ++n) {
        ASSERT_EQ(words[n], words[n - 250] ^ words[n - 147]) << n;
    }
    // After a whole turn both indexes are back where seeding put them.
    CRand turn;
    turn.Seed(5);
    for (int i = 0; i < 250; ++i) {
        turn.Rand();
    }
    EXPECT_EQ(turn.GetIndex(), 0u);
    EXPECT_EQ(turn.GetSecondIndex(), 103u);
}

TEST(CRand, RangeAndBitDrawsAreEvenlySpread) {
    CRand rand;
    rand.Seed(99);
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
    EXPECT_EQ(rand.RandomRange(1), 0u);
    std::uint32_t big = rand.RandomRange(0xFFFFFFFFu);
    EXPECT_LT(big, 0xFFFFFFFFu);

    for (bool reservoir : {true, false}) {
        rand.SetBitReservoir(reservoir);
        int ones = 0;
        for (int i = 0; i < draws; ++i) {
            ones += rand.RandomBit() ? 1 : 0;
        }
        EXPECT_NEAR(ones, draws / 2, draws / 50) << reservoir;
    }
}

TEST(CRand, GlobalGeneratorsAreSeeded) {
    // Built at start-up: seeding leaves the diagonal bit of word 3 set.
    EXPECT_NE(LocalRand.GetTableWord(3) & 0x80000000u, 0u);
    EXPECT_NE(NetRand.GetTableWord(3) & 0x80000000u, 0u);
}
