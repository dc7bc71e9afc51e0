// The timers of the main event loop: when the next one is due and firing those that are.
#pragma once

#include <Carbon/CarbonEvents.h>

#include <chrono>
#include <optional>

namespace MacPlatform::EventLoopTimers {

using Clock = std::chrono::steady_clock;

// The earliest time a timer may fire, leaving out timers whose callback is running; none when
// no timer is armed.
std::optional<Clock::time_point> nextFireTime();

// Fires, once each, the timers due at `now`, in order of their due times. Stops early when
// `stop` answers true after a callback.
void fireDueTimers(Clock::time_point now, bool (*stop)());

} // namespace MacPlatform::EventLoopTimers
