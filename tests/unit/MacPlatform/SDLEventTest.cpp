// SDL events pushed on the dummy driver reach the window's handlers through the event loop as
// the Carbon events and parameters the Mac would send.
#include "Display/SDL/SDLBackend.h"
#include "HIToolbox/Window.h"

#include <Carbon/Carbon.h>
#include <MacPlatformTesting.h>

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

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

class SDLEventTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        Rect bounds{30, 20, 30 + 100, 20 + 200};
        ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, kWindowStandardHandlerAttribute, &bounds,
                                  &m_window),
                  noErr);
        ShowWindow(m_window);
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
        pump();
    }
    void TearDown() override {
        DisposeWindow(m_window);
        SDL_SetModState(KMOD_NONE);
    }

    Uint32 windowID() const { return MacPlatform::Window::fromRef(m_window)->displayID(); }
    static void push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError(); }
    static void pump() { RunCurrentEventLoop(0); }

    SDL_Event key(Uint32 type, SDL_Scancode scancode, SDL_Keycode sym, Uint16 mod,
                  Uint8 repeat = 0) const {
        SDL_Event event{};
        event.key.type = type;
        event.key.windowID = windowID();
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.repeat = repeat;
        event.key.keysym.scancode = scancode;
        event.key.keysym.sym = sym;
        event.key.keysym.mod = mod;
        return event;
    }

    WindowRef m_window = nullptr;
    Received m_received;
};

TEST_F(SDLEventTest, MouseEventsCarryLocationsButtonsAndModifiers) {
    int x = 0, y = 0;
    SDL_GetWindowPosition(SDL_GetWindowFromID(windowID()), &x, &y);
    SDL_SetModState(static_cast<SDL_Keymod>(KMOD_LSHIFT | KMOD_LGUI));

    SDL_Event down{};
    down.button = {SDL_MOUSEBUTTONDOWN, 0, windowID(), 0,  SDL_BUTTON_LEFT,
                   SDL_PRESSED,         2, 0,          12, 7};
    push(down);
    SDL_Event up = down;
    up.button.type = SDL_MOUSEBUTTONUP;
    up.button.button = SDL_BUTTON_RIGHT;
    up.button.clicks = 1;
    push(up);
    SDL_Event elsewhere = down;
    elsewhere.button.windowID = windowID() + 1000;
    push(elsewhere);
    pump();

    auto downs = m_received.ofKind(kEventClassMouse, kEventMouseDown);
    ASSERT_EQ(downs.size(), 1u);
    HIPoint local = param<HIPoint>(downs[0], kEventParamWindowMouseLocation, typeHIPoint);
    EXPECT_EQ(local.x, 12);
    EXPECT_EQ(local.y, 7);
    HIPoint global = param<HIPoint>(downs[0], kEventParamMouseLocation, typeHIPoint);
    EXPECT_EQ(global.x, x + 12);
    EXPECT_EQ(global.y, y + 7);
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

    SDL_Event motion{};
    motion.motion = {SDL_MOUSEMOTION, 0, windowID(), 0, 0, 40, 50, 3, -4};
    push(motion);
    motion.motion.state = SDL_BUTTON_LMASK;
    push(motion);
    SDL_Event wheel{};
    wheel.wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.windowID = windowID();
    wheel.wheel.x = 2;
    wheel.wheel.y = 3;
    wheel.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    wheel.wheel.mouseX = 5;
    wheel.wheel.mouseY = 6;
    push(wheel);
    pump();

    auto moved = m_received.ofKind(kEventClassMouse, kEventMouseMoved);
    auto dragged = m_received.ofKind(kEventClassMouse, kEventMouseDragged);
    ASSERT_EQ(moved.size(), 1u);
    ASSERT_EQ(dragged.size(), 1u);
    HIPoint delta = param<HIPoint>(moved[0], kEventParamMouseDelta, typeHIPoint);
    EXPECT_EQ(delta.x, 3);
    EXPECT_EQ(delta.y, -4);
    EXPECT_EQ(param<HIPoint>(dragged[0], kEventParamWindowMouseLocation, typeHIPoint).x, 40);
    EXPECT_EQ(param<UInt32>(dragged[0], kEventParamMouseChord, typeUInt32), 1u);

    auto wheels = m_received.ofKind(kEventClassMouse, kEventMouseWheelMoved);
    ASSERT_EQ(wheels.size(), 2u);
    EXPECT_EQ(param<EventMouseWheelAxis>(wheels[0], kEventParamMouseWheelAxis, typeMouseWheelAxis),
              kEventMouseWheelAxisY);
    EXPECT_EQ(param<SInt32>(wheels[0], kEventParamMouseWheelDelta, typeSInt32), 3);
    EXPECT_EQ(param<EventMouseWheelAxis>(wheels[1], kEventParamMouseWheelAxis, typeMouseWheelAxis),
              kEventMouseWheelAxisX);
    // Positive is leftward on the Mac, rightward in SDL.
    EXPECT_EQ(param<SInt32>(wheels[1], kEventParamMouseWheelDelta, typeSInt32), -2);
    EXPECT_EQ(param<HIPoint>(wheels[1], kEventParamWindowMouseLocation, typeHIPoint).y, 6);
}

TEST_F(SDLEventTest, KeysCarryMacKeyCodesCharactersAndModifiers) {
    push(key(SDL_KEYDOWN, SDL_SCANCODE_A, SDLK_a, KMOD_NONE));
    push(key(SDL_KEYDOWN, SDL_SCANCODE_A, SDLK_a, KMOD_LSHIFT, 1));
    push(key(SDL_KEYUP, SDL_SCANCODE_A, SDLK_a, KMOD_NONE));
    push(key(SDL_KEYDOWN, SDL_SCANCODE_1, SDLK_1, KMOD_RSHIFT));
    push(key(SDL_KEYDOWN, SDL_SCANCODE_RETURN, SDLK_RETURN, KMOD_NONE));
    push(key(SDL_KEYDOWN, SDL_SCANCODE_LEFT, SDLK_LEFT, KMOD_LCTRL | KMOD_LALT));
    push(key(SDL_KEYDOWN, SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, KMOD_LSHIFT | KMOD_CAPS));
    // No window named: the front window gets it.
    SDL_Event loose = key(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, KMOD_NONE);
    loose.key.windowID = 0;
    push(loose);
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

TEST_F(SDLEventTest, KeyTablesFollowTheUSLayout) {
    using namespace MacPlatform::Display::SDL;
    EXPECT_EQ(macKeyCode(SDL_SCANCODE_Z), 0x06);
    EXPECT_EQ(macKeyCode(SDL_SCANCODE_KP_ENTER), 0x4C);
    EXPECT_EQ(macKeyCode(SDL_SCANCODE_F1), 0x7A);
    EXPECT_EQ(macKeyCode(SDL_SCANCODE_UP), 0x7E);
    EXPECT_EQ(macKeyCode(SDL_SCANCODE_APPLICATION), -1);
    EXPECT_EQ(macCharCode(SDLK_q, KMOD_CAPS), 'Q');
    EXPECT_EQ(macCharCode(SDLK_q, KMOD_CAPS | KMOD_SHIFT), 'q');
    EXPECT_EQ(macCharCode(SDLK_SLASH, KMOD_LSHIFT), '?');
    EXPECT_EQ(macCharCode(SDLK_QUOTE, KMOD_LSHIFT), '"');
    EXPECT_EQ(macCharCode(SDLK_KP_7, KMOD_NONE), '7');
    EXPECT_EQ(macCharCode(SDLK_F5, KMOD_NONE), 0x10);
    EXPECT_EQ(macCharCode(SDLK_PAGEDOWN, KMOD_NONE), 0x0C);
    EXPECT_EQ(macModifiers(KMOD_RGUI | KMOD_NUM),
              static_cast<UInt32>(cmdKey | kEventKeyModifierNumLockMask));
    EXPECT_EQ(macModifiers(KMOD_RCTRL | KMOD_RALT),
              static_cast<UInt32>(controlKey | rightControlKey | optionKey | rightOptionKey));
}

TEST_F(SDLEventTest, ResizeExposeAndCloseReachTheWindow) {
    MacPlatform::Window* window = MacPlatform::Window::fromRef(m_window);
    CGContextRef context = window->context();
    SDL_SetWindowSize(SDL_GetWindowFromID(windowID()), 260, 140);
    pump();

    auto changes = m_received.ofKind(kEventClassWindow, kEventWindowBoundsChanged);
    ASSERT_FALSE(changes.empty());
    Rect current = param<Rect>(changes.back(), kEventParamCurrentBounds, typeQDRectangle);
    Rect previous = param<Rect>(changes.back(), kEventParamPreviousBounds, typeQDRectangle);
    EXPECT_EQ(current.right - current.left, 260);
    EXPECT_EQ(current.bottom - current.top, 140);
    EXPECT_EQ(previous.right - previous.left, 200);
    EXPECT_EQ(previous.bottom - previous.top, 100);
    Rect port;
    GetWindowPortBounds(m_window, &port);
    EXPECT_EQ(port.right, 260);
    EXPECT_EQ(port.bottom, 140);

    // The same context now draws on the larger surface.
    EXPECT_EQ(window->context(), context);
    CGContextSetRGBFillColor(context, 0, 0, 1, 1);
    CGContextFillRect(context, CGRectMake(250, 130, 10, 10));
    SInt32 width = 0, height = 0;
    std::vector<UInt32> pixels(260 * 140);
    ASSERT_EQ(
        MacPlatformTestCopyWindowPixels(m_window, pixels.data(), pixels.size(), &width, &height),
        noErr);
    EXPECT_EQ(pixels.back(), 0x0000FFu);
    EXPECT_EQ(pixels[0], 0xFFFFFFu);

    // What the draw handler leaves in the surface is shown.
    SDL_Event expose{};
    expose.window.type = SDL_WINDOWEVENT;
    expose.window.event = SDL_WINDOWEVENT_EXPOSED;
    expose.window.windowID = windowID();
    push(expose);
    pump();
    EXPECT_FALSE(m_received.ofKind(kEventClassWindow, kEventWindowDrawContent).empty());
    SDL_Surface* frame = SDL_GetWindowSurface(SDL_GetWindowFromID(windowID()));
    ASSERT_NE(frame, nullptr);
    const auto* lastRow = static_cast<const unsigned char*>(frame->pixels) + 139 * frame->pitch;
    EXPECT_EQ(reinterpret_cast<const UInt32*>(lastRow)[259] & 0xFFFFFFu, 0x0000FFu);

    // The close box: the standard handler disposes of the window.
    SDL_Event close = expose;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    push(close);
    pump();
    EXPECT_EQ(GetWindowEventTarget(m_window), nullptr);
    m_window = nullptr;
}

} // namespace
