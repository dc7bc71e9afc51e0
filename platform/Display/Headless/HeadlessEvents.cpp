// The headless event queue: tests post events into it from any thread, the event loop waits on
// it and takes them off, and a wake ends the wait as a posted event does.
#include "Display/Headless/HeadlessDisplay.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace MacPlatform::Display::Headless {

namespace {

struct Queue {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Event> events;
    bool woken = false;
    int eventRuns = 0;
};

Queue& queue() {
    static Queue instance;
    return instance;
}

} // namespace

bool startEvents() {
    std::lock_guard<std::mutex> lock(queue().mutex);
    ++queue().eventRuns;
    return true;
}

void stopEvents() {
    {
        std::lock_guard<std::mutex> lock(queue().mutex);
        if (queue().eventRuns > 0) {
            --queue().eventRuns;
        }
    }
    dropEventsIfIdle();
}

void dropEventsIfIdle() {
    std::lock_guard<std::mutex> lock(queue().mutex);
    if (queue().eventRuns == 0 && !isStarted()) {
        queue().events.clear();
    }
}

// The queue's wait sleeps on a condition variable: it really blocks.
bool waitBlocks() {
    return true;
}

bool waitForEvent(int timeoutMs) {
    Queue& q = queue();
    std::unique_lock<std::mutex> lock(q.mutex);
    auto ready = [&q] { return !q.events.empty() || q.woken; };
    if (timeoutMs < 0) {
        q.changed.wait(lock, ready);
    } else {
        q.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
    }
    bool result = ready();
    q.woken = false;
    return result;
}

bool nextEvent(Event* event) {
    std::lock_guard<std::mutex> lock(queue().mutex);
    if (queue().events.empty()) {
        return false;
    }
    *event = queue().events.front();
    queue().events.pop_front();
    return true;
}

void wake() {
    {
        std::lock_guard<std::mutex> lock(queue().mutex);
        queue().woken = true;
    }
    queue().changed.notify_all();
}

void postEvent(const Event& event) {
    {
        std::lock_guard<std::mutex> lock(queue().mutex);
        queue().events.push_back(event);
    }
    queue().changed.notify_all();
}

} // namespace MacPlatform::Display::Headless
