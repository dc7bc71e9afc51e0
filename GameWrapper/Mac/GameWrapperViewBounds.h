#pragma once

#include <Carbon/Carbon.h>

// The initialize answer every launcher view starts with: let the base class initialize the view,
// then give the view the bounds the initialize event carries.
inline OSStatus InitializeViewWithEventBounds(EventHandlerCallRef handlerCall, EventRef event,
                                              HIViewRef view) {
    OSStatus status = CallNextEventHandler(handlerCall, event);
    if (status != noErr) {
        return status;
    }
    Rect bounds;
    status = GetEventParameter(event, kEventParamBounds, typeQDRectangle, nullptr, sizeof bounds,
                               nullptr, &bounds);
    if (status != noErr) {
        return status;
    }
    SetControlBounds(view, &bounds);
    return noErr;
}
