// What windows and the HIObject registry need from the views.
#pragma once

#include <Carbon/HIObject.h>

namespace MacPlatform {

class Window;
struct HIObjectClass;

namespace HIView {

// Fills in the base view class, which the registry holds from its start.
void describeBaseClass(HIObjectClass& viewClass);
// A visible view the size of the window's content, whose events go on to the window.
HIObjectRef createRoot(Window& window);
// Draws the views of every window that asked for it and presents the result.
void compositeDirtyWindows();

} // namespace HIView

} // namespace MacPlatform
