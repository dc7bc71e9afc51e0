#include "HIToolbox/ControlClass.h"
#include "CoreGraphics/CGContextCairo.h"
#include "HIToolbox/HIObject.h"

#include <Carbon/HIView.h>

namespace MacPlatform {

OSStatus registerViewClass(const ControlClassDescription& description) {
    CFStringRef classID = CFStringCreateWithCString(nullptr, description.id, kCFStringEncodingUTF8);
    OSStatus status =
        HIObjectRegisterSubclass(classID, kHIViewClassID, 0, description.handler,
                                 description.eventCount, description.events, nullptr, nullptr);
    CFRelease(classID);
    return status == hiObjectClassExistsErr ? noErr : status;
}

OSStatus createView(const ControlClassDescription& description, HIViewRef* outView) {
    if (!outView) {
        return paramErr;
    }
    *outView = nullptr;
    OSStatus status = registerViewClass(description);
    return status == noErr ? createViewOfClass(description.id, nullptr, outView) : status;
}

OSStatus createControl(const ControlClassDescription& description, WindowRef window,
                       const Rect* bounds, ControlRef* outControl) {
    if (!bounds || !outControl) {
        return paramErr;
    }
    *outControl = nullptr;
    HIViewRef content = nullptr;
    if (window) {
        OSStatus found = GetControlByID(window, &kHIViewWindowContentID, &content);
        if (found != noErr) {
            return found;
        }
    }
    OSStatus status = registerViewClass(description);
    EventRef initialize = nullptr;
    if (status == noErr) {
        status =
            CreateEvent(nullptr, kEventClassHIObject, kEventHIObjectInitialize, 0, 0, &initialize);
    }
    if (status != noErr) {
        return status;
    }
    status =
        SetEventParameter(initialize, kEventParamBounds, typeQDRectangle, sizeof *bounds, bounds);
    ControlRef control = nullptr;
    if (status == noErr) {
        status = createViewOfClass(description.id, initialize, &control);
    }
    ReleaseEvent(initialize);
    if (status != noErr) {
        return status;
    }
    HIViewSetVisible(control, true);
    if (content) {
        status = HIViewAddSubview(content, control);
        CFRelease(control);
        if (status != noErr) {
            return status;
        }
    }
    *outControl = control;
    return noErr;
}

void* controlData(ControlRef control, const char* classID) {
    HIObjectInstance* object = HIObjectInstance::fromRef(objectOfView(control));
    return object && object->isOfClass(classID) ? object->instanceDataOf(classID) : nullptr;
}

cairo_t* drawContextOf(EventRef event) {
    CGContextRef context = nullptr;
    if (GetEventParameter(event, kEventParamCGContextRef, typeCGContextRef, nullptr, sizeof context,
                          nullptr, &context) != noErr) {
        return nullptr;
    }
    return cairoOfContext(context);
}

} // namespace MacPlatform
