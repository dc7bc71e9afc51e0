// The display's events, posted on the headless display, reach the window's handlers through the
// event loop as the Carbon events and parameters the Mac would send.
#include "ControlTestHelpers.h"

#include <TestSupport.h>

#include <string>
#include <vector>

namespace {

using namespace ControlTests;

// Every event a handler saw, kept until the test has read it.
struct Received {
    std::vector<EventRef> events;
    ~Received() {
        for (EventRef event : events) {
            ReleaseEvent(event);
        }
    }
    std::vector<EventRef> ofKind(UInt32 eventClass, UInt32 kind) const {
        std::vector<EventRef> found;
        for (EventRef event : events) {
            if (GetEventClass(event) == eventClass && GetEventKind(event) == kind) {
                found.push_back(event);
            }
        }
        return found;
    }
};

OSStatus keep(EventHandlerCallRef, EventRef event, void* userData) {
    static_cast<Received*>(userData)->events.push_back(RetainEvent(event));
    return eventNotHandledErr;
}

template <typename T> T param(EventRef event, EventParamName name, EventParamType type) {
    T value{};
    EXPECT_EQ(GetEventParameter(event, name, type, nullptr, sizeof value, nullptr, &value), noErr)
        << "parameter " << std::hex << name;
    return value;
}

// A mouse or keyboard event as one line: its kind and the parameters it has, by name.
std::string describe(EventRef event) {
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
                  {"mods", kEventParamKeyModifiers, typeUInt32}};
    for (const auto& p : params) {
        HIPoint point{};
        SInt32 number = 0;
        ByteCount size = 0;
        bool isPoint = p.type == typeHIPoint;
        if (GetEventParameter(event, p.name, p.type, nullptr,
                              isPoint ? sizeof point : sizeof number, &size,
                              isPoint ? static_cast<void*>(&point) : &number) != noErr) {
            continue;
        }
        if (size == 1) {
            number = static_cast<signed char>(number);
        } else if (size == 2) {
            number = static_cast<UInt16>(number);
        }
        line += std::string(" ") + p.label + "=" +
                (isPoint ? std::to_string(int(point.x)) + "," + std::to_string(int(point.y))
                         : std::to_string(number));
    }
    return line;
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
        InstallWindowEventHandler(m_window, keep, GetEventTypeCount(types), types, &m_received,
                                  nullptr);
    }
    std::vector<std::string> log() const {
        std::vector<std::string> lines;
        for (EventRef event : m_received.events) {
            if (GetEventClass(event) != kEventClassWindow) {
                lines.push_back(describe(event));
            }
        }
        return lines;
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

    Received m_received;
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
    EXPECT_EQ(log(),
              (std::vector<std::string>{"1 at=12,7 global=52,47 button=1 clicks=2 chord=1 mods=768",
                                        "2 at=12,7 global=52,47 button=2 clicks=2 chord=1 mods=768",
                                        "5 at=40,50 global=80,90 delta=3,-4 mods=0",
                                        "6 at=40,50 global=80,90 delta=3,-4 chord=1 mods=0",
                                        "10 at=5,6 global=45,46 axis=1 wheel=3 mods=0",
                                        "10 at=5,6 global=45,46 axis=0 wheel=-2 mods=0"}));
    auto downs = m_received.ofKind(kEventClassMouse, kEventMouseDown);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(param<WindowRef>(downs[0], kEventParamWindowRef, typeWindowRef), m_window);
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

    EXPECT_EQ(log(),
              (std::vector<std::string>{"1 key=0 char=97 mods=0", "2 key=0 char=65 mods=512",
                                        "3 key=0 char=97 mods=0", "1 key=123 char=28 mods=12288",
                                        "4 mods=1536", "1 key=53 char=27 mods=0"}));
}

TEST_F(DisplayEventTest, ResizeAndExposeReachTheWindow) {
    CGContextRef context = MacPlatform::Window::fromRef(m_window)->context();
    ASSERT_TRUE(MacPlatform::Display::Headless::resizeWindow(windowID(), 260, 140));
    pump();

    auto changes = m_received.ofKind(kEventClassWindow, kEventWindowBoundsChanged);
    ASSERT_FALSE(changes.empty());
    Rect current = param<Rect>(changes.back(), kEventParamCurrentBounds, typeQDRectangle);
    Rect previous = param<Rect>(changes.back(), kEventParamPreviousBounds, typeQDRectangle);
    EXPECT_EQ(edges(current), (Edges{40, 40, 40 + 140, 40 + 260}));
    EXPECT_EQ(edges(previous), (Edges{40, 40, 40 + 200, 40 + 300}));

    // The same context now draws on the larger surface, and what the draw handler leaves in it
    // is shown.
    EXPECT_EQ(MacPlatform::Window::fromRef(m_window)->context(), context);
    CGContextSetRGBFillColor(context, 0, 0, 1, 1);
    CGContextFillRect(context, CGRectMake(250, 130, 10, 10));
    post({.type = EventType::WindowExposed, .windowID = windowID()});
    pump();
    EXPECT_FALSE(m_received.ofKind(kEventClassWindow, kEventWindowDrawContent).empty());
    auto shown = MacPlatform::Display::Headless::windowState(windowID());
    ASSERT_TRUE(shown.has_value());
    ASSERT_EQ(shown->screen.size(), 260u * 140u);
    EXPECT_EQ(shown->screen.back(), 0x0000FFu);
    TestSupport::TempDir dir;
    EXPECT_EQ(MacPlatformTestWriteWindowPNG(m_window, (dir / "w.png").c_str()), noErr);
    EXPECT_EQ(TestSupport::readFile(dir / "w.png").substr(0, 4), "\x89PNG");
}

} // namespace
