// What the built-in views and controls share: their class is registered on first use as a
// subclass of the base view; a new control is also placed, shown and put into a window's
// content view.
#pragma once

#include <Carbon/Controls.h>

#include <cairo.h>

namespace MacPlatform {

struct ControlClassDescription {
    const char* id;
    EventHandlerUPP handler;
    const EventTypeSpec* events;
    ItemCount eventCount;
};

// Registers the class as a subclass of the base view, unless it is registered already.
OSStatus registerViewClass(const ControlClassDescription& description);
// A new view of the class (Create rule), registered now if need be.
OSStatus createView(const ControlClassDescription& description, HIViewRef* outView);

// A visible control of the class (registered now if need be) with the frame of `bounds`. With
// a window it goes into the window's content view, which keeps the only reference (as on the
// Mac, the window owns its controls); without one the caller holds it.
OSStatus createControl(const ControlClassDescription& description, WindowRef window,
                       const Rect* bounds, ControlRef* outControl);

// The instance data the class's construct handler handed back, or null for another view.
void* controlData(ControlRef control, const char* classID);

// The Cairo context of a draw event's kEventParamCGContextRef, or null.
cairo_t* drawContextOf(EventRef event);

} // namespace MacPlatform
