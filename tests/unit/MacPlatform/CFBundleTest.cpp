#include "CFTestHelpers.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

using namespace CFTest;
using TestSupport::TempDir;
using TestSupport::writeFile;

namespace {

// The path of a resource, or "<none>".
std::string resource(CFBundleRef bundle, const char* name, const char* type, const char* subDir) {
    auto make = [](const char* text) { return text ? cfString(text) : nullptr; };
    Owned<CFStringRef> n = make(name);
    Owned<CFStringRef> t = make(type);
    Owned<CFStringRef> s = make(subDir);
    return pathOf(Owned<CFURLRef>(CFBundleCopyResourceURL(bundle, n, t, s)));
}

CFBundleRef createBundle(const std::string& path) {
    return CFBundleCreate(nullptr, Owned<CFURLRef>(fileURL(path, true)));
}

std::string infoPlist(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n" + body +
           "</dict>\n</plist>\n";
}

} // namespace

TEST(CFBundle, ResourcesAreFoundByNameTypeAndSubfolder) {
    MainBundleReset reset;
    TempDir dir;
    const std::string res = dir / "Game.app/Contents/Resources";
    writeFile(res + "/EULA.rtf", "{\\rtf1 x}");
    writeFile(res + "/RAW_002.wdt", "data");
    writeFile(res + "/Art/cover.jpg", "jpeg");
    writeFile(res + "/French.lproj/Notes.txt", "fr");
    writeFile(res + "/English.lproj/Notes.txt", "en");
    writeFile(res + "/English.lproj/Help/intro.txt", "help");
    TestSupport::makeDirectories(res + "/Plugin.bundle");
    writeFile(dir / "Game.app/Contents/Info.plist",
              infoPlist("<key>CFBundleDevelopmentRegion</key><string>French</string>\n"));
    writeFile(dir / "Game.app/Contents/secret.txt", "outside");
    MacPlatformTestSetMainBundlePath((dir / "Game.app").c_str());
    CFBundleRef main = CFBundleGetMainBundle();
    EXPECT_EQ(pathOf(Owned<CFURLRef>(CFBundleCopyResourcesDirectoryURL(main))), res);

    EXPECT_EQ(resource(main, "EULA", "rtf", nullptr), res + "/EULA.rtf");
    EXPECT_EQ(resource(main, "EULA", "txt", nullptr), "<none>");
    EXPECT_EQ(resource(main, "RAW_002.wdt", nullptr, nullptr), res + "/RAW_002.wdt");
    EXPECT_EQ(resource(main, "cover", "jpg", "Art"), res + "/Art/cover.jpg");
    // The development region's localization wins over English; subfolders work there too.
    EXPECT_EQ(resource(main, "Notes", "txt", nullptr), res + "/French.lproj/Notes.txt");
    EXPECT_EQ(resource(main, "intro", "txt", "Help"), res + "/English.lproj/Help/intro.txt");
    // Nothing outside the resources folder.
    EXPECT_EQ(resource(main, "../secret", "txt", nullptr), "<none>");
    EXPECT_EQ(resource(main, "secret", "txt", ".."), "<none>");
    EXPECT_EQ(resource(main, "secret", "txt", "/etc"), "<none>");
    Owned<CFURLRef> folder =
        CFBundleCopyResourceURL(main, CFSTR("Plugin"), CFSTR("bundle"), nullptr);
    EXPECT_TRUE(folder && CFURLHasDirectoryPath(folder)) << pathOf(folder);
}

TEST(CFBundle, InfoPlistGivesIdentifierExecutableAndValuesOrNothingWhenDamaged) {
    TempDir dir;
    const std::string app = dir / "Demo.app";
    writeFile(app + "/Contents/Info.plist",
              infoPlist("<key>CFBundleExecutable</key><string>demo-game</string>\n"
                        "<key>CFBundleIdentifier</key><string>com.example.demo</string>\n"
                        "<key>CFBundleName</key><string>D\xC3\xA9mo</string>\n"));
    writeFile(app + "/Contents/MacOS/demo-game", "#!/bin/sh\n");

    Owned<CFBundleRef> bundle = createBundle(app);
    ASSERT_NE(bundle.get(), nullptr);
    EXPECT_TRUE(CFEqual(CFBundleGetIdentifier(bundle), CFSTR("com.example.demo")));
    EXPECT_TRUE(CFEqual(CFBundleGetValueForInfoDictionaryKey(bundle, kCFBundleNameKey),
                        CFSTR("D\xC3\xA9mo")));
    EXPECT_EQ(pathOf(Owned<CFURLRef>(CFBundleCopyExecutableURL(bundle))),
              app + "/Contents/MacOS/demo-game");

    // A damaged Info.plist gives an empty dictionary.
    const char* damaged[] = {
        "<?xml version=\"1.0\"?><plist><dict><key>CFBundleIdentifier</key><string>x</dict>",
        "<plist><array><string>a dictionary was expected</string></array></plist>",
        "bplist00\xff\xff\xff\xff",
    };
    int n = 0;
    for (const char* content : damaged) {
        SCOPED_TRACE(content);
        std::string bad = dir / ("Bad" + std::to_string(n++) + ".app");
        writeFile(bad + "/Contents/Info.plist", content);
        writeFile(bad + "/Contents/MacOS/x", "");
        Owned<CFBundleRef> broken = createBundle(bad);
        ASSERT_NE(broken.get(), nullptr);
        ASSERT_NE(CFBundleGetInfoDictionary(broken), nullptr);
        EXPECT_EQ(CFDictionaryGetCount(CFBundleGetInfoDictionary(broken)), 0);
        EXPECT_EQ(CFBundleGetIdentifier(broken), nullptr);
        EXPECT_EQ(CFBundleCopyExecutableURL(broken), nullptr);
    }

    // An identifier that is not a string does not count as one.
    writeFile(dir / "Typed.app/Contents/Info.plist",
              infoPlist("<key>CFBundleIdentifier</key><integer>7</integer>\n"));
    Owned<CFBundleRef> typed = createBundle(dir / "Typed.app");
    EXPECT_EQ(CFBundleGetIdentifier(typed), nullptr);
    EXPECT_NE(CFBundleGetValueForInfoDictionaryKey(typed, kCFBundleIdentifierKey), nullptr);

    writeFile(dir / "file.app", "not a folder");
    EXPECT_EQ(createBundle(dir / "file.app"), nullptr);
    EXPECT_EQ(createBundle(dir / "missing.app"), nullptr);
    EXPECT_EQ(CFBundleCreate(nullptr, nullptr), nullptr);
}
