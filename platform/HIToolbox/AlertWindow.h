// The alert window MacPlatform draws itself (see AlertWindow.cpp).
#pragma once

#include "HIToolbox/Alert.h"

#include <optional>

namespace MacPlatform {

// Shows the alert in a modal window of its own and returns the button that ended it; nothing
// when the display shows no screen to a user (the caller then reports it on standard error).
// Return and Escape click the default and cancel buttons, the title bar's close button
// answers as Escape; a quit of the event loop while it is open (SIGTERM's action) ends it with
// its cancel answer and is passed on to the loop around it.
std::optional<DialogItemIndex> runAlertWindow(const Alert& alert);

} // namespace MacPlatform
