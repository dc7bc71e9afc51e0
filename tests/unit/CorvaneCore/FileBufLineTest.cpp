#include "CorvaneCore/CJString.h"
#include "CorvaneCore/File.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// Every line the disk stream's line reader returns for the content, read with one string, and
// the capacity that string has in the end.
Lines diskLines(const std::string& content, unsigned* capacity = nullptr) {
    TestSupport::TempDir dir;
    TestSupport::writeFile(dir / "lines.txt", content);
    CFile file;
    EXPECT_TRUE(file.Open((dir / "lines.txt").c_str(), CFILE_READ));
    Lines lines;
    CJString line;
    while (file.GetFileBuf() && file.GetFileBuf()->ReadLine(&line) && lines.size() < 100) {
        lines.emplace_back(line.GetCharPtr());
    }
    EXPECT_EQ(file.GetPosition(), file.GetLength());
    if (capacity) {
        *capacity = line.GetCapacity();
    }
    return lines;
}

} // namespace

TEST(FileBufReadLine, LineEndsTheirPairsAndLongLines) {
    EXPECT_EQ(diskLines("a\r\nb"), (Lines{"a", "b"}));
    EXPECT_EQ(diskLines("a\n\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(diskLines("a\r\rb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(diskLines("a\r\n\nb"), (Lines{"a", "b"}));
    EXPECT_EQ(diskLines("a\r\r\nb"), (Lines{"a", "b"}));
    EXPECT_EQ(diskLines("a\n\rb\rc\nd\n"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(diskLines(""), Lines{});
    EXPECT_EQ(diskLines("\n"), (Lines{""}));
    std::string longLine(200, 'x');
    unsigned capacity = 0;
    EXPECT_EQ(diskLines(longLine + "\nshort\n" + longLine, &capacity),
              (Lines{longLine, "short", longLine}));
    // 80 and 160 were too small; 320 held the line.
    EXPECT_EQ(capacity, 320u);
    // A fresh string reads in chunks of 80 bytes: 79 characters and a terminator. The CR is
    // the chunk's last character, so it ends its line alone and the LF ends an empty one.
    std::string first(78, 'a');
    EXPECT_EQ(diskLines(first + "\r\nnext"), (Lines{first, "", "next"}));
    // One character shorter and the pair fits in the chunk.
    first.pop_back();
    EXPECT_EQ(diskLines(first + "\r\nnext"), (Lines{first, "next"}));
}

TEST(FileBufReadLine, OneChunkLeavesThePositionAtTheNextLine) {
    TestSupport::TempDir dir;
    TestSupport::writeFile(dir / "chunk.txt", "abcdefgh\r\nij");
    CFile file;
    ASSERT_TRUE(file.Open((dir / "chunk.txt").c_str(), CFILE_READ));
    CFileBuf* stream = file.GetFileBuf();
    char buffer[16];
    // No line end within 4 characters: nothing consumed.
    EXPECT_FALSE(stream->ReadLineChunkIntoFixedSizeBuffer(buffer, 5));
    std::string read;
    while (stream->ReadLineChunkIntoFixedSizeBuffer(buffer, sizeof buffer)) {
        read += std::string(buffer) + "@" + std::to_string(stream->GetPosition()) + " ";
    }
    EXPECT_EQ(read, "abcdefgh@10 ij@12 ");
    EXPECT_FALSE(stream->ReadLine(buffer, sizeof buffer));
}
