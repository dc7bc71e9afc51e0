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

using TestSupport::TempDir;

namespace {

// A writable copy of a path text, as the functions that rewrite paths need.
struct PathBuffer {
    explicit PathBuffer(std::string const& text) {
        std::strncpy(data, text.c_str(), sizeof(data) - 1);
        data[sizeof(data) - 1] = '\0';
    }
    char data[PATH_NAME_BUFFER_SIZE];
};

// Runs the body in the current directory given, restoring the old one afterwards.
class CurrentDirectory {
public:
    explicit CurrentDirectory(std::string const& path) {
        if (!getcwd(m_saved, sizeof(m_saved)) || chdir(path.c_str()) != 0) {
            ADD_FAILURE() << "cannot change to " << path;
        }
    }
    ~CurrentDirectory() {
        if (chdir(m_saved) != 0) {
            ADD_FAILURE() << "cannot return to " << m_saved;
        }
    }

private:
    char m_saved[PATH_MAX];
};

std::string tooLongPath(std::string const& base) {
    return base + "/" + std::string(PATH_NAME_BUFFER_SIZE, 'a');
}

mode_t modeOf(std::string const& path) {
    struct stat status {};
    stat(path.c_str(), &status);
    return status.st_mode & 07777;
}

} // namespace

TEST(FileUtils, ResolvesPathsIgnoringCaseOnDisk) {
    TempDir dir;
    TestSupport::writeFile(dir / "Data/Sub/File.TXT", "x");

    EXPECT_TRUE(FileExists((dir.path() + "\\data\\sub\\file.txt").c_str()));
    EXPECT_TRUE(FileExists((dir / "DATA/SUB/FILE.txt").c_str()));
    EXPECT_FALSE(FileExists((dir / "data/sub/other.txt").c_str()));
    EXPECT_FALSE(FileExists((dir / "data/nothere/file.txt").c_str()));
    EXPECT_FALSE(FileExists(nullptr));

    PathBuffer lower(dir / "data\\sub\\file.txt");
    EXPECT_TRUE(findFileCase(lower.data));
    EXPECT_EQ(std::string(lower.data), dir / "Data/Sub/File.TXT");

    // A backslash is an ordinary character in a Linux file name: a path that exists as
    // written is left alone.
    TestSupport::writeFile(dir / "odd\\name", "x");
    PathBuffer exact(dir / "odd\\name");
    EXPECT_TRUE(findFileCase(exact.data));
    EXPECT_EQ(std::string(exact.data), dir / "odd\\name");
    // A component directly under the root is never resolved.
    PathBuffer root("/TMP");
    EXPECT_FALSE(searchForCase(root.data));
    EXPECT_STREQ(root.data, "/TMP");

    // A failed resolution leaves the separators it passed as "/".
    PathBuffer missing(dir / "data\\nothere\\file.txt");
    EXPECT_FALSE(findFileCase(missing.data));
    EXPECT_EQ(std::string(missing.data), dir / "Data/nothere/file.txt");

    // Relative paths resolve against the current directory.
    CurrentDirectory inside(dir.path());
    PathBuffer relative("data/SUB/file.txt");
    EXPECT_TRUE(findFileCase(relative.data));
    EXPECT_STREQ(relative.data, "Data/Sub/File.TXT");
    PathBuffer single("data");
    EXPECT_TRUE(searchForCase(single.data));
    EXPECT_STREQ(single.data, "Data");
}

TEST(FileUtils, OverLongPathsAreRefused) {
    TempDir dir;
    std::string longPath = tooLongPath(dir.path());
    EXPECT_FALSE(FileExists(longPath.c_str()));
    EXPECT_FALSE(CreateDirectoryRecursive(longPath.c_str()));
    EXPECT_FALSE(DoesFileHaveReadOnlyAttribute(longPath.c_str()));
    SetFileReadOnlyAttribute(longPath.c_str(), true);

    std::string buffer = longPath;
    EXPECT_FALSE(findFileCase(buffer.data()));
    EXPECT_FALSE(searchForCase(buffer.data()));
    EXPECT_EQ(buffer, longPath);
}

TEST(FileUtils, SplitsAndJoinsPathTexts) {
    EXPECT_STREQ(GetFileNameFromPathName("a/b\\c.txt"), "c.txt");
    EXPECT_STREQ(GetFileNameFromPathName("c.txt"), "c.txt");
    EXPECT_STREQ(GetFileNameFromPathName("dir/"), "");
    EXPECT_STREQ(GetFileNameFromPathName(nullptr), "In Path Name Null!");

    char path[64] = "a/b/c.txt";
    char* cut = StripFileNameFromPathName(path);
    EXPECT_STREQ(path, "a/b/");
    EXPECT_EQ(cut, path + 4);
    char bare[16] = "c.txt";
    EXPECT_EQ(StripFileNameFromPathName(bare), bare);
    EXPECT_STREQ(bare, "");

    for (auto [directory, joined] :
         {std::pair{"dir", "dir/f"}, {"dir/", "dir/f"}, {"dir\\", "dir\\f"}, {"", "f"}}) {
        char buffer[64];
        std::strcpy(buffer, directory);
        char* name = AppendFileNameToDirectoryName(buffer, "f");
        EXPECT_STREQ(buffer, joined) << directory;
        EXPECT_EQ(name, buffer + std::strlen(joined) - 1) << directory;
    }

    char output[64];
    char* inOutput = MakePathName(output, "base", "name.zip");
    EXPECT_STREQ(output, "base/name.zip");
    EXPECT_STREQ(inOutput, "name.zip");
}

TEST(FileUtils, CreatesMissingDirectoriesInsideExistingOnesOfAnyCase) {
    TempDir dir;
    TestSupport::makeDirectories(dir / "X");
    EXPECT_TRUE(CreateDirectoryRecursive((dir / "x/y/z").c_str()));
    EXPECT_TRUE(TestSupport::pathExists(dir / "X/y/z"));
    EXPECT_FALSE(TestSupport::pathExists(dir / "x"));

    EXPECT_TRUE(CreateDirectoryRecursive((dir.path() + "\\a\\b\\").c_str()));
    EXPECT_TRUE(TestSupport::pathExists(dir / "a/b"));
    // Already there: nothing to do, still a success.
    EXPECT_TRUE(CreateDirectoryRecursive((dir / "A/B").c_str()));

    // A file in the way cannot become a directory.
    TestSupport::writeFile(dir / "file", "x");
    EXPECT_FALSE(CreateDirectoryRecursive((dir / "file/sub").c_str()));
}

TEST(FileUtils, ReadOnlyAttributeRoundTrip) {
    TempDir dir;
    TestSupport::writeFile(dir / "file.txt", "x");
    chmod((dir / "file.txt").c_str(), 0640);
    EXPECT_FALSE(DoesFileHaveReadOnlyAttribute((dir / "missing.txt").c_str()));
    SetFileReadOnlyAttribute((dir / "missing.txt").c_str(), true);
    // The check behind DoesFileHaveReadOnlyAttribute is access(W_OK), which root passes on any
    // file; the child checks as an ordinary user would, by a relative name in other case too.
    auto roundTrip = []() -> std::string {
        SetFileReadOnlyAttribute("file.txt", true);
        if ((modeOf("file.txt") & 0222) != 0 || !DoesFileHaveReadOnlyAttribute("file.txt")) {
            return "not read-only after setting it";
        }
        if (!DoesFileHaveReadOnlyAttribute("FILE.TXT")) {
            return "not found under another case";
        }
        SetFileReadOnlyAttribute("FILE.TXT", false);
        if ((modeOf("file.txt") & 0222) != 0222 || DoesFileHaveReadOnlyAttribute("file.txt")) {
            return "still read-only after clearing it";
        }
        return "";
    };
    EXPECT_EXIT(FileTestHelpers::exitWithCheck(dir.path(), true, roundTrip),
                ::testing::ExitedWithCode(0), "");
    // Only the write bits change: 0640 went to 0440 and back to 0662.
    EXPECT_EQ(modeOf(dir / "file.txt"), 0662u);
}

TEST(FileUtils, TickCountRoundsMicrosecondsToTheNearestMillisecond) {
    MacPlatformTestSetMicroseconds(true, 1499);
    EXPECT_EQ(GetSystemTickCount(), 1u);
    MacPlatformTestSetMicroseconds(true, 1500);
    EXPECT_EQ(GetSystemTickCount(), 2u);
    // Past 2^32 milliseconds the count wraps.
    MacPlatformTestSetMicroseconds(true, (UINT64_C(1) << 32) * 1000 + 7000);
    EXPECT_EQ(GetSystemTickCount(), 7u);
    MacPlatformTestSetMicroseconds(false, 0);
}

// The main bundle and GetProgramPath's cache are process-wide, so the scenario that changes
// them runs in a child of its own, which leaves with _exit so that nothing of it outlives it.
TEST(FileUtils, ProgramPathIsTheBundlesResourcesDirectoryCachedForTheProcess) {
    TempDir dir;
    std::string first = dir / "First.app";
    std::string macos = dir / "Plain/Contents/MacOS";
    TestSupport::makeDirectories(first + "/Contents/Resources/");
    TestSupport::makeDirectories(macos + "/Resources");
    auto scenario = [&]() -> std::string {
        char path[PATH_NAME_BUFFER_SIZE];
        char tiny[8];
        // A program whose bundle is its own MacOS folder with a Resources folder inside.
        MacPlatformTestSetMainBundlePath(macos.c_str());
        if (!FindProgramPathUncached(path, sizeof(path)) || path != dir / "Plain") {
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
        if (!GetProgramPath(path, sizeof(path)) || path != first + "/Contents/Resources") {
            return std::string("not cached: ") + path;
        }
        // A short buffer receives the cut text, always terminated.
        if (!GetProgramPath(tiny, 5) || tiny != first.substr(0, 4)) {
            return "short buffer";
        }
        char cwd[PATH_MAX];
        if (SetCurrentDirectoryToProgramDirectory() != 0 || !getcwd(cwd, sizeof(cwd)) ||
            cwd != first + "/Contents/Resources") {
            return "current directory";
        }
        return "";
    };
    EXPECT_EXIT(FileTestHelpers::exitWithCheck(dir.path(), false, scenario),
                ::testing::ExitedWithCode(0), "");
}

TEST(FileUtils, SystemMessageIsOneConsoleLine) {
    testing::internal::CaptureStdout();
    ShowSystemMessage("Bad Zip file", "Unable to open");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "SYSTEM MESSAGE: Bad Zip file ... Unable to open\n");
}
