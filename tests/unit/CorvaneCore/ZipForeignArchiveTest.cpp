// Archives written at test time by other tools: Python's zipfile and Info-ZIP's zip -0. Every
// member reads back byte for byte, by its exact name and by the same name in other letter case.
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
        StreamPtr exact(archive.OpenAFileWithinArchive(name.c_str(), 0));
        ASSERT_NE(exact, nullptr) << name;
        ASSERT_EQ(exact->GetLength(), content.size()) << name;
        EXPECT_TRUE(readAll(exact.get()) == content) << name;
        StreamPtr otherCase(archive.OpenAFileWithinArchive(swapCase(name).c_str(), 0));
        ASSERT_NE(otherCase, nullptr) << swapCase(name);
        EXPECT_TRUE(readAll(otherCase.get()) == content) << swapCase(name);
    }
}

class ZipForeign : public ::testing::Test {
protected:
    void SetUp() override {
        std::mt19937 random(2024);
        m_folder = m_dir / "content";
        TestSupport::writeFile(m_folder + "/Textures/Stone.PNG", randomBytes(random, 70000));
        TestSupport::writeFile(m_folder + "/Textures/lower.bin", randomBytes(random, 1));
        TestSupport::writeFile(m_folder + "/Sounds/Deep/Boom.WAV", randomBytes(random, 4096));
        TestSupport::writeFile(m_folder + "/ReadMe.TXT", "Mixed Case Names\r\n");
        TestSupport::writeFile(m_folder + "/empty.dat", "");
        TestSupport::makeDirectories(m_folder + "/EmptyFolder");
    }

    TestSupport::TempDir m_dir;
    std::string m_folder;
};

} // namespace

TEST_F(ZipForeign, PythonZipfileArchive) {
    std::string archive = m_dir / "python.zip";
    ASSERT_TRUE(zipFolderWithPython(m_folder, archive));
    expectEveryMemberReadsBack(archive, filesUnder(m_folder));
}

TEST_F(ZipForeign, InfoZipStoredArchive) {
    std::string archive = m_dir / "infozip.zip";
    ASSERT_TRUE(zipFolderWithInfoZip(m_folder, archive));
    expectEveryMemberReadsBack(archive, filesUnder(m_folder));
}

TEST(ZipForeignLarge, PythonArchiveOfAThousandMembers) {
    TestSupport::TempDir dir;
    std::mt19937 random(99);
    std::string folder = dir / "many";
    for (int i = 0; i < 1000; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/Group%d/Member_%04d.Bin", i % 7, i);
        TestSupport::writeFile(folder + name, randomBytes(random, random() % 600));
    }
    std::string archive = dir / "many.zip";
    ASSERT_TRUE(zipFolderWithPython(folder, archive));
    auto expected = filesUnder(folder);
    ASSERT_EQ(expected.size(), 1007u);
    expectEveryMemberReadsBack(archive, expected);
}
