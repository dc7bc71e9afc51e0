// What windows, controls and the HIObject registry need from the views.
#pragma once

#include <Carbon/Controls.h>
#include <Carbon/HIObject.h>

#include <vector>

namespace MacPlatform {

class Window;
struct HIObjectClass;
class HIObjectInstance;

namespace HIView {

// The state every view has, whatever its class: the instance data of the base class.
struct ViewState {
    HIObjectInstance* object = nullptr;
    HIRect frame{};
    bool visible = false;
    ViewState* parent = nullptr;
    // Bottom to top; each holds a reference.
    std::vector<ViewState*> subviews;
    // Only for a root view.
    Window* window = nullptr;
    ControlID controlID{};
    UInt32 commandID = 0;
    ControlPartCode hilite = kControlNoPart;
};

// The state of a live view, or null for anything else.
ViewState* stateOf(HIViewRef view);
HIViewRef refOf(const ViewState& state);
// The window whose tree holds the view, or null.
Window* windowOf(const ViewState* state);
// Asks the event loop to composite the view's window, if it has one.
void needsCompositing(const ViewState* state);

// Fills in the base view class, which the registry holds from its start.
void describeBaseClass(HIObjectClass& viewClass);
// A visible view the size of the window's content, whose events go on to the window. It holds
// the content view (kHIViewWindowContentID), which covers the same area.
HIViewRef createRoot(Window& window);
// Gives the root view and its content view the window's new content size.
void resizeRoot(HIViewRef root, int width, int height);
// Draws the views of every window that asked for it and presents the result.
void compositeDirtyWindows();

} // namespace HIView

} // namespace MacPlatform
