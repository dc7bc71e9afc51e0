// The SDL backend's table.
#include "Display/SDL/SDLBackend.h"

namespace MacPlatform::Display {

const BackendOperations& sdlBackend() {
    static const BackendOperations operations{
        .name = "sdl",
        .start = SDL::start,
        .stop = SDL::stop,
        .createWindow = SDL::createWindow,
        .destroyWindow = SDL::destroyWindow,
        .show = SDL::show,
        .hide = SDL::hide,
        .raise = SDL::raise,
        .setTitle = SDL::setTitle,
        .setClassName = SDL::setClassName,
        .setIcon = SDL::setIcon,
        .windowID = SDL::windowID,
        .position = SDL::position,
        .scale = SDL::scale,
        .createSurface = SDL::createSurface,
        .present = SDL::present,
        .hasScreen = SDL::hasScreen,
        .screenSize = SDL::screenSize,
        .startEvents = SDL::startEvents,
        .stopEvents = SDL::stopEvents,
        .waitBlocks = SDL::waitBlocks,
        .waitForEvent = SDL::waitForEvent,
        .nextEvent = SDL::nextEvent,
        .wake = SDL::wake,
        .setCursor = SDL::setCursor,
        .showCursor = SDL::showCursor,
        .errorText = SDL::errorText,
    };
    return operations;
}

} // namespace MacPlatform::Display
