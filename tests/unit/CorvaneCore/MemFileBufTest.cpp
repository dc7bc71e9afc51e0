#include "CorvaneCore/CJString.h"
#include "CorvaneCore/File.h"
#include "CorvaneCore/MemFileBuf.h"
#include "FileTestHelpers.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

TEST(MemFileBuf, GrowsAsWrittenAndKeepsTheContent) {
    CMemFileBuf stream;
    EXPECT_EQ(stream.GetData(), nullptr);
    EXPECT_EQ(stream.Write("a", 1), 1u);
    EXPECT_EQ(stream.Write("bcde", 4), 4u);
    for (int i = 0; i < 10; ++i) {
        stream.Write("x", 1);
    }
    stream.Write(std::string(100, 'y').data(), 100);
    EXPECT_GE(stream.GetCapacity(), 115u);
    EXPECT_EQ(stream.GetLength(), 115u);
    EXPECT_EQ(std::memcmp(stream.GetData(), "abcdexxxxxxxxxxy", 16), 0);
    stream.Create(2);
    EXPECT_GE(stream.GetCapacity(), 2u);
    EXPECT_EQ(stream.GetLength(), 0u);
    stream.Create(0);
    EXPECT_EQ(stream.GetData(), nullptr);
}

TEST(MemFileBuf, PositionsBeyondTheEnd) {
    CMemFileBuf stream;
    stream.Write("abc", 3);
    EXPECT_TRUE(stream.SeekAbsolute(10));
    char buffer[4];
    EXPECT_EQ(stream.Read(buffer, 4), 0u);
    EXPECT_EQ(stream.Write("de", 2), 2u);
    EXPECT_EQ(stream.GetLength(), 12u);
    EXPECT_EQ(stream.GetPosition(), 12u);
    EXPECT_TRUE(stream.SeekRelative(-4));
    EXPECT_EQ(stream.Read(buffer, 4), 4u);
    EXPECT_EQ(std::memcmp(buffer + 2, "de", 2), 0);

    // A write of nothing past the end still moves the end there.
    stream.SeekAbsolute(20);
    EXPECT_EQ(stream.Write("", 0), 0u);
    EXPECT_EQ(stream.GetLength(), 20u);

    // The end of a write must fit 32 bits; the stream stays as it was.
    stream.SeekAbsolute(-1);
    EXPECT_EQ(stream.GetPosition(), 0xFFFFFFFFu);
    EXPECT_EQ(stream.Write("zz", 2), 0u);
    EXPECT_EQ(stream.GetLength(), 20u);
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
    EXPECT_TRUE(stream.GetCanDoVirtualRead());
    EXPECT_TRUE(stream.IsBuffered());
    unsigned char* bytes = stream.VirtualRead(3);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes, stream.GetData() + 2);
    EXPECT_EQ(stream.GetPosition(), 5u);
    EXPECT_EQ(stream.VirtualRead(6), nullptr);
    EXPECT_EQ(stream.GetPosition(), 5u);
    EXPECT_NE(stream.VirtualRead(5), nullptr);

    std::unique_ptr<unsigned char[]> detached(stream.DetachBuffer());
    ASSERT_NE(detached, nullptr);
    EXPECT_EQ(std::memcmp(detached.get(), "0123456789", 10), 0);
    EXPECT_EQ(stream.GetLength(), 0u);
    EXPECT_EQ(stream.GetPosition(), 0u);
    EXPECT_EQ(stream.GetData(), nullptr);
    // A detached stream can be written again and grows anew.
    EXPECT_EQ(stream.Write("z", 1), 1u);
    EXPECT_EQ(stream.GetCapacity(), 4u);
}

class MemFileBufFromFile : public FileTestHelpers::InTempDirectory {};

TEST_F(MemFileBufFromFile, LoadsWholeFilesAndFailsForMissingOnes) {
    EXPECT_EQ(CMemFileBuf::CreateFromFile("missing", CFILE_READ), nullptr);
    EXPECT_EQ(CMemFileBuf::CreateFromFile(static_cast<CFile*>(nullptr)), nullptr);

    std::string content(70000, 'q');
    content[69999] = '!';
    TestSupport::writeFile("whole.bin", content);
    std::unique_ptr<CMemFileBuf> stream(CMemFileBuf::CreateFromFile("whole.bin", CFILE_READ));
    ASSERT_NE(stream, nullptr);
    ASSERT_EQ(stream->GetLength(), content.size());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream->GetData()), content.size()),
              content);

    // Through CFile: the content is served from memory and the disk file is not held.
    int before = CFile::m_CurNumFilesOpen;
    CFile file;
    ASSERT_TRUE(file.Open("whole.bin", CFILE_READ | CFILE_LOAD_INTO_MEMORY));
    EXPECT_EQ(CFile::m_CurNumFilesOpen, before + 1);
    EXPECT_TRUE(file.GetFileBuf()->IsBuffered());
    file.SeekAbsolute(69990);
    EXPECT_EQ(FileTestHelpers::readRest(file), content.substr(69990));
    EXPECT_FALSE(file.Open("missing", CFILE_READ | CFILE_LOAD_INTO_MEMORY));

    TestSupport::writeFile("empty.bin", "");
    std::unique_ptr<CMemFileBuf> empty(CMemFileBuf::CreateFromFile("empty.bin", CFILE_READ));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->GetLength(), 0u);
}
