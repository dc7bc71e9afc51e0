// SDL's subsystems, shared by the display and the event loop, and the loop's wait inside SDL
// with a wake that other threads can give.
#include "Display/SDL/SDLBackend.h"

#include <cstring>
#include <mutex>

namespace MacPlatform::Display::SDL {

namespace {

// Guards SDL's initialisation against wake() pushing events from another thread.
std::mutex& sdlMutex() {
    static std::mutex mutex;
    return mutex;
}

Uint32 g_wakeEventType = 0;

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

bool waitForEvent(int timeoutMs) {
    // Without an event to fill, SDL leaves what it found in the queue.
    return SDL_WaitEventTimeout(nullptr, timeoutMs) != 0;
}

void wake() {
    std::lock_guard<std::mutex> lock(sdlMutex());
    if (g_wakeEventType != 0 && SDL_WasInit(SDL_INIT_EVENTS)) {
        SDL_Event event{};
        event.type = g_wakeEventType;
        SDL_PushEvent(&event);
    }
}

bool isWakeEvent(const SDL_Event& event) {
    return g_wakeEventType != 0 && event.type == g_wakeEventType;
}

} // namespace MacPlatform::Display::SDL
