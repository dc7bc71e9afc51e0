// The display as the window code sees it: a small table of operations on native windows, so
// that everything above it is written once whatever shows the pixels. There is one backend,
// SDL's video layer; runs without a screen use SDL's dummy driver through the same code.
#pragma once

#include <cairo.h>

#include <cstdint>

namespace MacPlatform::Display {

// A window of the backend; opaque to the window code.
struct NativeWindow;

struct BackendOperations {
    const char* name;

    // Brings the video layer up for the first window and down after the last; every start
    // that succeeded is balanced by one stop.
    bool (*start)();
    void (*stop)();
    // Whether waiting for the backend's events really sleeps (a driver without windows of its
    // own makes such a wait poll).
    bool (*waitBlocks)();

    // A hidden window with a content area of the given size at the given screen position;
    // null when the backend refuses (the reason is in errorText).
    NativeWindow* (*createWindow)(const char* title, int x, int y, int width, int height);
    void (*destroyWindow)(NativeWindow* window);
    void (*show)(NativeWindow* window);
    void (*hide)(NativeWindow* window);
    // Puts the window above the others and gives it the keyboard.
    void (*raise)(NativeWindow* window);
    void (*setTitle)(NativeWindow* window, const char* title);
    // The number the backend's events carry to name the window; 0 for none.
    std::uint32_t (*windowID)(NativeWindow* window);
    // Where the content area's top left corner is on the screen.
    void (*position)(NativeWindow* window, int* x, int* y);

    // An RGB24 image surface of the content's size for Cairo to draw the window into. It lies
    // over the window's own frame buffer when their layouts match, so that presenting copies
    // nothing; otherwise it is a buffer of its own that present converts. The caller destroys
    // it, always before the window, and asks for a new one after the window changed size.
    cairo_surface_t* (*createSurface)(NativeWindow* window);
    // Puts what was drawn into the surface on the screen.
    bool (*present)(NativeWindow* window, cairo_surface_t* surface);

    const char* (*errorText)();
};

const BackendOperations& backend();

} // namespace MacPlatform::Display
