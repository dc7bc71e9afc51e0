#include "LauncherTestBundle.h"

#include "CorvaneCore/File.h"
#include "GameWrapperTestHelpers.h"

#include <MacPlatformTesting.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

namespace LauncherTest {

namespace {

// A JPEG of one colour, or of two halves when `right` differs from `left`, so that drawing
// tests can tell the pictures apart and see which way round they are.
std::string jpeg(int width, int height, unsigned left, unsigned right) {
    std::vector<unsigned char> pixels;
    pixels.reserve(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            unsigned colour = x < width / 2 ? left : right;
            pixels.push_back(static_cast<unsigned char>(colour >> 16));
            pixels.push_back(static_cast<unsigned char>(colour >> 8));
            pixels.push_back(static_cast<unsigned char>(colour));
        }
    }
    return GameWrapperTest::encodeJPEG(pixels, width, height, false, 95);
}

// Channel.dat: an archive of stored members written with the launcher's own zip writer,
// starting from an archive that holds only its end record.
void writeBrandingArchive(const std::string& path) {
    TestSupport::writeFile(path, std::string("PK\x05\x06", 4) + std::string(18, '\0'));
    const std::pair<const char*, std::string> members[] = {
        {"Branding.jpg", jpeg(64, 32, 0xE0A020, 0x2040C0)},
        {"BrandingMask.jpg", jpeg(64, 32, 0xFFFFFF, 0x808080)},
    };
    for (const auto& [name, bytes] : members) {
        CFile member;
        ASSERT_TRUE(member.Open((path + ";" + name).c_str(), CFILE_CREATE | CFILE_WRITE))
            << "cannot append " << name << " to " << path;
        ASSERT_EQ(member.Write(bytes.data(), static_cast<unsigned>(bytes.size())), bytes.size());
        member.Close();
    }
}

std::string frame(int x, int y, int width, int height) {
    return "<key>Frame</key><dict><key>X</key><integer>" + std::to_string(x) +
           "</integer><key>Y</key><integer>" + std::to_string(y) +
           "</integer><key>Width</key><integer>" + std::to_string(width) +
           "</integer><key>Height</key><integer>" + std::to_string(height) + "</integer></dict>";
}

std::string pushButton(int x, const char* title, const char* command, const char* role) {
    return "<dict><key>Class</key><string>PushButton</string>" + frame(x, 370, 100, 30) +
           "<key>Title</key><string>" + title + "</string><key>Command</key><string>" + command +
           "</string><key>" + role + "</key><true/></dict>";
}

std::string menuItem(const char* title, const char* command, const char* key) {
    return std::string("<dict><key>Title</key><string>") + title +
           "</string><key>Command</key><string>" + command + "</string><key>Key</key><string>" +
           key + "</string></dict>";
}

} // namespace

std::string testPluginPath(const std::string& fileName) {
    return std::string(GW_TEST_PLUGINS_DIR) + "/" + fileName;
}

std::string recordingPluginPath() {
    return testPluginPath(GW_TEST_RECORDING_PLUGIN);
}

std::string defaultGameInformation() {
    return "Application ID=1234\n"
           "Application Name=Test Game\n"
           "Developer Channel ID=7\n"
           "Application Price=4.99\n"
           "App Version String=1.0.0\n"
           "Application Exec Path=Game.app\n";
}

std::string defaultNib() {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\"><dict><key>NibFormat</key><integer>1</integer>"
           "<key>Objects</key><dict>"
           "<key>MenuBar</key><dict><key>Class</key><string>MenuBar</string>"
           "<key>Menus</key><array><dict><key>Title</key><string>Game</string>"
           "<key>Items</key><array>" +
           menuItem("About", "abou", "i") + menuItem("Quit", "quit", "q") +
           "</array></dict></array></dict>"
           "<key>MainWindow</key><dict><key>Class</key><string>Window</string>"
           "<key>Title</key><string>Test Game</string>"
           "<key>Width</key><integer>720</integer><key>Height</key><integer>540</integer>"
           "<key>Attributes</key><array><string>closeBox</string>"
           "<string>compositing</string></array></dict>"
           "<key>EULAWindow</key><dict><key>Class</key><string>Window</string>"
           "<key>Title</key><string>License Agreement</string>"
           "<key>WindowClass</key><string>movableModal</string>"
           "<key>Width</key><integer>560</integer><key>Height</key><integer>420</integer>"
           "<key>Attributes</key><array><string>compositing</string>"
           "<string>standardHandler</string></array>"
           "<key>Views</key><array>"
           "<dict><key>Class</key><string>ScrollView</string>" +
           frame(20, 20, 520, 330) +
           "<key>Subviews</key><array><dict><key>Class</key><string>TextView</string>" +
           frame(0, 0, 520, 330) +
           "<key>ControlID</key><dict><key>Signature</key><string>MTXT</string>"
           "<key>ID</key><integer>0</integer></dict></dict></array></dict>" +
           pushButton(330, "Disagree", "not!", "Cancel") +
           pushButton(440, "Agree", "ok  ", "Default") + "</array></dict></dict></dict></plist>\n";
}

LauncherTestBundle::LauncherTestBundle(const std::string& parent, const BundleOptions& options)
    : mPath(parent + "/" + options.name + ".app") {
    std::string res = resources();
    TestSupport::makeDirectories(res);
    TestSupport::writeFile(contents() + "/Info.plist",
                           "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">"
                           "<dict><key>CFBundleExecutable</key><string>GameWrapper</string>"
                           "<key>CFBundleName</key><string>" +
                               options.name + "</string></dict></plist>\n");
    auto wanted = [&](const std::string& file) {
        return std::find(options.omit.begin(), options.omit.end(), file) == options.omit.end();
    };
    auto put = [&](const std::string& file, const std::string& bytes) {
        if (wanted(file)) {
            TestSupport::writeFile(res + "/" + file, bytes);
        }
    };
    put("Tessaly.dat", "tessaly data");
    put("Application.dat", "application data");
    if (wanted("Channel.dat")) {
        writeBrandingArchive(res + "/Channel.dat");
    }
    put("RAW_002.wdt", options.gameInformation);
    put("main.nib", options.nib);
    put("Background.jpg", jpeg(720, 540, 0x203060, 0x203060));
    put("button_normal.jpg", jpeg(110, 30, 0x808080, 0x808080));
    put("button_hover.jpg", jpeg(110, 30, 0xE0E000, 0xE0E000));
    put("button_pressed.jpg", jpeg(110, 30, 0xC00000, 0xC00000));
    if (!options.eulaRTF.empty()) {
        put("EULA.rtf", options.eulaRTF);
    }
    if (!options.eulaText.empty()) {
        put("EULA.txt", options.eulaText);
    }
    if (!options.pluginPath.empty() && wanted("Pellucid.dylib")) {
        std::error_code error;
        std::filesystem::copy_file(options.pluginPath, res + "/Pellucid.dylib", error);
        EXPECT_FALSE(error) << "cannot copy the plug-in " << options.pluginPath << ": "
                            << error.message();
    }
}

void LauncherTestBundle::makeMainBundle() const {
    MacPlatformTestSetMainBundlePath(mPath.c_str());
}

void LauncherTestBundle::useNoBundle() {
    MacPlatformTestSetMainBundlePath(nullptr);
}

std::string LauncherTestBundle::installGame(const std::string& behaviour) const {
    std::string app = mPath + "/.Game/Game.app";
    TestSupport::writeFile(app + "/Contents/Info.plist",
                           "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">"
                           "<dict><key>CFBundleExecutable</key><string>gw-test-game</string>"
                           "</dict></plist>\n");
    TestSupport::makeDirectories(app + "/Contents/MacOS");
    std::error_code error;
    std::filesystem::copy_file(std::string(GW_TEST_HELPERS_DIR) + "/gw-test-game",
                               app + "/Contents/MacOS/gw-test-game", error);
    EXPECT_FALSE(error) << "cannot copy the test game: " << error.message();
    TestSupport::writeFile(app + "/Contents/Resources/behaviour", behaviour);
    return app + "/Contents/Resources";
}

void LauncherTestBundle::installExecutable(const std::string& launcherPath,
                                           const std::string& platformLibrary) const {
    namespace fs = std::filesystem;
    TestSupport::makeDirectories(contents() + "/MacOS");
    TestSupport::makeDirectories(contents() + "/Frameworks");
    std::error_code error;
    fs::copy_file(launcherPath, executablePath(), fs::copy_options::overwrite_existing, error);
    EXPECT_FALSE(error) << "cannot copy the launcher: " << error.message();
    fs::copy_file(platformLibrary,
                  contents() + "/Frameworks/" + fs::path(platformLibrary).filename().string(),
                  fs::copy_options::overwrite_existing, error);
    EXPECT_FALSE(error) << "cannot copy the platform library: " << error.message();
}

} // namespace LauncherTest
