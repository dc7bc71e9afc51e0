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

// What the loop sleeps on when the display's wait would poll. An eventfd costs one descriptor and
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

std::atomic<bool> g_displayWaitBlocks{false};
DisplayEventHandler g_displayEventHandler = nullptr;
WakeHandler g_afterWakeHandler = nullptr;
int g_modalSessions = 0;

// Work other threads handed over, waiting for the main thread. Never destroyed: a thread may
// still hand work over while the process exits.
struct HandedOver {
    std::mutex mutex;
    std::vector<std::function<void()>> work;
};

HandedOver& handedOver() {
    static auto* queue = new HandedOver;
    return *queue;
}

void runHandedOver() {
    if (g_modalSessions > 0) {
        return;
    }
    std::vector<std::function<void()>> work;
    {
        std::lock_guard<std::mutex> lock(handedOver().mutex);
        work.swap(handedOver().work);
    }
    for (std::function<void()>& item : work) {
        item();
    }
}

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

// Takes what is queued now without blocking.
void dispatchQueued() {
    const Display::BackendOperations& display = Display::backend();
    int budget = kMaxEventsPerWake;
    Display::Event event;
    while (budget > 0 && !innermostRunQuit() && display.nextEvent(&event)) {
        if (g_displayEventHandler) {
            g_displayEventHandler(event);
        }
        --budget;
    }
    if (budget == 0) {
        // What is left must not wait for the next timer.
        wake();
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

// Sleeps until there is work or `wakeAt` has come. What woke the display's wait stays in its
// queue for the next pass.
void sleepUntil(std::optional<Clock::time_point> wakeAt, bool displayReady) {
    int timeoutMs = millisecondsUntil(wakeAt);
    if (SignalActions::anyPending()) {
        // Its wake may have been taken from the display's queue with the events of this pass.
        timeoutMs = 0;
    }
    if (displayReady && g_displayWaitBlocks.load()) {
        Display::backend().waitForEvent(timeoutMs);
        wakeChannel().wait(0);
        return;
    }
    wakeChannel().wait(timeoutMs);
}

// One pass handles everything that is pending, in this order: signal actions, due timers, the
// display's events, then the after-wake work; then the loop sleeps. A run with a deadline that
// has passed still makes one whole pass, so RunCurrentEventLoop(0) handles what is pending.
OSStatus run(std::optional<Clock::time_point> deadline) {
    RunLevel level;
    g_runLevels.push_back(&level);
    const Display::BackendOperations& display = Display::backend();
    bool displayReady = display.startEvents();
    if (!displayReady) {
        std::fprintf(stderr, "MacPlatform: display events unavailable: %s\n", display.errorText());
    }
    OSStatus result = eventLoopQuitErr;
    for (;;) {
        SignalActions::runPending();
        if (level.quit) {
            break;
        }
        runHandedOver();
        if (level.quit) {
            break;
        }
        EventLoopTimers::fireDueTimers(Clock::now(), innermostRunQuit);
        if (level.quit) {
            break;
        }
        if (displayReady) {
            dispatchQueued();
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
        std::optional<Clock::time_point> wakeAt = EventLoopTimers::nextFireTime();
        if (deadline) {
            if (Clock::now() >= *deadline) {
                result = eventLoopTimedOutErr;
                break;
            }
            wakeAt = wakeAt ? std::min(*wakeAt, *deadline) : *deadline;
        }
        sleepUntil(wakeAt, displayReady);
    }
    if (displayReady) {
        display.stopEvents();
    }
    g_runLevels.pop_back();
    return result;
}

} // namespace

void wake() {
    wakeChannel().signal();
    Display::backend().wake();
}

void runOnMainThread(std::function<void()> work) {
    {
        std::lock_guard<std::mutex> lock(handedOver().mutex);
        handedOver().work.push_back(std::move(work));
    }
    wake();
}

void setDisplayWaitBlocks(bool blocks) {
    g_displayWaitBlocks.store(blocks);
    wake();
}

void setDisplayEventHandler(DisplayEventHandler handler) {
    g_displayEventHandler = handler;
}

void setAfterWakeHandler(WakeHandler handler) {
    g_afterWakeHandler = handler;
}

void beginModalSession() {
    ++g_modalSessions;
}

void endModalSession() {
    if (g_modalSessions > 0 && --g_modalSessions == 0) {
        // Timers held back by the alert may be due already.
        wake();
    }
}

int modalSessionCount() {
    return g_modalSessions;
}

bool isRunning() {
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
    MacPlatform::EventLoop::beginModalSession();
}

void MacPlatformTestEndModalSession(void) {
    MacPlatform::EventLoop::endModalSession();
}

void MacPlatformTestUseDisplayWait(Boolean useDisplayWait) {
    MacPlatform::EventLoop::setDisplayWaitBlocks(useDisplayWait);
}

} // extern "C"
