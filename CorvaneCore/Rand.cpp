#include "CorvaneCore/Rand.h"

#include "CorvaneCore/FileUtils.h"

#include <array>

namespace {

constexpr std::array<std::uint32_t, 256> makeIncrementTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        table[i] = i < CRand::TABLE_SIZE ? (i + 1) % CRand::TABLE_SIZE : 0;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> kIncrementTable = makeIncrementTable();

// The number of significant bits of a 32-bit value, a byte at a time.
std::uint32_t significantBits(std::uint32_t value) {
    std::uint32_t bits = 0;
    while (value > 0xFF) {
        value >>= 8;
        bits += 8;
    }
    return bits + CRand::BitSetTable[value];
}

} // namespace

std::uint32_t const CRand::R250IncrementTable[256] = {
#define ROW(i)                                                                                     \
    kIncrementTable[i], kIncrementTable[i + 1], kIncrementTable[i + 2], kIncrementTable[i + 3],    \
        kIncrementTable[i + 4], kIncrementTable[i + 5], kIncrementTable[i + 6],                    \
        kIncrementTable[i + 7]
    ROW(0),   ROW(8),   ROW(16),  ROW(24),  ROW(32),  ROW(40),  ROW(48),  ROW(56),
    ROW(64),  ROW(72),  ROW(80),  ROW(88),  ROW(96),  ROW(104), ROW(112), ROW(120),
    ROW(128), ROW(136), ROW(144), ROW(152), ROW(160), ROW(168), ROW(176), ROW(184),
    ROW(192), ROW(200), ROW(208), ROW(216), ROW(224), ROW(232), ROW(240), ROW(248),
#undef ROW
};

std::uint32_t CRand::BitSetTable[256];

CRand::CRand()
    : m_Flag(1), m_Word(0), m_Seed(0), m_LCGState(0), m_Index(0), m_SecondIndex(0), m_Table{} {
    RandomizeSeed();
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t bits = 0;
        for (std::uint32_t v = i; v != 0; v >>= 1) {
            ++bits;
        }
        BitSetTable[i] = bits;
    }
}

void CRand::RandomizeSeed() {
    Seed(GetSystemTickCount());
}

void CRand::Seed(std::uint32_t seed) {
    m_Seed = seed;
    m_Word = 0;
    m_Index = 0;
    m_SecondIndex = 103;
    std::uint32_t state = seed;
    for (unsigned int i = TABLE_SIZE; i-- > 0;) {
        std::uint64_t next = static_cast<std::uint64_t>(state) * 1103515245u + 12345u;
        m_Table[i] = static_cast<std::uint32_t>(next >> 16);
        state = static_cast<std::uint32_t>(next);
    }
    m_LCGState = state;
    // One word per bit position gets that bit set and every higher bit cleared, so the 32
    // words form a triangular, hence linearly independent, set and the shift register cannot
    // fall into a short cycle.
    for (unsigned int j = 0; j < 32; ++j) {
        std::uint32_t& word = m_Table[3 + 7 * j];
        word &= 0xFFFFFFFFu >> j;
        word |= 0x80000000u >> j;
    }
}

std::uint32_t CRand::Rand() {
    std::uint32_t word = m_Table[m_Index] ^ m_Table[m_SecondIndex];
    m_Table[m_Index] = word;
    m_Index = R250IncrementTable[m_Index];
    m_SecondIndex = R250IncrementTable[m_SecondIndex];
    return word;
}

std::uint32_t CRand::RandomRange(std::uint32_t limit) {
    if (limit <= 1) {
        return 0;
    }
    // Draw just enough bits to cover limit - 1 and reject values past it: unbiased, and fewer
    // than two draws on average.
    std::uint32_t bits = significantBits(limit - 1);
    std::uint32_t mask = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
    for (;;) {
        std::uint32_t value = Rand() & mask;
        if (value < limit) {
            return value;
        }
    }
}

bool CRand::RandomBit() {
    if (!m_Flag) {
        return (Rand() >> 31) != 0;
    }
    if (m_Word <= 1) {
        m_Word = (Rand() >> 1) | 0x80000000u;
    }
    bool bit = (m_Word & 1) != 0;
    m_Word >>= 1;
    return bit;
}
