#include "CorvaneCore/File.h"
#include "CorvaneCore/MemFileBuf.h"
#include "CorvaneCore/ZLibCompressor.h"
#include "FileTestHelpers.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

using FileTestHelpers::readRest;
using FileTestHelpers::readWhole;
using TestSupport::readFile;
using TestSupport::writeFile;

namespace {

std::string randomBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& b : bytes) {
        b = static_cast<char>(random());
    }
    return bytes;
}

const unsigned char* bytesOf(const std::string& text) {
    return reinterpret_cast<const unsigned char*>(text.data());
}

std::string le32(unsigned value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<char>(value >> (8 * i));
    }
    return bytes;
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

TEST(ZLibCompressor, ContainersRoundTripAnyContent) {
    for (const std::string& content :
         {std::string(), std::string("x"), std::string(100000, 'z'), randomBytes(70001, 3)}) {
        std::string bytes = container(content);
        ASSERT_GE(bytes.size(), 9u);
        EXPECT_EQ(bytes[0], 1);
        EXPECT_EQ(bytes.substr(1, 4), le32(static_cast<unsigned>(bytes.size() - 9)));
        EXPECT_EQ(bytes.substr(5, 4), le32(static_cast<unsigned>(content.size())));

        CFile file;
        openOnBytes(file, bytes);
        unsigned size = 12345;
        std::unique_ptr<unsigned char[]> data(CZLibCompressor::ReadAndDecompress(&file, &size));
        ASSERT_NE(data, nullptr) << content.size();
        ASSERT_EQ(size, content.size());
        EXPECT_EQ(std::string(reinterpret_cast<char*>(data.get()), size), content);
    }
}

TEST(ZLibCompressor, CompressSizesItsBufferForIncompressibleInput) {
    std::string noise = randomBytes(1000, 9);
    unsigned char* output = nullptr;
    unsigned long length = CZLibCompressor::Compress(&output, bytesOf(noise), noise.size(), 9);
    std::unique_ptr<unsigned char[]> owned(output);
    ASSERT_NE(output, nullptr);
    EXPECT_GT(length, noise.size());
    EXPECT_LE(length, 1022UL);

    unsigned char* back = nullptr;
    EXPECT_TRUE(CZLibCompressor::Decompress(&back, noise.size(), output, length));
    std::unique_ptr<unsigned char[]> ownedBack(back);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(back), noise.size()), noise);

    // A declared size the stream does not fill exactly is a failure, buffer handed out or not.
    unsigned char* wrongSize = nullptr;
    EXPECT_FALSE(CZLibCompressor::Decompress(&wrongSize, noise.size() + 1, output, length));
    delete[] wrongSize;
    unsigned char* tooSmall = nullptr;
    EXPECT_FALSE(CZLibCompressor::Decompress(&tooSmall, noise.size() - 1, output, length));
    delete[] tooSmall;
}

TEST(ZLibCompressor, DamagedContainersReadAsNotDecompressible) {
    std::string good = container(std::string(5000, 'a') + randomBytes(3000, 1));
    unsigned compressedLength = static_cast<unsigned>(good.size() - 9);
    auto readsAsNothing = [](const std::string& bytes, unsigned* positionAfter) {
        CFile file;
        openOnBytes(file, bytes);
        unsigned size = 0;
        unsigned char* data = CZLibCompressor::ReadAndDecompress(&file, &size);
        *positionAfter = file.GetPosition();
        delete[] data;
        return data == nullptr;
    };
    unsigned position = 0;

    std::string corrupt = good;
    for (size_t i = 20; i < 60; ++i) {
        corrupt[i] = static_cast<char>(corrupt[i] ^ 0x5A);
    }
    EXPECT_TRUE(readsAsNothing(corrupt, &position));
    EXPECT_TRUE(readsAsNothing(good.substr(0, good.size() - 10), &position));
    EXPECT_TRUE(readsAsNothing(good.substr(0, 6), &position));
    EXPECT_TRUE(readsAsNothing(std::string(1, '\1'), &position));
    EXPECT_TRUE(readsAsNothing("", &position));

    // Impossible lengths are refused before the compressed bytes are even read.
    std::string longer = good;
    longer.replace(1, 4, le32(compressedLength + 1));
    EXPECT_TRUE(readsAsNothing(longer, &position));
    EXPECT_EQ(position, 9u);
    std::string expands = good;
    expands.replace(5, 4, le32(0xFFFFFFF0u));
    EXPECT_TRUE(readsAsNothing(expands, &position));
    EXPECT_EQ(position, 9u);
    std::string empty = good;
    empty.replace(1, 4, le32(0));
    EXPECT_TRUE(readsAsNothing(empty, &position));

    // Not a container at all: only the marker byte is read.
    std::string raw = good;
    raw[0] = 2;
    EXPECT_TRUE(readsAsNothing(raw, &position));
    EXPECT_EQ(position, 1u);
}

class CompressedFile : public FileTestHelpers::InTempDirectory {};

TEST_F(CompressedFile, WrittenOnCloseAndReadBackThroughMemory) {
    std::string content = std::string(20000, 'r') + "tail";
    {
        CFile file;
        ASSERT_TRUE(file.Open("c.dat", CFILE_COMPRESSED | CFILE_CREATE | CFILE_WRITE));
        EXPECT_TRUE(file.GetFileBuf()->IsBuffered());
        file.Write(content.data(), static_cast<unsigned>(content.size()));
        EXPECT_FALSE(TestSupport::pathExists("c.dat"));
    }
    std::string onDisk = readFile("c.dat");
    ASSERT_GT(onDisk.size(), 9u);
    EXPECT_LT(onDisk.size(), content.size());
    EXPECT_EQ(onDisk[0], 1);

    CFile file;
    ASSERT_TRUE(file.Open("c.dat", CFILE_COMPRESSED | CFILE_READ));
    EXPECT_TRUE(file.GetFileBuf()->IsBuffered());
    EXPECT_EQ(file.GetLength(), content.size());
    EXPECT_EQ(readRest(file), content);
    EXPECT_FALSE(file.Open("missing.dat", CFILE_COMPRESSED | CFILE_READ));
}

TEST_F(CompressedFile, FilesThatAreNotContainersAreServedRaw) {
    writeFile("plain.txt", "plain text");
    EXPECT_EQ(readWhole("plain.txt", CFILE_COMPRESSED | CFILE_READ), "plain text");

    // A damaged container is no container either: its bytes come back as they are.
    std::string damaged = container(std::string(3000, 'd'));
    damaged.resize(damaged.size() - 4);
    writeFile("damaged.dat", damaged);
    CFile file;
    ASSERT_TRUE(file.Open("damaged.dat", CFILE_COMPRESSED | CFILE_READ));
    EXPECT_FALSE(file.GetFileBuf()->IsBuffered());
    EXPECT_EQ(file.GetPosition(), 0u);
    EXPECT_EQ(readRest(file), damaged);
}

TEST_F(CompressedFile, ReopeningWritesThePreviousContentUnderItsOwnName) {
    CFile file;
    ASSERT_TRUE(file.Open("first.dat", CFILE_COMPRESSED | CFILE_CREATE | CFILE_WRITE));
    file.Write("one", 3);
    ASSERT_TRUE(file.Open("second.dat", CFILE_COMPRESSED | CFILE_CREATE | CFILE_WRITE));
    file.Write("two", 3);
    file.Close();
    EXPECT_EQ(readWhole("first.dat", CFILE_COMPRESSED | CFILE_READ), "one");
    EXPECT_EQ(readWhole("second.dat", CFILE_COMPRESSED | CFILE_READ), "two");
}
