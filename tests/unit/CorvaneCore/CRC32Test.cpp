#include "CorvaneCore/CRC32.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

unsigned long tableCRC(const std::vector<unsigned char>& bytes) {
    unsigned long value = InitCRC32();
    for (unsigned char b : bytes) {
        value = (value >> 8) ^ crc_32_tab[(value ^ b) & 0xFF];
    }
    return FinishCRC32(value);
}

unsigned long crcOf(std::vector<unsigned char> bytes) {
    return FinishCRC32(UpdateCRC32(InitCRC32(), bytes.data(), bytes.size()));
}

} // namespace

TEST(CRC32, KnownValues) {
    EXPECT_EQ(crcOf({}), 0UL);
    EXPECT_EQ(crcOf({'1', '2', '3', '4', '5', '6', '7', '8', '9'}), 0xCBF43926UL);
    EXPECT_EQ(crcOf({'a', 'b', 'c'}), 0x352441C2UL);
}

TEST(CRC32, FastPathMatchesTableWalkInAnyNumberOfPieces) {
    std::mt19937 random(7);
    std::vector<unsigned char> bytes(100003);
    for (auto& b : bytes) {
        b = static_cast<unsigned char>(random());
    }
    unsigned long whole = crcOf(bytes);
    EXPECT_EQ(whole, tableCRC(bytes));

    for (size_t piece : {1u, 3u, 64u, 4097u}) {
        unsigned long value = InitCRC32();
        for (size_t at = 0; at < bytes.size(); at += piece) {
            size_t n = std::min(piece, bytes.size() - at);
            value = UpdateCRC32(value, bytes.data() + at, n);
        }
        EXPECT_EQ(FinishCRC32(value), whole) << "piece size " << piece;
    }
    unsigned long unchanged = UpdateCRC32(0x12345678UL, bytes.data(), 0);
    EXPECT_EQ(unchanged, 0x12345678UL);
}
