// Which backend runs: MACPLATFORM_DISPLAY names it, as SDL_VIDEODRIVER names SDL's driver.
#include "Display/DisplayBackend.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace MacPlatform::Display {

namespace {

// What a name no backend has gets: a display that refuses to start and says why, so that a
// mistyped name fails visibly instead of quietly running on another display.
namespace Unknown {

std::string& reason() {
    static std::string text;
    return text;
}

bool refuse() {
    return false;
}
void nothing() {}
NativeWindow* noWindow(const char*, int, int, int, int) {
    return nullptr;
}
void noWindowCall(NativeWindow*) {}
void noTitle(NativeWindow*, const char*) {}
bool noClassName(NativeWindow*, const char*, const char*) {
    return false;
}
bool noIcon(NativeWindow*, const IconImage*, int) {
    return false;
}
std::uint32_t noID(NativeWindow*) {
    return 0;
}
void noPosition(NativeWindow*, int* x, int* y) {
    *x = 0;
    *y = 0;
}
double unitScale(NativeWindow*) {
    return 1.0;
}
cairo_surface_t* noSurface(NativeWindow*) {
    return nullptr;
}
bool noPresent(NativeWindow*, cairo_surface_t*) {
    return false;
}
bool noScreen(int*, int*) {
    return false;
}
bool noWait(int) {
    return false;
}
bool noEvent(Event*) {
    return false;
}
bool noCursor(CursorShape) {
    return false;
}
const char* errorText() {
    return reason().c_str();
}

const BackendOperations operations{
    .name = "unknown",
    .start = refuse,
    .stop = nothing,
    .createWindow = noWindow,
    .destroyWindow = noWindowCall,
    .show = noWindowCall,
    .hide = noWindowCall,
    .raise = noWindowCall,
    .setTitle = noTitle,
    .setClassName = noClassName,
    .setIcon = noIcon,
    .windowID = noID,
    .position = noPosition,
    .scale = unitScale,
    .createSurface = noSurface,
    .present = noPresent,
    .hasScreen = refuse,
    .screenSize = noScreen,
    .startEvents = refuse,
    .stopEvents = nothing,
    .waitBlocks = refuse,
    .waitForEvent = noWait,
    .nextEvent = noEvent,
    .wake = nothing,
    .setCursor = noCursor,
    .showCursor = nothing,
    .errorText = errorText,
};

} // namespace Unknown

const BackendOperations& chooseBackend() {
    const char* name = std::getenv("MACPLATFORM_DISPLAY");
    if (!name || !*name || std::strcmp(name, "sdl") == 0) {
        return sdlBackend();
    }
    if (std::strcmp(name, "headless") == 0) {
        return headlessBackend();
    }
    Unknown::reason() = std::string("no display backend is called \"") + name +
                        "\" (MACPLATFORM_DISPLAY: sdl or headless)";
    return Unknown::operations;
}

} // namespace

const BackendOperations& backend() {
    static const BackendOperations& chosen = chooseBackend();
    return chosen;
}

} // namespace MacPlatform::Display
