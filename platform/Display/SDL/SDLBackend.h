// The SDL backend's concerns, one file each: video (windows, surfaces, screen), events and
// keys, the cursor, the wait and its wake. SDLBackend.cpp puts them in the table.
#pragma once

#include <poll.h>

#include "Display/DisplayBackend.h"

#include <SDL2/SDL.h>

namespace MacPlatform::Display::SDL {

// SDL's subsystems with MacPlatform's hints (SDL must leave SIGINT and SIGTERM to the
// program). Every acquire that succeeded is balanced by one release of the same subsystems;
// a wake from another thread never sees SDL half started.
bool acquire(Uint32 subsystems);
void release(Uint32 subsystems);

// Video. The connection to the display is opened by the first start and kept until the
// process ends; inUse says whether a start is not yet balanced by its stop.
bool start();
void stop();
bool inUse();
NativeWindow* createWindow(const char* title, int x, int y, int width, int height);
void destroyWindow(NativeWindow* window);
void show(NativeWindow* window);
void hide(NativeWindow* window);
void raise(NativeWindow* window);
void setTitle(NativeWindow* window, const char* title);
bool setClassName(NativeWindow* window, const char* instance, const char* className);
bool setIcon(NativeWindow* window, const IconImage* images, int count);
std::uint32_t windowID(NativeWindow* window);
void position(NativeWindow* window, int* x, int* y);
double scale(NativeWindow* window);
// Window coordinates of SDL (device pixels) in points: divided by the process's scale, which
// the first window decides.
int pointsOfPixels(int pixels);
cairo_surface_t* createSurface(NativeWindow* window);
bool present(NativeWindow* window, cairo_surface_t* surface);
bool hasScreen();
bool screenSize(int* width, int* height);
const char* errorText();

// Wait and wake.
bool startEvents();
void stopEvents();
bool waitBlocks();
bool waitForEvent(int timeoutMs);
void wake();
// The descriptor of the X connection SDL reads its events from, once a window has told which
// it is; -1 for none (other drivers, or the video layer down): the wait then happens inside
// SDL.
void setDisplayConnection(int descriptor);
// Whether the event is the one wake() pushes, which carries nothing.
bool isWakeEvent(const SDL_Event& event);

// Events and keys.
bool nextEvent(Event* event);
// The Mac's virtual key code of a key by its position on the keyboard; -1 for a key the Mac
// keyboard does not have.
int macKeyCode(SDL_Scancode scancode);
// The character a Mac keyboard with the US layout gives for the key, MacRoman; 0 for none.
char macCharCode(SDL_Keycode key, Uint16 modifiers);
// The Mac's modifier bits for SDL's modifier state.
std::uint32_t macModifiers(Uint16 modifiers);

// Game controllers (SDLControllers.cpp). The video layer tells when a window comes or goes
// on the screen: controllers are read only while one is shown, from the first wait after it
// came (its first frame drawn), which calls startControllersIfShown.
void windowShown(bool nowShown);
void startControllersIfShown();
// An SDL controller event as a key event; false for one that makes none (plugging, other
// buttons and axes), or while no window is shown.
bool convertController(const SDL_Event& event, Event* out);
// A key event made earlier and not handed out yet: whether there is one, and taking it.
bool hasPendingControllerEvent();
bool pendingControllerEvent(Event* out);
// What the wait sleeps on besides the display while controllers are read: up to `room`
// descriptors into `entries`, their number returned; `timeoutMs` is shortened for what cannot
// be watched. After the wait, controllerWatchesWoke empties those that woke it and tells
// whether any did (SDL's queue must then be pumped).
int controllerWatches(pollfd* entries, int room, int& timeoutMs);
bool controllerWatchesWoke(const pollfd* entries, int count);

// Cursor.
bool setCursor(CursorShape shape);
void showCursor();

} // namespace MacPlatform::Display::SDL
