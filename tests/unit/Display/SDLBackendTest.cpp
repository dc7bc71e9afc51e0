// The SDL backend's own work, which the contract cannot see: SDL's events in the display's
// form, the Mac's view of the keys, and the pixels in SDL's frame buffer. It drives SDL on
// purpose, so it runs only where MACPLATFORM_DISPLAY chooses SDL (under a private X server).
#include "Display/SDL/SDLBackend.h"

#include <Carbon/CarbonEvents.h>
#include <Carbon/MacPlatformControllers.h>

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

namespace SDLBackend = MacPlatform::Display::SDL;
using MacPlatform::Display::backend;
using MacPlatform::Display::Event;
using MacPlatform::Display::EventType;
using MacPlatform::Display::NativeWindow;

class SDLBackendTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::strcmp(backend().name, "sdl") != 0) {
            GTEST_SKIP() << "the display is " << backend().name;
        }
        ASSERT_TRUE(backend().start()) << backend().errorText();
        ASSERT_TRUE(backend().startEvents()) << backend().errorText();
        m_started = true;
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
    void TearDown() override {
        if (m_started) {
            SDL_SetModState(KMOD_NONE);
            backend().stopEvents();
            backend().stop();
        }
    }

    static void push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError(); }
    // Every event now queued, in the display's form.
    static std::vector<Event> taken() {
        std::vector<Event> events;
        Event event;
        while (backend().nextEvent(&event)) {
            events.push_back(event);
        }
        return events;
    }
    static SDL_Event key(Uint32 type, SDL_Scancode scancode, SDL_Keycode sym, Uint16 mod,
                         Uint8 repeat = 0) {
        SDL_Event event{};
        event.key.type = type;
        event.key.windowID = 7;
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.repeat = repeat;
        event.key.keysym.scancode = scancode;
        event.key.keysym.sym = sym;
        event.key.keysym.mod = mod;
        return event;
    }
    static std::uint32_t pixelAt(SDL_Surface* frame, int x, int y) {
        Uint32 value = 0;
        std::memcpy(&value,
                    static_cast<const unsigned char*>(frame->pixels) + y * frame->pitch +
                        x * frame->format->BytesPerPixel,
                    frame->format->BytesPerPixel);
        Uint8 r, g, b;
        SDL_GetRGB(value, frame->format, &r, &g, &b);
        return static_cast<std::uint32_t>(r) << 16 | g << 8 | b;
    }

    bool m_started = false;
};

TEST_F(SDLBackendTest, KeyTablesFollowTheUSLayout) {
    EXPECT_EQ(SDLBackend::macKeyCode(SDL_SCANCODE_Z), 0x06);
    EXPECT_EQ(SDLBackend::macKeyCode(SDL_SCANCODE_KP_ENTER), 0x4C);
    EXPECT_EQ(SDLBackend::macKeyCode(SDL_SCANCODE_F1), 0x7A);
    EXPECT_EQ(SDLBackend::macKeyCode(SDL_SCANCODE_UP), 0x7E);
    EXPECT_EQ(SDLBackend::macKeyCode(SDL_SCANCODE_APPLICATION), -1);
    EXPECT_EQ(SDLBackend::macCharCode(SDLK_q, KMOD_CAPS), 'Q');
    EXPECT_EQ(SDLBackend::macCharCode(SDLK_q, KMOD_CAPS | KMOD_SHIFT), 'q');
    EXPECT_EQ(SDLBackend::macCharCode(SDLK_SLASH, KMOD_LSHIFT), '?');
    EXPECT_EQ(SDLBackend::macCharCode(SDLK_QUOTE, KMOD_LSHIFT), '"');
    EXPECT_EQ(SDLBackend::macCharCode(SDLK_KP_7, KMOD_NONE), '7');
    EXPECT_EQ(SDLBackend::macCharCode(SDLK_F5, KMOD_NONE), 0x10);
    EXPECT_EQ(SDLBackend::macCharCode(SDLK_PAGEDOWN, KMOD_NONE), 0x0C);
    EXPECT_EQ(SDLBackend::macModifiers(KMOD_RGUI | KMOD_NUM),
              static_cast<std::uint32_t>(cmdKey | kEventKeyModifierNumLockMask));
    EXPECT_EQ(
        SDLBackend::macModifiers(KMOD_RCTRL | KMOD_RALT),
        static_cast<std::uint32_t>(controlKey | rightControlKey | optionKey | rightOptionKey));
}

TEST_F(SDLBackendTest, MouseEventsTakeTheMacsButtonsAndWheelDirections) {
    SDL_SetModState(static_cast<SDL_Keymod>(KMOD_LSHIFT | KMOD_LGUI));
    SDL_Event down{};
    down.button = {SDL_MOUSEBUTTONDOWN, 0, 7, 0, SDL_BUTTON_RIGHT, SDL_PRESSED, 2, 0, 12, 7};
    push(down);
    SDL_Event motion{};
    motion.motion = {SDL_MOUSEMOTION, 0, 7, 0, SDL_BUTTON_LMASK | SDL_BUTTON_MMASK, 40, 50, 3, -4};
    push(motion);
    SDL_Event wheel{};
    wheel.wheel = {SDL_MOUSEWHEEL, 0, 7, 0, 2, 3, SDL_MOUSEWHEEL_FLIPPED, 0, 0, 5, 6};
    push(wheel);

    std::vector<Event> events = taken();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].type, EventType::MouseDown);
    EXPECT_EQ(events[0].windowID, 7u);
    EXPECT_EQ(events[0].button, MacPlatform::Display::kSecondaryButton);
    EXPECT_EQ(events[0].clickCount, 2);
    EXPECT_EQ((std::pair{events[0].x, events[0].y}), (std::pair{12, 7}));
    EXPECT_EQ(events[0].modifiers, static_cast<std::uint32_t>(shiftKey | cmdKey));
    EXPECT_EQ(events[1].type, EventType::MouseMoved);
    // Left is the Mac's first button, middle its third.
    EXPECT_EQ(events[1].chord, 0b101u);
    EXPECT_EQ((std::pair{events[1].deltaX, events[1].deltaY}), (std::pair{3, -4}));
    EXPECT_EQ(events[2].type, EventType::MouseWheel);
    // Flipped: SDL's up is down; positive x is leftward on the Mac and rightward in SDL.
    EXPECT_EQ((std::pair{events[2].deltaX, events[2].deltaY}), (std::pair{2, -3}));
    EXPECT_EQ((std::pair{events[2].x, events[2].y}), (std::pair{5, 6}));
}

TEST_F(SDLBackendTest, KeysCarryMacCodesAndTheTextTypedRightBehindThem) {
    push(key(SDL_KEYDOWN, SDL_SCANCODE_1, SDLK_1, KMOD_RSHIFT));
    push(key(SDL_KEYDOWN, SDL_SCANCODE_A, SDLK_a, KMOD_NONE, 1));
    SDL_Event typed{};
    typed.text.type = SDL_TEXTINPUT;
    typed.text.windowID = 7;
    std::string accented = "\xC3\xA9";
    accented.copy(typed.text.text, accented.size());
    push(typed);
    // A key that typed nothing never takes a later key's text.
    push(key(SDL_KEYDOWN, SDL_SCANCODE_LEFT, SDLK_LEFT, KMOD_LCTRL));
    push(key(SDL_KEYDOWN, SDL_SCANCODE_E, SDLK_e, KMOD_NONE));
    push(typed);
    push(key(SDL_KEYUP, SDL_SCANCODE_E, SDLK_e, KMOD_NONE));
    push(key(SDL_KEYDOWN, SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, KMOD_LSHIFT | KMOD_CAPS));
    push(key(SDL_KEYDOWN, SDL_SCANCODE_APPLICATION, SDLK_APPLICATION, KMOD_NONE));
    push(typed);

    std::vector<Event> events = taken();
    ASSERT_EQ(events.size(), 7u);
    EXPECT_EQ(events[0].type, EventType::KeyDown);
    EXPECT_EQ(events[0].keyCode, 0x12);
    EXPECT_EQ(events[0].charCode, '!');
    EXPECT_EQ(events[0].modifiers, static_cast<std::uint32_t>(shiftKey | rightShiftKey));
    EXPECT_STREQ(events[0].text, "");
    EXPECT_TRUE(events[1].repeat);
    EXPECT_STREQ(events[1].text, "\xC3\xA9");
    EXPECT_EQ(events[2].keyCode, 0x7B);
    EXPECT_EQ(events[2].charCode, 0x1C);
    EXPECT_STREQ(events[2].text, "");
    EXPECT_STREQ(events[3].text, "\xC3\xA9");
    EXPECT_EQ(events[4].type, EventType::KeyUp);
    EXPECT_EQ(events[5].type, EventType::ModifiersChanged);
    EXPECT_EQ(events[5].modifiers, static_cast<std::uint32_t>(shiftKey | alphaLock));
    // The key the Mac lacks is dropped; the text behind it stays text of its own.
    EXPECT_EQ(events[6].type, EventType::TextInput);
    EXPECT_STREQ(events[6].text, "\xC3\xA9");
}

TEST_F(SDLBackendTest, WindowEventsAndWakesInTheDisplaysForm) {
    const struct {
        SDL_WindowEventID sdl;
        EventType ours;
    } kinds[] = {{SDL_WINDOWEVENT_CLOSE, EventType::WindowClose},
                 {SDL_WINDOWEVENT_EXPOSED, EventType::WindowExposed},
                 {SDL_WINDOWEVENT_SIZE_CHANGED, EventType::WindowResized},
                 {SDL_WINDOWEVENT_MOVED, EventType::WindowMoved},
                 {SDL_WINDOWEVENT_LEAVE, EventType::MouseLeft},
                 {SDL_WINDOWEVENT_FOCUS_GAINED, EventType::WindowFocusGained},
                 {SDL_WINDOWEVENT_FOCUS_LOST, EventType::WindowFocusLost}};
    for (const auto& kind : kinds) {
        SDL_Event event{};
        event.window = {SDL_WINDOWEVENT, 0, 9, static_cast<Uint8>(kind.sdl), 0, 0, 0, 320, 180};
        push(event);
        backend().wake();
    }
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    push(quit);

    std::vector<Event> events = taken();
    ASSERT_EQ(events.size(), std::size(kinds) + 1) << "wakes are not events";
    for (size_t i = 0; i < std::size(kinds); ++i) {
        EXPECT_EQ(events[i].type, kinds[i].ours) << i;
        EXPECT_EQ(events[i].windowID, 9u);
    }
    EXPECT_EQ(events[2].width, 320);
    EXPECT_EQ(events[2].height, 180);
    EXPECT_EQ(events[3].x, 320);
    EXPECT_EQ(events.back().type, EventType::Quit);
}

TEST_F(SDLBackendTest, PresentPutsTheSurfaceInSDLsFrameBuffer) {
    const auto& display = backend();
    NativeWindow* window = display.createWindow("Pixels", 0, 0, 64, 48);
    ASSERT_NE(window, nullptr) << display.errorText();
    cairo_surface_t* surface = display.createSurface(window);
    ASSERT_NE(surface, nullptr) << display.errorText();
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0, 0, 1);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 1, 0, 0);
    cairo_rectangle(cr, 10, 5, 20, 10);
    cairo_fill(cr);
    cairo_destroy(cr);
    ASSERT_TRUE(display.present(window, surface)) << display.errorText();
    SDL_Surface* frame = SDL_GetWindowSurface(SDL_GetWindowFromID(display.windowID(window)));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(pixelAt(frame, 10, 5), 0xFF0000u);
    EXPECT_EQ(pixelAt(frame, 29, 14), 0xFF0000u);
    EXPECT_EQ(pixelAt(frame, 30, 14), 0x0000FFu);
    EXPECT_EQ(pixelAt(frame, 63, 47), 0x0000FFu);
    cairo_surface_destroy(surface);

    // A surface of its own, larger than the window as after it shrank, is converted.
    cairo_surface_t* own = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 80, 50);
    cr = cairo_create(own);
    cairo_set_source_rgb(cr, 0, 1, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    ASSERT_TRUE(display.present(window, own)) << display.errorText();
    EXPECT_EQ(pixelAt(frame, 0, 0), 0x00FF00u);
    EXPECT_EQ(pixelAt(frame, 63, 47), 0x00FF00u);
    cairo_surface_destroy(own);
    display.destroyWindow(window);
}

} // namespace

// Controllers through SDL's virtual joystick: read only while a window is shown, plugged and
// unplugged during the session, their controls as the Mac's keys.
TEST_F(SDLBackendTest, ControllersBecomeKeysWhileAWindowIsShown) {
    const auto& display = backend();
    NativeWindow* window = display.createWindow("Controllers", 0, 0, 64, 48);
    ASSERT_NE(window, nullptr) << display.errorText();
    EXPECT_FALSE(SDL_WasInit(SDL_INIT_GAMECONTROLLER)) << "read before a window shows";
    display.show(window);
    // Not before the window's first frame: from the loop's next wait.
    EXPECT_FALSE(SDL_WasInit(SDL_INIT_GAMECONTROLLER)) << "started before the first frame";
    display.waitForEvent(0);
    ASSERT_TRUE(SDL_WasInit(SDL_INIT_GAMECONTROLLER));
    // SDL drops controller input while none of the program's windows has the focus, and the X
    // server gives it a moment after the window is mapped.
    for (int waited = 0; !SDL_GetKeyboardFocus() && waited < 5000; waited += 10) {
        SDL_PumpEvents();
        SDL_Delay(10);
    }
    ASSERT_NE(SDL_GetKeyboardFocus(), nullptr) << "the shown window never got the focus";
    taken();

    auto plug = [] {
        int index =
            SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                      SDL_CONTROLLER_BUTTON_MAX, 0);
        EXPECT_GE(index, 0) << SDL_GetError();
        SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(index);
        SDL_PumpEvents();
        taken(); // the backend opens it when it sees it come
        return std::make_pair(index, SDL_JoystickFromInstanceID(id));
    };
    auto [index, joystick] = plug();
    ASSERT_NE(joystick, nullptr) << "the plugged controller was not opened";

    auto button = [&](SDL_GameControllerButton which, Uint8 down) {
        SDL_JoystickSetVirtualButton(joystick, which, down);
        SDL_PumpEvents();
    };
    button(SDL_CONTROLLER_BUTTON_A, 1);
    button(SDL_CONTROLLER_BUTTON_A, 0);
    button(SDL_CONTROLLER_BUTTON_B, 1);
    button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 1);
    button(SDL_CONTROLLER_BUTTON_START, 1);
    button(SDL_CONTROLLER_BUTTON_X, 1); // not one of ours
    // The stick: a small push is nothing, a full one the arrow, a swing to the other side
    // lets go of it and pushes the other.
    auto stick = [&](Sint16 value) {
        SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTX, value);
        SDL_PumpEvents();
    };
    stick(6000);
    stick(-30000);
    stick(30000);
    std::vector<Event> events = taken();
    struct Expected {
        EventType type;
        int keyCode;
        char charCode;
        std::uint8_t control;
    };
    const Expected expected[] = {
        {EventType::KeyDown, 0x24, 0x0D, kMacPlatformControllerSouth},
        {EventType::KeyUp, 0x24, 0x0D, kMacPlatformControllerSouth},
        {EventType::KeyDown, 0x35, 0x1B, kMacPlatformControllerEast},
        {EventType::KeyDown, 0x7C, 0x1D, kMacPlatformControllerDirection},
        {EventType::KeyDown, 0x24, 0x0D, kMacPlatformControllerStart},
        {EventType::KeyDown, 0x7B, 0x1C, kMacPlatformControllerDirection},
        {EventType::KeyUp, 0x7B, 0x1C, kMacPlatformControllerDirection},
        {EventType::KeyDown, 0x7C, 0x1D, kMacPlatformControllerDirection},
    };
    ASSERT_EQ(events.size(), std::size(expected));
    for (std::size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(events[i].type, expected[i].type) << i;
        EXPECT_EQ(events[i].keyCode, expected[i].keyCode) << i;
        EXPECT_EQ(events[i].charCode, expected[i].charCode) << i;
        EXPECT_EQ(events[i].controllerButton, expected[i].control) << i;
    }

    // Unplugged and plugged again during the session.
    ASSERT_EQ(SDL_JoystickDetachVirtual(index), 0) << SDL_GetError();
    SDL_PumpEvents();
    // Unplugging lets go of what was held: B, the D-pad's right, Start and the stick.
    events = taken();
    ASSERT_EQ(events.size(), 4u);
    for (const Event& event : events) {
        EXPECT_EQ(event.type, EventType::KeyUp) << event.keyCode;
    }
    std::tie(index, joystick) = plug();
    ASSERT_NE(joystick, nullptr) << "a controller plugged in again was not opened";
    button(SDL_CONTROLLER_BUTTON_B, 1);
    events = taken();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].keyCode, 0x35);

    // Hidden: the controllers are left alone, and what they sent before is dropped.
    button(SDL_CONTROLLER_BUTTON_A, 1);
    display.hide(window);
    EXPECT_FALSE(SDL_WasInit(SDL_INIT_GAMECONTROLLER)) << "read while hidden";
    for (const Event& event : taken()) {
        EXPECT_EQ(event.controllerButton, 0) << "a controller's key while hidden";
    }
    display.destroyWindow(window);
}
