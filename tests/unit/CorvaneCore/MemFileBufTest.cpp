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
TEST(MemFileBuf, PositionsPastTheEndLinesAndHandingOutTheStorage) {
    CMemFileBuf stream;
    // LF CR is two line ends, not a pair.
    stream.Write("a\r\nb\rc\n\nx\n\ry", 12);
    stream.SeekAbsolute(0);
    CJString line("untouched");
    std::vector<std::string> lines;
    while (stream.ReadLine(&line)) {
        lines.emplace_back(line.GetCharPtr());
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c", "", "x", "", "y"}));

    stream.SeekAbsolute(2);
    EXPECT_TRUE(stream.IsBuffered() && stream.GetCanDoVirtualRead());
    EXPECT_EQ(stream.VirtualRead(3), stream.GetData() + 2);
    EXPECT_EQ(stream.VirtualRead(8), nullptr);
    EXPECT_EQ(stream.GetPosition(), 5u);
    // A write of nothing past the end still moves the end there; the end of a write must fit
    // 32 bits.
    EXPECT_TRUE(stream.SeekAbsolute(20));
    EXPECT_EQ(stream.Write("", 0), 0u);
    EXPECT_EQ(stream.GetLength(), 20u);
    stream.SeekAbsolute(-1);
    EXPECT_EQ(stream.Write("zz", 2), 0u);
    EXPECT_EQ(stream.GetLength(), 20u);

    std::unique_ptr<unsigned char[]> detached(stream.DetachBuffer());
    EXPECT_EQ(std::memcmp(detached.get(), "a\r\nb\rc", 6), 0);
    // A detached stream can be written again and grows anew.
    EXPECT_EQ(stream.Write("z", 1), 1u);
    EXPECT_EQ(stream.GetLength(), 1u);
    EXPECT_EQ(CMemFileBuf::CreateFromFile("missing", CFILE_READ), nullptr);
    EXPECT_EQ(CMemFileBuf::CreateFromFile(static_cast<CFile*>(nullptr)), nullptr);
}
