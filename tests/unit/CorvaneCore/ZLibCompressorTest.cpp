#include "CorvaneCore/File.h"
#include "CorvaneCore/MemFileBuf.h"
#include "CorvaneCore/ZLibCompressor.h"
#include "FileTestHelpers.h"
#include "ZipTestHelpers.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

using FileTestHelpers::readRest;

namespace {

std::string noise(std::size_t size) {
    static std::mt19937 random(1234);
    return ZipTest::randomBytes(random, size);
}

const unsigned char* bytesOf(const std::string& text) {
    return reinterpret_cast<const unsigned char*>(text.data());
}

std::string le32(unsigned value) {
    return ZipTest::le(4, value);
}

// A memory-backed file holding the bytes, positioned at the start.
void openOnBytes(CFile& file, const std::string& bytes) {
    ASSERT_TRUE(file.Open(new CMemFileBuf, CFILE_READ | CFILE_WRITE));
    file.Write(bytes.data(), static_cast<unsigned>(bytes.size()));
    file.SeekAbsolute(0);
}

// The container of content as CompressAndWrite lays it out.
std::string container(const std::string& content) {
    CFile file;
    EXPECT_TRUE(file.Open(new CMemFileBuf, CFILE_READ | CFILE_WRITE));
    EXPECT_TRUE(CZLibCompressor::CompressAndWrite(&file, bytesOf(content), content.size(), 6));
    file.SeekAbsolute(0);
    return readRest(file);
}

} // namespace

TEST(ZLibCompressor, CompressSizesItsBufferForIncompressibleInput) {
    std::string const bytes = noise(1000);
    unsigned char* output = nullptr;
    unsigned long length = CZLibCompressor::Compress(&output, bytesOf(bytes), bytes.size(), 9);
    std::unique_ptr<unsigned char[]> owned(output);
    ASSERT_NE(output, nullptr);
    EXPECT_GT(length, bytes.size());
    // A declared size the stream does not fill exactly is a failure, buffer handed out or not.
    for (std::size_t size : {bytes.size() - 1, bytes.size() + 1}) {
        unsigned char* back = nullptr;
        EXPECT_FALSE(CZLibCompressor::Decompress(&back, size, output, length));
        delete[] back;
    }
}

TEST(ZLibCompressor, DamagedContainersReadAsNotDecompressible) {
    // Written and read whole by FileOpen.StreamsMatchAStringModel; the layout is a marker byte,
    // the compressed and the expanded lengths, and the zlib stream.
    std::string const content = std::string(5000, 'a') + noise(3000);
    std::string const good = container(content);
    unsigned const compressedLength = static_cast<unsigned>(good.size() - 9);
    EXPECT_EQ(good.substr(0, 9), "\1" + le32(compressedLength) + le32(8000));
    std::string corrupt = good;
    for (size_t i = 20; i < 60; ++i) {
        corrupt[i] = static_cast<char>(corrupt[i] ^ 0x5A);
    }
    struct Case {
        const char* what;
        std::string bytes;
        // Where the read must stop, or -1 where it does not matter.
        int positionAfter;
    } const cases[] = {
        {"corrupt stream", corrupt, -1},
        {"cut in the stream", good.substr(0, good.size() - 10), -1},
        {"cut in the header", good.substr(0, 6), -1},
        {"marker only", "\1", -1},
        {"empty", "", -1},
        // Impossible lengths are refused before the compressed bytes are even read.
        {"compressed length past the end",
         std::string(good).replace(1, 4, le32(compressedLength + 1)), 9},
        {"expands hugely", std::string(good).replace(5, 4, le32(0xFFFFFFF0u)), 9},
        {"no compressed bytes", std::string(good).replace(1, 4, le32(0)), -1},
        // Not a container at all: only the marker byte is read.
        {"other marker", "\2" + good.substr(1), 1},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        CFile file;
        openOnBytes(file, c.bytes);
        unsigned size = 0;
        std::unique_ptr<unsigned char[]> data(CZLibCompressor::ReadAndDecompress(&file, &size));
        EXPECT_EQ(data, nullptr);
        if (c.positionAfter >= 0) {
            EXPECT_EQ(file.GetPosition(), static_cast<unsigned>(c.positionAfter));
        }
    }
}
