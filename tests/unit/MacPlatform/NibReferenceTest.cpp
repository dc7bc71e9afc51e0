#include <Carbon/CarbonEvents.h>
#include <Carbon/IBCarbonRuntime.h>
#include <Carbon/Menus.h>
#include <CoreFoundation/CoreFoundation.h>
#include <MacPlatformTesting.h>

#include "HIToolbox/Menu.h"
#include "HIToolbox/Nib.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <unistd.h>

using TestSupport::TempDir;
using TestSupport::writeFile;

namespace {

const std::string kMainNib = TestSupport::launcherNib("Demo Game");
// A bundle in a temporary folder, made the main bundle for the test's duration.
class NibBundle {
public:
    NibBundle() { MacPlatformTestSetMainBundlePath((m_dir / "Game.app").c_str()); }
    ~NibBundle() { MacPlatformTestSetMainBundlePath(nullptr); }
    std::string resource(const std::string& name) const {
        return m_dir / ("Game.app/Contents/Resources/" + name);
    }
    void write(const std::string& name, const std::string& bytes) const {
        writeFile(resource(name), bytes);
    }

private:
    TempDir m_dir;
};

OSStatus createNib(const char* name, IBNibRef* nib) {
    CFStringRef cfName = CFStringCreateWithCString(nullptr, name, kCFStringEncodingUTF8);
    OSStatus status = CreateNibReference(cfName, nib);
    CFRelease(cfName);
    return status;
}

} // namespace

TEST(NibReference, MissingUnreadableAndDamagedNibsGiveMacStatuses) {
    NibBundle bundle;
    bundle.write("Background.jpg", "not a nib");
    IBNibRef nib = reinterpret_cast<IBNibRef>(&bundle);

    EXPECT_EQ(createNib("main", &nib), fnfErr);
    EXPECT_EQ(nib, nullptr) << "a failed create leaves no reference behind";

    bundle.write("main.nib", "<plist><dict><key>NibFormat</key>");
    EXPECT_EQ(createNib("main", &nib), kIBCarbonRuntimeCantFindNibFile);
    EXPECT_EQ(nib, nullptr);

    bundle.write("main.nib", R"(<plist><dict><key>NibFormat</key><integer>1</integer>
        <key>Objects</key><dict><key>W</key><dict><key>Class</key><string>Window</string>
        </dict></dict></dict></plist>)");
    EXPECT_EQ(createNib("main", &nib), kIBCarbonRuntimeCantFindNibFile);

    if (geteuid() != 0) {
        bundle.write("main.nib", kMainNib);
        ASSERT_EQ(chmod(bundle.resource("main.nib").c_str(), 0), 0);
        EXPECT_EQ(createNib("main", &nib), permErr);
    }

    EXPECT_EQ(CreateNibReference(nullptr, &nib), paramErr);
    CFStringRef name = CFSTR("main");
    EXPECT_EQ(CreateNibReference(name, nullptr), paramErr);
}

TEST(NibReference, FindsObjectsByNameAndKind) {
    NibBundle bundle;
    bundle.write("main.nib", kMainNib);
    IBNibRef nib = nullptr;
    ASSERT_EQ(createNib("main", &nib), noErr);
    ASSERT_NE(nib, nullptr);

    EXPECT_EQ(SetMenuBarFromNib(nib, CFSTR("MainWindow")),
              kIBCarbonRuntimeObjectNotOfRequestedType);
    EXPECT_EQ(SetMenuBarFromNib(nib, CFSTR("Nothing")), kIBCarbonRuntimeCantFindObject);
    EXPECT_EQ(SetMenuBarFromNib(nib, nullptr), paramErr);

    const MacPlatform::NibWindowDescription* window = nullptr;
    EXPECT_EQ(MacPlatform::findNibWindow(nib, CFSTR("MenuBar"), &window),
              kIBCarbonRuntimeObjectNotOfRequestedType);
    EXPECT_EQ(MacPlatform::findNibWindow(nib, CFSTR("Nothing"), &window),
              kIBCarbonRuntimeCantFindObject);
    ASSERT_EQ(MacPlatform::findNibWindow(nib, CFSTR("MainWindow"), &window), noErr);
    EXPECT_EQ(window->title, "Demo Game");
    EXPECT_EQ(window->width, 720);
    EXPECT_EQ(MacPlatform::nibWindowDescription(nib, CFSTR("MainWindow")), window);
    EXPECT_EQ(MacPlatform::nibWindowDescription(nib, CFSTR("MenuBar")), nullptr);

    DisposeNibReference(nib);
    // A disposed reference is refused, not followed.
    EXPECT_EQ(SetMenuBarFromNib(nib, CFSTR("MenuBar")), paramErr);
    EXPECT_EQ(MacPlatform::nibWindowDescription(nib, CFSTR("MainWindow")), nullptr);
    DisposeNibReference(nib);
}

TEST(NibReference, MenuBarFromNibBecomesTheRootMenuAndOutlivesTheNib) {
    NibBundle bundle;
    bundle.write("main.nib", kMainNib);
    IBNibRef nib = nullptr;
    ASSERT_EQ(createNib("main", &nib), noErr);
    ASSERT_EQ(SetMenuBarFromNib(nib, CFSTR("MenuBar")), noErr);
    DisposeNibReference(nib);

    MenuRef root = AcquireRootMenu();
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(CountMenuItems(root), 1);
    MenuRef game = nullptr;
    ASSERT_EQ(GetMenuItemHierarchicalMenu(root, 1, &game), noErr);
    ASSERT_NE(game, nullptr);
    CFStringRef title = nullptr;
    ASSERT_EQ(CopyMenuTitleAsCFString(game, &title), noErr);
    EXPECT_EQ(CFStringCompare(title, CFSTR("Game"), 0), kCFCompareEqualTo);
    CFRelease(title);
    ASSERT_EQ(CountMenuItems(game), 2);
    MenuCommand command = 0;
    EXPECT_EQ(GetMenuItemCommandID(game, 2, &command), noErr);
    EXPECT_EQ(command, static_cast<MenuCommand>(kHICommandQuit));
    UInt16 key = 0;
    EXPECT_EQ(GetMenuItemCommandKey(game, 2, false, &key), noErr);
    EXPECT_EQ(key, 'Q');
    EXPECT_EQ(ReleaseMenu(root), noErr);
    MacPlatform::setRootMenu(nullptr);
}
