#include "CorvaneCore/File.h"
#include "CorvaneCore/CRC32.h"
#include "CorvaneCore/MemFileBuf.h"
#include "FileTestHelpers.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <string>
#include <vector>

using FileTestHelpers::readRest;
using FileTestHelpers::readWhole;
using TestSupport::pathExists;
using TestSupport::readFile;
using TestSupport::writeFile;

namespace {

class FileOpen : public FileTestHelpers::InTempDirectory {};

std::string patterned(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    }
    return bytes;
}

} // namespace

TEST_F(FileOpen, UpdateModeKeepsTheFileAndCreateTruncatesIt) {
    writeFile("f.bin", "abcdef");
    EXPECT_TRUE(FileTestHelpers::writeThrough("f.bin", CFILE_WRITE, "XY"));
    EXPECT_EQ(readFile("f.bin"), "XYcdef");
    {
        CFile file;
        ASSERT_TRUE(file.Open("f.bin", CFILE_WRITE | CFILE_READ));
        EXPECT_EQ(readRest(file), "XYcdef");
        EXPECT_TRUE(file.SeekAbsolute(2));
        EXPECT_EQ(file.Write("--", 2), 2u);
        // Reading straight after writing must see the file, not a stale stdio buffer.
        EXPECT_EQ(readRest(file), "ef");
    }
    EXPECT_EQ(readFile("f.bin"), "XY--ef");
    {
        CFile file;
        ASSERT_TRUE(file.Open("f.bin", CFILE_CREATE | CFILE_WRITE));
        EXPECT_EQ(file.GetLength(), 0u);
    }
    EXPECT_EQ(readFile("f.bin"), "");

    CFile file;
    EXPECT_FALSE(file.Open("missing.bin", CFILE_WRITE));
    EXPECT_FALSE(pathExists("missing.bin"));
    EXPECT_FALSE(file.Open("f.bin", 0));
    EXPECT_FALSE(file.Open("f.bin", CFILE_CREATE));
    EXPECT_FALSE(file.Open(static_cast<const char*>(nullptr), CFILE_READ));
    EXPECT_FALSE(file.Open("", CFILE_READ));
    EXPECT_FALSE(file.Open("f.bin", CFILE_READ | CFILE_NO_DISK_FILE));
    EXPECT_FALSE(file.IsOpen());
}

TEST_F(FileOpen, PlainNamesLookInTheDataDirectoryFirstAndCreateOnlyThere) {
    writeFile("f.txt", "current");
    EXPECT_EQ(readWhole("f.txt"), "current");

    writeFile("data/f.txt", "data");
    setDataDir("data");
    EXPECT_EQ(readWhole("f.txt"), "data");
    ASSERT_EQ(unlink("data/f.txt"), 0);
    EXPECT_EQ(readWhole("f.txt"), "current");

    EXPECT_TRUE(FileTestHelpers::writeThrough("g.txt", CFILE_CREATE | CFILE_WRITE, "new"));
    EXPECT_EQ(readFile("data/g.txt"), "new");
    EXPECT_FALSE(pathExists("g.txt"));

    // A data directory that already ends in a separator gets no second one.
    setDataDir("data/");
    EXPECT_EQ(readWhole("g.txt"), "new");
}

TEST_F(FileOpen, AbsoluteLookingNamesAreUsedExactlyAsGiven) {
    setDataDir("data");
    writeFile("data/\\x", "joined");
    writeFile("\\x", "as given");
    writeFile("data/c:y", "joined");
    writeFile("c:y", "as given");
    writeFile("plain", "as given");

    EXPECT_EQ(readWhole("\\x"), "as given");
    EXPECT_EQ(readWhole("c:y"), "as given");
    EXPECT_EQ(readWhole((m_dir / "plain").c_str()), "as given");

    // A create with an absolute name ignores the data directory too.
    std::string absolute = m_dir / "abs.txt";
    CFile file;
    ASSERT_TRUE(file.Open(absolute.c_str(), CFILE_CREATE | CFILE_WRITE));
    EXPECT_TRUE(file.m_OpenFlags & CFILE_NAME_AS_GIVEN);
    file.Close();
    EXPECT_TRUE(pathExists("abs.txt"));
    EXPECT_FALSE(pathExists("data" + absolute));
}

TEST_F(FileOpen, CreateDirectoriesMakesMissingFoldersBelowTheDataDirectory) {
    setDataDir("data");
    TestSupport::makeDirectories("data");
    unsigned const create = CFILE_CREATE | CFILE_WRITE;
    EXPECT_FALSE(FileTestHelpers::writeThrough("one/two/f.txt", create, "deep"));
    EXPECT_FALSE(pathExists("data/one"));
    EXPECT_TRUE(
        FileTestHelpers::writeThrough("one/two/f.txt", create | CFILE_CREATE_DIRECTORIES, "deep"));
    EXPECT_EQ(readFile("data/one/two/f.txt"), "deep");
    EXPECT_FALSE(pathExists("one"));
}

TEST_F(FileOpen, NamesAndJoinedPathsOverTheLimitAreRefused) {
    // A real file whose path is longer than the limit: it exists, but no open reaches it.
    std::string folder(200, 'd');
    std::string deep = m_dir.path();
    while (deep.size() <= CFILE_MAX_PATH_LENGTH) {
        deep += "/" + folder;
    }
    std::string tooLong = deep + "/f";
    writeFile(tooLong, "x");
    ASSERT_EQ(readFile(tooLong), "x");
    CFile file;
    EXPECT_FALSE(file.Open(tooLong.c_str(), CFILE_READ));
    EXPECT_FALSE(file.Open(tooLong.c_str(), CFILE_CREATE | CFILE_WRITE));
    EXPECT_FALSE(file.Open(tooLong.c_str(), CFILE_COMPRESSED | CFILE_CREATE | CFILE_WRITE));
    EXPECT_EQ(CFileBuf::NewOpen(tooLong.c_str(), CFILE_READ), nullptr);

    // A name within the limit whose joined path is not: a create fails, a read falls back to
    // the name as given.
    std::string relativeDeep = deep.substr(m_dir.path().size() + 1);
    ASSERT_LE(relativeDeep.size(), CFILE_MAX_PATH_LENGTH);
    setDataDir(relativeDeep.c_str());
    // One character more than fits once joined with a separator.
    std::string near(CFILE_MAX_PATH_LENGTH - relativeDeep.size(), 'n');
    ASSERT_LE(near.size(), 255u);
    writeFile(near, "near");
    EXPECT_FALSE(file.Open(near.c_str(), CFILE_CREATE | CFILE_WRITE));
    EXPECT_EQ(readWhole(near.c_str()), "near");
    // One character less and the joined path is used.
    near.pop_back();
    EXPECT_TRUE(file.Open(near.c_str(), CFILE_CREATE | CFILE_WRITE));
    file.Close();
    EXPECT_TRUE(pathExists(deep + "/" + near));
}

TEST_F(FileOpen, ClosedFileAnswersWithNotOpenValues) {
    CFile file;
    char byte = 0;
    EXPECT_EQ(file.GetPosition(), 0xFFFFFFFFu);
    EXPECT_EQ(file.GetLength(), 0u);
    EXPECT_EQ(file.Read(&byte, 1), 0u);
    EXPECT_EQ(file.Write(&byte, 1), 0u);
    EXPECT_FALSE(file.SeekAbsolute(0));
    EXPECT_FALSE(file.SeekRelative(0));
    EXPECT_FALSE(file.MoveBytesWithinFile(0, 1, 1));
    unsigned int value = 42;
    file >> value;
    EXPECT_EQ(value, 42u);
}

TEST_F(FileOpen, OpenFileCountFollowsStreamsHeld) {
    int before = CFile::m_CurNumFilesOpen;
    writeFile("a", "a");
    {
        CFile one;
        CFile two;
        ASSERT_TRUE(one.Open("a", CFILE_READ));
        ASSERT_TRUE(two.Open("a", CFILE_READ));
        EXPECT_EQ(CFile::m_CurNumFilesOpen, before + 2);
        EXPECT_GE(CFile::m_MaxNumFilesOpen, before + 2);
        // Reopening replaces the stream rather than adding one.
        ASSERT_TRUE(one.Open("a", CFILE_READ));
        EXPECT_EQ(CFile::m_CurNumFilesOpen, before + 2);
        EXPECT_FALSE(two.Open(static_cast<CFileBuf*>(nullptr), CFILE_READ));
        EXPECT_EQ(CFile::m_CurNumFilesOpen, before + 1);
    }
    EXPECT_EQ(CFile::m_CurNumFilesOpen, before);
}

TEST_F(FileOpen, StreamHandleNamesHandOverRegisteredStreamsOnly) {
    auto* stream = new CMemFileBuf;
    stream->Write("handed over", 11);
    stream->SeekAbsolute(0);
    std::uint32_t value = stream->RegisterHandle();
    EXPECT_NE(value, 0u);
    EXPECT_EQ(stream->RegisterHandle(), value);
    char name[CFILEBUF_HANDLE_NAME_SIZE];
    CFileBuf::MakeHandleName(value, name);
    ASSERT_EQ(std::string(name).size(), 20u);
    EXPECT_EQ(CFileBuf::GetFileBufFromFileName(name), stream);

    // Digits may be written in either case.
    std::string lower = name;
    for (size_t i = 12; i < lower.size(); ++i) {
        lower[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(lower[i])));
    }
    EXPECT_EQ(CFileBuf::GetFileBufFromFileName(lower.c_str()), stream);

    {
        CFile file;
        ASSERT_TRUE(file.Open(name, CFILE_READ));
        EXPECT_EQ(file.GetFileBuf(), stream);
        EXPECT_EQ(readRest(file), "handed over");
        // The handle is spent: a second file cannot take the same stream.
        CFile second;
        EXPECT_FALSE(second.Open(name, CFILE_READ));
    }

    auto* gone = new CMemFileBuf;
    CFileBuf::MakeHandleName(gone->RegisterHandle(), name);
    delete gone;
    EXPECT_EQ(CFileBuf::GetFileBufFromFileName(name), nullptr);
    EXPECT_EQ(CFileBuf::GetFileBufFromFileName("~CFileBuf 0xFFFFFFFF"), nullptr);
    EXPECT_EQ(CFileBuf::GetFileBufFromFileName(nullptr), nullptr);

    // Fewer than 8 digits: just an ordinary file name.
    writeFile("~CFileBuf 0x1234567", "disk");
    EXPECT_EQ(CFileBuf::GetFileBufFromFileName("~CFileBuf 0x1234567"), nullptr);
    EXPECT_EQ(readWhole("~CFileBuf 0x1234567"), "disk");
}

TEST_F(FileOpen, ValuesAreWrittenAndReadLeastSignificantByteFirst) {
    CFile file;
    ASSERT_TRUE(file.Open("v.bin", CFILE_CREATE | CFILE_WRITE | CFILE_READ));
    file << 0x01020304u << 0xA0B0C0D0E0F01020UL << -2L;
    EXPECT_EQ(file.GetLength(), 12u);
    file.SeekAbsolute(0);
    unsigned int a = 0;
    unsigned int b = 0;
    long c = 0;
    file >> a >> b >> c;
    EXPECT_EQ(a, 0x01020304u);
    EXPECT_EQ(b, 0xE0F01020u);
    EXPECT_EQ(c, -2L);
    // At the end there is nothing to read and the variable keeps its value.
    file >> a;
    EXPECT_EQ(a, 0x01020304u);
    file.Close();
    EXPECT_EQ(readFile("v.bin").substr(0, 4), std::string("\x04\x03\x02\x01", 4));
}

TEST_F(FileOpen, SetLengthCutsAndExtendsTheDiskFile) {
    writeFile("s.bin", "0123456789");
    CFile file;
    ASSERT_TRUE(file.Open("s.bin", CFILE_WRITE));
    file.SetLength(4);
    EXPECT_EQ(file.GetLength(), 4u);
    file.SeekAbsolute(4);
    file.Write("ab", 2);
    file.SetLength(8);
    file.Close();
    EXPECT_EQ(readFile("s.bin"), std::string("0123ab\0\0", 8));
}

TEST_F(FileOpen, MoveBytesWithinFileShiftsTowardTheStartInPiecesOnDiskAndInMemory) {
    const std::string original = patterned(200000);
    writeFile("m.bin", original);
    CFile file;
    ASSERT_TRUE(file.Open("m.bin", CFILE_WRITE | CFILE_READ));

    EXPECT_FALSE(file.MoveBytesWithinFile(100, 10, 50));
    EXPECT_TRUE(file.MoveBytesWithinFile(10, 10, 50));
    EXPECT_TRUE(file.MoveBytesWithinFile(10, 20, 0));
    file.Close();
    EXPECT_EQ(readFile("m.bin"), original);

    // Overlapping, more than three pieces of 0x10000.
    ASSERT_TRUE(file.Open("m.bin", CFILE_WRITE | CFILE_READ));
    ASSERT_TRUE(file.MoveBytesWithinFile(10, 5000, 195000));
    file.Close();
    std::string expected = original;
    expected.replace(10, 195000, original.substr(5000, 195000));
    EXPECT_EQ(readFile("m.bin"), expected);

    // A range that runs past the end fails.
    ASSERT_TRUE(file.Open("m.bin", CFILE_WRITE | CFILE_READ));
    EXPECT_FALSE(file.MoveBytesWithinFile(0, 150000, 60000));
    EXPECT_FALSE(file.MoveBytesWithinFile(0, 0xFFFFFFF0UL, 0x100));

    // Memory streams move their bytes too.
    ASSERT_TRUE(file.Open(new CMemFileBuf, CFILE_READ | CFILE_WRITE));
    file.Write("0123456789", 10);
    ASSERT_TRUE(file.MoveBytesWithinFile(2, 5, 5));
    file.SeekAbsolute(0);
    EXPECT_EQ(readRest(file), "0156789789");
}

TEST_F(FileOpen, CalculateCRC32MatchesTheStandardChecksum) {
    CFile empty;
    ASSERT_TRUE(empty.Open("e.bin", CFILE_CREATE | CFILE_WRITE | CFILE_READ));
    EXPECT_EQ(empty.GetFileBuf()->CalculateCRC32(), 0UL);

    writeFile("digits", "123456789");
    CFile digits;
    ASSERT_TRUE(digits.Open("digits", CFILE_READ));
    EXPECT_EQ(digits.GetFileBuf()->CalculateCRC32(), 0xCBF43926UL);
    EXPECT_EQ(digits.GetPosition(), 9u);

    // Longer than one work buffer, checked against the checksum of the whole in one piece.
    std::string bytes = patterned(150001);
    writeFile("big", bytes);
    auto* data = reinterpret_cast<unsigned char*>(bytes.data());
    CFile big;
    ASSERT_TRUE(big.Open("big", CFILE_READ));
    big.SeekAbsolute(77);
    EXPECT_EQ(big.GetFileBuf()->CalculateCRC32(),
              FinishCRC32(UpdateCRC32(InitCRC32(), data, bytes.size())));
    EXPECT_EQ(big.GetPosition(), bytes.size());
}

TEST_F(FileOpen, ClearReadOnlyMakesAProtectedFileWritable) {
    writeFile("ro.txt", "r");
    ASSERT_EQ(chmod("ro.txt", 0444), 0);
    // A forked child drops root's override in this same folder; the test process keeps its own.
    auto check = []() -> std::string {
        CFile file;
        if (file.Open("ro.txt", CFILE_WRITE)) {
            return "opened for writing";
        }
        bool written =
            file.Open("ro.txt", CFILE_WRITE | CFILE_CLEAR_READ_ONLY) && file.Write("W", 1) == 1;
        return written ? "" : "not written after clearing";
    };
    EXPECT_EXIT(FileTestHelpers::exitWithCheck(".", true, check), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(readFile("ro.txt"), "W");
    struct stat status;
    ASSERT_EQ(stat("ro.txt", &status), 0);
    EXPECT_EQ(status.st_mode & 0222, 0222u);
}
