// The display's window, mouse and keyboard events as the Carbon events a window's handlers
// expect.
#pragma once

#include "Display/DisplayBackend.h"

#include <Carbon/CarbonEvents.h>

namespace MacPlatform::DisplayEvents {

// Sends the Carbon event that the display event stands for to the target of the window it
// names (keyboard events without a window go to the front window, else to the application; the
// desktop's request to quit goes to the application as the Quit command).
// Returns the handlers' result, or eventNotHandledErr for an event with no Carbon meaning or
// for a window that is gone.
OSStatus deliver(const Display::Event& event);

} // namespace MacPlatform::DisplayEvents
