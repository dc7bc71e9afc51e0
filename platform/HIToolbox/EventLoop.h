// What the rest of MacPlatform needs from the application event loop: waking the loop from
// other threads, the display's events, the modal state and hooks for windows.
#pragma once

#include "Display/DisplayBackend.h"

#include <Carbon/CarbonEvents.h>

#include <functional>

namespace MacPlatform::EventLoop {

// Makes a waiting loop look at its timers, signals and the display's queue again. Safe from
// any thread, but not from a signal handler.
void wake();

// Hands work to the main thread: it runs at the loop's next pass, in the order it was handed
// over, and like timers not while a modal alert is open. Safe from any thread, but not from a
// signal handler.
void runOnMainThread(std::function<void()> work);

// Some displays can only poll for events when they have no window of their own. The loop
// therefore sleeps on its own wake channel unless the display says that its wait really
// blocks, and then waits inside the display so that window events wake it.
void setDisplayWaitBlocks(bool blocks);

// Receives each display event the loop takes from the queue, on the main thread.
using DisplayEventHandler = void (*)(const Display::Event& event);
void setDisplayEventHandler(DisplayEventHandler handler);

// Runs once per wake of the loop after events and timers, for work that is cheaper done once
// for many changes (compositing dirty windows).
using WakeHandler = void (*)();
void setAfterWakeHandler(WakeHandler handler);

// Timers wait while a modal alert is open. Alerts count themselves in and out here.
void beginModalSession();
void endModalSession();
int modalSessionCount();

bool isRunning();

} // namespace MacPlatform::EventLoop
