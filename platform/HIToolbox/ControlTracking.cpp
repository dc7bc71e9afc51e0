#include "HIToolbox/ControlTracking.h"
#include "HIToolbox/ControlGeometry.h"
#include "HIToolbox/Window.h"

#include <Carbon/HIView.h>

namespace MacPlatform::ControlTracking {

namespace {

using HIView::ViewState;

// One event being built; released when it goes out of scope.
class ControlEvent {
public:
    ControlEvent(UInt32 eventClass, UInt32 kind) {
        m_status = CreateEvent(nullptr, eventClass, kind, 0, 0, &m_event);
    }
    ~ControlEvent() {
        if (m_event) {
            ReleaseEvent(m_event);
        }
    }
    ControlEvent(const ControlEvent&) = delete;
    ControlEvent& operator=(const ControlEvent&) = delete;

    template <typename T> void set(EventParamName name, EventParamType type, const T& value) {
        if (m_status == noErr) {
            m_status = SetEventParameter(m_event, name, type, sizeof value, &value);
        }
    }
    OSStatus sendTo(HIViewRef view) {
        return m_status == noErr ? SendEventToEventTarget(m_event, GetControlEventTarget(view))
                                 : m_status;
    }
    EventRef event() const { return m_event; }

private:
    EventRef m_event = nullptr;
    OSStatus m_status;
};

HIPoint localPoint(HIViewRef view, HIPoint inWindow) {
    ViewState* state = HIView::stateOf(view);
    HIPoint origin = state ? HIView::originInTree(*state) : HIPoint{0, 0};
    return HIPoint{inWindow.x - origin.x, inWindow.y - origin.y};
}

// The part of the view under the point, as its handlers answer kEventControlHitTest.
ControlPartCode hitTest(HIViewRef view, HIPoint inWindow, UInt32 modifiers) {
    ControlEvent out(kEventClassControl, kEventControlHitTest);
    out.set(kEventParamDirectObject, typeControlRef, view);
    out.set(kEventParamMouseLocation, typeHIPoint, localPoint(view, inWindow));
    out.set(kEventParamKeyModifiers, typeUInt32, modifiers);
    CFRetain(view);
    out.sendTo(view);
    CFRelease(view);
    ControlPartCode part = kControlNoPart;
    if (out.event()) {
        GetEventParameter(out.event(), kEventParamControlPart, typeControlPartCode, nullptr,
                          sizeof part, nullptr, &part);
    }
    return part;
}

// Tells a view only (not its parents) that the mouse came in or left.
void sendTrackingArea(HIViewRef view, UInt32 kind, HIPoint inWindow) {
    ControlEvent out(kEventClassControl, kind);
    out.set(kEventParamDirectObject, typeControlRef, view);
    out.set(kEventParamMouseLocation, typeHIPoint, localPoint(view, inWindow));
    if (out.event()) {
        CFRetain(view);
        SendEventToEventTarget(out.event(), GetControlEventTarget(view));
        CFRelease(view);
    }
}

void setHovered(Window& window, HIViewRef view, HIPoint inWindow) {
    HIViewRef old = window.hoveredView().get();
    if (old == view) {
        return;
    }
    if (old) {
        CFRetain(old);
    }
    window.hoveredView().set(view);
    WindowRef ref = window.ref();
    if (old) {
        sendTrackingArea(old, kEventControlTrackingAreaExited, inWindow);
        CFRelease(old);
    }
    if (view && Window::fromRef(ref) == &window) {
        sendTrackingArea(view, kEventControlTrackingAreaEntered, inWindow);
    }
}

HIViewRef viewAt(Window& window, HIPoint inWindow) {
    ViewState* root = HIView::stateOf(window.rootView());
    ViewState* view = root ? HIView::deepestVisibleViewAt(*root, inWindow) : nullptr;
    return view ? HIView::refOf(*view) : nullptr;
}

OSStatus mouseDown(Window& window, HIPoint inWindow, UInt32 modifiers) {
    HIViewRef view = viewAt(window, inWindow);
    if (!view) {
        return eventNotHandledErr;
    }
    CFRetain(view);
    WindowRef ref = window.ref();
    ControlPartCode part = hitTest(view, inWindow, modifiers);
    OSStatus status = eventNotHandledErr;
    if (part > kControlNoPart && Window::fromRef(ref) == &window) {
        window.trackedControl().set(view);
        HiliteControl(view, part);
        status = noErr;
    }
    CFRelease(view);
    return status;
}

OSStatus mouseDragged(Window& window, HIPoint inWindow, UInt32 modifiers) {
    HIViewRef tracked = window.trackedControl().get();
    if (!tracked) {
        return eventNotHandledErr;
    }
    CFRetain(tracked);
    HiliteControl(tracked, hitTest(tracked, inWindow, modifiers));
    CFRelease(tracked);
    return noErr;
}

OSStatus mouseUp(Window& window, HIPoint inWindow, UInt32 modifiers) {
    HIViewRef tracked = window.trackedControl().get();
    if (!tracked) {
        return eventNotHandledErr;
    }
    CFRetain(tracked);
    window.trackedControl().set(nullptr);
    ControlPartCode part = hitTest(tracked, inWindow, modifiers);
    HiliteControl(tracked, kControlNoPart);
    if (part > kControlNoPart) {
        click(tracked, part, modifiers);
    }
    CFRelease(tracked);
    return noErr;
}

OSStatus clickButton(HIViewRef button) {
    if (!button || !HIViewIsVisible(button)) {
        return eventNotHandledErr;
    }
    CFRetain(button);
    click(button, kControlButtonPart, 0);
    CFRelease(button);
    return noErr;
}

} // namespace

OSStatus click(HIViewRef control, ControlPartCode part, UInt32 modifiers) {
    UInt32 commandID = 0;
    GetControlCommandID(control, &commandID);
    ControlEvent hit(kEventClassControl, kEventControlHit);
    hit.set(kEventParamDirectObject, typeControlRef, control);
    hit.set(kEventParamControlPart, typeControlPartCode, part);
    hit.set(kEventParamKeyModifiers, typeUInt32, modifiers);
    OSStatus status = hit.sendTo(control);
    if (commandID == 0) {
        return status;
    }
    HICommandExtended command{};
    command.attributes = kHICommandFromControl;
    command.commandID = commandID;
    command.source.control = control;
    ControlEvent process(kEventClassCommand, kEventCommandProcess);
    process.set(kEventParamDirectObject, typeHICommand, command);
    process.set(kEventParamKeyModifiers, typeUInt32, modifiers);
    return process.sendTo(control);
}

OSStatus handleMouse(Window& window, EventRef event) {
    HIPoint inWindow{};
    if (GetEventParameter(event, kEventParamWindowMouseLocation, typeHIPoint, nullptr,
                          sizeof inWindow, nullptr, &inWindow) != noErr) {
        return eventNotHandledErr;
    }
    UInt32 modifiers = 0;
    GetEventParameter(event, kEventParamKeyModifiers, typeUInt32, nullptr, sizeof modifiers,
                      nullptr, &modifiers);
    WindowRef ref = window.ref();
    switch (GetEventKind(event)) {
    case kEventMouseDown:
        return mouseDown(window, inWindow, modifiers);
    case kEventMouseUp:
        return mouseUp(window, inWindow, modifiers);
    case kEventMouseDragged: {
        OSStatus status = mouseDragged(window, inWindow, modifiers);
        if (Window::fromRef(ref) == &window) {
            setHovered(window, viewAt(window, inWindow), inWindow);
        }
        return status;
    }
    case kEventMouseMoved:
        setHovered(window, viewAt(window, inWindow), inWindow);
        // Moves belong to everyone who listens: the application's handlers see them too.
        return eventNotHandledErr;
    default:
        return eventNotHandledErr;
    }
}

OSStatus handleKey(Window& window, EventRef event) {
    enum : UInt32 { kReturnKey = 36, kEscapeKey = 53, kKeypadEnterKey = 76 };
    UInt32 keyCode = 0;
    if (GetEventKind(event) != kEventRawKeyDown ||
        GetEventParameter(event, kEventParamKeyCode, typeUInt32, nullptr, sizeof keyCode, nullptr,
                          &keyCode) != noErr) {
        return eventNotHandledErr;
    }
    UInt32 modifiers = 0;
    GetEventParameter(event, kEventParamKeyModifiers, typeUInt32, nullptr, sizeof modifiers,
                      nullptr, &modifiers);
    // A modified Return or Escape is someone's shortcut, not a click.
    if (modifiers & (cmdKey | controlKey | optionKey | rightControlKey | rightOptionKey)) {
        return eventNotHandledErr;
    }
    switch (keyCode) {
    case kReturnKey:
    case kKeypadEnterKey:
        return clickButton(window.defaultButton().get());
    case kEscapeKey:
        return clickButton(window.cancelButton().get());
    default:
        return eventNotHandledErr;
    }
}

void mouseLeft(Window& window) {
    setHovered(window, nullptr, HIPoint{-1, -1});
}

} // namespace MacPlatform::ControlTracking
