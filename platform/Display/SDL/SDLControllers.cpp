// Game controllers through SDL's game controller API, as key events of the display: the D-pad
// and the left stick are the arrow keys, A (south) is Return, B (east) is Escape, Start is
// Return marked as Start. Controllers are read only while one of our windows is shown: a
// launcher that hides for a game leaves the controller to the game. They are started at the
// first wait after a window is shown, once its first frame is on the screen: SDL's look for
// devices would otherwise delay that frame.
#include "Display/SDL/SDLBackend.h"

#include <Carbon/MacPlatformControllers.h>

#include <fcntl.h>
#include <linux/netlink.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <deque>
#include <map>
#include <utility>

namespace MacPlatform::Display::SDL {

namespace {

// The stick counts as pushed past this much of its travel and as let go below the second,
// so that a stick resting near the line does not chatter.
constexpr Sint16 kStickPushed = 16000;
constexpr Sint16 kStickReleased = 8000;

// SDL reads controllers, and looks for newly plugged ones, only when its queue is pumped. The
// wait sleeps on descriptors that become readable when there is something to read: udev's
// announcements and /dev/input for plugging, each open controller's device node for its input
// (opened read-only a second time, only to wake; SDL reads its own). What cannot be watched
// that way (a node that cannot be opened, a controller without one such as SDL's virtual
// ones, no udev socket and no /dev/input) falls back on waking this often.
constexpr int kReadIntervalMs = 16;
constexpr int kPlugIntervalMs = 1000;
// udev's multicast group on the kernel's device-event socket: udev announces a device there
// once it has set it up, and that announcement is what SDL's udev monitor waits for.
constexpr unsigned kUdevAnnouncements = 2;

bool g_up = false;
int g_shownWindows = 0;
// Whether starting them failed since a window was last shown: not tried again at every wait.
bool g_startFailed = false;
std::map<SDL_JoystickID, SDL_GameController*> g_open;
// Where each controller's stick points: -1, 0 or 1 on each axis.
std::map<SDL_JoystickID, std::pair<int, int>> g_stick;
// Our read-only descriptor of each open controller's device node; -1 when it has none.
std::map<SDL_JoystickID, int> g_nodes;
// udev's announcements and the /dev/input folder; -1 where they cannot be watched.
int g_udevWatch = -1;
int g_folderWatch = -1;
// Key events made beyond the one a single SDL event returns (a stick swung from one side to
// the other lets go of one arrow and pushes another).
std::deque<Event> g_pending;

// A controller's keys are the keyboard's: the same Mac key code and character as the key the
// keyboard translation gives them.
struct MacKey {
    SDL_Scancode scancode;
    SDL_Keycode key;
};
constexpr MacKey kLeft = {SDL_SCANCODE_LEFT, SDLK_LEFT};
constexpr MacKey kRight = {SDL_SCANCODE_RIGHT, SDLK_RIGHT};
constexpr MacKey kDown = {SDL_SCANCODE_DOWN, SDLK_DOWN};
constexpr MacKey kUp = {SDL_SCANCODE_UP, SDLK_UP};
constexpr MacKey kReturn = {SDL_SCANCODE_RETURN, SDLK_RETURN};
constexpr MacKey kEscape = {SDL_SCANCODE_ESCAPE, SDLK_ESCAPE};

Event keyEvent(bool down, MacKey key, std::uint8_t button) {
    Event event;
    event.type = down ? EventType::KeyDown : EventType::KeyUp;
    SDL_Window* focus = SDL_GetKeyboardFocus();
    event.windowID = focus ? SDL_GetWindowID(focus) : 0;
    event.keyCode = macKeyCode(key.scancode);
    event.charCode = macCharCode(key.key, KMOD_NONE);
    event.controllerButton = button;
    return event;
}

void open(int deviceIndex) {
    if (!SDL_IsGameController(deviceIndex)) {
        return;
    }
    SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    if (g_open.count(id) != 0) {
        return;
    }
    SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex);
    if (!controller) {
        std::fprintf(stderr, "MacPlatform: a game controller cannot be opened: %s\n",
                     SDL_GetError());
        return;
    }
    g_open[id] = controller;
    const char* node = SDL_GameControllerPath(controller);
    g_nodes[id] = node ? ::open(node, O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
}

void closeNode(SDL_JoystickID id) {
    auto found = g_nodes.find(id);
    if (found != g_nodes.end()) {
        if (found->second >= 0) {
            ::close(found->second);
        }
        g_nodes.erase(found);
    }
}

void close(SDL_JoystickID id) {
    auto found = g_open.find(id);
    if (found != g_open.end()) {
        SDL_GameControllerClose(found->second);
        g_open.erase(found);
    }
    closeNode(id);
    g_stick.erase(id);
}

int watchUdev() {
    int fd = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_KOBJECT_UEVENT);
    if (fd < 0) {
        return -1;
    }
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups = kUdevAnnouncements;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Without udev, SDL watches /dev/input itself.
int watchInputFolder() {
    int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd >= 0 &&
        inotify_add_watch(fd, "/dev/input", IN_CREATE | IN_DELETE | IN_ATTRIB | IN_MOVE) < 0) {
        ::close(fd);
        fd = -1;
    }
    return fd;
}

void closeWatch(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

// Reads what made `fd` readable, since only SDL acts on it; false when the descriptor has
// failed for good (a device node after its controller was unplugged).
bool drain(int fd) {
    char buffer[4096];
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got > 0) {
            continue;
        }
        return got < 0 && (errno == EAGAIN || errno == EINTR);
    }
}

void setReading(bool reading) {
    if (reading && !g_up) {
        if (!acquire(SDL_INIT_GAMECONTROLLER)) {
            std::fprintf(stderr, "MacPlatform: game controllers are not available: %s\n",
                         SDL_GetError());
            g_startFailed = true;
            return;
        }
        g_up = true;
        g_udevWatch = watchUdev();
        g_folderWatch = watchInputFolder();
        for (int i = 0; i < SDL_NumJoysticks(); ++i) {
            open(i);
        }
    } else if (!reading && g_up) {
        while (!g_open.empty()) {
            close(g_open.begin()->first);
        }
        g_pending.clear();
        closeWatch(g_udevWatch);
        closeWatch(g_folderWatch);
        release(SDL_INIT_GAMECONTROLLER);
        g_up = false;
        // What the controllers sent before is not the hidden launcher's to act on later.
        SDL_FlushEvents(SDL_JOYAXISMOTION, SDL_CONTROLLERSENSORUPDATE);
    }
}

// The arrow of one axis of the stick: one event for a push or a let-go, two for a swing
// from one side to the other (the let-go queued first).
bool stickMoved(SDL_JoystickID id, bool horizontal, Sint16 value, Event* out) {
    std::pair<int, int>& stick = g_stick[id];
    int& side = horizontal ? stick.first : stick.second;
    int now = side;
    if (value >= kStickPushed) {
        now = 1;
    } else if (value <= -kStickPushed) {
        now = -1;
    } else if (value > -kStickReleased && value < kStickReleased) {
        now = 0;
    }
    if (now == side) {
        return false;
    }
    auto arrow = [horizontal](int direction) {
        return horizontal ? (direction < 0 ? kLeft : kRight) : (direction < 0 ? kUp : kDown);
    };
    if (side != 0) {
        g_pending.push_back(keyEvent(false, arrow(side), kMacPlatformControllerDirection));
    }
    if (now != 0) {
        g_pending.push_back(keyEvent(true, arrow(now), kMacPlatformControllerDirection));
    }
    side = now;
    *out = g_pending.front();
    g_pending.pop_front();
    return true;
}

bool buttonPressed(const SDL_ControllerButtonEvent& event, Event* out) {
    bool down = event.type == SDL_CONTROLLERBUTTONDOWN;
    switch (event.button) {
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
        *out = keyEvent(down, kUp, kMacPlatformControllerDirection);
        return true;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
        *out = keyEvent(down, kDown, kMacPlatformControllerDirection);
        return true;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
        *out = keyEvent(down, kLeft, kMacPlatformControllerDirection);
        return true;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
        *out = keyEvent(down, kRight, kMacPlatformControllerDirection);
        return true;
    case SDL_CONTROLLER_BUTTON_A:
        *out = keyEvent(down, kReturn, kMacPlatformControllerSouth);
        return true;
    case SDL_CONTROLLER_BUTTON_B:
        *out = keyEvent(down, kEscape, kMacPlatformControllerEast);
        return true;
    case SDL_CONTROLLER_BUTTON_START:
        *out = keyEvent(down, kReturn, kMacPlatformControllerStart);
        return true;
    default:
        return false;
    }
}

} // namespace

void windowShown(bool nowShown) {
    g_shownWindows = std::max(0, g_shownWindows + (nowShown ? 1 : -1));
    if (nowShown) {
        g_startFailed = false;
    } else if (g_shownWindows == 0) {
        setReading(false);
    }
}

void startControllersIfShown() {
    if (g_shownWindows > 0 && !g_up && !g_startFailed) {
        setReading(true);
    }
}

bool hasPendingControllerEvent() {
    return !g_pending.empty();
}

bool pendingControllerEvent(Event* out) {
    if (g_pending.empty()) {
        return false;
    }
    *out = g_pending.front();
    g_pending.pop_front();
    return true;
}

bool convertController(const SDL_Event& event, Event* out) {
    if (!g_up) {
        return false;
    }
    switch (event.type) {
    case SDL_CONTROLLERDEVICEADDED:
        open(event.cdevice.which);
        return false;
    case SDL_CONTROLLERDEVICEREMOVED:
        close(event.cdevice.which);
        return false;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
        return g_open.count(event.cbutton.which) != 0 && buttonPressed(event.cbutton, out);
    case SDL_CONTROLLERAXISMOTION:
        if (g_open.count(event.caxis.which) == 0 ||
            (event.caxis.axis != SDL_CONTROLLER_AXIS_LEFTX &&
             event.caxis.axis != SDL_CONTROLLER_AXIS_LEFTY)) {
            return false;
        }
        return stickMoved(event.caxis.which, event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX,
                          event.caxis.value, out);
    default:
        return false;
    }
}

int controllerWatches(pollfd* entries, int room, int& timeoutMs) {
    if (!g_up) {
        return 0;
    }
    int count = 0;
    auto add = [&](int fd) {
        if (fd < 0 || count == room) {
            return false;
        }
        entries[count++] = {fd, POLLIN, 0};
        return true;
    };
    int limit = -1;
    bool udev = add(g_udevWatch);
    bool folder = add(g_folderWatch);
    if (!udev && !folder) {
        limit = kPlugIntervalMs;
    }
    for (const auto& [id, fd] : g_nodes) {
        if (!add(fd)) {
            limit = kReadIntervalMs;
        }
    }
    if (limit >= 0) {
        timeoutMs = timeoutMs < 0 ? limit : std::min(timeoutMs, limit);
    }
    return count;
}

bool controllerWatchesWoke(const pollfd* entries, int count) {
    bool woke = false;
    for (int i = 0; i < count; ++i) {
        if (entries[i].revents == 0) {
            continue;
        }
        woke = true;
        if (entries[i].revents & (POLLERR | POLLHUP | POLLNVAL) || !drain(entries[i].fd)) {
            // A node whose controller went: SDL reports the unplugging, which closes it; until
            // then it must not wake the wait over and over.
            for (auto& [id, fd] : g_nodes) {
                if (fd == entries[i].fd) {
                    ::close(fd);
                    fd = -1;
                }
            }
        }
    }
    return woke;
}

} // namespace MacPlatform::Display::SDL
