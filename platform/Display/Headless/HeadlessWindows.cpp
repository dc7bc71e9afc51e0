// Windows in memory: each keeps its title, place, size and a screen of its own that present
// copies the drawn surface to, so that tests see exactly what a user would have seen.
#include "Display/Headless/HeadlessDisplay.h"
#include "Display/DisplayScale.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

namespace MacPlatform::Display::Headless {

namespace {

struct Window {
    std::uint32_t id;
    WindowState state;
};

std::map<std::uint32_t, std::unique_ptr<Window>>& windows() {
    static std::map<std::uint32_t, std::unique_ptr<Window>> all;
    return all;
}

// Numbers are never given twice in a process, so that an event for a window that is gone can
// never reach a newer one.
std::uint32_t g_lastID = 0;
int g_starts = 0;
std::string g_error;

Window* headless(NativeWindow* window) {
    return reinterpret_cast<Window*>(window);
}

} // namespace

bool start() {
    ++g_starts;
    return true;
}

void stop() {
    if (g_starts > 0 && --g_starts == 0) {
        dropEventsIfIdle();
    }
}

bool isStarted() {
    return g_starts > 0;
}

NativeWindow* createWindow(const char* title, int x, int y, int width, int height) {
    if (width <= 0 || height <= 0) {
        g_error = "a window needs a width and a height";
        return nullptr;
    }
    auto window = std::make_unique<Window>();
    window->id = ++g_lastID;
    window->state.title = title ? title : "";
    window->state.x = x;
    window->state.y = y;
    window->state.width = width;
    window->state.height = height;
    // Tests choose the scale with our own variable, read for each window so that one test
    // program can compare scales; the desktop's settings are not the headless screen's.
    ScaleSources sources;
    sources.own = std::getenv(kScaleVariable);
    window->state.scale = decideScale(sources);
    Window* made = window.get();
    windows()[made->id] = std::move(window);
    return reinterpret_cast<NativeWindow*>(made);
}

void destroyWindow(NativeWindow* window) {
    windows().erase(headless(window)->id);
}

void show(NativeWindow* window) {
    headless(window)->state.shown = true;
}

void hide(NativeWindow* window) {
    headless(window)->state.shown = false;
}

void raise(NativeWindow* window) {
    ++headless(window)->state.raises;
}

void setTitle(NativeWindow* window, const char* title) {
    headless(window)->state.title = title ? title : "";
}

bool setClassName(NativeWindow* window, const char* instance, const char* className) {
    headless(window)->state.instance = instance ? instance : "";
    headless(window)->state.className = className ? className : "";
    return true;
}

bool setIcon(NativeWindow* window, const IconImage* images, int count) {
    if (count < 0 || (count > 0 && !images)) {
        g_error = "an icon list needs its images";
        return false;
    }
    std::vector<std::pair<int, int>> sizes;
    for (int i = 0; i < count; ++i) {
        if (images[i].width <= 0 || images[i].height <= 0 || !images[i].argb) {
            g_error = "an icon needs a size and pixels";
            return false;
        }
        sizes.emplace_back(images[i].width, images[i].height);
    }
    headless(window)->state.iconSizes = std::move(sizes);
    return true;
}

std::uint32_t windowID(NativeWindow* window) {
    return headless(window)->id;
}

void position(NativeWindow* window, int* x, int* y) {
    *x = headless(window)->state.x;
    *y = headless(window)->state.y;
}

double scale(NativeWindow* window) {
    return headless(window)->state.scale;
}

namespace {

int devicePixels(const WindowState& state, int points) {
    return static_cast<int>(std::lround(points * state.scale));
}

} // namespace

cairo_surface_t* createSurface(NativeWindow* window) {
    const WindowState& state = headless(window)->state;
    cairo_surface_t* surface = cairo_image_surface_create(
        CAIRO_FORMAT_RGB24, devicePixels(state, state.width), devicePixels(state, state.height));
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        g_error =
            std::string("Cairo surface: ") + cairo_status_to_string(cairo_surface_status(surface));
        cairo_surface_destroy(surface);
        return nullptr;
    }
    cairo_surface_set_device_scale(surface, state.scale, state.scale);
    return surface;
}

bool present(NativeWindow* window, cairo_surface_t* surface) {
    if (!surface || cairo_image_surface_get_format(surface) != CAIRO_FORMAT_RGB24) {
        g_error = "present needs the window's RGB24 surface";
        return false;
    }
    WindowState& state = headless(window)->state;
    cairo_surface_flush(surface);
    // The screen keeps the window's size in device pixels; a surface of the size before a
    // resize covers what both have, as a frame buffer would.
    int screenWidth = devicePixels(state, state.width);
    int screenHeight = devicePixels(state, state.height);
    int width = std::min(screenWidth, cairo_image_surface_get_width(surface));
    int height = std::min(screenHeight, cairo_image_surface_get_height(surface));
    int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* pixels = cairo_image_surface_get_data(surface);
    state.screen.assign(static_cast<size_t>(screenWidth) * screenHeight, 0);
    for (int y = 0; y < height; ++y) {
        const auto* row = pixels + static_cast<size_t>(y) * stride;
        for (int x = 0; x < width; ++x) {
            std::uint32_t value;
            std::memcpy(&value, row + x * 4, 4);
            state.screen[static_cast<size_t>(y) * screenWidth + x] = value & 0x00FFFFFFu;
        }
    }
    state.screenWidth = screenWidth;
    state.screenHeight = screenHeight;
    ++state.presents;
    return true;
}

bool screenSize(int* width, int* height) {
    if (!isStarted()) {
        return false;
    }
    *width = kScreenWidth;
    *height = kScreenHeight;
    return true;
}

const char* errorText() {
    return g_error.c_str();
}

bool resizeWindow(std::uint32_t windowID, int width, int height) {
    auto found = windows().find(windowID);
    if (found == windows().end() || width <= 0 || height <= 0) {
        return false;
    }
    found->second->state.width = width;
    found->second->state.height = height;
    Event event;
    event.type = EventType::WindowResized;
    event.windowID = windowID;
    event.width = width;
    event.height = height;
    postEvent(event);
    return true;
}

std::optional<WindowState> windowState(std::uint32_t windowID) {
    auto found = windows().find(windowID);
    if (found == windows().end()) {
        return std::nullopt;
    }
    return found->second->state;
}

} // namespace MacPlatform::Display::Headless
