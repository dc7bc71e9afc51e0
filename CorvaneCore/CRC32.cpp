#include "CorvaneCore/CRC32.h"

#include <array>
#include <libdeflate.h>

namespace {

constexpr std::array<unsigned long, 256> makeTable() {
    std::array<unsigned long, 256> table{};
    for (unsigned long i = 0; i < 256; ++i) {
        unsigned long value = i;
        for (int bit = 0; bit < 8; ++bit) {
            value = (value & 1) ? (value >> 1) ^ 0xEDB88320UL : value >> 1;
        }
        table[i] = value;
    }
    return table;
}

constexpr std::array<unsigned long, 256> kTable = makeTable();

} // namespace

const unsigned long crc_32_tab[256] = {
#define ROW(i) kTable[i], kTable[i + 1], kTable[i + 2], kTable[i + 3]
    ROW(0),   ROW(4),   ROW(8),   ROW(12),  ROW(16),  ROW(20),  ROW(24),  ROW(28),
    ROW(32),  ROW(36),  ROW(40),  ROW(44),  ROW(48),  ROW(52),  ROW(56),  ROW(60),
    ROW(64),  ROW(68),  ROW(72),  ROW(76),  ROW(80),  ROW(84),  ROW(88),  ROW(92),
    ROW(96),  ROW(100), ROW(104), ROW(108), ROW(112), ROW(116), ROW(120), ROW(124),
    ROW(128), ROW(132), ROW(136), ROW(140), ROW(144), ROW(148), ROW(152), ROW(156),
    ROW(160), ROW(164), ROW(168), ROW(172), ROW(176), ROW(180), ROW(184), ROW(188),
    ROW(192), ROW(196), ROW(200), ROW(204), ROW(208), ROW(212), ROW(216), ROW(220),
    ROW(224), ROW(228), ROW(232), ROW(236), ROW(240), ROW(244), ROW(248), ROW(252),
#undef ROW
};

unsigned long InitCRC32() {
    return 0xFFFFFFFFUL;
}

unsigned long UpdateCRC32(unsigned long crc, unsigned char* data, unsigned long length) {
    // The running value here is the register before the final complement; libdeflate keeps
    // the complemented form, so convert on the way in and out. Its folding with carry-less
    // multiplication gives the same result as the table walk, many times faster.
    if (length == 0) {
        return crc;
    }
    uint32_t finished = static_cast<uint32_t>(~crc);
    finished = libdeflate_crc32(finished, data, length);
    return static_cast<unsigned long>(~finished) & 0xFFFFFFFFUL;
}

unsigned long FinishCRC32(unsigned long crc) {
    return ~crc & 0xFFFFFFFFUL;
}
