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
        char cwd[PATH_MAX];
        std::string failed;
        auto check = [&failed](bool ok, char const* what) { failed += ok ? "" : what; };
        // A program whose bundle is its own MacOS folder with a Resources folder inside.
        MacPlatformTestSetMainBundlePath(macos.c_str());
        check(FindProgramPathUncached(path, sizeof(path)) && path == m_dir / "Plain", "MacOS; ");
        MacPlatformTestSetMainBundlePath(first.c_str());
        // Too small a buffer fails instead of writing past it.
        check(!FindProgramPathUncached(tiny, sizeof(tiny)) && !FindProgramPathUncached(tiny, 0),
              "too small a buffer; ");
        check(GetProgramPath(path, sizeof(path)) && path == first + "/Contents/Resources",
              "first lookup; ");
        MacPlatformTestSetMainBundlePath(macos.c_str());
        // Cached; a short buffer receives the cut text, always terminated.
        check(GetProgramPath(tiny, 5) && tiny == first.substr(0, 4), "not cached or not cut; ");
        check(SetCurrentDirectoryToProgramDirectory() == 0 && getcwd(cwd, sizeof(cwd)) &&
                  cwd == first + "/Contents/Resources",
              "current directory");
        return failed;
    };
    EXPECT_EXIT(FileTestHelpers::exitWithCheck(".", false, scenario), ::testing::ExitedWithCode(0),
                "");
}
