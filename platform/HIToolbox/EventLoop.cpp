#include "EventLoop.h"
#include "EventLoopTimers.h"
#include "SignalActions.h"

#include <MacPlatformTesting.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <vector>

namespace MacPlatform::EventLoop {

namespace {

using Clock = EventLoopTimers::Clock;

// What the loop sleeps on when SDL's wait would poll. An eventfd costs one descriptor and
// never fills up, however often it is signalled before the loop reads it.
class WakeChannel {
public:
    WakeChannel() : m_fd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
        if (m_fd < 0) {
            std::perror("MacPlatform: eventfd");
        }
    }
    ~WakeChannel() {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }
    WakeChannel(const WakeChannel&) = delete;
    WakeChannel& operator=(const WakeChannel&) = delete;

    void signal() {
        std::uint64_t one = 1;
        if (m_fd >= 0 && write(m_fd, &one, sizeof one) < 0 && errno != EAGAIN) {
            std::perror("MacPlatform: wake");
        }
    }

    // Sleeps until signalled or until the timeout (milliseconds, -1 for none) has passed.
    void wait(int timeoutMs) {
        if (m_fd < 0) {
            // Without a channel the loop can still keep its timers, only not be woken early.
            if (timeoutMs != 0) {
                poll(nullptr, 0, timeoutMs < 0 ? 1000 : timeoutMs);
            }
            return;
        }
        pollfd entry{m_fd, POLLIN, 0};
        poll(&entry, 1, timeoutMs);
        std::uint64_t count;
        while (read(m_fd, &count, sizeof count) > 0) {
        }
    }

private:
    int m_fd;
};

WakeChannel& wakeChannel() {
    static WakeChannel channel;
    return channel;
}

// Guards SDL's initialisation against Wake() pushing events from another thread.
std::mutex& sdlMutex() {
    static std::mutex mutex;
    return mutex;
}

Uint32 g_wakeEventType = 0;
std::atomic<bool> g_sdlWaitBlocks{false};
SDLEventHandler g_sdlEventHandler = nullptr;
WakeHandler g_afterWakeHandler = nullptr;
int g_modalSessions = 0;

struct RunLevel {
    bool quit = false;
};

// One entry per RunApplicationEventLoop or RunCurrentEventLoop on the stack; quitting ends
// the innermost.
std::vector<RunLevel*> g_runLevels;

bool innermostRunQuit() {
    return !g_runLevels.empty() && g_runLevels.back()->quit;
}

// A burst of queued events must not keep timers and signals waiting.
constexpr int kMaxEventsPerWake = 256;

void dispatch(const SDL_Event& event) {
    if (event.type == g_wakeEventType) {
        return;
    }
    if (g_sdlEventHandler) {
        g_sdlEventHandler(event);
    }
}

// Takes what is queued now, the event the wait brought first, without blocking.
void dispatchQueued(std::optional<SDL_Event>& first) {
    int budget = kMaxEventsPerWake;
    if (first) {
        SDL_Event event = *first;
        first.reset();
        dispatch(event);
        --budget;
    }
    SDL_Event event;
    while (budget > 0 && !innermostRunQuit() && SDL_PollEvent(&event)) {
        dispatch(event);
        --budget;
    }
    if (budget == 0) {
        // What is left must not wait for the next timer.
        Wake();
    }
}

int millisecondsUntil(std::optional<Clock::time_point> wakeAt) {
    if (!wakeAt) {
        return -1;
    }
    auto remaining = *wakeAt - Clock::now();
    if (remaining <= Clock::duration::zero()) {
        return 0;
    }
    // Rounding up: waking a little before the due time would only make the loop spin.
    double ms = std::ceil(std::chrono::duration<double, std::milli>(remaining).count());
    return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

// Sleeps until there is work or `wakeAt` has come. Returns the event SDL's wait took from the
// queue, which the next pass handles first.
std::optional<SDL_Event> sleepUntil(std::optional<Clock::time_point> wakeAt, bool sdlReady) {
    int timeoutMs = millisecondsUntil(wakeAt);
    if (sdlReady && g_sdlWaitBlocks.load()) {
        SDL_Event event;
        bool got = SDL_WaitEventTimeout(&event, timeoutMs) != 0;
        wakeChannel().wait(0);
        return got ? std::optional<SDL_Event>(event) : std::nullopt;
    }
    wakeChannel().wait(timeoutMs);
    return std::nullopt;
}

// One pass handles everything that is pending, in this order: signal actions, due timers, SDL
// events, then the after-wake work; then the loop sleeps. A run with a deadline that has
// passed still makes one whole pass, so RunCurrentEventLoop(0) handles what is pending.
OSStatus run(std::optional<Clock::time_point> deadline) {
    RunLevel level;
    g_runLevels.push_back(&level);
    bool sdlReady = AcquireSDL(SDL_INIT_EVENTS);
    if (!sdlReady) {
        std::fprintf(stderr, "MacPlatform: SDL events unavailable: %s\n", SDL_GetError());
    }
    OSStatus result = eventLoopQuitErr;
    std::optional<SDL_Event> firstEvent;
    for (;;) {
        SignalActions::RunPending();
        if (level.quit) {
            break;
        }
        EventLoopTimers::FireDueTimers(Clock::now(), innermostRunQuit);
        if (level.quit) {
            break;
        }
        if (sdlReady) {
            dispatchQueued(firstEvent);
            if (level.quit) {
                break;
            }
        }
        if (g_afterWakeHandler) {
            g_afterWakeHandler();
            if (level.quit) {
                break;
            }
        }
        std::optional<Clock::time_point> wakeAt = EventLoopTimers::NextFireTime();
        if (deadline) {
            if (Clock::now() >= *deadline) {
                result = eventLoopTimedOutErr;
                break;
            }
            wakeAt = wakeAt ? std::min(*wakeAt, *deadline) : *deadline;
        }
        firstEvent = sleepUntil(wakeAt, sdlReady);
    }
    if (sdlReady) {
        if (firstEvent) {
            // Taken by the last wait but not handled: it belongs to the next run.
            SDL_PeepEvents(&*firstEvent, 1, SDL_ADDEVENT, 0, 0);
        }
        ReleaseSDL(SDL_INIT_EVENTS);
    }
    g_runLevels.pop_back();
    return result;
}

} // namespace

bool AcquireSDL(Uint32 subsystems) {
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

void ReleaseSDL(Uint32 subsystems) {
    std::lock_guard<std::mutex> lock(sdlMutex());
    SDL_QuitSubSystem(subsystems);
}

void Wake() {
    wakeChannel().signal();
    std::lock_guard<std::mutex> lock(sdlMutex());
    if (g_wakeEventType != 0 && SDL_WasInit(SDL_INIT_EVENTS)) {
        SDL_Event event{};
        event.type = g_wakeEventType;
        SDL_PushEvent(&event);
    }
}

void SetSDLWaitBlocks(bool blocks) {
    g_sdlWaitBlocks.store(blocks);
    Wake();
}

void SetSDLEventHandler(SDLEventHandler handler) {
    g_sdlEventHandler = handler;
}

void SetAfterWakeHandler(WakeHandler handler) {
    g_afterWakeHandler = handler;
}

void BeginModalSession() {
    ++g_modalSessions;
}

void EndModalSession() {
    if (g_modalSessions > 0 && --g_modalSessions == 0) {
        // Timers held back by the alert may be due already.
        Wake();
    }
}

int ModalSessionCount() {
    return g_modalSessions;
}

bool IsRunning() {
    return !g_runLevels.empty();
}

} // namespace MacPlatform::EventLoop

namespace {

// Every loop function takes this one loop; the tag only gives it a unique address.
char s_mainEventLoopTag;

} // namespace

extern "C" {

EventLoopRef GetMainEventLoop(void) {
    return reinterpret_cast<EventLoopRef>(&s_mainEventLoopTag);
}

EventLoopRef GetCurrentEventLoop(void) {
    return GetMainEventLoop();
}

void RunApplicationEventLoop(void) {
    MacPlatform::EventLoop::run(std::nullopt);
}

void QuitApplicationEventLoop(void) {
    if (!MacPlatform::EventLoop::g_runLevels.empty()) {
        MacPlatform::EventLoop::g_runLevels.back()->quit = true;
    }
}

OSStatus RunCurrentEventLoop(EventTimeout inTimeout) {
    if (std::isnan(inTimeout)) {
        return paramErr;
    }
    using Clock = MacPlatform::EventLoopTimers::Clock;
    std::optional<Clock::time_point> deadline;
    if (inTimeout >= 0 && inTimeout <= 1e9) {
        deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                      std::chrono::duration<double>(inTimeout));
    }
    return MacPlatform::EventLoop::run(deadline);
}

OSStatus QuitEventLoop(EventLoopRef inEventLoop) {
    if (inEventLoop != GetMainEventLoop()) {
        return paramErr;
    }
    QuitApplicationEventLoop();
    return noErr;
}

} // extern "C"

extern "C" {

void MacPlatformTestBeginModalSession(void) {
    MacPlatform::EventLoop::BeginModalSession();
}

void MacPlatformTestEndModalSession(void) {
    MacPlatform::EventLoop::EndModalSession();
}

void MacPlatformTestUseSDLWait(Boolean useSDLWait) {
    MacPlatform::EventLoop::SetSDLWaitBlocks(useSDLWait);
}

} // extern "C"
