#include "LauncherTestBundle.h"

#include "GameWrapperTestHelpers.h"

#include <MacPlatformTesting.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace LauncherTest {

using TestSupport::halvesJPEG;

std::string testPluginPath(const std::string& fileName) {
    return std::string(GW_TEST_PLUGINS_DIR) + "/" + fileName;
}

std::string defaultGameInformation(const std::string& name, const std::string& revision) {
    return "Application ID=1234\nApplication Name=" + name +
           "\nDeveloper Channel ID=7\nApplication Price=4.99\nApp Version String=" + revision +
           "\nApplication Exec Path=Game.app\nFont Color Build=FFFFFF\nBuild X=20\nBuild Y=500\n"
           "Brand X=40\nBrand Y=60\n";
}

LauncherTestBundle::LauncherTestBundle(const std::string& parent, const BundleOptions& options)
    : path(parent + "/" + options.name + ".app") {
    std::string res = path + "/Contents/Resources";
    TestSupport::makeDirectories(res);
    TestSupport::writeFile(path + "/Contents/Info.plist",
                           "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">"
                           "<dict><key>CFBundleExecutable</key><string>GameWrapper</string>"
                           "<key>CFBundleName</key><string>" +
                               options.name + "</string></dict></plist>\n");
    auto wanted = [&](const std::string& file) {
        return std::find(options.omit.begin(), options.omit.end(), file) == options.omit.end();
    };
    auto put = [&](const std::string& file, const std::string& bytes) {
        if (wanted(file) && !bytes.empty()) {
            TestSupport::writeFile(res + "/" + file, bytes);
        }
    };
    put("Tessaly.dat", "tessaly data");
    put("Application.dat", "application data");
    if (wanted("Channel.dat")) {
        GameWrapperTest::writeArchive(
            res + "/Channel.dat", {{"Branding.jpg", halvesJPEG(64, 32, 0xE0A020, 0x2040C0)},
                                   {"BrandingMask.jpg", halvesJPEG(64, 32, 0xFFFFFF, 0x808080)}});
    }
    put("RAW_002.wdt", options.gameInformation);
    put("main.nib", TestSupport::launcherNib());
    put("Background.jpg", halvesJPEG(720, 540, 0x203060, 0x203060));
    put("button_normal.jpg", halvesJPEG(110, 30, 0x808080, 0x808080));
    put("button_hover.jpg", halvesJPEG(110, 30, 0xE0E000, 0xE0E000));
    put("button_pressed.jpg", halvesJPEG(110, 30, 0xC00000, 0xC00000));
    put("EULA.rtf", options.eulaRTF);
    put("EULA.txt", options.eulaText);
    put("Pellucid.dylib",
        options.pluginPath.empty() ? "" : TestSupport::readFile(options.pluginPath));
}

} // namespace LauncherTest
