#include "CorvaneCore/FileUtils.h"

#include "FileTestHelpers.h"
#include "TestSupport.h"

#include <MacPlatformTesting.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using TestSupport::pathExists;

namespace {

class FileUtils : public FileTestHelpers::InTempDirectory {};

mode_t modeOf(std::string const& path) {
    struct stat status {};
    stat(path.c_str(), &status);
    return status.st_mode & 07777;
}

} // namespace

TEST_F(FileUtils, ResolvesPathsIgnoringCaseOnDisk) {
    TestSupport::writeFile("Data/Sub/File.TXT", "x");
    // A backslash is an ordinary character in a Linux file name: a path that exists as
    // written is left alone.
    TestSupport::writeFile("odd\\name", "x");
    struct Case {
        std::string path;
        bool found;
        // What the path reads after the resolution.
        std::string resolved;
    } const cases[] = {
        {"data\\sub\\file.txt", true, "Data/Sub/File.TXT"},
        {m_dir / "DATA/SUB/FILE.txt", true, m_dir / "Data/Sub/File.TXT"},
        {"odd\\name", true, "odd\\name"},
        {"data", true, "Data"},
        // A failed resolution leaves the separators it passed as "/".
        {"data\\nothere\\file.txt", false, "Data/nothere/file.txt"},
        {"data/sub/other.txt", false, "Data/Sub/other.txt"},
        // A component directly under the root is never resolved.
        {"/TMP", false, "/TMP"},
        {m_dir / std::string(PATH_NAME_BUFFER_SIZE, 'a'), false,
         m_dir / std::string(PATH_NAME_BUFFER_SIZE, 'a')},
    };
    for (Case const& c : cases) {
        std::string buffer = c.path;
        EXPECT_EQ(FileExists(c.path.c_str()), c.found) << c.path;
        EXPECT_EQ(findFileCase(buffer.data()), c.found) << c.path;
        EXPECT_EQ(buffer, c.resolved);
    }
    EXPECT_FALSE(FileExists(nullptr));
}

TEST_F(FileUtils, SplitsAndJoinsPathTexts) {
    EXPECT_STREQ(GetFileNameFromPathName("a/b\\c.txt"), "c.txt");
    EXPECT_STREQ(GetFileNameFromPathName("dir/"), "");
    EXPECT_STREQ(GetFileNameFromPathName(nullptr), "In Path Name Null!");
    char path[64] = "a/b/c.txt";
    EXPECT_EQ(StripFileNameFromPathName(path), path + 4);
    EXPECT_STREQ(path, "a/b/");
    for (auto [directory, joined] :
         {std::pair{"dir", "dir/f"}, {"dir/", "dir/f"}, {"dir\\", "dir\\f"}, {"", "f"}}) {
        char buffer[64];
        std::strcpy(buffer, directory);
        EXPECT_EQ(AppendFileNameToDirectoryName(buffer, "f"), buffer + std::strlen(joined) - 1);
        EXPECT_STREQ(buffer, joined) << directory;
    }
    char output[64];
    EXPECT_STREQ(MakePathName(output, "base", "name.zip"), "name.zip");
    EXPECT_STREQ(output, "base/name.zip");
}

TEST_F(FileUtils, CreatesMissingDirectoriesInsideExistingOnesOfAnyCase) {
    TestSupport::makeDirectories("X");
    EXPECT_TRUE(CreateDirectoryRecursive("x/y/z"));
    EXPECT_TRUE(pathExists("X/y/z"));
    EXPECT_FALSE(pathExists("x"));
    EXPECT_TRUE(CreateDirectoryRecursive((m_dir.path() + "\\a\\b\\").c_str()));
    EXPECT_TRUE(pathExists("a/b"));
    EXPECT_TRUE(CreateDirectoryRecursive("A/B"));
    // A file in the way cannot become a directory.
    TestSupport::writeFile("file", "x");
    EXPECT_FALSE(CreateDirectoryRecursive("file/sub"));
    EXPECT_FALSE(
        CreateDirectoryRecursive((m_dir / std::string(PATH_NAME_BUFFER_SIZE, 'a')).c_str()));
}

TEST_F(FileUtils, ReadOnlyAttributeRoundTrip) {
    TestSupport::writeFile("file.txt", "x");
    chmod("file.txt", 0640);
    EXPECT_FALSE(DoesFileHaveReadOnlyAttribute("missing.txt"));
    // The check behind DoesFileHaveReadOnlyAttribute is access(W_OK), which root passes on any
    // file; the child checks as an ordinary user would, by a name in other case too.
    auto roundTrip = []() -> std::string {
        SetFileReadOnlyAttribute("file.txt", true);
        if ((modeOf("file.txt") & 0222) != 0 || !DoesFileHaveReadOnlyAttribute("FILE.TXT")) {
            return "not read-only after setting it";
        }
        SetFileReadOnlyAttribute("FILE.TXT", false);
        if ((modeOf("file.txt") & 0222) != 0222 || DoesFileHaveReadOnlyAttribute("file.txt")) {
            return "still read-only after clearing it";
        }
        return "";
    };
    EXPECT_EXIT(FileTestHelpers::exitWithCheck(".", true, roundTrip), ::testing::ExitedWithCode(0),
                "");
    // Only the write bits change: 0640 went to 0440 and back to 0662.
    EXPECT_EQ(modeOf("file.txt"), 0662u);
}

TEST_F(FileUtils, TickCountRoundsMicrosecondsToTheNearestMillisecond) {
    MacPlatformTestSetMicroseconds(true, 1499);
    EXPECT_EQ(GetSystemTickCount(), 1u);
    MacPlatformTestSetMicroseconds(true, (UINT64_C(1) << 32) * 1000 + 7500);
    EXPECT_EQ(GetSystemTickCount(), 8u);
    MacPlatformTestSetMicroseconds(false, 0);
}

// The main bundle and GetProgramPath's cache are process-wide, so the scenario that changes
// them runs in a child of its own, which leaves with _exit so that nothing of it outlives it.
TEST_F(FileUtils, ProgramPathIsTheBundlesResourcesDirectoryCachedForTheProcess) {
    std::string first = m_dir / "First.app";
    std::string macos = m_dir / "Plain/Contents/MacOS";
    TestSupport::makeDirectories(first + "/Contents/Resources/");
    TestSupport::makeDirectories(macos + "/Resources");
    auto scenario = [&]() -> std::string {
        char path[PATH_NAME_BUFFER_SIZE];
        char tiny[8];
        // A program whose bundle is its own MacOS folder with a Resources folder inside.
        MacPlatformTestSetMainBundlePath(macos.c_str());
        if (!FindProgramPathUncached(path, sizeof(path)) || path != m_dir / "Plain") {
            return "MacOS folder bundle";
        }
        MacPlatformTestSetMainBundlePath(first.c_str());
        // Too small a buffer fails instead of writing past it.
        if (FindProgramPathUncached(tiny, sizeof(tiny)) || FindProgramPathUncached(tiny, 0)) {
            return "too small a buffer";
        }
        if (!GetProgramPath(path, sizeof(path)) || path != first + "/Contents/Resources") {
            return std::string("first lookup: ") + path;
        }
        MacPlatformTestSetMainBundlePath(macos.c_str());
        // Cached; a short buffer receives the cut text, always terminated.
        if (!GetProgramPath(tiny, 5) || tiny != first.substr(0, 4)) {
            return "not cached, or not cut";
        }
        char cwd[PATH_MAX];
        if (SetCurrentDirectoryToProgramDirectory() != 0 || !getcwd(cwd, sizeof(cwd)) ||
            cwd != first + "/Contents/Resources") {
            return "current directory";
        }
        return "";
    };
    EXPECT_EXIT(FileTestHelpers::exitWithCheck(".", false, scenario), ::testing::ExitedWithCode(0),
                "");
}
