// An archive written at test time by Info-ZIP's zip -0, whose extra fields differ between local
// and central headers. Every member reads back byte for byte, by its exact name and by the same
// name in other letter case, and a member rewritten in it leaves an archive that other zip
// tools still find intact.
#include "CorvaneCore/ZipArchive.h"
#include "TestSupport.h"
#include "ZipTestHelpers.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>

using namespace ZipTest;

namespace {

std::string swapCase(std::string text) {
    for (char& c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        c = static_cast<char>(std::isupper(u) ? std::tolower(u) : std::toupper(u));
    }
    return text;
}

std::string randomBytes(std::mt19937& random, std::size_t size) {
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random());
    }
    return bytes;
}

// Files under folder, keyed by their name relative to it with '/' separators; folders get an
// entry with an empty content and a trailing '/'.
std::map<std::string, std::string> filesUnder(std::string const& folder) {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> files;
    for (auto const& item : fs::recursive_directory_iterator(folder)) {
        std::string relative = fs::relative(item.path(), folder).generic_string();
        if (item.is_directory()) {
            files[relative + "/"] = "";
        } else {
            files[relative] = TestSupport::readFile(item.path().string());
        }
    }
    return files;
}

void expectEveryMemberReadsBack(std::string const& archivePath,
                                std::map<std::string, std::string> const& expected) {
    CZipArchive archive;
    ASSERT_TRUE(archive.OpenArchive(archivePath.c_str(), 0, "", false, 0)) << archivePath;
    EXPECT_EQ(archive.GetNumEntries(), expected.size());
    for (auto const& [name, content] : expected) {
        for (std::string const& asked : {name, swapCase(name)}) {
            StreamPtr stream(archive.OpenAFileWithinArchive(asked.c_str(), 0));
            ASSERT_NE(stream, nullptr) << asked;
            ASSERT_EQ(stream->GetLength(), content.size()) << asked;
            EXPECT_TRUE(readAll(stream.get()) == content) << asked;
        }
    }
}

} // namespace

TEST(ZipForeign, InfoZipArchiveReadsBackAndStaysValidAfterARewrite) {
    TestSupport::TempDir dir;
    std::mt19937 random(2024);
    std::string const folder = dir / "content";
    TestSupport::writeFile(folder + "/Textures/Stone.PNG", randomBytes(random, 70000));
    TestSupport::writeFile(folder + "/Textures/lower.bin", randomBytes(random, 1));
    TestSupport::writeFile(folder + "/Sounds/Deep/Boom.WAV", randomBytes(random, 4096));
    TestSupport::writeFile(folder + "/ReadMe.TXT", "Mixed Case Names\r\n");
    TestSupport::writeFile(folder + "/empty.dat", "");
    TestSupport::makeDirectories(folder + "/EmptyFolder");
    // Enough members that a lookup goes through the name index, not past a few entries.
    for (int i = 0; i < 1000; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/Many/Group%d/Member_%04d.Bin", i % 7, i);
        TestSupport::writeFile(folder + name, randomBytes(random, random() % 600));
    }
    std::map<std::string, std::string> const expected = filesUnder(folder);
    ASSERT_EQ(expected.size(), 1000u + 5 + 12);
    std::string const path = dir / "infozip.zip";
    ASSERT_TRUE(zipFolderWithInfoZip(folder, path));
    expectEveryMemberReadsBack(path, expected);

    // The rewrite drops the central extra fields and still finds every member's data.
    rewrite(path, "textures/stone.png", "a much smaller stone");
    std::map<std::string, std::string> rewritten = expected;
    rewritten["Textures/Stone.PNG"] = "a much smaller stone";
    EXPECT_TRUE(readEverything(path) == rewritten);
    EXPECT_TRUE(unzipTestPasses(path));
    EXPECT_TRUE(pythonTestzipPasses(path));
}
