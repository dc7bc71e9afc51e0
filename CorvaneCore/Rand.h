// Random numbers of the R250 kind: a 250-word shift-register generator whose table is filled
// by a linear congruential generator and then made linearly independent. Not for secrets.
#pragma once

#include <cstdint>

class CRand {
public:
    // Seeded from the millisecond clock.
    CRand();

    void Seed(std::uint32_t seed);
    void RandomizeSeed();

    // The next word of the R250 sequence: word[n] = word[n - 250] ^ word[n - 147].
    std::uint32_t Rand();
    // Uniform in [0, limit); 0 when limit is 0 or 1.
    std::uint32_t RandomRange(std::uint32_t limit);
    // One random bit. Bits come 31 at a time from one R250 word kept in a reservoir, unless
    // the reservoir is switched off, when every bit costs a word.
    bool RandomBit();
    void SetBitReservoir(bool enabled) { m_Flag = enabled ? 1 : 0; }

    std::uint32_t GetSeed() const { return m_Seed; }
    std::uint32_t GetLCGState() const { return m_LCGState; }
    std::uint32_t GetIndex() const { return m_Index; }
    std::uint32_t GetSecondIndex() const { return m_SecondIndex; }
    std::uint32_t GetTableWord(unsigned int i) const { return m_Table[i % TABLE_SIZE]; }

    static constexpr unsigned int TABLE_SIZE = 250;
    // Entry i is (i + 1) mod 250 below 250 and 0 above: advances an index around the table.
    static std::uint32_t const R250IncrementTable[256];
    // Entry i is the number of significant bits of i; rewritten by every constructor.
    static std::uint32_t BitSetTable[256];

private:
    // Whether RandomBit draws from the reservoir in m_Word.
    std::uint8_t m_Flag;
    // Unused random bits below a marker bit; 0 or 1 means the reservoir is empty.
    std::uint32_t m_Word;
    std::uint32_t m_Seed;
    std::uint32_t m_LCGState;
    std::uint32_t m_Index;
    std::uint32_t m_SecondIndex;
    std::uint32_t m_Table[TABLE_SIZE];
};

// The two process-wide generators, built at start-up after the localized texts.
extern CRand LocalRand;
extern CRand NetRand;
