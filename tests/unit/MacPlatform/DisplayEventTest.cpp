// The display's events, posted on the headless display, reach the window's handlers through the
// event loop as the Carbon events and parameters the Mac would send.
#include "ControlTestHelpers.h"

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
    Rect content = MacPlatform::Window::fromRef(m_window)->contentBounds();
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
    pump();

    auto downs = m_received.ofKind(kEventClassMouse, kEventMouseDown);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(xy(param<HIPoint>(downs[0], kEventParamWindowMouseLocation, typeHIPoint)),
              (XY{12, 7}));
    EXPECT_EQ(xy(param<HIPoint>(downs[0], kEventParamMouseLocation, typeHIPoint)),
              (XY{content.left + 12.0, content.top + 7.0}));
    EXPECT_EQ(param<UInt32>(downs[0], kEventParamKeyModifiers, typeUInt32),
              static_cast<UInt32>(shiftKey | cmdKey));
    EXPECT_EQ(param<EventMouseButton>(downs[0], kEventParamMouseButton, typeMouseButton),
              kEventMouseButtonPrimary);
    EXPECT_EQ(param<UInt32>(downs[0], kEventParamClickCount, typeUInt32), 2u);
    EXPECT_EQ(param<WindowRef>(downs[0], kEventParamWindowRef, typeWindowRef), m_window);
    auto ups = m_received.ofKind(kEventClassMouse, kEventMouseUp);
    ASSERT_EQ(ups.size(), 1u);
    EXPECT_EQ(param<EventMouseButton>(ups[0], kEventParamMouseButton, typeMouseButton),
              kEventMouseButtonSecondary);

    Event motion{.type = EventType::MouseMoved,
                 .windowID = windowID(),
                 .x = 40,
                 .y = 50,
                 .deltaX = 3,
                 .deltaY = -4};
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

    auto moved = m_received.ofKind(kEventClassMouse, kEventMouseMoved);
    auto dragged = m_received.ofKind(kEventClassMouse, kEventMouseDragged);
    ASSERT_EQ(moved.size(), 1u);
    ASSERT_EQ(dragged.size(), 1u);
    EXPECT_EQ(xy(param<HIPoint>(moved[0], kEventParamMouseDelta, typeHIPoint)), (XY{3, -4}));
    EXPECT_EQ(param<HIPoint>(dragged[0], kEventParamWindowMouseLocation, typeHIPoint).x, 40);
    EXPECT_EQ(param<UInt32>(dragged[0], kEventParamMouseChord, typeUInt32), 1u);

    auto wheels = m_received.ofKind(kEventClassMouse, kEventMouseWheelMoved);
    ASSERT_EQ(wheels.size(), 2u);
    EXPECT_EQ(param<EventMouseWheelAxis>(wheels[0], kEventParamMouseWheelAxis, typeMouseWheelAxis),
              kEventMouseWheelAxisY);
    EXPECT_EQ(param<SInt32>(wheels[0], kEventParamMouseWheelDelta, typeSInt32), 3);
    EXPECT_EQ(param<EventMouseWheelAxis>(wheels[1], kEventParamMouseWheelAxis, typeMouseWheelAxis),
              kEventMouseWheelAxisX);
    EXPECT_EQ(param<SInt32>(wheels[1], kEventParamMouseWheelDelta, typeSInt32), -2);
    EXPECT_EQ(param<HIPoint>(wheels[1], kEventParamWindowMouseLocation, typeHIPoint).y, 6);
}

TEST_F(DisplayEventTest, KeysCarryMacKeyCodesCharactersAndModifiers) {
    post(keyEvent(EventType::KeyDown, 0x00, 'a', 0));
    post(keyEvent(EventType::KeyDown, 0x00, 'A', shiftKey, true));
    post(keyEvent(EventType::KeyUp, 0x00, 'a', 0));
    post(keyEvent(EventType::KeyDown, 0x12, '!', shiftKey | rightShiftKey));
    post(keyEvent(EventType::KeyDown, 0x24, 0x0D, 0));
    post(keyEvent(EventType::KeyDown, 0x7B, 0x1C, controlKey | optionKey));
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

    auto downs = m_received.ofKind(kEventClassKeyboard, kEventRawKeyDown);
    ASSERT_EQ(downs.size(), 5u);
    struct Expected {
        UInt32 code;
        char character;
        UInt32 modifiers;
    } expected[] = {{0x00, 'a', 0},
                    {0x12, '!', shiftKey | rightShiftKey},
                    {0x24, 0x0D, 0},
                    {0x7B, 0x1C, controlKey | optionKey},
                    {0x35, 0x1B, 0}};
    for (size_t i = 0; i < downs.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(param<UInt32>(downs[i], kEventParamKeyCode, typeUInt32), expected[i].code);
        EXPECT_EQ(param<char>(downs[i], kEventParamKeyMacCharCodes, typeChar),
                  expected[i].character);
        EXPECT_EQ(param<UInt32>(downs[i], kEventParamKeyModifiers, typeUInt32),
                  expected[i].modifiers);
    }
    auto repeats = m_received.ofKind(kEventClassKeyboard, kEventRawKeyRepeat);
    ASSERT_EQ(repeats.size(), 1u);
    EXPECT_EQ(param<char>(repeats[0], kEventParamKeyMacCharCodes, typeChar), 'A');
    EXPECT_EQ(m_received.ofKind(kEventClassKeyboard, kEventRawKeyUp).size(), 1u);
    auto changes = m_received.ofKind(kEventClassKeyboard, kEventRawKeyModifiersChanged);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(param<UInt32>(changes[0], kEventParamKeyModifiers, typeUInt32),
              static_cast<UInt32>(shiftKey | alphaLock));
    EXPECT_NE(
        GetEventParameter(changes[0], kEventParamKeyCode, typeUInt32, nullptr, 0, nullptr, nullptr),
        noErr);
}

TEST_F(DisplayEventTest, ResizeExposeAndCloseReachTheWindow) {
    CGContextRef context = MacPlatform::Window::fromRef(m_window)->context();
    ASSERT_TRUE(MacPlatform::Display::Headless::resizeWindow(windowID(), 260, 140));
    pump();

    auto changes = m_received.ofKind(kEventClassWindow, kEventWindowBoundsChanged);
    ASSERT_FALSE(changes.empty());
    Rect current = param<Rect>(changes.back(), kEventParamCurrentBounds, typeQDRectangle);
    Rect previous = param<Rect>(changes.back(), kEventParamPreviousBounds, typeQDRectangle);
    EXPECT_EQ(current.right - current.left, 260);
    EXPECT_EQ(current.bottom - current.top, 140);
    EXPECT_EQ(previous.right - previous.left, 300);
    EXPECT_EQ(previous.bottom - previous.top, 200);
    Rect port;
    EXPECT_EQ(edges(*GetWindowPortBounds(m_window, &port)), (Edges{0, 0, 140, 260}));

    // The same context now draws on the larger surface.
    EXPECT_EQ(MacPlatform::Window::fromRef(m_window)->context(), context);
    CGContextSetRGBFillColor(context, 0, 0, 1, 1);
    CGContextFillRect(context, CGRectMake(250, 130, 10, 10));
    std::vector<UInt32> pixels = windowPixels(m_window);
    ASSERT_EQ(pixels.size(), 260u * 140u);
    EXPECT_EQ(pixels.back(), 0x0000FFu);
    EXPECT_EQ(pixels[0], 0xFFFFFFu);

    // What the draw handler leaves in the surface is shown.
    post({.type = EventType::WindowExposed, .windowID = windowID()});
    pump();
    EXPECT_FALSE(m_received.ofKind(kEventClassWindow, kEventWindowDrawContent).empty());
    auto shown = MacPlatform::Display::Headless::windowState(windowID());
    ASSERT_TRUE(shown.has_value());
    ASSERT_EQ(shown->screen.size(), 260u * 140u);
    EXPECT_EQ(shown->screen.back(), 0x0000FFu);

    // The close box: the standard handler disposes of the window.
    post({.type = EventType::WindowClose, .windowID = windowID()});
    pump();
    EXPECT_EQ(GetWindowEventTarget(m_window), nullptr);
    m_window = nullptr;
}

} // namespace
