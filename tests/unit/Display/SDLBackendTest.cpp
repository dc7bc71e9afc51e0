// The SDL backend's own work, which the contract cannot see: SDL's events in the display's
// form, the Mac's view of the keys, and game controllers. It drives SDL on
// purpose, so it runs only where MACPLATFORM_DISPLAY chooses SDL (under a private X server).
#include "Display/SDL/SDLBackend.h"

#include <Carbon/CarbonEvents.h>
#include <Carbon/MacPlatformControllers.h>

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <linux/netlink.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

// Failures name the event types rather than print their bytes.
namespace MacPlatform::Display {
void PrintTo(EventType type, std::ostream* out) {
    *out << "EventType(" << static_cast<int>(type) << ")";
}
} // namespace MacPlatform::Display

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

    // A window shown, with the controllers read from the loop's first wait after it.
    static NativeWindow* shownWindow() {
        NativeWindow* window = backend().createWindow("Controllers", 0, 0, 64, 48);
        EXPECT_NE(window, nullptr) << backend().errorText();
        EXPECT_FALSE(SDL_WasInit(SDL_INIT_GAMECONTROLLER)) << "read before a window shows";
        backend().show(window);
        EXPECT_FALSE(SDL_WasInit(SDL_INIT_GAMECONTROLLER)) << "started before the first frame";
        backend().waitForEvent(0);
        EXPECT_TRUE(SDL_WasInit(SDL_INIT_GAMECONTROLLER));
        return window;
    }

    bool m_started = false;
};

TEST_F(SDLBackendTest, MouseEventsTakeTheMacsButtonsAndWheelDirections) {
    SDL_SetModState(static_cast<SDL_Keymod>(KMOD_LSHIFT | KMOD_RGUI | KMOD_RCTRL | KMOD_NUM));
    SDL_Event down{};
    down.button = {SDL_MOUSEBUTTONDOWN, 0, 7, 0, SDL_BUTTON_RIGHT, SDL_PRESSED, 2, 0, 12, 7};
    push(down);
    SDL_Event motion{};
    motion.motion = {SDL_MOUSEMOTION, 0, 7, 0, SDL_BUTTON_LMASK | SDL_BUTTON_MMASK, 40, 50, 3, -4};
    push(motion);
    // Flipped: SDL's up is down; positive x is leftward on the Mac and rightward in SDL.
    SDL_Event wheel{};
    wheel.wheel = {SDL_MOUSEWHEEL, 0, 7, 0, 2, 3, SDL_MOUSEWHEEL_FLIPPED, 0, 0, 5, 6};
    push(wheel);

    // Type, window, position, button, clicks, chord (left is the Mac's first button, middle
    // its third), movement. A press takes the chord from SDL's own state, where none is held.
    using Mouse = std::tuple<EventType, std::uint32_t, int, int, int, int, std::uint32_t, int, int>;
    std::vector<Mouse> mice;
    for (const Event& e : taken()) {
        mice.emplace_back(e.type, e.windowID, e.x, e.y, e.button, e.clickCount, e.chord, e.deltaX,
                          e.deltaY);
        EXPECT_EQ(e.modifiers,
                  static_cast<std::uint32_t>(shiftKey | cmdKey | controlKey | rightControlKey |
                                             kEventKeyModifierNumLockMask));
    }
    const auto secondary = MacPlatform::Display::kSecondaryButton;
    EXPECT_EQ(mice, (std::vector<Mouse>{{EventType::MouseDown, 7, 12, 7, secondary, 2, 0, 0, 0},
                                        {EventType::MouseMoved, 7, 40, 50, 0, 0, 0b101, 3, -4},
                                        {EventType::MouseWheel, 7, 5, 6, 0, 0, 0, 2, -3}}));
}

TEST_F(SDLBackendTest, KeysCarryMacCodesAndTheTextTypedRightBehindThem) {
    SDL_Event typed{};
    typed.text.type = SDL_TEXTINPUT;
    typed.text.windowID = 7;
    std::string accented = "\xC3\xA9";
    accented.copy(typed.text.text, accented.size());
    push(key(SDL_KEYDOWN, SDL_SCANCODE_1, SDLK_1, KMOD_RSHIFT));
    push(key(SDL_KEYDOWN, SDL_SCANCODE_A, SDLK_a, KMOD_NONE, 1));
    push(typed);
    // A key that typed nothing never takes a later key's text.
    push(key(SDL_KEYDOWN, SDL_SCANCODE_LEFT, SDLK_LEFT, KMOD_LALT));
    push(key(SDL_KEYDOWN, SDL_SCANCODE_E, SDLK_e, KMOD_NONE));
    push(typed);
    push(key(SDL_KEYUP, SDL_SCANCODE_Q, SDLK_q, KMOD_CAPS));
    push(key(SDL_KEYDOWN, SDL_SCANCODE_SLASH, SDLK_SLASH, KMOD_CAPS | KMOD_LSHIFT));
    push(key(SDL_KEYDOWN, SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, KMOD_LSHIFT | KMOD_CAPS));
    // The key the Mac lacks is dropped; the text behind it stays text of its own.
    push(key(SDL_KEYDOWN, SDL_SCANCODE_APPLICATION, SDLK_APPLICATION, KMOD_NONE));
    push(typed);

    using Key = std::tuple<EventType, int, char, std::uint32_t, bool, std::string>;
    std::vector<Key> keys;
    for (const Event& e : taken()) {
        keys.emplace_back(e.type, e.keyCode, e.charCode, e.modifiers, e.repeat, e.text);
    }
    const std::uint32_t shift = shiftKey, caps = alphaLock;
    EXPECT_EQ(keys,
              (std::vector<Key>{{EventType::KeyDown, 0x12, '!', shift | rightShiftKey, false, ""},
                                {EventType::KeyDown, 0x00, 'a', 0, true, "\xC3\xA9"},
                                {EventType::KeyDown, 0x7B, 0x1C, optionKey, false, ""},
                                {EventType::KeyDown, 0x0E, 'e', 0, false, "\xC3\xA9"},
                                {EventType::KeyUp, 0x0C, 'Q', caps, false, ""},
                                {EventType::KeyDown, 0x2C, '?', shift | caps, false, ""},
                                {EventType::ModifiersChanged, -1, 0, shift | caps, false, ""},
                                {EventType::TextInput, -1, 0, 0, false, "\xC3\xA9"}}));
}

TEST_F(SDLBackendTest, WindowEventsAndWakesInTheDisplaysForm) {
    for (auto kind : {SDL_WINDOWEVENT_CLOSE, SDL_WINDOWEVENT_EXPOSED, SDL_WINDOWEVENT_SIZE_CHANGED,
                      SDL_WINDOWEVENT_MOVED, SDL_WINDOWEVENT_LEAVE, SDL_WINDOWEVENT_FOCUS_GAINED,
                      SDL_WINDOWEVENT_FOCUS_LOST}) {
        SDL_Event event{};
        event.window = {SDL_WINDOWEVENT, 0, 9, static_cast<Uint8>(kind), 0, 0, 0, 320, 180};
        push(event);
        backend().wake();
    }
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    push(quit);

    using Window = std::tuple<EventType, std::uint32_t, int, int, int>;
    std::vector<Window> events; // wakes are not events
    for (const Event& e : taken()) {
        events.emplace_back(e.type, e.windowID, e.x, e.width, e.height);
    }
    EXPECT_EQ(events, (std::vector<Window>{{EventType::WindowClose, 9, 0, 0, 0},
                                           {EventType::WindowExposed, 9, 0, 0, 0},
                                           {EventType::WindowResized, 9, 0, 320, 180},
                                           {EventType::WindowMoved, 9, 320, 0, 0},
                                           {EventType::MouseLeft, 9, 0, 0, 0},
                                           {EventType::WindowFocusGained, 9, 0, 0, 0},
                                           {EventType::WindowFocusLost, 9, 0, 0, 0},
                                           {EventType::Quit, 0, 0, 0, 0}}));
}

} // namespace

// Controllers through SDL's virtual joystick: read only while a window is shown, plugged and
// unplugged during the session, their controls as the Mac's keys.
TEST_F(SDLBackendTest, ControllersBecomeKeysWhileAWindowIsShown) {
    const auto& display = backend();
    NativeWindow* window = shownWindow();
    // SDL drops controller input while none of the program's windows has the focus, and the X
    // server gives it a moment after the window is mapped.
    for (int waited = 0; !SDL_GetKeyboardFocus() && waited < 5000; waited += 10) {
        SDL_PumpEvents();
        SDL_Delay(10);
    }
    ASSERT_NE(SDL_GetKeyboardFocus(), nullptr) << "the shown window never got the focus";
    taken();

    int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                          SDL_CONTROLLER_BUTTON_MAX, 0);
    ASSERT_GE(index, 0) << SDL_GetError();
    SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(index);
    SDL_PumpEvents();
    taken(); // the backend opens it when it sees it come
    SDL_Joystick* joystick = SDL_JoystickFromInstanceID(id);
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
    // Type, key code, character and control of each key the controller sent.
    using Key = std::tuple<EventType, int, char, std::uint8_t>;
    auto keys = [] {
        std::vector<Key> keys;
        for (const Event& e : taken()) {
            keys.emplace_back(e.type, e.keyCode, e.charCode, e.controllerButton);
        }
        return keys;
    };
    const EventType down = EventType::KeyDown, up = EventType::KeyUp;
    const std::uint8_t south = kMacPlatformControllerSouth, east = kMacPlatformControllerEast,
                       pad = kMacPlatformControllerDirection;
    EXPECT_EQ(keys(), (std::vector<Key>{{down, 0x24, 0x0D, south},
                                        {up, 0x24, 0x0D, south},
                                        {down, 0x35, 0x1B, east},
                                        {down, 0x7C, 0x1D, pad},
                                        {down, 0x24, 0x0D, kMacPlatformControllerStart},
                                        {down, 0x7B, 0x1C, pad},
                                        {up, 0x7B, 0x1C, pad},
                                        {down, 0x7C, 0x1D, pad}}));

    // Unplugged and plugged again during the session.
    ASSERT_EQ(SDL_JoystickDetachVirtual(index), 0) << SDL_GetError();
    SDL_PumpEvents();
    // Unplugging lets go of what was held: B, the D-pad's right, Start and the stick.
    EXPECT_EQ(keys(), (std::vector<Key>{{up, 0x7C, 0x1D, pad},
                                        {up, 0x35, 0x1B, east},
                                        {up, 0x24, 0x0D, kMacPlatformControllerStart},
                                        {up, 0x7C, 0x1D, pad}}));

    // Hidden: the controllers are left alone, and what they sent before is dropped.
    button(SDL_CONTROLLER_BUTTON_A, 1);
    display.hide(window);
    EXPECT_FALSE(SDL_WasInit(SDL_INIT_GAMECONTROLLER)) << "read while hidden";
    for (const Event& event : taken()) {
        EXPECT_EQ(event.controllerButton, 0) << "a controller's key while hidden";
    }
    display.destroyWindow(window);
}

// While a window is shown, the SDL wait sleeps on what game controllers do rather than waking
// on a period to look: plugging is watched through udev's announcements (or /dev/input), and
// only a controller without a device node to watch keeps a period.
TEST_F(SDLBackendTest, PluggingAndControllersWakeTheWaitWithoutAPeriod) {
    NativeWindow* window = shownWindow();
    pollfd entries[10];
    int count = 0;
    auto waitLimit = [&] {
        int timeoutMs = -1;
        count = SDLBackend::controllerWatches(entries, std::size(entries), timeoutMs);
        return timeoutMs;
    };
    // No controller: asleep when plugging can be watched, a look each second when it cannot.
    int idle = waitLimit();
    EXPECT_EQ(idle, count > 0 ? -1 : 1000) << count << " watches";

    // SDL's virtual controllers have no device node: read on a period while one is plugged.
    int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                          SDL_CONTROLLER_BUTTON_MAX, 0);
    ASSERT_GE(index, 0) << SDL_GetError();
    SDL_PumpEvents();
    taken();
    EXPECT_EQ(waitLimit(), 16);
    ASSERT_EQ(SDL_JoystickDetachVirtual(index), 0) << SDL_GetError();
    SDL_PumpEvents();
    taken();
    EXPECT_EQ(waitLimit(), idle);

    // An announcement of udev wakes the wait, which takes it so that it wakes only once.
    // Only a privileged process may announce; elsewhere the rest is left out.
    int announcer = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_KOBJECT_UEVENT);
    sockaddr_nl group{};
    group.nl_family = AF_NETLINK;
    group.nl_groups = 2;
    const char message[] = "not a device";
    bool announced = count > 0 && announcer >= 0 &&
                     sendto(announcer, message, sizeof message, 0,
                            reinterpret_cast<sockaddr*>(&group), sizeof group) >= 0;
    if (announcer >= 0) {
        close(announcer);
    }
    pollfd udev = entries[0];
    if (announced) {
        ASSERT_EQ(poll(&udev, 1, 0), 1) << "the announcement did not reach the watch";
        // The display may have events of its own queued, which end a wait before it polls.
        for (int pass = 0; pass < 20 && poll(&udev, 1, 0) == 1; ++pass) {
            backend().waitForEvent(10000);
            taken();
        }
        EXPECT_EQ(poll(&udev, 1, 0), 0) << "the wait left the announcement unread";
    }
    backend().destroyWindow(window);
}
