// Windows built from a nib, and the nib's key equivalents typed into them.
#include "ControlTestHelpers.h"
#include "HIToolbox/Menu.h"
#include "TestSupport.h"

#include <MacPlatformTesting.h>

#include <string>

namespace {

constexpr UInt32 kAgree = 0x6F6B2020;   // 'ok  '
constexpr UInt32 kDecline = 0x6E6F7421; // 'not!'
constexpr UInt32 kQuit = 0x71756974;    // 'quit'

class WindowFromNibTest : public ControlTests::WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        TestSupport::writeFile(m_dir / "Game.app/Contents/Resources/main.nib",
                               TestSupport::launcherNib());
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

    TestSupport::TempDir m_dir;
    IBNibRef m_nib = nullptr;
    WindowRef m_eula = nullptr;
};

TEST_F(WindowFromNibTest, TheAgreementWindowHasItsTitleSizeTextViewAndButtons) {
    ASSERT_EQ(CreateWindowFromNib(m_nib, CFSTR("EULAWindow"), &m_eula), noErr);
    CFStringRef title = nullptr;
    ASSERT_EQ(CopyWindowTitleAsCFString(m_eula, &title), noErr);
    EXPECT_EQ(CFStringCompare(title, CFSTR("License Agreement"), 0), kCFCompareEqualTo);
    CFRelease(title);
    Rect port;
    GetWindowPortBounds(m_eula, &port);
    EXPECT_EQ(port.right, 560);
    EXPECT_EQ(port.bottom, 420);
    WindowClass windowClass = 0;
    GetWindowClass(m_eula, &windowClass);
    EXPECT_EQ(windowClass, static_cast<WindowClass>(kMovableModalWindowClass));
    EXPECT_FALSE(IsWindowVisible(m_eula)) << "the program shows it when it is ready";

    HIViewRef text = nullptr;
    ASSERT_EQ(HIViewFindByID(HIViewGetRoot(m_eula), HIViewID{0x4D545854 /* 'MTXT' */, 0}, &text),
              noErr);
    EXPECT_NE(HITextViewGetTXNObject(text), nullptr) << "a text view";
    EXPECT_TRUE(HIViewIsVisible(text));

    ControlRef agree = nullptr, decline = nullptr;
    ASSERT_EQ(GetWindowDefaultButton(m_eula, &agree), noErr);
    ASSERT_EQ(GetWindowCancelButton(m_eula, &decline), noErr);
    UInt32 command = 0;
    ASSERT_NE(agree, nullptr);
    GetControlCommandID(agree, &command);
    EXPECT_EQ(command, kAgree);
    ASSERT_NE(decline, nullptr);
    GetControlCommandID(decline, &command);
    EXPECT_EQ(command, kDecline);

    // Shown, the window answers clicks and Return with the buttons' commands.
    ShowWindow(m_eula);
    std::uint32_t id = MacPlatform::Window::fromRef(m_eula)->displayID();
    for (EventType type : {EventType::MouseDown, EventType::MouseUp}) {
        Event event;
        event.type = type;
        event.windowID = id;
        event.button = MacPlatform::Display::kPrimaryButton;
        event.clickCount = 1;
        event.x = 360;
        event.y = 380;
        post(event);
    }
    Event enter;
    enter.type = EventType::KeyDown;
    enter.windowID = id;
    enter.keyCode = kReturn.code;
    enter.charCode = kReturn.character;
    post(enter);
    pump();
    EXPECT_EQ(commandIDs(), (std::vector<UInt32>{kDecline, kAgree}));
}

TEST_F(WindowFromNibTest, AMissingOrWrongObjectIsAnErrorNotAWindow) {
    WindowRef window = reinterpret_cast<WindowRef>(1);
    EXPECT_EQ(CreateWindowFromNib(m_nib, CFSTR("NoSuchWindow"), &window),
              kIBCarbonRuntimeCantFindObject);
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(CreateWindowFromNib(m_nib, CFSTR("MenuBar"), &window),
              kIBCarbonRuntimeObjectNotOfRequestedType);
    EXPECT_EQ(CreateWindowFromNib(nullptr, CFSTR("EULAWindow"), &window), paramErr);
    EXPECT_EQ(CreateWindowFromNib(m_nib, CFSTR("EULAWindow"), nullptr), paramErr);
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

TEST_F(WindowFromNibTest, CtrlQSendsTheMenuItemsCommandAndKeysCarryTheirText) {
    ASSERT_EQ(SetMenuBarFromNib(m_nib, CFSTR("MenuBar")), noErr);
    KeyRecord keys;
    static const EventTypeSpec keyDown{kEventClassKeyboard, kEventRawKeyDown};
    InstallWindowEventHandler(m_window, recordKey, 1, &keyDown, &keys, nullptr);

    key({0x0C, 'q'}, controlKey);
    key({0x0C, 'q'}, cmdKey);
    key({0x0D, 'w'}, controlKey);
    pump();
    EXPECT_EQ(commandIDs(), (std::vector<UInt32>{kQuit, kQuit}));
    EXPECT_EQ(m_commands[0].attributes, static_cast<UInt32>(kHICommandFromMenu));
    ASSERT_EQ(keys.unicodes.size(), 1u) << "a key equivalent is not typed as well";
    EXPECT_EQ(keys.unicodes[0], u"w");

    // The text the display reports with a key is the key's text; without one, the key's
    // character stands for it.
    key({0x0E, 'e'}, 0, "\xC3\xA9"); // é
    key(kLeftArrow);
    key({0x00, 'A'}, shiftKey);
    pump();
    ASSERT_EQ(keys.unicodes.size(), 4u);
    EXPECT_EQ(keys.unicodes[1], u"\u00E9");
    EXPECT_EQ(keys.unicodes[2], std::u16string(1, u'\x1C')) << "the arrow's Mac character";
    EXPECT_EQ(keys.unicodes[3], u"A");
}

} // namespace
