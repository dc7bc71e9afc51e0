#include "CorvaneCore/CJString.h"
#include "CorvaneCore/File.h"
#include "CorvaneCore/MemFileBuf.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

// Reads and writes against a model are in FileOpen.StreamsMatchAStringModel; these are the
// memory stream's own corners.
TEST(MemFileBuf, PositionsBeyondTheEndAndThe32BitLimit) {
    CMemFileBuf stream;
    stream.Write("abc", 3);
    EXPECT_TRUE(stream.SeekAbsolute(10));
    char buffer[4];
    EXPECT_EQ(stream.Read(buffer, 4), 0u);
    EXPECT_EQ(stream.Write("de", 2), 2u);
    EXPECT_EQ(stream.GetLength(), 12u);
    // A write of nothing past the end still moves the end there.
    stream.SeekAbsolute(20);
    EXPECT_EQ(stream.Write("", 0), 0u);
    EXPECT_EQ(stream.GetLength(), 20u);
    // The end of a write must fit 32 bits; the stream stays as it was.
    stream.SeekAbsolute(-1);
    EXPECT_EQ(stream.Write("zz", 2), 0u);
    EXPECT_EQ(stream.GetLength(), 20u);
    EXPECT_EQ(CMemFileBuf::CreateFromFile("missing", CFILE_READ), nullptr);
    EXPECT_EQ(CMemFileBuf::CreateFromFile(static_cast<CFile*>(nullptr)), nullptr);
}

TEST(MemFileBuf, ReadLineEndsLinesAtCRLFOrEitherAlone) {
    // LF CR is two line ends, not a pair.
    const char content[] = {'a', '\r', '\n', 'b', '\r', 'c', '\n', '\n', 'x', '\n', '\r', 'y'};
    auto* bytes = new unsigned char[sizeof content];
    std::memcpy(bytes, content, sizeof content);
    CMemFileBuf stream(bytes, sizeof content);
    CJString line("untouched");
    std::vector<std::string> lines;
    while (stream.ReadLine(&line)) {
        lines.emplace_back(line.GetCharPtr());
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c", "", "x", "", "y"}));
}

TEST(MemFileBuf, VirtualReadAndDetachBufferHandOutTheStorage) {
    CMemFileBuf stream;
    stream.Write("0123456789", 10);
    stream.SeekAbsolute(2);
    unsigned char* bytes = stream.VirtualRead(3);
    EXPECT_EQ(bytes, stream.GetData() + 2);
    EXPECT_EQ(stream.GetPosition(), 5u);
    EXPECT_EQ(stream.VirtualRead(6), nullptr);
    EXPECT_NE(stream.VirtualRead(5), nullptr);

    std::unique_ptr<unsigned char[]> detached(stream.DetachBuffer());
    ASSERT_NE(detached, nullptr);
    EXPECT_EQ(std::memcmp(detached.get(), "0123456789", 10), 0);
    EXPECT_EQ(stream.GetLength(), 0u);
    EXPECT_EQ(stream.GetData(), nullptr);
    // A detached stream can be written again and grows anew.
    EXPECT_EQ(stream.Write("z", 1), 1u);
    EXPECT_EQ(stream.GetLength(), 1u);
}
