// Nib files in the main bundle: references to them, their objects looked up by name and kind,
// the menu bar and windows built from them, and the nib's key equivalents typed into a window.
#include "ControlTestHelpers.h"
#include "HIToolbox/Menu.h"
#include "HIToolbox/Nib.h"
#include "TestSupport.h"

#include <string>

namespace {

constexpr UInt32 kAgree = 0x6F6B2020;   // 'ok  '
constexpr UInt32 kDecline = 0x6E6F7421; // 'not!'
constexpr UInt32 kQuit = 0x71756974;    // 'quit'

class WindowFromNibTest : public ControlTests::WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        write(TestSupport::launcherNib("Demo Game"));
        MacPlatformTestSetMainBundlePath((m_dir / "Game.app").c_str());
        ASSERT_EQ(CreateNibReference(CFSTR("main"), &m_nib), noErr);
    }
    void TearDown() override {
        if (m_nib) {
            DisposeNibReference(m_nib);
        }
        if (m_eula) {
            DisposeWindow(m_eula);
        }
        MacPlatform::setRootMenu(nullptr);
        MacPlatformTestSetMainBundlePath(nullptr);
        WindowFixture::TearDown();
    }
    std::string nibPath() const { return m_dir / "Game.app/Contents/Resources/main.nib"; }
    void write(const std::string& bytes) const { TestSupport::writeFile(nibPath(), bytes); }

    TestSupport::TempDir m_dir;
    IBNibRef m_nib = nullptr;
    WindowRef m_eula = nullptr;
};

TEST_F(WindowFromNibTest, MissingUnreadableAndDamagedNibsGiveMacStatuses) {
    IBNibRef nib = reinterpret_cast<IBNibRef>(&m_dir);
    EXPECT_EQ(CreateNibReference(CFSTR("other"), &nib), fnfErr);
    EXPECT_EQ(nib, nullptr) << "a failed create leaves no reference behind";

    write("<plist><dict><key>NibFormat</key>");
    EXPECT_EQ(CreateNibReference(CFSTR("main"), &nib), kIBCarbonRuntimeCantFindNibFile);
    EXPECT_EQ(nib, nullptr);
    EXPECT_EQ(CreateNibReference(nullptr, &nib), paramErr);
}

TEST_F(WindowFromNibTest, ObjectsAreFoundByNameAndKind) {
    EXPECT_EQ(SetMenuBarFromNib(m_nib, CFSTR("MainWindow")),
              kIBCarbonRuntimeObjectNotOfRequestedType);
    EXPECT_EQ(SetMenuBarFromNib(m_nib, CFSTR("Nothing")), kIBCarbonRuntimeCantFindObject);
    const MacPlatform::NibWindowDescription* window = nullptr;
    ASSERT_EQ(MacPlatform::findNibWindow(m_nib, CFSTR("MainWindow"), &window), noErr);
    EXPECT_EQ(window->title, "Demo Game");

    WindowRef made = reinterpret_cast<WindowRef>(1);
    EXPECT_EQ(CreateWindowFromNib(m_nib, CFSTR("NoSuchWindow"), &made),
              kIBCarbonRuntimeCantFindObject);
    EXPECT_EQ(CreateWindowFromNib(m_nib, CFSTR("MenuBar"), &made),
              kIBCarbonRuntimeObjectNotOfRequestedType);
    EXPECT_EQ(CreateWindowFromNib(nullptr, CFSTR("EULAWindow"), &made), paramErr);

    // A disposed reference is refused, not followed.
    DisposeNibReference(m_nib);
    EXPECT_EQ(SetMenuBarFromNib(m_nib, CFSTR("MenuBar")), paramErr);
    EXPECT_EQ(MacPlatform::nibWindowDescription(m_nib, CFSTR("MainWindow")), nullptr);
    DisposeNibReference(m_nib);
    m_nib = nullptr;
}

TEST_F(WindowFromNibTest, TheAgreementWindowHasItsTitleSizeTextViewAndButtons) {
    ASSERT_EQ(CreateWindowFromNib(m_nib, CFSTR("EULAWindow"), &m_eula), noErr);
    CFStringRef title = nullptr;
    ASSERT_EQ(CopyWindowTitleAsCFString(m_eula, &title), noErr);
    EXPECT_EQ(CFStringCompare(title, CFSTR("License Agreement"), 0), kCFCompareEqualTo);
    CFRelease(title);
    Rect port;
    EXPECT_EQ(ControlTests::edges(*GetWindowPortBounds(m_eula, &port)),
              (ControlTests::Edges{0, 0, 420, 560}));
    WindowClass windowClass = 0;
    GetWindowClass(m_eula, &windowClass);
    EXPECT_EQ(windowClass, static_cast<WindowClass>(kMovableModalWindowClass));
    EXPECT_FALSE(IsWindowVisible(m_eula)) << "the program shows it when it is ready";

    HIViewRef text = nullptr;
    ASSERT_EQ(HIViewFindByID(HIViewGetRoot(m_eula), HIViewID{0x4D545854 /* 'MTXT' */, 0}, &text),
              noErr);
    EXPECT_NE(HITextViewGetTXNObject(text), nullptr) << "a text view";

    // Shown, the window answers clicks, Return and Escape with the buttons' commands.
    ShowWindow(m_eula);
    click(360, 380, m_eula);
    key(kReturn, 0, {}, m_eula);
    key(kEscape, 0, {}, m_eula);
    pump();
    EXPECT_EQ(commandIDs(), (std::vector<UInt32>{kDecline, kAgree, kDecline}));
}

struct KeyRecord {
    std::vector<std::u16string> unicodes;
};

OSStatus recordKey(EventHandlerCallRef, EventRef event, void* userData) {
    ByteCount size = 0;
    std::u16string text;
    if (GetEventParameter(event, kEventParamKeyUnicodes, typeUnicodeText, nullptr, 0, &size,
                          nullptr) == noErr) {
        text.resize(size / sizeof(char16_t));
        GetEventParameter(event, kEventParamKeyUnicodes, typeUnicodeText, nullptr, size, nullptr,
                          text.data());
    }
    static_cast<KeyRecord*>(userData)->unicodes.push_back(text);
    return eventNotHandledErr;
}

TEST_F(WindowFromNibTest, TheNibsMenuBarOutlivesTheNibAndCtrlQSendsItsQuitCommand) {
    ASSERT_EQ(SetMenuBarFromNib(m_nib, CFSTR("MenuBar")), noErr);
    DisposeNibReference(m_nib);
    m_nib = nullptr;
    MenuRef root = AcquireRootMenu();
    ASSERT_EQ(CountMenuItems(root), 1);
    MenuRef game = nullptr;
    ASSERT_EQ(GetMenuItemHierarchicalMenu(root, 1, &game), noErr);
    EXPECT_EQ(CountMenuItems(game), 2);
    EXPECT_EQ(ReleaseMenu(root), noErr);

    KeyRecord keys;
    static const EventTypeSpec keyDown{kEventClassKeyboard, kEventRawKeyDown};
    InstallWindowEventHandler(m_window, recordKey, 1, &keyDown, &keys, nullptr);
    key({0x0C, 'q'}, controlKey);
    key({0x0C, 'q'}, cmdKey);
    key({0x0D, 'w'}, controlKey);
    pump();
    EXPECT_EQ(commandIDs(), (std::vector<UInt32>{kQuit, kQuit}));
    // A key equivalent is not typed as well.

    // The text the display reports with a key is the key's text; without one, the key's
    // character stands for it.
    key({0x0E, 'e'}, 0, "\xC3\xA9"); // é
    key(kLeftArrow);
    pump();
    EXPECT_EQ(keys.unicodes, (std::vector<std::u16string>{u"w", u"\u00E9", u"\x1C"}));
}

} // namespace
