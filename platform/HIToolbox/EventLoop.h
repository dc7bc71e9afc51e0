// What the rest of MacPlatform needs from the application event loop: SDL shared with the
// display, waking the loop from other threads, the modal state and hooks for windows.
#pragma once

#include <Carbon/CarbonEvents.h>

#include <SDL2/SDL.h>

namespace MacPlatform::EventLoop {

// Initialises SDL subsystems with MacPlatform's hints (SDL must leave SIGINT and SIGTERM to the
// program). Every successful acquire is balanced by one release of the same subsystems.
bool AcquireSDL(Uint32 subsystems);
void ReleaseSDL(Uint32 subsystems);

// Makes a waiting loop look at its timers, signals and SDL queue again. Safe from any thread,
// but not from a signal handler.
void Wake();

// SDL's own wait sleeps only when its video driver can block on a window; without one it polls
// every millisecond. The loop therefore sleeps on its own wake channel unless the display says
// that SDL's wait really blocks, and then waits inside SDL so that window events wake it.
void SetSDLWaitBlocks(bool blocks);

// Receives each SDL event the loop takes from the queue, on the main thread.
using SDLEventHandler = void (*)(const SDL_Event& event);
void SetSDLEventHandler(SDLEventHandler handler);

// Runs once per wake of the loop after events and timers, for work that is cheaper done once
// for many changes (compositing dirty windows).
using WakeHandler = void (*)();
void SetAfterWakeHandler(WakeHandler handler);

// Timers wait while a modal alert is open. Alerts count themselves in and out here.
void BeginModalSession();
void EndModalSession();
int ModalSessionCount();

bool IsRunning();

} // namespace MacPlatform::EventLoop
