// Push buttons: a rounded button with a centred title, the window's default button drawn in
// the accent colour, lighter while the mouse is over it and darker while pressed. The
// standard window handler does the tracking; the button answers hit tests, shows its state
// and, as the window's default or cancel button, is clicked by Return or Escape.
#include "CoreFoundation/CFStringObject.h"
#include "HIToolbox/ControlClass.h"
#include "HIToolbox/ControlText.h"
#include "HIToolbox/ViewSubclassEvents.h"
#include "HIToolbox/Window.h"

#include <Carbon/HIView.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace MacPlatform {

namespace {

constexpr char kPushButtonClassID[] = "com.apple.HIPushButton";

struct PushButton {
    explicit PushButton(HIViewRef ofView) : view(ofView) {}

    HIViewRef view;
    std::string title;
    bool hover = false;
};

struct Shade {
    TextColour top, bottom, border, text;
};

TextColour mix(TextColour c, TextColour with, double amount) {
    return {c.red + (with.red - c.red) * amount, c.green + (with.green - c.green) * amount,
            c.blue + (with.blue - c.blue) * amount};
}

Shade shadeFor(bool isDefault, bool hover, bool pressed) {
    Shade shade =
        isDefault ? Shade{{0.46, 0.70, 1.00}, {0.13, 0.45, 0.92}, {0.10, 0.30, 0.68}, {1, 1, 1}}
                  : Shade{{1.00, 1.00, 1.00}, {0.86, 0.86, 0.87}, {0.55, 0.55, 0.57}, {0, 0, 0}};
    const TextColour white{1, 1, 1}, black{0, 0, 0};
    if (pressed) {
        shade.top = mix(shade.top, black, 0.25);
        shade.bottom = mix(shade.bottom, black, 0.25);
    } else if (hover) {
        shade.top = mix(shade.top, white, 0.3);
        shade.bottom = mix(shade.bottom, white, 0.3);
        shade.border = mix(shade.border, black, 0.2);
    }
    return shade;
}

void roundedRectangle(cairo_t* cr, double x, double y, double width, double height, double radius) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + width - radius, y + radius, radius, -M_PI / 2, 0);
    cairo_arc(cr, x + width - radius, y + height - radius, radius, 0, M_PI / 2);
    cairo_arc(cr, x + radius, y + height - radius, radius, M_PI / 2, M_PI);
    cairo_arc(cr, x + radius, y + radius, radius, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

bool isDefaultButton(HIViewRef view) {
    Window* window = Window::fromRef(HIViewGetWindow(view));
    return window && window->defaultButton().get() == view;
}

void draw(const PushButton& button, cairo_t* cr) {
    HIRect bounds;
    if (HIViewGetBounds(button.view, &bounds) != noErr || bounds.size.width < 2 ||
        bounds.size.height < 2) {
        return;
    }
    Shade shade = shadeFor(isDefaultButton(button.view), button.hover,
                           GetControlHilite(button.view) != kControlNoPart);
    // Half-pixel insets put the one-pixel border on whole pixels.
    double width = bounds.size.width - 1, height = bounds.size.height - 1;
    double radius = std::min(6.0, height / 2);
    cairo_save(cr);
    roundedRectangle(cr, 0.5, 0.5, width, height, radius);
    cairo_pattern_t* gradient = cairo_pattern_create_linear(0, 0, 0, bounds.size.height);
    cairo_pattern_add_color_stop_rgb(gradient, 0, shade.top.red, shade.top.green, shade.top.blue);
    cairo_pattern_add_color_stop_rgb(gradient, 1, shade.bottom.red, shade.bottom.green,
                                     shade.bottom.blue);
    cairo_set_source(cr, gradient);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(gradient);
    cairo_set_source_rgb(cr, shade.border.red, shade.border.green, shade.border.blue);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_restore(cr);
    drawControlText(cr, button.title, bounds, true, shade.text);
}

OSStatus hitTest(const PushButton& button, EventRef event) {
    HIViewRef target = nullptr;
    HIPoint where{};
    GetEventParameter(event, kEventParamDirectObject, typeControlRef, nullptr, sizeof target,
                      nullptr, &target);
    // A hit test of a view inside the button is that view's, in its own coordinates.
    if (target != button.view ||
        GetEventParameter(event, kEventParamMouseLocation, typeHIPoint, nullptr, sizeof where,
                          nullptr, &where) != noErr) {
        return eventNotHandledErr;
    }
    HIRect bounds;
    HIViewGetBounds(button.view, &bounds);
    bool inside =
        where.x >= 0 && where.y >= 0 && where.x < bounds.size.width && where.y < bounds.size.height;
    ControlPartCode part = inside ? kControlButtonPart : kControlNoPart;
    return SetEventParameter(event, kEventParamControlPart, typeControlPartCode, sizeof part,
                             &part);
}

OSStatus handler(EventHandlerCallRef, EventRef event, void* userData) {
    auto* button = static_cast<PushButton*>(userData);
    UInt32 eventClass = GetEventClass(event), kind = GetEventKind(event);
    if (eventClass == kEventClassHIObject) {
        return handleHIObjectEvent(event, button);
    }
    switch (kind) {
    case kEventControlDraw:
        if (cairo_t* cr = drawContextOf(event)) {
            draw(*button, cr);
        }
        return noErr;
    case kEventControlHitTest:
        return hitTest(*button, event);
    case kEventControlTrackingAreaEntered:
    case kEventControlTrackingAreaExited:
        button->hover = kind == kEventControlTrackingAreaEntered;
        HIViewSetNeedsDisplay(button->view, true);
        return noErr;
    default:
        return eventNotHandledErr;
    }
}

const EventTypeSpec kEvents[] = {{kEventClassHIObject, kEventHIObjectConstruct},
                                 {kEventClassHIObject, kEventHIObjectDestruct},
                                 {kEventClassControl, kEventControlDraw},
                                 {kEventClassControl, kEventControlHitTest},
                                 {kEventClassControl, kEventControlTrackingAreaEntered},
                                 {kEventClassControl, kEventControlTrackingAreaExited}};

const ControlClassDescription kPushButtonClass{kPushButtonClassID, handler, kEvents,
                                               GetEventTypeCount(kEvents)};

OSStatus setWindowButton(WindowRef ref, ControlRef control, HeldView& (Window::*slot)()) {
    Window* window = Window::fromRef(ref);
    if (!window) {
        return errInvalidWindowRef;
    }
    HeldView& held = (window->*slot)();
    if (held.get()) {
        HIViewSetNeedsDisplay(held.get(), true);
    }
    held.set(control);
    if (control) {
        HIViewSetNeedsDisplay(control, true);
    }
    return noErr;
}

OSStatus getWindowButton(WindowRef ref, ControlRef* outControl, HeldView& (Window::*slot)()) {
    Window* window = Window::fromRef(ref);
    if (!window) {
        return errInvalidWindowRef;
    }
    if (!outControl) {
        return paramErr;
    }
    *outControl = (window->*slot)().get();
    return noErr;
}

} // namespace

} // namespace MacPlatform

using MacPlatform::Window;

extern "C" {

OSStatus CreatePushButtonControl(WindowRef window, const Rect* bounds, CFStringRef title,
                                 ControlRef* outControl) {
    if (window && !Window::fromRef(window)) {
        return errInvalidWindowRef;
    }
    OSStatus status =
        MacPlatform::createControl(MacPlatform::kPushButtonClass, window, bounds, outControl);
    if (status == noErr) {
        auto* button = static_cast<MacPlatform::PushButton*>(
            MacPlatform::controlData(*outControl, MacPlatform::kPushButtonClassID));
        button->title = MacPlatform::stringText(title);
    }
    return status;
}

OSStatus SetWindowDefaultButton(WindowRef window, ControlRef control) {
    return MacPlatform::setWindowButton(window, control, &Window::defaultButton);
}

OSStatus GetWindowDefaultButton(WindowRef window, ControlRef* outControl) {
    return MacPlatform::getWindowButton(window, outControl, &Window::defaultButton);
}

OSStatus SetWindowCancelButton(WindowRef window, ControlRef control) {
    return MacPlatform::setWindowButton(window, control, &Window::cancelButton);
}

OSStatus GetWindowCancelButton(WindowRef window, ControlRef* outControl) {
    return MacPlatform::getWindowButton(window, outControl, &Window::cancelButton);
}

} // extern "C"
