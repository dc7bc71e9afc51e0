// The display over SDL's video layer. Windows present through SDL's own frame buffer (no GL),
// which Cairo draws into directly whenever its pixel layout is Cairo's RGB24.
#include "Display/DisplayBackend.h"
#include "HIToolbox/EventLoop.h"

#include <SDL2/SDL.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace MacPlatform::Display {

namespace {

SDL_Window* sdl(NativeWindow* window) {
    return reinterpret_cast<SDL_Window*>(window);
}

// Xlib's default handler ends the process on any protocol error. Requests about a window that
// has just been destroyed (SDL's second connection still wakes a window the teardown closed)
// fail harmlessly, so they are ignored; any other error is reported and the program goes on.
int reportXError(::Display* display, XErrorEvent* error) {
    if (error->error_code != BadWindow) {
        char text[128] = {};
        XGetErrorText(display, error->error_code, text, sizeof text - 1);
        std::fprintf(stderr, "MacPlatform: X error %s (request %d)\n", text, error->request_code);
    }
    return 0;
}

bool start() {
    // A GL frame buffer costs several times the memory and start-up time of a plain one and
    // buys nothing for pixels that Cairo draws on the CPU.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // The launcher hides itself while a game runs; a screensaver must still be able to start.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    if (!EventLoop::AcquireSDL(SDL_INIT_VIDEO)) {
        return false;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && std::strcmp(driver, "x11") == 0) {
        XSetErrorHandler(reportXError);
    }
    return true;
}

void stop() {
    EventLoop::ReleaseSDL(SDL_INIT_VIDEO);
}

bool waitBlocks() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && (std::strcmp(driver, "x11") == 0 || std::strcmp(driver, "wayland") == 0);
}

NativeWindow* createWindow(const char* title, int x, int y, int width, int height) {
    SDL_Window* window = SDL_CreateWindow(title, x, y, width, height, SDL_WINDOW_HIDDEN);
    return reinterpret_cast<NativeWindow*>(window);
}

void destroyWindow(NativeWindow* window) {
    SDL_DestroyWindow(sdl(window));
}

void show(NativeWindow* window) {
    SDL_ShowWindow(sdl(window));
}

void hide(NativeWindow* window) {
    SDL_HideWindow(sdl(window));
}

void raise(NativeWindow* window) {
    SDL_RaiseWindow(sdl(window));
}

void setTitle(NativeWindow* window, const char* title) {
    SDL_SetWindowTitle(sdl(window), title);
}

std::uint32_t windowID(NativeWindow* window) {
    return SDL_GetWindowID(sdl(window));
}

void position(NativeWindow* window, int* x, int* y) {
    SDL_GetWindowPosition(sdl(window), x, y);
}

bool sharesCairoLayout(const SDL_Surface* surface) {
    return surface->format->format == SDL_PIXELFORMAT_RGB888 && !SDL_MUSTLOCK(surface) &&
           surface->pitch == cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, surface->w);
}

cairo_surface_t* createSurface(NativeWindow* window) {
    SDL_Surface* frame = SDL_GetWindowSurface(sdl(window));
    if (!frame) {
        return nullptr;
    }
    cairo_surface_t* surface;
    if (sharesCairoLayout(frame)) {
        surface = cairo_image_surface_create_for_data(static_cast<unsigned char*>(frame->pixels),
                                                      CAIRO_FORMAT_RGB24, frame->w, frame->h,
                                                      frame->pitch);
    } else {
        surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, frame->w, frame->h);
    }
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        SDL_SetError("Cairo surface: %s", cairo_status_to_string(cairo_surface_status(surface)));
        cairo_surface_destroy(surface);
        return nullptr;
    }
    return surface;
}

bool present(NativeWindow* window, cairo_surface_t* surface) {
    SDL_Surface* frame = SDL_GetWindowSurface(sdl(window));
    if (!frame || !surface) {
        return false;
    }
    cairo_surface_flush(surface);
    unsigned char* pixels = cairo_image_surface_get_data(surface);
    if (pixels != frame->pixels) {
        // The frame buffer has another layout, or was replaced when the window changed size:
        // convert what both cover.
        int width = std::min(frame->w, cairo_image_surface_get_width(surface));
        int height = std::min(frame->h, cairo_image_surface_get_height(surface));
        if (SDL_MUSTLOCK(frame) && SDL_LockSurface(frame) != 0) {
            return false;
        }
        int converted = SDL_ConvertPixels(width, height, SDL_PIXELFORMAT_RGB888, pixels,
                                          cairo_image_surface_get_stride(surface),
                                          frame->format->format, frame->pixels, frame->pitch);
        if (SDL_MUSTLOCK(frame)) {
            SDL_UnlockSurface(frame);
        }
        if (converted != 0) {
            return false;
        }
    }
    return SDL_UpdateWindowSurface(sdl(window)) == 0;
}

const char* errorText() {
    return SDL_GetError();
}

const BackendOperations sdlBackend{
    "SDL", start,    stop,     waitBlocks, createWindow,  destroyWindow, show,      hide,
    raise, setTitle, windowID, position,   createSurface, present,       errorText,
};

} // namespace

const BackendOperations& backend() {
    return sdlBackend;
}

} // namespace MacPlatform::Display
