// Windows, surfaces and the screen over SDL's video layer. Windows present through SDL's own
// frame buffer (no GL), which Cairo draws into directly whenever its pixel layout is Cairo's
// RGB24.
#include "Display/SDL/SDLBackend.h"
#include "Display/DisplayScale.h"

#include <SDL2/SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace MacPlatform::Display::SDL {

namespace {

SDL_Window* sdl(NativeWindow* window) {
    return reinterpret_cast<SDL_Window*>(window);
}

// Xlib's default handler ends the process on any protocol error. Requests about a window that
// has just been destroyed (by the window manager's or another client's doing) fail harmlessly,
// so they are ignored; any other error is reported and the program goes on.
int reportXError(::Display* display, XErrorEvent* error) {
    if (error->error_code != BadWindow) {
        char text[128] = {};
        XGetErrorText(display, error->error_code, text, sizeof text - 1);
        std::fprintf(stderr, "MacPlatform: X error %s (request %d)\n", text, error->request_code);
    }
    return 0;
}

bool sharesCairoLayout(const SDL_Surface* surface) {
    return surface->format->format == SDL_PIXELFORMAT_RGB888 && !SDL_MUSTLOCK(surface) &&
           surface->pitch == cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, surface->w);
}

// The X11 connection and window behind an SDL window; false on other video drivers.
bool x11Window(NativeWindow* window, ::Display** display, ::Window* xWindow) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(sdl(window), &info) || info.subsystem != SDL_SYSWM_X11) {
        return false;
    }
    *display = info.info.x11.display;
    *xWindow = info.info.x11.window;
    return true;
}

// Xlib reads the locale's whole compose table, thousands of lines, when SDL opens its input
// method: most of a plain window's start-up. Compose sequences only ever build editable text,
// and MacPlatform has none (its text views are read-only; keys reach the plug-in as keys with
// their plain characters), so the video layer starts with an empty table. The variable is put
// back at once: programs the launcher opens must see the user's own setting.
class WithoutComposeTable {
public:
    WithoutComposeTable() {
        const char* own = std::getenv(kName);
        m_hadOwn = own != nullptr;
        if (m_hadOwn) {
            m_own = own;
        }
        setenv(kName, "/dev/null", 1);
    }
    ~WithoutComposeTable() {
        if (m_hadOwn) {
            setenv(kName, m_own.c_str(), 1);
        } else {
            unsetenv(kName);
        }
    }
    WithoutComposeTable(const WithoutComposeTable&) = delete;
    WithoutComposeTable& operator=(const WithoutComposeTable&) = delete;

private:
    static constexpr const char* kName = "XCOMPOSEFILE";
    bool m_hadOwn = false;
    std::string m_own;
};

bool validIcons(const IconImage* images, int count) {
    for (int i = 0; i < count; ++i) {
        if (images[i].width <= 0 || images[i].height <= 0 || !images[i].argb) {
            return false;
        }
    }
    return count >= 0 && (count == 0 || images);
}

// The video layer, and with it the connection to the display, is opened with the first window
// and kept for the life of the process: closing it after the last window and opening it again
// for the next (the agreement's, then the main window) started the input method twice and,
// with a server that resets when its last client leaves, could find no display the second time.
// start and stop only count who uses it.
int g_uses = 0;
bool g_videoOpen = false;

void closeVideoAtExit() {
    if (g_videoOpen) {
        g_videoOpen = false;
        setDisplayConnection(-1);
        release(SDL_INIT_VIDEO);
    }
}

bool showsOnScreen(const char* driver) {
    return std::strcmp(driver, "dummy") != 0 && std::strcmp(driver, "offscreen") != 0 &&
           std::strcmp(driver, "evdev") != 0;
}

// Xlib's default handler of a lost connection ends the process with a line about "XIO"; the
// user is told what happened instead. Xlib ends the process when this returns.
int reportLostDisplay(::Display*) {
    std::fprintf(stderr, "MacPlatform: the connection to the display was lost; the application "
                         "ends\n");
    std::fflush(stderr);
    return 0;
}

bool openVideo() {
    // A GL frame buffer costs several times the memory and start-up time of a plain one and
    // buys nothing for pixels that Cairo draws on the CPU.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // The launcher hides itself while a game runs; a screensaver must still be able to start.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    // A quit event means the desktop or the session asks the application to end; closing the
    // last window is the window's own event, answered by whoever owns the window.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    bool started;
    {
        WithoutComposeTable noCompose;
        started = acquire(SDL_INIT_VIDEO);
    }
    if (!started) {
        return false;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || !showsOnScreen(driver)) {
        // SDL falls back on drivers without a screen when none with one can be reached; a
        // window there would be a program running unseen. Asked for by name, they serve.
        const char* asked = std::getenv("SDL_VIDEODRIVER");
        if (!driver || !asked || std::strcmp(asked, driver) != 0) {
            std::string which = driver ? driver : "none";
            release(SDL_INIT_VIDEO);
            SDL_SetError("no screen to show windows on (SDL's video driver: %s)", which.c_str());
            return false;
        }
    }
    if (driver && std::strcmp(driver, "x11") == 0) {
        XSetErrorHandler(reportXError);
        XSetIOErrorHandler(reportLostDisplay);
    }
    g_videoOpen = true;
    std::atexit(closeVideoAtExit);
    return true;
}

} // namespace

bool start() {
    if (!g_videoOpen && !openVideo()) {
        return false;
    }
    ++g_uses;
    return true;
}

void stop() {
    if (g_uses > 0) {
        --g_uses;
    }
}

bool inUse() {
    return g_uses > 0;
}

bool hasScreen() {
    // Drivers without a screen are open only when asked for by name (tests).
    const char* driver = SDL_GetCurrentVideoDriver();
    return inUse() && driver && showsOnScreen(driver);
}

namespace {

// Device pixels per point for every window of the process, chosen with the first window (the
// X resources come with the connection that window's driver opened); 0 until then.
double g_scale = 0;

bool onWayland() {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && std::strcmp(driver, "wayland") == 0;
}

double chooseProcessScale(NativeWindow* window) {
    ScaleSources sources = environmentScaleSources();
    if (onWayland()) {
        // The compositor scales a window that does not ask for more pixels to the desktop's
        // scale itself; the desktop's settings would scale it a second time. Only our own
        // variable is heard there.
        sources.gdkScale = nullptr;
        sources.qtScaleFactor = nullptr;
        return decideScale(sources);
    }
    ::Display* display = nullptr;
    ::Window xWindow = None;
    if (x11Window(window, &display, &xWindow)) {
        // The resource database came with the connection: reading it asks the server nothing.
        sources.xResources = XResourceManagerString(display);
    }
    float dpi = 0;
    int index = SDL_GetWindowDisplayIndex(sdl(window));
    if (index >= 0 && SDL_GetDisplayDPI(index, nullptr, &dpi, nullptr) == 0) {
        sources.displayDpi = dpi;
    }
    return decideScale(sources);
}

int toPixels(int points) {
    return static_cast<int>(std::lround(points * (g_scale > 0 ? g_scale : 1)));
}

int toPoints(int pixels) {
    return static_cast<int>(std::floor(pixels / (g_scale > 0 ? g_scale : 1)));
}

} // namespace

int pointsOfPixels(int pixels) {
    return toPoints(pixels);
}

NativeWindow* createWindow(const char* title, int x, int y, int width, int height) {
    bool known = g_scale > 0;
    auto place = [](int at) {
        return SDL_WINDOWPOS_ISUNDEFINED(at) || SDL_WINDOWPOS_ISCENTERED(at) ? at : toPixels(at);
    };
    SDL_Window* window = SDL_CreateWindow(title, place(x), place(y), toPixels(width),
                                          toPixels(height), SDL_WINDOW_HIDDEN);
    auto* native = reinterpret_cast<NativeWindow*>(window);
    ::Display* display = nullptr;
    ::Window xWindow = None;
    if (window && x11Window(native, &display, &xWindow)) {
        setDisplayConnection(ConnectionNumber(display));
    }
    if (window && !known) {
        g_scale = chooseProcessScale(native);
        if (g_scale != 1) {
            // Still hidden: the window takes its size at once, with no window manager asked.
            SDL_SetWindowSize(window, toPixels(width), toPixels(height));
            if (place(x) != x || place(y) != y) {
                SDL_SetWindowPosition(window, place(x), place(y));
            }
        }
    }
    return native;
}

namespace {

bool isShown(NativeWindow* window) {
    return (SDL_GetWindowFlags(sdl(window)) & SDL_WINDOW_SHOWN) != 0;
}

} // namespace

void destroyWindow(NativeWindow* window) {
    if (isShown(window)) {
        windowShown(false);
    }
    SDL_DestroyWindow(sdl(window));
}

void show(NativeWindow* window) {
    bool was = isShown(window);
    SDL_ShowWindow(sdl(window));
    if (!was) {
        windowShown(true);
    }
}

void hide(NativeWindow* window) {
    bool was = isShown(window);
    SDL_HideWindow(sdl(window));
    if (was) {
        windowShown(false);
    }
}

void raise(NativeWindow* window) {
    SDL_RaiseWindow(sdl(window));
}

void setTitle(NativeWindow* window, const char* title) {
    SDL_SetWindowTitle(sdl(window), title);
}

bool setClassName(NativeWindow* window, const char* instance, const char* className) {
    ::Display* display = nullptr;
    ::Window xWindow = 0;
    if (!x11Window(window, &display, &xWindow)) {
        SDL_SetError("the video driver %s has no window class", SDL_GetCurrentVideoDriver());
        return false;
    }
    std::string instanceText = instance ? instance : "";
    std::string classText = className ? className : "";
    XClassHint hint{instanceText.data(), classText.data()};
    XSetClassHint(display, xWindow, &hint);
    XFlush(display);
    return true;
}

bool setIcon(NativeWindow* window, const IconImage* images, int count) {
    if (!validIcons(images, count)) {
        SDL_SetError("an icon needs a size and pixels");
        return false;
    }
    ::Display* display = nullptr;
    ::Window xWindow = 0;
    if (x11Window(window, &display, &xWindow)) {
        // _NET_WM_ICON holds every size, each as width, height and the pixels, one long each.
        Atom property = XInternAtom(display, "_NET_WM_ICON", False);
        if (count == 0) {
            XDeleteProperty(display, xWindow, property);
        } else {
            std::vector<unsigned long> data;
            for (int i = 0; i < count; ++i) {
                data.push_back(static_cast<unsigned long>(images[i].width));
                data.push_back(static_cast<unsigned long>(images[i].height));
                size_t pixels = static_cast<size_t>(images[i].width) * images[i].height;
                data.insert(data.end(), images[i].argb, images[i].argb + pixels);
            }
            XChangeProperty(display, xWindow, property, XA_CARDINAL, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(data.data()),
                            static_cast<int>(data.size()));
        }
        XFlush(display);
        return true;
    }
    // Other drivers take one picture: the largest scales down best.
    if (count == 0) {
        SDL_SetWindowIcon(sdl(window), nullptr);
        return true;
    }
    const IconImage* largest =
        std::max_element(images, images + count, [](const IconImage& a, const IconImage& b) {
            return a.width * a.height < b.width * b.height;
        });
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<std::uint32_t*>(largest->argb), largest->width, largest->height, 32,
        largest->width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!surface) {
        return false;
    }
    SDL_SetWindowIcon(sdl(window), surface);
    SDL_FreeSurface(surface);
    return true;
}

std::uint32_t windowID(NativeWindow* window) {
    return SDL_GetWindowID(sdl(window));
}

void position(NativeWindow* window, int* x, int* y) {
    SDL_GetWindowPosition(sdl(window), x, y);
    *x = toPoints(*x);
    *y = toPoints(*y);
}

double scale(NativeWindow*) {
    return g_scale > 0 ? g_scale : 1;
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
    // Drawing is in points; Cairo turns them into the frame buffer's pixels.
    cairo_surface_set_device_scale(surface, scale(window), scale(window));
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

bool screenSize(int* width, int* height) {
    SDL_Rect bounds;
    if (!inUse() || SDL_GetDisplayBounds(0, &bounds) != 0) {
        return false;
    }
    if (g_scale <= 0) {
        // The scale is read from the first window's connection. Whoever asks for the screen
        // before any window (an alert at start-up) places its window in points: a hidden
        // window that is never shown settles the scale first, so that the alert lands in the
        // middle of a scaled screen rather than at its edge.
        if (NativeWindow* probe =
                createWindow("", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 1, 1)) {
            destroyWindow(probe);
        }
    }
    *width = toPoints(bounds.w);
    *height = toPoints(bounds.h);
    return true;
}

const char* errorText() {
    return SDL_GetError();
}

} // namespace MacPlatform::Display::SDL
