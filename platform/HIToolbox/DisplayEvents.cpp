#include "HIToolbox/DisplayEvents.h"
#include "HIToolbox/ControlTracking.h"
#include "HIToolbox/MenuKeyEquivalent.h"
#include "HIToolbox/Window.h"

#include <Carbon/MacPlatformControllers.h>
#include <Carbon/MacWindows.h>

#include <string>

namespace MacPlatform::DisplayEvents {

namespace {

enum : UInt32 {
    kWindowBoundsChangeSizeChanged = 1u << 2,
    kWindowBoundsChangeOriginChanged = 1u << 3,
};

// One Carbon event on its way to a target; released when it has been sent.
class OutgoingEvent {
public:
    OutgoingEvent(UInt32 eventClass, UInt32 kind) {
        m_status = CreateEvent(nullptr, eventClass, kind, 0, 0, &m_event);
    }
    ~OutgoingEvent() {
        if (m_event) {
            ReleaseEvent(m_event);
        }
    }
    OutgoingEvent(const OutgoingEvent&) = delete;
    OutgoingEvent& operator=(const OutgoingEvent&) = delete;

    template <typename T> void set(EventParamName name, EventParamType type, const T& value) {
        if (m_status == noErr) {
            m_status = SetEventParameter(m_event, name, type, sizeof value, &value);
        }
    }
    void setUnicodes(const std::u16string& text) {
        if (m_status == noErr && !text.empty()) {
            m_status = SetEventParameter(m_event, kEventParamKeyUnicodes, typeUnicodeText,
                                         text.size() * sizeof(char16_t), text.data());
        }
    }
    OSStatus sendTo(EventTargetRef target) {
        return m_status == noErr ? SendEventToEventTarget(m_event, target) : m_status;
    }

private:
    EventRef m_event = nullptr;
    OSStatus m_status;
};

using Display::Event;
using Display::EventType;

Window* windowNamed(std::uint32_t windowID) {
    return windowID ? Window::fromDisplayID(windowID) : nullptr;
}

// The mouse parameters every mouse event has: where, in the window and on the screen, and
// which modifier keys are down.
void setMouseLocation(OutgoingEvent& out, Window& window, const Event& event) {
    Rect content = window.contentBounds();
    HIPoint local{static_cast<CGFloat>(event.x), static_cast<CGFloat>(event.y)};
    HIPoint global{static_cast<CGFloat>(content.left + event.x),
                   static_cast<CGFloat>(content.top + event.y)};
    WindowRef ref = window.ref();
    out.set(kEventParamWindowMouseLocation, typeHIPoint, local);
    out.set(kEventParamMouseLocation, typeHIPoint, global);
    out.set(kEventParamWindowRef, typeWindowRef, ref);
    UInt32 modifiers = event.modifiers;
    out.set(kEventParamKeyModifiers, typeUInt32, modifiers);
}

OSStatus deliverMouseButton(const Event& event) {
    Window* window = windowNamed(event.windowID);
    if (!window) {
        return eventNotHandledErr;
    }
    OutgoingEvent out(kEventClassMouse,
                      event.type == EventType::MouseDown ? kEventMouseDown : kEventMouseUp);
    setMouseLocation(out, *window, event);
    EventMouseButton button = static_cast<EventMouseButton>(event.button);
    UInt32 chord = event.chord;
    out.set(kEventParamMouseButton, typeMouseButton, button);
    out.set(kEventParamClickCount, typeUInt32, static_cast<UInt32>(event.clickCount));
    out.set(kEventParamMouseChord, typeUInt32, chord);
    return out.sendTo(window->eventTarget().ref());
}

OSStatus deliverMouseMotion(const Event& event) {
    Window* window = windowNamed(event.windowID);
    if (!window) {
        return eventNotHandledErr;
    }
    UInt32 chord = event.chord;
    OutgoingEvent out(kEventClassMouse, chord ? kEventMouseDragged : kEventMouseMoved);
    setMouseLocation(out, *window, event);
    HIPoint delta{static_cast<CGFloat>(event.deltaX), static_cast<CGFloat>(event.deltaY)};
    out.set(kEventParamMouseDelta, typeHIPoint, delta);
    if (chord) {
        out.set(kEventParamMouseChord, typeUInt32, chord);
    }
    return out.sendTo(window->eventTarget().ref());
}

// One event per axis that moved.
OSStatus deliverMouseWheel(const Event& event) {
    Window* window = windowNamed(event.windowID);
    if (!window) {
        return eventNotHandledErr;
    }
    OSStatus result = eventNotHandledErr;
    const struct {
        EventMouseWheelAxis axis;
        SInt32 delta;
    } axes[] = {{kEventMouseWheelAxisY, event.deltaY}, {kEventMouseWheelAxisX, event.deltaX}};
    for (const auto& axis : axes) {
        if (axis.delta == 0) {
            continue;
        }
        OutgoingEvent out(kEventClassMouse, kEventMouseWheelMoved);
        setMouseLocation(out, *window, event);
        out.set(kEventParamMouseWheelAxis, typeMouseWheelAxis, axis.axis);
        out.set(kEventParamMouseWheelDelta, typeSInt32, axis.delta);
        result = out.sendTo(window->eventTarget().ref());
        // The window may have been disposed of by the handler of the first axis.
        if (windowNamed(event.windowID) != window) {
            break;
        }
    }
    return result;
}

EventTargetRef keyboardTarget(std::uint32_t windowID) {
    if (Window* window = windowNamed(windowID)) {
        return window->eventTarget().ref();
    }
    if (WindowRef front = FrontNonFloatingWindow()) {
        return GetWindowEventTarget(front);
    }
    return GetApplicationEventTarget();
}

std::u16string utf16(const char* utf8) {
    std::u16string text;
    CFStringRef string = CFStringCreateWithCString(nullptr, utf8, kCFStringEncodingUTF8);
    if (!string) {
        return text;
    }
    text.resize(static_cast<size_t>(CFStringGetLength(string)));
    CFStringGetCharacters(string, CFRangeMake(0, CFStringGetLength(string)),
                          reinterpret_cast<UniChar*>(text.data()));
    CFRelease(string);
    return text;
}

// The text a key-down typed as the display reported it; without it, the key's own character
// stands for it (the Mac characters of a US keyboard are ASCII).
std::u16string typedText(const Event& event) {
    if (event.type == EventType::KeyDown && event.text[0]) {
        std::u16string text = utf16(event.text);
        if (!text.empty()) {
            return text;
        }
    }
    if (event.charCode == 0) {
        return {};
    }
    return std::u16string(1, static_cast<char16_t>(static_cast<unsigned char>(event.charCode)));
}

OSStatus deliverModifiers(const Event& event) {
    OutgoingEvent out(kEventClassKeyboard, kEventRawKeyModifiersChanged);
    UInt32 modifiers = event.modifiers;
    out.set(kEventParamKeyModifiers, typeUInt32, modifiers);
    return out.sendTo(keyboardTarget(event.windowID));
}

OSStatus deliverKey(const Event& event) {
    EventTargetRef target = keyboardTarget(event.windowID);
    UInt32 modifiers = event.modifiers;
    int keyCode = event.keyCode;
    if (keyCode < 0) {
        return eventNotHandledErr;
    }
    UInt32 kind = event.type == EventType::KeyUp ? kEventRawKeyUp
                  : event.repeat                 ? kEventRawKeyRepeat
                                                 : kEventRawKeyDown;
    char charCode = event.charCode;
    // A key equivalent of the menu bar goes out as its command before any window sees the key,
    // as the Mac's menu keys do: Ctrl+Q quits whatever view has the keyboard, even one that
    // takes every key (the storefront's), and the key is not typed anywhere as well.
    if (kind != kEventRawKeyUp &&
        findKeyEquivalent(static_cast<unsigned char>(charCode), modifiers)) {
        return processKeyEquivalent(static_cast<unsigned char>(charCode), modifiers, target);
    }
    OutgoingEvent out(kEventClassKeyboard, kind);
    out.set(kEventParamKeyMacCharCodes, typeChar, charCode);
    out.setUnicodes(typedText(event));
    out.set(kEventParamKeyCode, typeUInt32, static_cast<UInt32>(keyCode));
    out.set(kEventParamKeyModifiers, typeUInt32, modifiers);
    if (event.controllerButton != 0) {
        UInt32 button = event.controllerButton;
        out.set(kEventParamMacPlatformControllerButton, typeUInt32, button);
    }
    return out.sendTo(target);
}

OSStatus sendWindowEvent(Window& window, UInt32 kind) {
    OutgoingEvent out(kEventClassWindow, kind);
    WindowRef ref = window.ref();
    out.set(kEventParamDirectObject, typeWindowRef, ref);
    return out.sendTo(window.eventTarget().ref());
}

OSStatus deliverBoundsChanged(Window& window, const Rect& previous, UInt32 attributes) {
    OutgoingEvent out(kEventClassWindow, kEventWindowBoundsChanged);
    WindowRef ref = window.ref();
    Rect current = window.contentBounds();
    out.set(kEventParamDirectObject, typeWindowRef, ref);
    out.set(kEventParamAttributes, typeUInt32, attributes);
    out.set(kEventParamPreviousBounds, typeQDRectangle, previous);
    out.set(kEventParamCurrentBounds, typeQDRectangle, current);
    return out.sendTo(window.eventTarget().ref());
}

OSStatus deliverWindowEvent(const Event& event) {
    Window* window = windowNamed(event.windowID);
    if (!window) {
        return eventNotHandledErr;
    }
    switch (event.type) {
    case EventType::WindowClose:
        return sendWindowEvent(*window, kEventWindowClose);
    case EventType::WindowExposed: {
        // The handlers may draw into the surface; what it holds is then shown again.
        OSStatus status = sendWindowEvent(*window, kEventWindowDrawContent);
        if (windowNamed(event.windowID) == window) {
            window->present();
        }
        return status;
    }
    case EventType::WindowResized: {
        Rect previous = window->contentBounds();
        previous.bottom = static_cast<short>(previous.top + window->height());
        previous.right = static_cast<short>(previous.left + window->width());
        OSStatus status = window->resized();
        if (status != noErr) {
            return status;
        }
        return deliverBoundsChanged(*window, previous, kWindowBoundsChangeSizeChanged);
    }
    case EventType::WindowMoved: {
        // The display has moved the window already; the previous origin is not kept, so the
        // event reports the new bounds for both.
        Rect current = window->contentBounds();
        return deliverBoundsChanged(*window, current, kWindowBoundsChangeOriginChanged);
    }
    case EventType::MouseLeft:
        ControlTracking::mouseLeft(*window);
        return eventNotHandledErr;
    case EventType::WindowFocusGained:
        return sendWindowEvent(*window, kEventWindowActivated);
    case EventType::WindowFocusLost:
        return sendWindowEvent(*window, kEventWindowDeactivated);
    default:
        return eventNotHandledErr;
    }
}

// The desktop or the session asking the application to quit is the Mac's Quit event, which
// reaches the application as the Quit command: the program's own handler ends it in order.
OSStatus deliverQuit() {
    OutgoingEvent out(kEventClassCommand, kEventCommandProcess);
    HICommand command{};
    command.commandID = kHICommandQuit;
    out.set(kEventParamDirectObject, typeHICommand, command);
    return out.sendTo(GetApplicationEventTarget());
}

} // namespace

OSStatus deliver(const Event& event) {
    switch (event.type) {
    case EventType::MouseDown:
    case EventType::MouseUp:
        return deliverMouseButton(event);
    case EventType::MouseMoved:
        return deliverMouseMotion(event);
    case EventType::MouseWheel:
        return deliverMouseWheel(event);
    case EventType::KeyDown:
    case EventType::KeyUp:
        return deliverKey(event);
    case EventType::ModifiersChanged:
        return deliverModifiers(event);
    case EventType::WindowClose:
    case EventType::WindowExposed:
    case EventType::WindowResized:
    case EventType::WindowMoved:
    case EventType::MouseLeft:
    case EventType::WindowFocusGained:
    case EventType::WindowFocusLost:
        return deliverWindowEvent(event);
    case EventType::Quit:
        return deliverQuit();
    default:
        // Text without a key of its own has no raw key event to ride on.
        return eventNotHandledErr;
    }
}

} // namespace MacPlatform::DisplayEvents
