// The display's events, posted on the headless display, reach the window's handlers through the
// event loop as the Carbon events and parameters the Mac would send.
#include "ControlTestHelpers.h"

#include <TestSupport.h>

#include <string>
#include <vector>

namespace {

using namespace ControlTests;

// An event as one line: its kind and the parameters it has, by name ("window" when it names
// the window it reached).
std::string describe(EventRef event, WindowRef window) {
    std::string line = std::to_string(GetEventKind(event));
    const struct {
        const char* label;
        EventParamName name;
        EventParamType type;
    } params[] = {{"at", kEventParamWindowMouseLocation, typeHIPoint},
                  {"global", kEventParamMouseLocation, typeHIPoint},
                  {"delta", kEventParamMouseDelta, typeHIPoint},
                  {"button", kEventParamMouseButton, typeMouseButton},
                  {"clicks", kEventParamClickCount, typeUInt32},
                  {"chord", kEventParamMouseChord, typeUInt32},
                  {"axis", kEventParamMouseWheelAxis, typeMouseWheelAxis},
                  {"wheel", kEventParamMouseWheelDelta, typeSInt32},
                  {"key", kEventParamKeyCode, typeUInt32},
                  {"char", kEventParamKeyMacCharCodes, typeChar},
                  {"mods", kEventParamKeyModifiers, typeUInt32},
                  {"previous", kEventParamPreviousBounds, typeQDRectangle},
                  {"current", kEventParamCurrentBounds, typeQDRectangle}};
    for (const auto& p : params) {
        union {
            HIPoint point;
            Rect rect;
            SInt32 number;
        } value{};
        ByteCount size = 0;
        if (GetEventParameter(event, p.name, p.type, nullptr, sizeof value, &size, &value) !=
            noErr) {
            continue;
        }
        line += std::string(" ") + p.label + "=";
        if (p.type == typeHIPoint) {
            line += std::to_string(int(value.point.x)) + "," + std::to_string(int(value.point.y));
        } else if (p.type == typeQDRectangle) {
            Edges e = edges(value.rect);
            line += std::to_string(e[0]) + "," + std::to_string(e[1]) + "," + std::to_string(e[2]) +
                    "," + std::to_string(e[3]);
        } else {
            line += std::to_string(size == 1   ? static_cast<signed char>(value.number)
                                   : size == 2 ? static_cast<UInt16>(value.number)
                                               : value.number);
        }
    }
    WindowRef named = nullptr;
    GetEventParameter(event, kEventParamWindowRef, typeWindowRef, nullptr, sizeof named, nullptr,
                      &named);
    return line + (named == window ? " window" : "");
}

OSStatus record(EventHandlerCallRef, EventRef event, void* userData) {
    auto* test = static_cast<std::pair<std::vector<std::string>, WindowRef>*>(userData);
    test->first.push_back(describe(event, test->second));
    return eventNotHandledErr;
}

class DisplayEventTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        static const EventTypeSpec types[] = {
            {kEventClassMouse, kEventMouseDown},
            {kEventClassMouse, kEventMouseUp},
            {kEventClassMouse, kEventMouseMoved},
            {kEventClassMouse, kEventMouseDragged},
            {kEventClassMouse, kEventMouseWheelMoved},
            {kEventClassKeyboard, kEventRawKeyDown},
            {kEventClassKeyboard, kEventRawKeyRepeat},
            {kEventClassKeyboard, kEventRawKeyUp},
            {kEventClassKeyboard, kEventRawKeyModifiersChanged},
            {kEventClassWindow, kEventWindowBoundsChanged},
            {kEventClassWindow, kEventWindowDrawContent},
        };
        m_log.second = m_window;
        InstallWindowEventHandler(m_window, record, GetEventTypeCount(types), types, &m_log,
                                  nullptr);
    }
    Event keyEvent(EventType type, int code, char character, UInt32 modifiers,
                   bool repeat = false) const {
        return {.type = type,
                .windowID = windowID(),
                .modifiers = modifiers,
                .keyCode = code,
                .charCode = character,
                .repeat = repeat};
    }

    std::pair<std::vector<std::string>, WindowRef> m_log;
};

TEST_F(DisplayEventTest, MouseEventsCarryLocationsButtonsAndModifiers) {
    Event down{.type = EventType::MouseDown,
               .windowID = windowID(),
               .x = 12,
               .y = 7,
               .button = MacPlatform::Display::kPrimaryButton,
               .clickCount = 2,
               .chord = 1,
               .modifiers = shiftKey | cmdKey};
    post(down);
    Event up = down;
    up.type = EventType::MouseUp;
    up.button = MacPlatform::Display::kSecondaryButton;
    post(up);
    Event elsewhere = down;
    elsewhere.windowID = windowID() + 1000;
    post(elsewhere);
    Event motion{.type = EventType::MouseMoved, .windowID = windowID(), .x = 40, .y = 50};
    motion.deltaX = 3;
    motion.deltaY = -4;
    post(motion);
    motion.chord = 1;
    post(motion);
    post({.type = EventType::MouseWheel,
          .windowID = windowID(),
          .x = 5,
          .y = 6,
          .deltaX = -2,
          .deltaY = 3});
    pump();

    // The window's content is at (40, 40) on the screen; shift and command are 0x300 (768).
    EXPECT_EQ(m_log.first, (std::vector<std::string>{
                               "1 at=12,7 global=52,47 button=1 clicks=2 chord=1 mods=768 window",
                               "2 at=12,7 global=52,47 button=2 clicks=2 chord=1 mods=768 window",
                               "5 at=40,50 global=80,90 delta=3,-4 mods=0 window",
                               "6 at=40,50 global=80,90 delta=3,-4 chord=1 mods=0 window",
                               "10 at=5,6 global=45,46 axis=1 wheel=3 mods=0 window",
                               "10 at=5,6 global=45,46 axis=0 wheel=-2 mods=0 window"}));
}

TEST_F(DisplayEventTest, KeysCarryMacKeyCodesCharactersAndModifiers) {
    post(keyEvent(EventType::KeyDown, 0x00, 'a', 0));
    post(keyEvent(EventType::KeyDown, 0x00, 'A', shiftKey, true));
    post(keyEvent(EventType::KeyUp, 0x00, 'a', 0));
    post(keyEvent(EventType::KeyDown, 0x7B, 0x1C, controlKey | rightShiftKey));
    post({.type = EventType::ModifiersChanged,
          .windowID = windowID(),
          .modifiers = shiftKey | alphaLock});
    // A key the Mac keyboard lacks goes nowhere.
    post(keyEvent(EventType::KeyDown, -1, 0, 0));
    // No window named: the front window gets it.
    Event loose = keyEvent(EventType::KeyDown, 0x35, 0x1B, 0);
    loose.windowID = 0;
    post(loose);
    pump();

    EXPECT_EQ(m_log.first,
              (std::vector<std::string>{"1 key=0 char=97 mods=0", "2 key=0 char=65 mods=512",
                                        "3 key=0 char=97 mods=0", "1 key=123 char=28 mods=12288",
                                        "4 mods=1536", "1 key=53 char=27 mods=0"}));
}

TEST_F(DisplayEventTest, ResizeAndExposeReachTheWindow) {
    CGContextRef context = MacPlatform::Window::fromRef(m_window)->context();
    ASSERT_TRUE(MacPlatform::Display::Headless::resizeWindow(windowID(), 260, 140));
    pump();
    // The same context now draws on the larger surface, and what the draw handler leaves
    // in it is shown.
    EXPECT_EQ(MacPlatform::Window::fromRef(m_window)->context(), context);
    CGContextSetRGBFillColor(context, 0, 0, 1, 1);
    CGContextFillRect(context, CGRectMake(250, 130, 10, 10));
    post({.type = EventType::WindowExposed, .windowID = windowID()});
    pump();
    // The bounds changed (27) with the resize, and the expose had the content drawn (2).
    ASSERT_FALSE(m_log.first.empty());
    EXPECT_EQ(m_log.first.front(), "27 previous=40,40,240,340 current=40,40,180,300");
    EXPECT_EQ(m_log.first.back(), "2");
    auto shown = MacPlatform::Display::Headless::windowState(windowID());
    ASSERT_TRUE(shown.has_value());
    ASSERT_EQ(shown->screen.size(), 260u * 140u);
    EXPECT_EQ(shown->screen.back(), 0x0000FFu);
    TestSupport::TempDir dir;
    EXPECT_EQ(MacPlatformTestWriteWindowPNG(m_window, (dir / "w.png").c_str()), noErr);
    EXPECT_EQ(TestSupport::readFile(dir / "w.png").substr(0, 4), "\x89PNG");
}

} // namespace
