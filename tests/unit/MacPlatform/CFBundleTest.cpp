#include <CoreFoundation/CoreFoundation.h>
#include <MacPlatformTesting.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

using TestSupport::TempDir;
using TestSupport::writeFile;

namespace {

std::string pathOf(CFURLRef url) {
    char buffer[4096];
    if (!url || !CFURLGetFileSystemRepresentation(url, true, reinterpret_cast<UInt8*>(buffer),
                                                  sizeof buffer)) {
        return "<no path>";
    }
    return buffer;
}

// The path of a resource, or "<none>"; releases the URL.
std::string resource(CFBundleRef bundle, const char* name, const char* type, const char* subDir) {
    CFStringRef n =
        name ? CFStringCreateWithCString(nullptr, name, kCFStringEncodingUTF8) : nullptr;
    CFStringRef t =
        type ? CFStringCreateWithCString(nullptr, type, kCFStringEncodingUTF8) : nullptr;
    CFStringRef s =
        subDir ? CFStringCreateWithCString(nullptr, subDir, kCFStringEncodingUTF8) : nullptr;
    CFURLRef url = CFBundleCopyResourceURL(bundle, n, t, s);
    std::string path = url ? pathOf(url) : "<none>";
    for (CFTypeRef cf : {CFTypeRef(n), CFTypeRef(t), CFTypeRef(s), CFTypeRef(url)}) {
        if (cf) {
            CFRelease(cf);
        }
    }
    return path;
}

CFBundleRef createBundle(const std::string& path) {
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(
        nullptr, reinterpret_cast<const UInt8*>(path.c_str()), static_cast<CFIndex>(path.size()),
        true);
    CFBundleRef bundle = CFBundleCreate(nullptr, url);
    CFRelease(url);
    return bundle;
}

std::string infoPlist(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n" + body +
           "</dict>\n</plist>\n";
}

struct MainBundleReset {
    ~MainBundleReset() { MacPlatformTestSetMainBundlePath(nullptr); }
};

// {CFBundleExecutable = demo-game; CFBundleIdentifier = com.example.demo; Count = -3} in the
// binary format.
const char kBinaryInfo[] =
    "bplist00\xd3\x01\x02\x03\x04\x05\x06\x5f\x10\x12"
    "CFBundleExecutable\x5f\x10\x12"
    "CFBundleIdentifier\x55"
    "Count\x59"
    "demo-game\x5f\x10\x10"
    "com.example.demo\x13\xff\xff\xff\xff\xff\xff\xff\xfd\x08\x0f\x24\x39\x3f\x49\x5c\x00\x00"
    "\x00\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x07\x00\x00\x00\x00\x00\x00\x00\x00"
    "\x00\x00\x00\x00\x00\x00\x00\x65";

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

    EXPECT_EQ(resource(main, "EULA", "rtf", nullptr), res + "/EULA.rtf");
    EXPECT_EQ(resource(main, "EULA", ".rtf", nullptr), res + "/EULA.rtf");
    EXPECT_EQ(resource(main, "EULA", "txt", nullptr), "<none>");
    EXPECT_EQ(resource(main, "RAW_002.wdt", nullptr, nullptr), res + "/RAW_002.wdt");
    EXPECT_EQ(resource(main, "RAW_002.wdt", "", nullptr), res + "/RAW_002.wdt");
    EXPECT_EQ(resource(main, "cover", "jpg", "Art"), res + "/Art/cover.jpg");
    EXPECT_EQ(resource(main, "cover", "jpg", nullptr), "<none>");
    EXPECT_EQ(resource(main, "EULA", "rtf", "Art"), "<none>");
    // The development region's localization wins over English; subfolders work there too.
    EXPECT_EQ(resource(main, "Notes", "txt", nullptr), res + "/French.lproj/Notes.txt");
    EXPECT_EQ(resource(main, "intro", "txt", "Help"), res + "/English.lproj/Help/intro.txt");
    // Nothing outside the resources folder, and no name at all finds nothing.
    EXPECT_EQ(resource(main, "../secret", "txt", nullptr), "<none>");
    EXPECT_EQ(resource(main, "secret", "txt", ".."), "<none>");
    EXPECT_EQ(resource(main, "secret", "txt", "/etc"), "<none>");
    EXPECT_EQ(resource(main, nullptr, "rtf", nullptr), "<none>");
    EXPECT_EQ(CFBundleCopyResourceURL(nullptr, CFSTR("EULA"), CFSTR("rtf"), nullptr), nullptr);

    CFURLRef folder = CFBundleCopyResourceURL(main, CFSTR("Plugin"), CFSTR("bundle"), nullptr);
    ASSERT_NE(folder, nullptr);
    EXPECT_TRUE(CFURLHasDirectoryPath(folder));
    CFRelease(folder);

    // A bundle without a Contents folder keeps its resources in itself.
    writeFile(dir / "Flat/readme.txt", "flat");
    CFBundleRef flat = createBundle(dir / "Flat");
    ASSERT_NE(flat, nullptr);
    EXPECT_EQ(resource(flat, "readme", "txt", nullptr), dir / "Flat/readme.txt");
    CFRelease(flat);
}

TEST(CFBundle, InfoPlistGivesIdentifierExecutableAndValues) {
    TempDir dir;
    const std::string app = dir / "Demo.app";
    writeFile(
        app + "/Contents/Info.plist",
        infoPlist("<key>CFBundleExecutable</key><string>demo-game</string>\n"
                  "<key>CFBundleIdentifier</key><string>com.example.demo</string>\n"
                  "<key>CFBundleName</key><string>D\xC3\xA9mo</string>\n"
                  "<key>LSMinimumSystemVersion</key><real>10.3</real>\n"
                  "<key>Levels</key><array><integer>1</integer><integer>-2</integer></array>\n"
                  "<key>Fullscreen</key><true/>\n"));
    writeFile(app + "/Contents/MacOS/demo-game", "#!/bin/sh\n");

    CFBundleRef bundle = createBundle(app);
    ASSERT_NE(bundle, nullptr);
    EXPECT_EQ(CFGetTypeID(bundle), CFBundleGetTypeID());
    EXPECT_TRUE(CFEqual(CFBundleGetIdentifier(bundle), CFSTR("com.example.demo")));
    EXPECT_TRUE(CFEqual(CFBundleGetValueForInfoDictionaryKey(bundle, kCFBundleExecutableKey),
                        CFSTR("demo-game")));
    EXPECT_TRUE(CFEqual(CFBundleGetValueForInfoDictionaryKey(bundle, kCFBundleNameKey),
                        CFSTR("D\xC3\xA9mo")));
    EXPECT_EQ(CFBundleGetValueForInfoDictionaryKey(bundle, CFSTR("Missing")), nullptr);
    EXPECT_EQ(CFBundleGetValueForInfoDictionaryKey(bundle, nullptr), nullptr);

    auto levels =
        static_cast<CFArrayRef>(CFBundleGetValueForInfoDictionaryKey(bundle, CFSTR("Levels")));
    ASSERT_EQ(CFGetTypeID(levels), CFArrayGetTypeID());
    ASSERT_EQ(CFArrayGetCount(levels), 2);
    int second = 0;
    EXPECT_TRUE(CFNumberGetValue(static_cast<CFNumberRef>(CFArrayGetValueAtIndex(levels, 1)),
                                 kCFNumberIntType, &second));
    EXPECT_EQ(second, -2);
    double version = 0;
    CFNumberGetValue(static_cast<CFNumberRef>(CFBundleGetValueForInfoDictionaryKey(
                         bundle, CFSTR("LSMinimumSystemVersion"))),
                     kCFNumberDoubleType, &version);
    EXPECT_DOUBLE_EQ(version, 10.3);
    EXPECT_EQ(CFBundleGetValueForInfoDictionaryKey(bundle, CFSTR("Fullscreen")), kCFBooleanTrue);
    EXPECT_EQ(CFDictionaryGetCount(CFBundleGetInfoDictionary(bundle)), 6);

    CFURLRef executable = CFBundleCopyExecutableURL(bundle);
    EXPECT_EQ(pathOf(executable), app + "/Contents/MacOS/demo-game");
    CFRelease(executable);
    CFURLRef bundleURL = CFBundleCopyBundleURL(bundle);
    EXPECT_EQ(pathOf(bundleURL), app);
    CFRelease(bundleURL);
    CFRelease(bundle);

    // The binary form reads the same way.
    writeFile(dir / "Bin.app/Contents/Info.plist",
              std::string(kBinaryInfo, sizeof kBinaryInfo - 1));
    CFBundleRef binary = createBundle(dir / "Bin.app");
    ASSERT_NE(binary, nullptr);
    EXPECT_TRUE(CFEqual(CFBundleGetIdentifier(binary), CFSTR("com.example.demo")));
    long count = 0;
    EXPECT_TRUE(CFNumberGetValue(
        static_cast<CFNumberRef>(CFBundleGetValueForInfoDictionaryKey(binary, CFSTR("Count"))),
        kCFNumberLongType, &count));
    EXPECT_EQ(count, -3);
    // The executable named there does not exist.
    EXPECT_EQ(CFBundleCopyExecutableURL(binary), nullptr);
    CFRelease(binary);
}

TEST(CFBundle, DamagedOrMissingInfoPlistGivesAnEmptyDictionary) {
    TempDir dir;
    const char* damaged[] = {
        "not a property list at all",
        "<?xml version=\"1.0\"?><plist><dict><key>CFBundleIdentifier</key><string>x</dict>",
        "<plist><array><string>a dictionary was expected</string></array></plist>",
        "bplist00\xff\xff\xff\xff",
    };
    int n = 0;
    for (const char* content : damaged) {
        std::string app = dir / ("Bad" + std::to_string(n++) + ".app");
        writeFile(app + "/Contents/Info.plist", content);
        writeFile(app + "/Contents/MacOS/x", "");
        CFBundleRef bundle = createBundle(app);
        ASSERT_NE(bundle, nullptr) << content;
        CFDictionaryRef info = CFBundleGetInfoDictionary(bundle);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(CFDictionaryGetCount(info), 0) << content;
        EXPECT_EQ(CFBundleGetIdentifier(bundle), nullptr);
        EXPECT_EQ(CFBundleGetValueForInfoDictionaryKey(bundle, kCFBundleExecutableKey), nullptr);
        EXPECT_EQ(CFBundleCopyExecutableURL(bundle), nullptr);
        CFRelease(bundle);
    }

    // An identifier that is not a string does not count as one.
    writeFile(dir / "Typed.app/Contents/Info.plist",
              infoPlist("<key>CFBundleIdentifier</key><integer>7</integer>\n"));
    CFBundleRef typed = createBundle(dir / "Typed.app");
    EXPECT_EQ(CFBundleGetIdentifier(typed), nullptr);
    EXPECT_NE(CFBundleGetValueForInfoDictionaryKey(typed, kCFBundleIdentifierKey), nullptr);
    CFRelease(typed);

    writeFile(dir / "file.app", "not a folder");
    EXPECT_EQ(createBundle(dir / "file.app"), nullptr);
    EXPECT_EQ(createBundle(dir / "missing.app"), nullptr);
    EXPECT_EQ(CFBundleCreate(nullptr, nullptr), nullptr);
    EXPECT_EQ(CFBundleGetInfoDictionary(nullptr), nullptr);
    EXPECT_EQ(CFBundleGetIdentifier(nullptr), nullptr);
}
