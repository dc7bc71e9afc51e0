// What the desktop knows the application's windows by: the name task lists show for a window
// without a title, the class that desktop entries match (the bundle identifier) and the icon
// (the bundle's PNG named by CFBundleIconFile and CFBundleIconFiles, one size per file).
#pragma once

#include "Display/DisplayBackend.h"

#include <string>

namespace MacPlatform::ApplicationIdentity {

// The name for a window titled `title`: the title itself, or for an empty one the bundle's
// CFBundleName, else the name SetApplicationDesktopName gave, else "".
std::string shownName(const std::string& title);

// Gives a new native window the application's class and icon; what the display cannot take
// is left out (a backend without window classes, a bundle without an icon).
void apply(Display::NativeWindow* window);

} // namespace MacPlatform::ApplicationIdentity
