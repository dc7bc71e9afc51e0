#pragma once

#include "HIToolbox/HIObject.h"

#include <Carbon/CarbonEvents.h>
#include <Carbon/HIObject.h>
#include <Carbon/HIView.h>
#include <CoreGraphics/CoreGraphics.h>

namespace MacPlatform {

// The construct/destruct and draw events that every view subclass of ours answers the same way:
// construct makes the instance data `View(HIViewRef)`, destruct deletes it, draw passes the
// event's context to `View::draw`.
template <typename View> OSStatus handleHIObjectEvent(EventRef event, View* self) {
    if (GetEventKind(event) == kEventHIObjectConstruct) {
        HIObjectRef ref = nullptr;
        OSStatus status = GetEventParameter(event, kEventParamHIObjectInstance, typeHIObjectRef,
                                            nullptr, sizeof ref, nullptr, &ref);
        if (status != noErr) {
            return status;
        }
        self = new View(viewOfObject(ref));
        return SetEventParameter(event, kEventParamHIObjectInstance, typeVoidPtr, sizeof self,
                                 &self);
    }
    if (GetEventKind(event) == kEventHIObjectDestruct) {
        delete self;
        return noErr;
    }
    return eventNotHandledErr;
}

template <typename View> OSStatus handleDrawEvent(EventRef event, View* self) {
    CGContextRef context = nullptr;
    OSStatus status = GetEventParameter(event, kEventParamCGContextRef, typeCGContextRef, nullptr,
                                        sizeof context, nullptr, &context);
    if (status != noErr) {
        return status;
    }
    self->draw(context);
    return noErr;
}

} // namespace MacPlatform
