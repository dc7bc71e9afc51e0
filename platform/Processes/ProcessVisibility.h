// How ShowHideProcess and SetFrontProcess reach this process's own windows.
//
// The Process Manager knows this process's windows only through the display layer, which
// registers its operations here when it starts; until then hiding and showing change the
// recorded visibility alone, and windows made later start from that record.
#pragma once

#include <MacTypes.h>

namespace MacPlatform {

struct ProcessWindowOperations {
    // Hides (false) or shows (true) every window of this process.
    OSStatus (*setVisible)(bool visible);
    // Raises this process's frontmost window and gives it the keyboard.
    OSStatus (*bringToFront)();
};

// The table must outlive its registration; null removes it.
void registerProcessWindowOperations(const ProcessWindowOperations* operations);
const ProcessWindowOperations* processWindowOperations();

// Whether this process is shown (ShowHideProcess of this process records it; it starts true).
bool currentProcessVisible();
void setCurrentProcessVisible(bool visible);

} // namespace MacPlatform
