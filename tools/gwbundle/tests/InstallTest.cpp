// gwbundle install and uninstall under a temporary prefix, as a publisher runs them: the desktop
// entry passes desktop-file-validate, the icon lands in the hicolor theme at its size, and
// uninstall leaves the prefix exactly as it was.
#include "GwbundleTestSupport.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sys/stat.h>

using namespace GwbundleTest;

namespace {

void writePng(const std::string& path, int width, int height) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    ASSERT_EQ(cairo_surface_write_to_png(surface, path.c_str()), CAIRO_STATUS_SUCCESS) << path;
    cairo_surface_destroy(surface);
}

// A bundle with what install reads: Info.plist, the launcher and the icon. The folder's name
// holds characters that the desktop entry's Exec key must quote.
std::string writeBundle(const std::string& folder, int iconSize) {
    const std::string bundle = folder + "/Games/Lantern $Lake's.app";
    TestSupport::writeFile(
        bundle + "/Contents/Info.plist",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
        "<key>CFBundleExecutable</key><string>GameWrapper</string>"
        "<key>CFBundleIdentifier</key><string>com.example.Lantern</string>"
        "<key>CFBundleName</key><string>Lantern Lake</string>"
        "<key>CFBundleIconFile</key><string>Icon</string>"
        "</dict></plist>\n");
    writeProgram(bundle + "/Contents/MacOS/GameWrapper");
    writePng(bundle + "/Contents/Resources/Icon.png", iconSize, iconSize);
    return bundle;
}

std::set<std::string> everythingUnder(const std::string& folder) {
    std::set<std::string> paths;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        paths.insert(entry.path().string());
    }
    return paths;
}

} // namespace

TEST(GwbundleInstall, EntryIsValidIconHasItsSizeAndUninstallRestoresThePrefix) {
    ASSERT_EQ(access("/usr/bin/desktop-file-validate", X_OK), 0)
        << "desktop-file-validate is needed (scripts/install-deps installs desktop-file-utils)";
    TestSupport::TempDir dir;
    const std::string bundle = writeBundle(dir.path(), 256);
    const std::string prefix = dir / "prefix";
    TestSupport::writeFile(prefix + "/share/applications/other-game.desktop", "kept");
    const std::set<std::string> before = everythingUnder(prefix);

    ToolResult install = runTool({"install", bundle, "--prefix", prefix});
    ASSERT_EQ(install.exitStatus, 0) << install.output;
    const std::string entry = prefix + "/share/applications/com.example.Lantern.desktop";
    int status = std::system(
        ("desktop-file-validate '" + entry + "' > '" + dir / "validate.txt" + "' 2>&1").c_str());
    EXPECT_EQ(status, 0) << TestSupport::readFile(dir / "validate.txt");
    EXPECT_EQ(TestSupport::readFile(dir / "validate.txt"), "");
    EXPECT_EQ(TestSupport::readFile(entry),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Name=Lantern Lake\n"
              "Exec=\"" +
                  dir.path() +
                  "/Games/Lantern \\\\$Lake's.app/Contents/MacOS/GameWrapper\"\n"
                  "Icon=com.example.Lantern\n"
                  "Terminal=false\n"
                  "Categories=Game;\n"
                  "StartupWMClass=com.example.Lantern\n");
    EXPECT_EQ(
        TestSupport::readFile(prefix + "/share/icons/hicolor/256x256/apps/com.example.Lantern.png"),
        TestSupport::readFile(bundle + "/Contents/Resources/Icon.png"));

    // Installing again replaces the earlier install; uninstall then removes exactly it.
    ASSERT_EQ(runTool({"install", bundle, "--prefix", prefix}).exitStatus, 0);
    ToolResult uninstall = runTool({"uninstall", bundle, "--prefix", prefix});
    EXPECT_EQ(uninstall.exitStatus, 0) << uninstall.output;
    EXPECT_EQ(everythingUnder(prefix), before);
    EXPECT_EQ(TestSupport::readFile(prefix + "/share/applications/other-game.desktop"), "kept");
    EXPECT_EQ(runTool({"uninstall", "com.example.Lantern", "--prefix", prefix}).exitStatus, 1);

    // For this user, into a data folder that does not exist yet: the folders install made go too.
    const std::string data = dir / "xdg/data";
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    ToolResult user = runTool({"install", bundle});
    EXPECT_EQ(user.exitStatus, 0) << user.output;
    EXPECT_TRUE(TestSupport::pathExists(data + "/applications/com.example.Lantern.desktop"));
    EXPECT_EQ(runTool({"uninstall", bundle, "--user"}).exitStatus, 0);
    unsetenv("XDG_DATA_HOME");
    EXPECT_FALSE(TestSupport::pathExists(dir / "xdg"));
}

// A file that no install of ours wrote stays, and nothing else is written.
TEST(GwbundleInstall, RefusesWithoutWritingAnything) {
    TestSupport::TempDir dir;
    const std::string prefix = dir / "prefix";
    const std::string bundle = writeBundle(dir / "b", 48);
    const std::string foreign = prefix + "/share/icons/hicolor/48x48/apps/com.example.Lantern.png";
    TestSupport::writeFile(foreign, "someone else's");
    const std::set<std::string> before = everythingUnder(prefix);
    ToolResult blocked = runTool({"install", bundle, "--prefix", prefix});
    EXPECT_EQ(blocked.exitStatus, 1);
    EXPECT_NE(blocked.output.find("exists and is not from an earlier gwbundle install"),
              std::string::npos)
        << blocked.output;
    EXPECT_EQ(everythingUnder(prefix), before);
    EXPECT_EQ(TestSupport::readFile(foreign), "someone else's");
}
