// The headless display: windows that live in memory, with a screen of their own to show what
// was presented, and an event queue that tests fill in place of a user. Tests choose it with
// MACPLATFORM_DISPLAY=headless and drive and look at it through the calls below; everything
// else sees only the display's table.
#pragma once

#include "Display/DisplayBackend.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace MacPlatform::Display::Headless {

// The table's entries, for HeadlessBackend.cpp.
bool start();
void stop();
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
cairo_surface_t* createSurface(NativeWindow* window);
bool present(NativeWindow* window, cairo_surface_t* surface);
// Windows in memory show nothing to a user.
bool hasScreen();
bool screenSize(int* width, int* height);
bool startEvents();
void stopEvents();
bool waitBlocks();
bool waitForEvent(int timeoutMs);
bool nextEvent(Event* event);
void wake();
bool setCursor(CursorShape shape);
void showCursor();
const char* errorText();
// Whether the display is up (between the first start and the last stop).
bool isStarted();
// Drops what is queued once neither the display nor an event loop uses the queue, as a display
// that goes down does, so that one test's input never reaches the next test's windows.
void dropEventsIfIdle();

// What the headless screen shows: 1920 by 1080 points.
constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1080;

// --- For tests ---

// Queues an event as the user's input would; any thread may call it, and a waiting event loop
// wakes for it.
void postEvent(const Event& event);

// Gives the window a new content size, as a user dragging its edge would, and queues the
// WindowResized event that says so; false for a window that is not there or an empty size.
bool resizeWindow(std::uint32_t windowID, int width, int height);

struct WindowState {
    std::string title;
    std::string instance;
    std::string className;
    // Place and content size in points; the events tests post are in points too.
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    // Device pixels per point: MACPLATFORM_SCALE when the window was made, else 1.
    double scale = 1;
    bool shown = false;
    // How often it was raised above the others.
    int raises = 0;
    // The sizes of its icon, width by height.
    std::vector<std::pair<int, int>> iconSizes;
    // What the last present put on the screen, row by row as 0x00RRGGBB, and its size in
    // device pixels; empty before the first present.
    std::vector<std::uint32_t> screen;
    int screenWidth = 0;
    int screenHeight = 0;
    int presents = 0;
};

// The window the display's events name by this number, or nothing once it is destroyed.
std::optional<WindowState> windowState(std::uint32_t windowID);

// The cursor last set while the display was up, and whether it was made visible.
CursorShape currentCursor();
bool cursorShown();

} // namespace MacPlatform::Display::Headless
