#include "CorvaneCore/ZLibCompressor.h"

#include "CorvaneCore/File.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <zlib.h>

namespace {

constexpr unsigned char kMarker = 1;

} // namespace

bool CZLibCompressor::Decompress(unsigned char** output, unsigned long outputSize,
                                 unsigned char const* input, unsigned long inputSize) {
    if (!output) {
        return false;
    }
    *output = new (std::nothrow) unsigned char[outputSize];
    if (!*output || !input) {
        return false;
    }
    uLongf produced = outputSize;
    int result = uncompress(*output, &produced, input, inputSize);
    // A stream that ends early would leave the tail of the buffer unwritten.
    return result >= Z_OK && produced == outputSize;
}

unsigned char* CZLibCompressor::ReadAndDecompress(CFile* file, unsigned* outputSize) {
    if (!file || !outputSize) {
        return nullptr;
    }
    unsigned char marker = 0;
    if (file->Read(&marker, 1) != 1 || marker != kMarker) {
        return nullptr;
    }
    unsigned int compressedLength = 0;
    unsigned int uncompressedLength = 0;
    *file >> compressedLength >> uncompressedLength;
    *outputSize = uncompressedLength;

    // The declared lengths come from the file: check them against what the file holds and what
    // inflate can produce before trusting them with an allocation.
    unsigned position = file->GetPosition();
    unsigned length = file->GetLength();
    unsigned remaining = position <= length ? length - position : 0;
    if (compressedLength == 0 || compressedLength > remaining ||
        std::uint64_t{uncompressedLength} >
            std::uint64_t{compressedLength} * MAX_EXPANSION_RATIO + MAX_EXPANSION_SLACK) {
        return nullptr;
    }
    auto* compressed = new (std::nothrow) unsigned char[compressedLength];
    if (!compressed) {
        return nullptr;
    }
    unsigned char* result = nullptr;
    bool decompressed = file->Read(compressed, compressedLength) == compressedLength &&
                        Decompress(&result, uncompressedLength, compressed, compressedLength);
    delete[] compressed;
    if (!decompressed) {
        delete[] result;
        return nullptr;
    }
    return result;
}

unsigned long CZLibCompressor::Compress(unsigned char** output, unsigned char const* input,
                                        unsigned long inputSize, unsigned level) {
    if (!output) {
        return 0;
    }
    // Input + 1% + 12 bytes holds the worst case of stored blocks. Worked out in 64 bits, so
    // large inputs do not wrap to a tiny buffer.
    std::uint64_t capacity = std::uint64_t{inputSize} * 101 / 100 + 12;
    capacity = std::max<std::uint64_t>(capacity, compressBound(inputSize));
    *output = new (std::nothrow) unsigned char[capacity];
    if (!*output || (!input && inputSize > 0)) {
        return 0;
    }
    uLongf produced = capacity;
    int result = compress2(*output, &produced, input, inputSize, static_cast<int>(level));
    return result >= Z_OK ? produced : 0;
}

bool CZLibCompressor::CompressAndWrite(CFile* file, unsigned char const* input,
                                       unsigned long inputSize, unsigned level) {
    if (!file) {
        return false;
    }
    unsigned char* compressed = nullptr;
    unsigned long compressedLength = 0;
    // The container records 32-bit lengths; anything longer cannot be described in it.
    if (inputSize <= 0xFFFFFFFFUL) {
        compressedLength = Compress(&compressed, input, inputSize, level);
    }
    if (compressedLength > 0xFFFFFFFFUL) {
        compressedLength = 0;
    }
    // One header write: the marker, then both lengths least significant byte first.
    unsigned char header[9] = {kMarker};
    for (unsigned i = 0; i < 4; ++i) {
        header[1 + i] = static_cast<unsigned char>(compressedLength >> (8 * i));
        header[5 + i] = static_cast<unsigned char>(inputSize >> (8 * i));
    }
    bool written = file->Write(header, sizeof header) == sizeof header;
    if (compressedLength > 0) {
        auto count = static_cast<unsigned>(compressedLength);
        written = file->Write(compressed, count) == count && written;
    }
    delete[] compressed;
    return compressedLength != 0 && written;
}
