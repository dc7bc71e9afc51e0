#include "CorvaneCore/File.h"
#include "CorvaneCore/MemFileBuf.h"
#include "CorvaneCore/ZipArchive.h"
#include "CorvaneCore/ZipFileBuf.h"
#include "TestSupport.h"
#include "ZipTestHelpers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <unistd.h>

using namespace ZipTest;

namespace {

// The readme's extra fields differ between its local and central headers, so its data is
// found only from the local header's lengths.
std::vector<Member> threeMembers() {
    return {{"Data/Img.PNG", "picture bytes"},
            {"readme.txt", "hello, reader", std::string(13, 'L'), std::string(5, 'C'), "a comment"},
            {"empty", ""}};
}

class ZipRead : public ::testing::Test {
protected:
    std::string write(std::string const& name, std::string const& bytes) {
        std::string path = m_dir / name;
        TestSupport::writeFile(path, bytes);
        return path;
    }
    // Writes the archive as a.zip and opens it.
    bool open(CZipArchive& archive, std::string const& bytes, char const* prefix = "",
              bool deferRead = false, unsigned flags = 0) {
        return archive.OpenArchive(write("a.zip", bytes).c_str(), 0, prefix, deferRead, flags);
    }

    TestSupport::TempDir m_dir;
};

} // namespace

TEST_F(ZipRead, FindsMembersIgnoringAsciiCaseButNotSeparators) {
    CZipArchive archive;
    ASSERT_TRUE(open(archive, buildArchive(threeMembers(), {.reverseDirectory = true})));
    // Entries come in the order of their data, the name index in name order.
    std::vector<std::string> physical;
    std::vector<std::string> byName;
    for (unsigned i = 0; i < archive.GetNumEntries(); ++i) {
        physical.push_back(archive.GetEntry(i)->m_pName);
        byName.push_back(archive.GetEntryByName(i)->m_pName);
    }
    EXPECT_EQ(physical, (std::vector<std::string>{"Data/Img.PNG", "readme.txt", "empty"}));
    EXPECT_EQ(byName, (std::vector<std::string>{"Data/Img.PNG", "empty", "readme.txt"}));

    EXPECT_EQ(memberText(archive, "data/img.png") + "|" + memberText(archive, "README.TXT") + "|" +
                  memberText(archive, "EMPTY") + "|" + memberText(archive, "Data\\Img.PNG") + "|" +
                  memberText(archive, "missing") + "|" + memberText(archive, ""),
              "picture bytes|hello, reader||<null>|<null>|<null>");
    EXPECT_EQ(archive.OpenAFileWithinArchive(nullptr, 0), nullptr);
    EXPECT_EQ(memberText(archive, "readme.txt", CFILE_MARKED_MEMBERS_ONLY), "<null>");
    archive.GetCorrectFileEntry("readme.txt", nullptr)->m_bMarked = true;
    EXPECT_EQ(memberText(archive, "readme.txt", CFILE_MARKED_MEMBERS_ONLY), "hello, reader");

    // "f" sorts between the last two names.
    unsigned position = 99;
    EXPECT_EQ(archive.GetCorrectFileEntry("F", &position), nullptr);
    EXPECT_EQ(position, 2u);
}

TEST_F(ZipRead, PrefixIsPartOfEveryName) {
    std::string path = write("a.zip", buildArchive({{"a.png", "A"}, {"sub/b.png", "B"}}));
    CZipArchive archive;
    ASSERT_TRUE(archive.OpenArchive(path.c_str(), 0, "data/", false, 0));
    EXPECT_EQ(memberText(archive, "data/a.png"), "A");
    EXPECT_EQ(memberText(archive, "DATA/SUB/B.PNG"), "B");
    EXPECT_EQ(archive.OpenAFileWithinArchive("a.png", 0), nullptr);

    EXPECT_TRUE(archive.AvailablePathInfoMatches("dat", 3, true));

    // A prefix that begins with '/' counts as none.
    ASSERT_TRUE(archive.OpenArchive(path.c_str(), 0, "/abs/", false, 0));
    EXPECT_STREQ(archive.GetPrefix(), "");
    EXPECT_EQ(memberText(archive, "a.png"), "A");
}

TEST_F(ZipRead, SharedAndOwnHandleStreamsInterleaveAndStayInsideTheirMember) {
    CZipArchive archive;
    ASSERT_TRUE(open(archive, buildArchive({{"a", "abcdefgh"}, {"b", "ABCDEFGH"}}), "", true, 0));
    EXPECT_FALSE(archive.IsArchiveFileOpen());

    StreamPtr own(archive.OpenAFileWithinArchive("a", CFILE_ZIP_OWN_HANDLE));
    ASSERT_NE(own, nullptr);
    // A deferred archive holds its file only while shared streams use it.
    EXPECT_EQ(archive.GetNumOpenFiles(), 0u);
    EXPECT_FALSE(archive.IsArchiveFileOpen());

    // Reads of one byte, taking turns: each stream keeps its own place.
    std::string read;
    char c = 0;
    {
        StreamPtr a(archive.OpenAFileWithinArchive("a", 0));
        StreamPtr b(archive.OpenAFileWithinArchive("b", 0));
        EXPECT_EQ(archive.GetNumOpenFiles(), 2u);
        EXPECT_TRUE(archive.IsArchiveFileOpen());
        for (int i = 0; i < 3; ++i) {
            for (CFileBuf* stream : {a.get(), b.get(), own.get()}) {
                read += stream->Read(&c, 1) == 1 ? c : '-';
            }
        }
    }
    EXPECT_EQ(read, "aAabBbcCc");
    EXPECT_EQ(archive.GetNumOpenFiles(), 0u);
    EXPECT_FALSE(archive.IsArchiveFileOpen());
    EXPECT_EQ(readAll(own.get()), "defgh");
    // Seeks stay inside the member; a read-only member stream never writes into the archive.
    EXPECT_TRUE(own->SeekAbsolute(8));
    EXPECT_FALSE(own->SeekAbsolute(9));
    EXPECT_FALSE(own->SeekAbsolute(-1));
    EXPECT_FALSE(own->SeekRelative(1));
    EXPECT_TRUE(own->SeekRelative(-8));
    EXPECT_FALSE(own->SeekRelative(-1));
    EXPECT_EQ(own->GetPosition(), 0u);
    EXPECT_EQ(own->Write("!!", 2), 0u);
    own->Close();
    EXPECT_EQ(own->Read(&c, 1), 0u);
    EXPECT_EQ(memberText(archive, "a"), "abcdefgh");
}

TEST_F(ZipRead, ClosingReopeningAndArchivesHeldInMemory) {
    std::string first = write("first.zip", buildArchive({{"one", "from first"}}));
    std::string second = write("second.zip", buildArchive({{"two", "from second"}}));
    CZipArchive archive;
    ASSERT_TRUE(archive.OpenArchive(first.c_str(), 0, "", true, 0));
    StreamPtr stream(archive.OpenAFileWithinArchive("one", 0));
    ASSERT_NE(stream, nullptr);
    // Closing the archive closes the stream that was still open on it.
    archive.CloseArchive();
    EXPECT_EQ(stream->GetLength(), 0xFFFFFFFFu);
    EXPECT_EQ(archive.OpenAFileWithinArchive("one", 0), nullptr);

    ASSERT_TRUE(archive.OpenArchive(second.c_str(), 0, "", true, 0));
    EXPECT_EQ(memberText(archive, "two"), "from second");
    EXPECT_EQ(archive.OpenAFileWithinArchive("one", 0), nullptr);

    // A failed immediate read leaves a closed archive, not a fatal one.
    EXPECT_FALSE(open(archive, "this is not an archive at all, not even close"));
    EXPECT_EQ(archive.OpenAFileWithinArchive("two", 0), nullptr);
    EXPECT_FALSE(archive.OpenArchive((m_dir / "absent.zip").c_str(), 0, "", false, 0));

    ASSERT_TRUE(open(archive, buildArchive(threeMembers()), "", false, CFILE_LOAD_INTO_MEMORY));
    // The disk file can go: the directory and the members come from the memory copy.
    ASSERT_EQ(unlink((m_dir / "a.zip").c_str()), 0);
    EXPECT_EQ(memberText(archive, "readme.txt"), "hello, reader");

    std::string bytes = buildArchive(threeMembers());
    auto* buffer = new unsigned char[bytes.size()];
    std::memcpy(buffer, bytes.data(), bytes.size());
    auto* memory = new CMemFileBuf(buffer, static_cast<unsigned>(bytes.size()));
    char name[CFILEBUF_HANDLE_NAME_SIZE];
    CFileBuf::MakeHandleName(memory->RegisterHandle(), name);
    // Writable, but a rewrite would be lost with the stream. The archive's CFile takes the
    // stream over and destroys it when the archive closes.
    ASSERT_TRUE(archive.OpenArchive(name, 1, "", false, 0));
    EXPECT_EQ(memberText(archive, "readme.txt"), "hello, reader");
    // An own handle cannot be had on a stream: the member shares the archive's.
    EXPECT_EQ(memberText(archive, "data/img.png", CFILE_ZIP_OWN_HANDLE), "picture bytes");
    EXPECT_FALSE(archive.EnableWrites());
}

using ZipReadDeathTest = ZipRead;

TEST_F(ZipReadDeathTest, CompressedArchivesStopTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Member deflated{"packed.bin", "xx"};
    deflated.method = 8;
    std::string packed = write("packed.zip", buildArchive({{"plain", "p"}, deflated}));
    EXPECT_EXIT(
        {
            dup2(STDERR_FILENO, STDOUT_FILENO);
            CZipArchive archive;
            archive.OpenArchive(packed.c_str(), 0, "", false, 0);
        },
        ::testing::ExitedWithCode(255),
        "Compressed Zip File Found.*packed\\.zip has been created using an unsupported type of "
        "compression\\.  All zip archives must be created with compression set to none");
}
