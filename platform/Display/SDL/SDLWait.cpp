// SDL's subsystems, shared by the display and the event loop, and the loop's wait for SDL's
// events with a wake that other threads can give.
//
// On X the wait does not happen inside SDL. SDL's own wait wakes itself by sending an event,
// over a second X connection, to the first of our windows, and it does so for every event
// queued while it waits, the user's keys included. When that key quits, the teardown destroys
// the window over the first connection, and the server may take the destruction before the
// wake: a BadWindow error that reaches the second connection only when SDL closes it, after
// it has put back Xlib's default handler, which then ends the process with status 1. So SDL's
// queue is pumped empty and the wait sleeps on SDL's X connection and a wake channel of its
// own: no wake is ever sent to a window.
#include "Display/SDL/SDLBackend.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace MacPlatform::Display::SDL {

namespace {

// Guards SDL's initialisation against wake() pushing events from another thread.
std::mutex& sdlMutex() {
    static std::mutex mutex;
    return mutex;
}

// Plugging, and up to eight controllers' device nodes; more than that are read on a period.
constexpr int kMaxControllerWatches = 10;

Uint32 g_wakeEventType = 0;
std::atomic<int> g_displayConnection{-1};

// Stays signalled from a wake until the wait has seen it, so no wake is lost however it falls
// between two waits.
int wakeDescriptor() {
    static const int descriptor = [] {
        int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (fd < 0) {
            std::perror("MacPlatform: eventfd");
        }
        return fd;
    }();
    return descriptor;
}

bool queued() {
    return SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) == SDL_TRUE;
}

} // namespace

bool acquire(Uint32 subsystems) {
    std::lock_guard<std::mutex> lock(sdlMutex());
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(subsystems) != 0) {
        return false;
    }
    if (g_wakeEventType == 0) {
        Uint32 type = SDL_RegisterEvents(1);
        if (type != static_cast<Uint32>(-1)) {
            g_wakeEventType = type;
        }
    }
    return true;
}

void release(Uint32 subsystems) {
    std::lock_guard<std::mutex> lock(sdlMutex());
    SDL_QuitSubSystem(subsystems);
}

bool startEvents() {
    return acquire(SDL_INIT_EVENTS);
}

void stopEvents() {
    release(SDL_INIT_EVENTS);
}

// SDL's own wait sleeps only when its video driver can block on a window; without one it
// polls every millisecond.
bool waitBlocks() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && (std::strcmp(driver, "x11") == 0 || std::strcmp(driver, "wayland") == 0);
}

void setDisplayConnection(int descriptor) {
    g_displayConnection.store(descriptor);
}

bool waitForEvent(int timeoutMs) {
    startControllersIfShown();
    if (hasPendingControllerEvent()) {
        return true;
    }
    int connection = g_displayConnection.load();
    int wakeFd = wakeDescriptor();
    if (connection < 0 || wakeFd < 0) {
        // Without an event to fill, SDL leaves what it found in the queue. This wait pumps
        // SDL's queue, controllers included, every millisecond.
        return SDL_WaitEventTimeout(nullptr, timeoutMs) != 0;
    }
    // After a pump everything Xlib had read is in SDL's queue and every request is sent;
    // what the server sends later makes the connection readable.
    SDL_PumpEvents();
    pollfd entries[2 + kMaxControllerWatches] = {{wakeFd, POLLIN, 0}, {connection, POLLIN, 0}};
    int watches = controllerWatches(entries + 2, kMaxControllerWatches, timeoutMs);
    if (!queued()) {
        poll(entries, static_cast<nfds_t>(2 + watches), timeoutMs);
    }
    bool woken = false;
    std::uint64_t count;
    while (read(wakeFd, &count, sizeof count) > 0) {
        woken = true;
    }
    bool controllers = controllerWatchesWoke(entries + 2, watches);
    if (entries[1].revents != 0 || controllers) {
        SDL_PumpEvents();
    }
    return woken || queued();
}

void wake() {
    {
        std::lock_guard<std::mutex> lock(sdlMutex());
        if (g_wakeEventType != 0 && SDL_WasInit(SDL_INIT_EVENTS)) {
            SDL_Event event{};
            event.type = g_wakeEventType;
            SDL_PushEvent(&event);
        }
    }
    // After the push: a wait that this ends finds the wake queued.
    int wakeFd = wakeDescriptor();
    std::uint64_t one = 1;
    if (wakeFd >= 0 && write(wakeFd, &one, sizeof one) < 0 && errno != EAGAIN) {
        std::perror("MacPlatform: wake");
    }
}

bool isWakeEvent(const SDL_Event& event) {
    return g_wakeEventType != 0 && event.type == g_wakeEventType;
}

} // namespace MacPlatform::Display::SDL
