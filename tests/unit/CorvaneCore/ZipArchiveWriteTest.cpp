#include "CorvaneCore/File.h"
#include "CorvaneCore/ZipArchive.h"
#include "CorvaneCore/ZipArchiveWriter.h"
#include "TestSupport.h"
#include "ZipTestHelpers.h"

#include <gtest/gtest.h>

#include <map>

using namespace ZipTest;

namespace {

constexpr CWriteOption kWritable = 1;

std::string writeArchive(TestSupport::TempDir const& dir, std::vector<Member> const& members) {
    std::string path = dir / "a.zip";
    TestSupport::writeFile(path, buildArchive(members));
    return path;
}

} // namespace

TEST(ZipRewrite, OnlyMemberIsRewrittenInPlace) {
    TestSupport::TempDir dir;
    std::string path = writeArchive(dir, {{"only.txt", "old content that is rather long"}});
    rewrite(path, "ONLY.TXT", "new");
    EXPECT_EQ(readEverything(path), (std::map<std::string, std::string>{{"only.txt", "new"}}));
    // Local header, name, data, central entry, name, end record: nothing else is left.
    EXPECT_EQ(TestSupport::readFile(path).size(), 30 + 8 + 3 + 46 + 8 + 22u);
}

TEST(ZipRewrite, FirstOfThreeMovesToTheEnd) {
    TestSupport::TempDir dir;
    std::string path =
        writeArchive(dir, {{"one", "first member"}, {"two", "second member"}, {"three", "third"}});
    rewrite(path, "one", "the first member, rewritten and longer than before");

    CZipArchive archive;
    ASSERT_TRUE(archive.OpenArchive(path.c_str(), 0, "", false, 0));
    ASSERT_EQ(archive.GetNumEntries(), 3u);
    EXPECT_STREQ(archive.GetEntry(0)->m_pName, "two");
    EXPECT_STREQ(archive.GetEntry(1)->m_pName, "three");
    EXPECT_STREQ(archive.GetEntry(2)->m_pName, "one");
    EXPECT_EQ(archive.GetEntry(0)->m_LocalHeaderOffset, 0u);
    EXPECT_EQ(readEverything(path),
              (std::map<std::string, std::string>{
                  {"one", "the first member, rewritten and longer than before"},
                  {"two", "second member"},
                  {"three", "third"}}));
    EXPECT_TRUE(unzipTestPasses(path));
    EXPECT_TRUE(pythonTestzipPasses(path));
}

TEST(ZipRewrite, WriteStreamSeeksAndSetsItsLength) {
    TestSupport::TempDir dir;
    std::string path = writeArchive(dir, {{"a", "aaaa"}, {"b", "bbbb"}});
    {
        CZipArchive archive;
        ASSERT_TRUE(archive.OpenArchive(path.c_str(), kWritable, "", true, 0));
        StreamPtr stream(archive.OpenAFileWithinArchive("a", CFILE_READ | CFILE_WRITE));
        ASSERT_NE(stream, nullptr);
        EXPECT_EQ(stream->Write("0123456789", 10), 10u);
        ASSERT_TRUE(stream->SeekAbsolute(2));
        EXPECT_EQ(stream->Write("xy", 2), 2u);
        EXPECT_EQ(stream->GetLength(), 10u);
        stream->SetLength(6);
        EXPECT_EQ(stream->GetLength(), 6u);
        ASSERT_TRUE(stream->SeekAbsolute(0));
        EXPECT_EQ(readAll(stream.get()), "01xy45");
    }
    EXPECT_EQ(readEverything(path),
              (std::map<std::string, std::string>{{"a", "01xy45"}, {"b", "bbbb"}}));
    EXPECT_TRUE(unzipTestPasses(path));
}

TEST(ZipRewrite, WritesNeedAWriteOptionAndNoOpenStreams) {
    TestSupport::TempDir dir;
    std::string path = writeArchive(dir, {{"a", "aaaa"}, {"b", "bbbb"}});
    std::string const before = TestSupport::readFile(path);
    {
        CZipArchive readOnly;
        ASSERT_TRUE(readOnly.OpenArchive(path.c_str(), 0, "", false, 0));
        EXPECT_FALSE(readOnly.EnableWrites());
        EXPECT_EQ(readOnly.OpenAFileWithinArchive("a", CFILE_WRITE), nullptr);
        CZipArchive inMemory;
        ASSERT_TRUE(
            inMemory.OpenArchive(path.c_str(), kWritable, "", false, CFILE_LOAD_INTO_MEMORY));
        EXPECT_FALSE(inMemory.EnableWrites());
    }
    {
        CZipArchive archive;
        ASSERT_TRUE(archive.OpenArchive(path.c_str(), kWritable, "", false, 0));
        StreamPtr shared(archive.OpenAFileWithinArchive("b", 0));
        ASSERT_NE(shared, nullptr);
        EXPECT_FALSE(archive.EnableWrites());
        EXPECT_EQ(archive.OpenAFileWithinArchive("a", CFILE_WRITE), nullptr);
        shared.reset();
        StreamPtr own(archive.OpenAFileWithinArchive("b", CFILE_ZIP_OWN_HANDLE));
        ASSERT_NE(own, nullptr);
        EXPECT_FALSE(archive.EnableWrites());
        own.reset();
        EXPECT_TRUE(archive.EnableWrites());
        // Enabling writes alone changes nothing on disk.
        archive.CommitChangesAndDisableWrites();
    }
    EXPECT_EQ(TestSupport::readFile(path), before);
}

TEST(ZipRewrite, ReadersOpenedDuringARewriteKeepWorking) {
    TestSupport::TempDir dir;
    std::string path = writeArchive(dir, {{"a", "aaaa"}, {"b", "bbbb"}});
    CZipArchive archive;
    ASSERT_TRUE(archive.OpenArchive(path.c_str(), kWritable, "", false, 0));
    StreamPtr writer(archive.OpenAFileWithinArchive("a", CFILE_WRITE));
    ASSERT_NE(writer, nullptr);
    StreamPtr reader(archive.OpenAFileWithinArchive("b", 0));
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(writer->Write("AAAAAAAA", 8), 8u);
    writer.reset();
    EXPECT_EQ(readAll(reader.get()), "bbbb");
    reader.reset();
    EXPECT_EQ(memberText(archive, "a"), "AAAAAAAA");
}

TEST(ZipAppend, AppendedMemberReadsBack) {
    TestSupport::TempDir dir;
    // A directory much longer than the new member: its old bytes must not leak into it.
    std::vector<Member> members;
    for (int i = 0; i < 20; ++i) {
        members.push_back({"member-with-a-long-name-" + std::to_string(i), std::to_string(i)});
    }
    std::string path = writeArchive(dir, members);
    {
        CFile file;
        ASSERT_TRUE(file.Open((path + ";Added/New.txt").c_str(), CFILE_CREATE | CFILE_WRITE));
        EXPECT_EQ(file.Write("fresh", 5), 5u);
        EXPECT_EQ(file.GetLength(), 5u);
        EXPECT_EQ(file.GetPosition(), 5u);
        ASSERT_TRUE(file.SeekAbsolute(1));
        EXPECT_EQ(file.Write("R", 1), 1u);
        EXPECT_FALSE(file.SeekRelative(-3));
    }
    {
        CFile file;
        ASSERT_TRUE(file.Open((path + ";second").c_str(), CFILE_CREATE | CFILE_WRITE));
        EXPECT_EQ(file.Write("22", 2), 2u);
    }
    CZipArchive archive;
    ASSERT_TRUE(archive.OpenArchive(path.c_str(), 0, "", false, 0));
    EXPECT_EQ(archive.GetEndSignature(), 0x06055643u);
    EXPECT_EQ(archive.GetNumEntries(), 22u);
    EXPECT_EQ(memberText(archive, "added/new.txt"), "fResh");
    EXPECT_EQ(memberText(archive, "second"), "22");
    EXPECT_EQ(memberText(archive, "member-with-a-long-name-7"), "7");
}

TEST(ZipAppend, RefusedAppendsLeaveTheFileAlone) {
    TestSupport::TempDir dir;
    std::string notArchive = dir / "plain.txt";
    TestSupport::writeFile(notArchive, "this file has no end record, only some text in it");
    EXPECT_EQ(ZipFileOpenCreateAppendToArchive(notArchive.c_str(), "x"), nullptr);
    EXPECT_EQ(TestSupport::readFile(notArchive),
              "this file has no end record, only some text in it");
    EXPECT_EQ(ZipFileOpenCreateAppendToArchive((dir / "absent.zip").c_str(), "x"), nullptr);
    EXPECT_FALSE(TestSupport::pathExists(dir / "absent.zip"));

    std::string path = writeArchive(dir, {{"a", "aaaa"}});
    std::string const before = TestSupport::readFile(path);
    EXPECT_EQ(ZipFileOpenCreateAppendToArchive(path.c_str(), std::string(1025, 'n').c_str()),
              nullptr);
    EXPECT_EQ(ZipFileOpenCreateAppendToArchive(path.c_str(), ""), nullptr);
    CFile file;
    EXPECT_FALSE(file.Open((path + ";").c_str(), CFILE_CREATE | CFILE_WRITE));
    EXPECT_EQ(TestSupport::readFile(path), before);

    StreamPtr longest(
        ZipFileOpenCreateAppendToArchive(path.c_str(), std::string(1024, 'n').c_str()));
    ASSERT_NE(longest, nullptr);
    EXPECT_EQ(longest->Write("L", 1), 1u);
    longest.reset();
    CZipArchive archive;
    ASSERT_TRUE(archive.OpenArchive(path.c_str(), 0, "", false, 0));
    EXPECT_EQ(memberText(archive, std::string(1024, 'N').c_str()), "L");
}
