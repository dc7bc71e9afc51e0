// The headless backend's table, and its cursor.
#include "Display/Headless/HeadlessDisplay.h"

namespace MacPlatform::Display {

namespace Headless {

namespace {

CursorShape g_cursor = CursorShape::Arrow;
bool g_cursorShown = false;

} // namespace

bool setCursor(CursorShape shape) {
    if (!isStarted()) {
        return false;
    }
    g_cursor = shape;
    return true;
}

void showCursor() {
    if (isStarted()) {
        g_cursorShown = true;
    }
}

bool hasScreen() {
    return false;
}

CursorShape currentCursor() {
    return g_cursor;
}

bool cursorShown() {
    return g_cursorShown;
}

} // namespace Headless

const BackendOperations& headlessBackend() {
    static const BackendOperations operations{
        .name = "headless",
        .start = Headless::start,
        .stop = Headless::stop,
        .createWindow = Headless::createWindow,
        .destroyWindow = Headless::destroyWindow,
        .show = Headless::show,
        .hide = Headless::hide,
        .raise = Headless::raise,
        .setTitle = Headless::setTitle,
        .setClassName = Headless::setClassName,
        .setIcon = Headless::setIcon,
        .windowID = Headless::windowID,
        .position = Headless::position,
        .scale = Headless::scale,
        .createSurface = Headless::createSurface,
        .present = Headless::present,
        .hasScreen = Headless::hasScreen,
        .screenSize = Headless::screenSize,
        .startEvents = Headless::startEvents,
        .stopEvents = Headless::stopEvents,
        .waitBlocks = Headless::waitBlocks,
        .waitForEvent = Headless::waitForEvent,
        .nextEvent = Headless::nextEvent,
        .wake = Headless::wake,
        .setCursor = Headless::setCursor,
        .showCursor = Headless::showCursor,
        .errorText = Headless::errorText,
    };
    return operations;
}

} // namespace MacPlatform::Display
