#include "CorvaneCore/File.h"
#include "CorvaneCore/ZipArchive.h"
#include "CorvaneCore/ZipArchiveWriter.h"
#include "TestSupport.h"
#include "ZipTestHelpers.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <map>
#include <random>

using namespace ZipTest;

namespace {

constexpr CWriteOption kWritable = 1;

// The name with the case of every letter swapped at random: the reader must not care.
std::string recased(std::mt19937& random, std::string name) {
    for (char& c : name) {
        unsigned char u = static_cast<unsigned char>(c);
        c = static_cast<char>(random() % 2 ? std::toupper(u) : std::tolower(u));
    }
    return name;
}

// The members our reader does not find, by a recased name, with the model's content.
std::vector<std::string> wrongMembers(std::string const& path,
                                      std::map<std::string, std::string> const& model,
                                      std::mt19937& random) {
    std::vector<std::string> wrong;
    CZipArchive archive;
    EXPECT_TRUE(archive.OpenArchive(path.c_str(), 0, "", false, 0)) << path;
    EXPECT_EQ(archive.GetNumEntries(), model.size());
    for (auto const& [name, content] : model) {
        if (memberText(archive, recased(random, name).c_str()) != content) {
            wrong.push_back(name);
        }
    }
    return wrong;
}

// One line "name size crc" per member, sorted, as Python's zipfile reads the archive (checking
// the CRC its headers give), or as the model expects it.
std::string pythonListing(std::string const& path) {
    static char const* const script = R"(
import sys, zipfile, zlib
archive = zipfile.ZipFile(sys.argv[1])
for i in sorted(archive.infolist(), key=lambda i: i.filename):
    print(i.filename, i.file_size, zlib.crc32(archive.read(i)))
)";
    std::string listing;
    FILE* pipe = popen((python() + " -c " + quote(script) + " " + quote(path)).c_str(), "r");
    char buffer[4096];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe)) {
        listing += buffer;
    }
    EXPECT_TRUE(pipe && pclose(pipe) == 0) << "zipfile could not read " << path;
    return listing;
}

std::string modelListing(std::map<std::string, std::string> const& model) {
    std::string listing;
    for (auto const& [name, content] : model) {
        listing += name + " " + std::to_string(content.size()) + " " +
                   std::to_string(crcOf(content)) + "\n";
    }
    return listing;
}

} // namespace

// An archive written by Info-ZIP's zip -0 (whose extra fields differ between the local and
// central headers) of a random tree, then random members rewritten in place and new ones
// appended: after every change our reader finds every member by its name in any letter case,
// and, before anything is appended, Python's zipfile reads the same members with valid CRCs.
// (Appended members carry no CRC, and the alternative end signature is ours alone.)
TEST(ZipRewrite, RandomRewritesAndAppendsMatchAModelAndPythonsZipfile) {
    TestSupport::TempDir dir;
    std::mt19937 random(1234);
    std::map<std::string, std::string> model;
    // Enough members that a lookup goes through the name index, not past a few entries.
    for (int i = 0; i < 400; ++i) {
        std::string name = "Group" + std::to_string(i % 7) + "/sub" + std::to_string(i % 3) +
                           recased(random, "/member_" + std::to_string(i) + ".bin");
        model[name] = randomBytes(random, i % 50 == 0 ? 70000 : random() % 700);
        TestSupport::writeFile(dir / ("tree/" + name), model[name]);
        for (std::size_t slash = name.find('/'); slash != std::string::npos;
             slash = name.find('/', slash + 1)) {
            model[name.substr(0, slash + 1)] = "";
        }
    }
    std::string const path = dir / "infozip.zip";
    ASSERT_TRUE(zipFolderWithInfoZip(dir / "tree", path));
    EXPECT_EQ(wrongMembers(path, model, random), std::vector<std::string>{});

    for (int step = 0; step < 40; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        std::string const content = randomBytes(random, random() % 3 ? random() % 900 : 0);
        if (step < 20 || random() % 2) {
            auto member = model.begin();
            do {
                member = std::next(model.begin(), random() % model.size());
            } while (member->first.back() == '/');
            rewrite(path, recased(random, member->first).c_str(), content);
            member->second = content;
        } else {
            std::string const name = "Added/New" + std::to_string(step) + ".TXT";
            CFile file;
            ASSERT_TRUE(file.Open((path + ";" + name).c_str(), CFILE_CREATE | CFILE_WRITE));
            EXPECT_EQ(file.Write(content.data(), static_cast<unsigned>(content.size())),
                      content.size());
            // Writing again from part-way leaves the member as it is; its header is out of reach.
            std::size_t const from = content.size() / 3;
            ASSERT_TRUE(file.SeekAbsolute(static_cast<int>(from)));
            EXPECT_FALSE(file.SeekRelative(-static_cast<int>(from) - 1));
            file.Write(content.data() + from, static_cast<unsigned>(content.size() - from));
            EXPECT_EQ(file.GetLength() + file.GetPosition(), 2 * content.size());
            model[name] = content;
        }
        ASSERT_EQ(wrongMembers(path, model, random), std::vector<std::string>{});
        if (step == 19) {
            EXPECT_EQ(pythonListing(path), modelListing(model));
        }
    }
}

// The last member is rewritten in place; a longer write cut short leaves nothing behind.
TEST(ZipRewrite, WriteStreamSeeksAndSetsItsLength) {
    TestSupport::TempDir dir;
    std::string path = writeArchive(dir / "a.zip", {{"a", "aaaa"}, {"b", "bbbb"}});
    {
        CZipArchive archive;
        ASSERT_TRUE(archive.OpenArchive(path.c_str(), kWritable, "", true, 0));
        StreamPtr stream(archive.OpenAFileWithinArchive("B", CFILE_READ | CFILE_WRITE));
        ASSERT_NE(stream, nullptr);
        EXPECT_EQ(stream->Write("0123456789", 10), 10u);
        ASSERT_TRUE(stream->SeekAbsolute(2));
        EXPECT_EQ(stream->Write("xy", 2), 2u);
        stream->SetLength(6);
        ASSERT_TRUE(stream->SeekAbsolute(0));
        EXPECT_EQ(readAll(stream.get()), "01xy45");
        // A reader opened during the rewrite keeps working after it.
        StreamPtr reader(archive.OpenAFileWithinArchive("a", 0));
        stream.reset();
        EXPECT_EQ(readAll(reader.get()), "aaaa");
    }
    EXPECT_EQ(readEverything(path),
              (std::map<std::string, std::string>{{"a", "aaaa"}, {"b", "01xy45"}}));
    // Two local headers with their names and data, two central entries, the end record.
    EXPECT_EQ(TestSupport::readFile(path).size(), 30 + 1 + 4 + 30 + 1 + 6 + 2 * (46 + 1) + 22u);
}

TEST(ZipRewrite, RefusedRewritesAndAppendsLeaveTheFileAlone) {
    TestSupport::TempDir dir;
    std::string path = writeArchive(dir / "a.zip", {{"a", "aaaa"}, {"b", "bbbb"}});
    std::string const before = TestSupport::readFile(path);
    {
        // Rewrites need a write option, a disk file and no open member streams.
        CZipArchive readOnly;
        ASSERT_TRUE(readOnly.OpenArchive(path.c_str(), 0, "", false, 0));
        EXPECT_EQ(readOnly.OpenAFileWithinArchive("a", CFILE_WRITE), nullptr);
        CZipArchive inMemory;
        ASSERT_TRUE(
            inMemory.OpenArchive(path.c_str(), kWritable, "", false, CFILE_LOAD_INTO_MEMORY));
        EXPECT_FALSE(inMemory.EnableWrites());
        CZipArchive archive;
        ASSERT_TRUE(archive.OpenArchive(path.c_str(), kWritable, "", false, 0));
        StreamPtr shared(archive.OpenAFileWithinArchive("b", 0));
        EXPECT_EQ(archive.OpenAFileWithinArchive("a", CFILE_WRITE), nullptr);
        shared.reset();
        StreamPtr own(archive.OpenAFileWithinArchive("b", CFILE_ZIP_OWN_HANDLE));
        EXPECT_FALSE(archive.EnableWrites());
        own.reset();
        EXPECT_TRUE(archive.EnableWrites());
        // Enabling writes alone changes nothing on disk.
        archive.CommitChangesAndDisableWrites();
    }
    // Appends need an archive with an end record and a name of 1 to 1024 bytes.
    TestSupport::writeFile(dir / "plain.txt", "no end record");
    using Append = std::pair<std::string, std::string>;
    for (auto const& [archive, member] :
         {Append{dir / "plain.txt", "x"}, Append{dir / "absent.zip", "x"},
          Append{path, std::string(1025, 'n')}, Append{path, ""}}) {
        EXPECT_EQ(ZipFileOpenCreateAppendToArchive(archive.c_str(), member.c_str()), nullptr)
            << archive << " " << member.size();
    }
    CFile file;
    EXPECT_FALSE(file.Open((path + ";").c_str(), CFILE_CREATE | CFILE_WRITE));
    EXPECT_EQ(TestSupport::readFile(path), before);
    EXPECT_EQ(TestSupport::readFile(dir / "plain.txt"), "no end record");
    EXPECT_FALSE(TestSupport::pathExists(dir / "absent.zip"));
    StreamPtr(ZipFileOpenCreateAppendToArchive(path.c_str(), std::string(1024, 'n').c_str()))
        ->Write("L", 1);
    EXPECT_EQ(readEverything(path)[std::string(1024, 'n')], "L");
}
