// gwbundle install and uninstall of the built test bundle under a temporary prefix, as a
// publisher runs them: the desktop entry passes desktop-file-validate, the icon lands in the
// hicolor theme at its size, and uninstall leaves the prefix exactly as it was. The bundle's
// identifier holds a 'z', the last letter the names of the installed files may use.
#include "GwbundleTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sys/stat.h>

using namespace GwbundleTest;
using GwbundleInstall = BuiltBundle;

namespace {

std::set<std::string> everythingUnder(const std::string& folder) {
    std::set<std::string> paths;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        paths.insert(entry.path().string());
    }
    return paths;
}

const char kIcon[] = "/share/icons/hicolor/64x64/apps/com.example.demo-puzzle.png";

} // namespace

TEST_F(GwbundleInstall, EntryIsValidIconHasItsSizeAndUninstallRestoresThePrefix) {
    ASSERT_EQ(access("/usr/bin/desktop-file-validate", X_OK), 0)
        << "desktop-file-validate is needed (scripts/install-deps installs desktop-file-utils)";
    // The folder's name holds characters that the entry's Exec key must quote.
    const std::string moved = dir / "Demo $Game's.app";
    std::filesystem::rename(bundle, moved);
    const std::string prefix = dir / "prefix";
    TestSupport::writeFile(prefix + "/share/applications/other-game.desktop", "kept");
    const std::set<std::string> before = everythingUnder(prefix);

    ToolResult install = runTool({"install", moved, "--prefix", prefix});
    ASSERT_EQ(install.exitStatus, 0) << install.output;
    const std::string entry = prefix + "/share/applications/com.example.demo-puzzle.desktop";
    int status = std::system(
        ("desktop-file-validate '" + entry + "' > '" + dir / "validate.txt" + "' 2>&1").c_str());
    EXPECT_EQ(status, 0) << TestSupport::readFile(dir / "validate.txt");
    EXPECT_EQ(TestSupport::readFile(dir / "validate.txt"), "");
    EXPECT_EQ(TestSupport::readFile(entry),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Name=Demo Game\n"
              "Exec=\"" +
                  dir.path() +
                  "/Demo \\\\$Game's.app/Contents/MacOS/GameWrapper\"\n"
                  "Icon=com.example.demo-puzzle\n"
                  "Terminal=false\n"
                  "Categories=Game;\n"
                  "StartupWMClass=com.example.demo-puzzle\n");
    EXPECT_EQ(TestSupport::readFile(prefix + kIcon),
              TestSupport::readFile(moved + "/Contents/Resources/Icon.png"));

    // Installing again replaces the earlier install; uninstall then removes exactly it.
    ASSERT_EQ(runTool({"install", moved, "--prefix", prefix}).exitStatus, 0);
    ToolResult uninstall = runTool({"uninstall", moved, "--prefix", prefix});
    EXPECT_EQ(uninstall.exitStatus, 0) << uninstall.output;
    EXPECT_EQ(everythingUnder(prefix), before);
    EXPECT_EQ(TestSupport::readFile(prefix + "/share/applications/other-game.desktop"), "kept");
    EXPECT_EQ(runTool({"uninstall", "com.example.demo-puzzle", "--prefix", prefix}).exitStatus, 1);
}

// For this user, into a data folder that does not exist yet: the folders install made go too.
TEST_F(GwbundleInstall, ForThisUserIntoADataFolderThatUninstallRemovesAgain) {
    const std::string data = dir / "xdg/data";
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    ToolResult user = runTool({"install", bundle});
    EXPECT_EQ(user.exitStatus, 0) << user.output;
    EXPECT_TRUE(TestSupport::pathExists(data + "/applications/com.example.demo-puzzle.desktop"));
    EXPECT_EQ(runTool({"uninstall", bundle, "--user"}).exitStatus, 0);
    unsetenv("XDG_DATA_HOME");
    EXPECT_FALSE(TestSupport::pathExists(dir / "xdg"));
}

// A file that no install of ours wrote stays, and nothing else is written.
TEST_F(GwbundleInstall, RefusesWithoutWritingAnything) {
    const std::string prefix = dir / "prefix";
    TestSupport::writeFile(prefix + kIcon, "someone else's");
    const std::set<std::string> before = everythingUnder(prefix);
    ToolResult blocked = runTool({"install", bundle, "--prefix", prefix});
    EXPECT_EQ(blocked.exitStatus, 1);
    EXPECT_THAT(blocked.output,
                testing::HasSubstr("exists and is not from an earlier gwbundle install"));
    EXPECT_EQ(everythingUnder(prefix), before);
    EXPECT_EQ(TestSupport::readFile(prefix + kIcon), "someone else's");
}
