// Static texts: a label in the system font, wrapped at the control's width.
#include "CoreFoundation/CFStringObject.h"
#include "HIToolbox/ControlClass.h"
#include "HIToolbox/ControlText.h"
#include "HIToolbox/ViewSubclassEvents.h"
#include "HIToolbox/Window.h"

#include <Carbon/HIView.h>

#include <string>

namespace MacPlatform {

namespace {

constexpr char kStaticTextClassID[] = "com.apple.HIStaticText";

struct StaticText {
    explicit StaticText(HIViewRef ofView) : view(ofView) {}

    HIViewRef view;
    std::string text;
};

OSStatus handler(EventHandlerCallRef, EventRef event, void* userData) {
    auto* label = static_cast<StaticText*>(userData);
    if (GetEventClass(event) == kEventClassHIObject) {
        return handleHIObjectEvent(event, label);
    }
    cairo_t* cr = drawContextOf(event);
    HIRect bounds;
    if (cr && HIViewGetBounds(label->view, &bounds) == noErr) {
        drawControlText(cr, label->text, bounds, false, TextColour{0, 0, 0});
    }
    return noErr;
}

const EventTypeSpec kEvents[] = {{kEventClassHIObject, kEventHIObjectConstruct},
                                 {kEventClassHIObject, kEventHIObjectDestruct},
                                 {kEventClassControl, kEventControlDraw}};

const ControlClassDescription kStaticTextClass{kStaticTextClassID, handler, kEvents,
                                               GetEventTypeCount(kEvents)};

} // namespace

} // namespace MacPlatform

extern "C" OSStatus CreateStaticTextControl(WindowRef window, const Rect* bounds, CFStringRef text,
                                            const ControlFontStyleRec* style,
                                            ControlRef* outControl) {
    if (style) {
        return paramErr;
    }
    if (window && !MacPlatform::Window::fromRef(window)) {
        return errInvalidWindowRef;
    }
    OSStatus status =
        MacPlatform::createControl(MacPlatform::kStaticTextClass, window, bounds, outControl);
    if (status == noErr) {
        auto* label = static_cast<MacPlatform::StaticText*>(
            MacPlatform::controlData(*outControl, MacPlatform::kStaticTextClassID));
        label->text = MacPlatform::stringText(text);
    }
    return status;
}
