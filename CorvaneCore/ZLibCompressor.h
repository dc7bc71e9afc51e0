// CZLibCompressor: zlib's one-call compress2/uncompress, and the container of compressed files:
// a marker byte 1, the compressed length n and the uncompressed length (32-bit, least
// significant byte first), then n bytes of zlib stream. Buffers it hands out belong to the
// caller (delete[]).
#pragma once

class CFile;

class CZLibCompressor {
public:
    // Inflate never expands more than about 1032 times; a container claiming more is damaged,
    // and its claim is refused before anything of that size is allocated.
    static constexpr unsigned long MAX_EXPANSION_RATIO = 1032;
    static constexpr unsigned long MAX_EXPANSION_SLACK = 64;

    // *output receives a buffer of outputSize bytes (null when that memory is not available).
    // True when the input inflates to exactly outputSize bytes.
    static bool Decompress(unsigned char** output, unsigned long outputSize,
                           unsigned char const* input, unsigned long inputSize);
    // The content of a container at the file's position and its length in *outputSize; null
    // when the file does not start with the marker or the container cannot be decompressed.
    static unsigned char* ReadAndDecompress(CFile* file, unsigned* outputSize);
    // *output receives a buffer of input + 1% + 12 bytes; the compressed length, 0 on failure.
    static unsigned long Compress(unsigned char** output, unsigned char const* input,
                                  unsigned long inputSize, unsigned level);
    // Writes one container at the file's position; true when compression succeeded.
    static bool CompressAndWrite(CFile* file, unsigned char const* input, unsigned long inputSize,
                                 unsigned level);
};
