#include "CorvaneCore/CJString.h"
#include "CorvaneCore/File.h"
#include "FileTestHelpers.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Every line the disk stream's line reader returns for the content, read with one string.
std::vector<std::string> diskLines(const std::string& content) {
    TestSupport::TempDir dir;
    std::string path = dir / "lines.txt";
    TestSupport::writeFile(path, content);
    CFile file;
    EXPECT_TRUE(file.Open(path.c_str(), CFILE_READ));
    std::vector<std::string> lines;
    CJString line;
    while (file.GetFileBuf() && file.GetFileBuf()->ReadLine(&line)) {
        lines.emplace_back(line.GetCharPtr());
        if (lines.size() > 100) {
            ADD_FAILURE() << "line reader does not stop";
            break;
        }
    }
    return lines;
}

using Lines = std::vector<std::string>;

} // namespace

TEST(FileBufReadLine, LineEndsAndTheirPairs) {
    EXPECT_EQ(diskLines("a\r\nb"), (Lines{"a", "b"}));
    EXPECT_EQ(diskLines("a\n\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(diskLines("a\r\rb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(diskLines("a\r\n\nb"), (Lines{"a", "b"}));
    EXPECT_EQ(diskLines("a\r\r\nb"), (Lines{"a", "b"}));
    EXPECT_EQ(diskLines("a\n\rb\rc\nd\n"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(diskLines("last line without end"), (Lines{"last line without end"}));
    EXPECT_EQ(diskLines(""), Lines{});
    EXPECT_EQ(diskLines("\n"), (Lines{""}));
}

TEST(FileBufReadLine, LongLinesDoubleTheChunkUntilTheyFit) {
    std::string longLine(200, 'x');
    TestSupport::TempDir dir;
    std::string path = dir / "long.txt";
    TestSupport::writeFile(path, longLine + "\nshort\n" + longLine);
    CFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CFILE_READ));
    CJString line;
    ASSERT_TRUE(file.GetFileBuf()->ReadLine(&line));
    EXPECT_EQ(std::string(line.GetCharPtr()), longLine);
    // 80 and 160 were too small; 320 held the line.
    EXPECT_EQ(line.GetCapacity(), 320u);
    ASSERT_TRUE(file.GetFileBuf()->ReadLine(&line));
    EXPECT_EQ(std::string(line.GetCharPtr()), "short");
    EXPECT_EQ(line.GetCapacity(), 320u);
    // The last line fills more than a chunk and has no line end.
    ASSERT_TRUE(file.GetFileBuf()->ReadLine(&line));
    EXPECT_EQ(std::string(line.GetCharPtr()), longLine);
    EXPECT_FALSE(file.GetFileBuf()->ReadLine(&line));
    EXPECT_EQ(file.GetPosition(), file.GetLength());
}

TEST(FileBufReadLine, PairsAreRecognisedOnlyWithinOneChunk) {
    // A fresh string reads in chunks of 80 bytes: 79 characters and a terminator. The CR is
    // the chunk's last character, so it ends its line alone and the LF ends an empty one.
    std::string first(78, 'a');
    EXPECT_EQ(diskLines(first + "\r\nnext"), (Lines{first, "", "next"}));
    // One character shorter and the pair fits in the chunk.
    std::string shorter(77, 'a');
    EXPECT_EQ(diskLines(shorter + "\r\nnext"), (Lines{shorter, "next"}));
}

TEST(FileBufReadLine, OneChunkLeavesThePositionAtTheNextLine) {
    TestSupport::TempDir dir;
    std::string path = dir / "chunk.txt";
    TestSupport::writeFile(path, "abcdefgh\r\nij");
    CFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CFILE_READ));
    CFileBuf* stream = file.GetFileBuf();
    char buffer[16];
    // No line end within 4 characters: nothing consumed.
    EXPECT_FALSE(stream->ReadLineChunkIntoFixedSizeBuffer(buffer, 5));
    EXPECT_EQ(stream->GetPosition(), 0u);
    ASSERT_TRUE(stream->ReadLineChunkIntoFixedSizeBuffer(buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "abcdefgh");
    EXPECT_EQ(stream->GetPosition(), 10u);
    ASSERT_TRUE(stream->ReadLineChunkIntoFixedSizeBuffer(buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "ij");
    EXPECT_FALSE(stream->ReadLineChunkIntoFixedSizeBuffer(buffer, sizeof buffer));
    EXPECT_FALSE(stream->ReadLineChunkIntoFixedSizeBuffer(buffer, 0));
    EXPECT_FALSE(stream->ReadLine(buffer, sizeof buffer));
}
