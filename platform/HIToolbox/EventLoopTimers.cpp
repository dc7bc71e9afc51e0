#include "EventLoopTimers.h"
#include "EventLoop.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace MacPlatform {

struct EventLoopTimer {
    EventLoopTimerUPP proc;
    void* userData;
    // Zero for a one-shot timer.
    EventLoopTimers::Clock::duration interval;
    std::optional<EventLoopTimers::Clock::time_point> due;
    bool running = false;
    bool removed = false;
};

namespace EventLoopTimers {

namespace {

// Shared ownership lets a firing pass keep a timer alive that its own or another callback
// removes meanwhile.
std::vector<std::shared_ptr<EventLoopTimer>>& timers() {
    static std::vector<std::shared_ptr<EventLoopTimer>> list;
    return list;
}

std::vector<std::shared_ptr<EventLoopTimer>>::iterator find(EventLoopTimerRef ref) {
    auto* wanted = reinterpret_cast<EventLoopTimer*>(ref);
    return std::find_if(timers().begin(), timers().end(),
                        [wanted](const auto& timer) { return timer.get() == wanted; });
}

// Beyond this a delay means "not in this program's lifetime", and converting it to
// nanoseconds could overflow.
constexpr double kLongestDelaySeconds = 1e9;

// A negative delay leaves the timer unarmed; NaN is refused by the callers.
std::optional<Clock::time_point> fireTimeAfter(EventTimerInterval delay) {
    if (delay < 0 || delay > kLongestDelaySeconds) {
        return std::nullopt;
    }
    auto offset = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(delay));
    return Clock::now() + offset;
}

} // namespace

std::optional<Clock::time_point> nextFireTime() {
    if (EventLoop::modalSessionCount() > 0) {
        return std::nullopt;
    }
    std::optional<Clock::time_point> next;
    for (const auto& timer : timers()) {
        if (timer->due && !timer->running && (!next || *timer->due < *next)) {
            next = timer->due;
        }
    }
    return next;
}

void fireDueTimers(Clock::time_point now, bool (*stop)()) {
    std::vector<std::shared_ptr<EventLoopTimer>> due;
    for (const auto& timer : timers()) {
        if (timer->due && *timer->due <= now && !timer->running) {
            due.push_back(timer);
        }
    }
    std::stable_sort(due.begin(), due.end(),
                     [](const auto& a, const auto& b) { return *a->due < *b->due; });
    for (const auto& timer : due) {
        if (stop() || EventLoop::modalSessionCount() > 0) {
            return;
        }
        // An earlier callback may have removed, re-armed or entered this timer.
        if (timer->removed || timer->running || !timer->due || *timer->due > now) {
            continue;
        }
        if (timer->interval == Clock::duration::zero()) {
            timer->due.reset();
        } else {
            // A late loop does not catch up with a burst of firings; the timer keeps its
            // cadence when it can and otherwise restarts it from now.
            Clock::time_point next = *timer->due + timer->interval;
            timer->due = next > now ? next : now + timer->interval;
        }
        timer->running = true;
        timer->proc(reinterpret_cast<EventLoopTimerRef>(timer.get()), timer->userData);
        timer->running = false;
    }
}

} // namespace EventLoopTimers
} // namespace MacPlatform

using namespace MacPlatform::EventLoopTimers;

extern "C" {

OSStatus InstallEventLoopTimer(EventLoopRef inEventLoop, EventTimerInterval inFireDelay,
                               EventTimerInterval inInterval, EventLoopTimerUPP inTimerProc,
                               void* inTimerData, EventLoopTimerRef* outTimer) {
    if (inEventLoop != GetMainEventLoop() || !inTimerProc || std::isnan(inFireDelay) ||
        std::isnan(inInterval)) {
        return paramErr;
    }
    auto timer = std::make_shared<MacPlatform::EventLoopTimer>();
    timer->proc = inTimerProc;
    timer->userData = inTimerData;
    timer->interval = Clock::duration::zero();
    if (inInterval > 0 && inInterval <= kLongestDelaySeconds) {
        timer->interval =
            std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(inInterval));
        // A period shorter than the clock's tick would make the timer one-shot by accident.
        timer->interval = std::max(timer->interval, Clock::duration(1));
    }
    timer->due = fireTimeAfter(inFireDelay);
    if (outTimer) {
        *outTimer = reinterpret_cast<EventLoopTimerRef>(timer.get());
    }
    timers().push_back(std::move(timer));
    return noErr;
}

OSStatus RemoveEventLoopTimer(EventLoopTimerRef inTimer) {
    auto found = find(inTimer);
    if (!inTimer || found == timers().end()) {
        return paramErr;
    }
    (*found)->removed = true;
    (*found)->due.reset();
    timers().erase(found);
    return noErr;
}

OSStatus SetEventLoopTimerNextFireTime(EventLoopTimerRef inTimer, EventTimerInterval inNextFire) {
    auto found = find(inTimer);
    if (!inTimer || found == timers().end() || std::isnan(inNextFire)) {
        return paramErr;
    }
    (*found)->due = fireTimeAfter(inNextFire);
    return noErr;
}

} // extern "C"
