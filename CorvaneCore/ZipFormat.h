// Record layout of the zip format as this library reads and writes it: the signatures, the
// fixed record sizes and little-endian field access. Fields are decoded byte by byte so that
// the code does not depend on the host's byte order or on structure packing.
#pragma once

#include <cstdint>

namespace ZipFormat {

constexpr std::uint32_t LOCAL_HEADER_SIGNATURE = 0x04034b50;
constexpr std::uint32_t CENTRAL_HEADER_SIGNATURE = 0x02014b50;
constexpr std::uint32_t END_SIGNATURE = 0x06054b50;
// A second end-record signature; archives whose members were appended by this library carry it.
constexpr std::uint32_t ALTERNATIVE_END_SIGNATURE = 0x06055643;

constexpr std::uint32_t SIGNATURE_SIZE = 4;
constexpr std::uint32_t LOCAL_HEADER_SIZE = 30;
constexpr std::uint32_t CENTRAL_HEADER_SIZE = 46;
constexpr std::uint32_t END_RECORD_SIZE = 22;
// The parts of each record that follow its signature.
constexpr std::uint32_t LOCAL_HEADER_BODY_SIZE = LOCAL_HEADER_SIZE - SIGNATURE_SIZE;
constexpr std::uint32_t CENTRAL_HEADER_BODY_SIZE = CENTRAL_HEADER_SIZE - SIGNATURE_SIZE;
constexpr std::uint32_t END_RECORD_BODY_SIZE = END_RECORD_SIZE - SIGNATURE_SIZE;

// Offsets inside the local header body (after its signature).
constexpr unsigned LOCAL_NAME_LENGTH = 22;
constexpr unsigned LOCAL_EXTRA_LENGTH = 24;

// Offsets inside the end record body (after its signature).
constexpr unsigned END_ENTRIES_ON_DISK = 4;
constexpr unsigned END_TOTAL_ENTRIES = 6;
constexpr unsigned END_DIRECTORY_SIZE = 8;
constexpr unsigned END_DIRECTORY_OFFSET = 12;

// General purpose flag: sizes and CRC follow the data in a descriptor. This library never
// writes descriptors, so a member it rewrites must not claim one.
constexpr std::uint16_t FLAG_DATA_DESCRIPTOR = 0x0008;

// The directory offset of an end record that does not know where its directory starts.
constexpr std::uint32_t UNKNOWN_OFFSET = 0xFFFFFFFF;
// Entry counts are 16-bit in the end record.
constexpr std::uint32_t MAX_ENTRIES = 0xFFFF;

inline bool IsEndSignature(std::uint32_t signature) {
    return signature == END_SIGNATURE || signature == ALTERNATIVE_END_SIGNATURE;
}

inline std::uint16_t Get16(unsigned char const* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t Get32(unsigned char const* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline void Put16(unsigned char* p, std::uint16_t value) {
    p[0] = static_cast<unsigned char>(value);
    p[1] = static_cast<unsigned char>(value >> 8);
}

inline void Put32(unsigned char* p, std::uint32_t value) {
    p[0] = static_cast<unsigned char>(value);
    p[1] = static_cast<unsigned char>(value >> 8);
    p[2] = static_cast<unsigned char>(value >> 16);
    p[3] = static_cast<unsigned char>(value >> 24);
}

} // namespace ZipFormat
