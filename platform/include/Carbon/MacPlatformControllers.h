// A MacPlatform extension: game controllers. MacPlatform turns a controller's D-pad and left
// stick into the arrow keys, its south button (A) into Return and its east button (B) into
// Escape, as ordinary raw key events to the window that has the keyboard; its Start button
// comes as Return. Such key events carry one more parameter that says which control of the
// controller sent them, for the applications that treat a controller differently.
#pragma once

#include <Carbon/CarbonEvents.h>

enum {
    // typeUInt32, one of the values below; absent on keys from a keyboard.
    kEventParamMacPlatformControllerButton = 0x67636274, // 'gcbt'
};

enum {
    kMacPlatformControllerDirection = 1, // D-pad or left stick
    kMacPlatformControllerSouth = 2,     // A
    kMacPlatformControllerEast = 3,      // B
    kMacPlatformControllerStart = 4,
};
