#include "HIToolbox/SDLEventTranslation.h"
#include "HIToolbox/ControlTracking.h"
#include "HIToolbox/MenuKeyEquivalent.h"
#include "HIToolbox/Window.h"

#include <Carbon/MacWindows.h>

#include <string>

namespace MacPlatform::SDLEventTranslation {

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

Window* windowNamed(Uint32 windowID) {
    return windowID ? Window::fromDisplayID(windowID) : nullptr;
}

// The mouse parameters every mouse event has: where, in the window and on the screen, and
// which modifier keys are down.
void setMouseLocation(OutgoingEvent& out, Window& window, int x, int y) {
    Rect content = window.contentBounds();
    HIPoint local{static_cast<CGFloat>(x), static_cast<CGFloat>(y)};
    HIPoint global{static_cast<CGFloat>(content.left + x), static_cast<CGFloat>(content.top + y)};
    WindowRef ref = window.ref();
    out.set(kEventParamWindowMouseLocation, typeHIPoint, local);
    out.set(kEventParamMouseLocation, typeHIPoint, global);
    out.set(kEventParamWindowRef, typeWindowRef, ref);
    out.set(kEventParamKeyModifiers, typeUInt32, macModifiers(SDL_GetModState()));
}

EventMouseButton macButton(Uint8 button) {
    switch (button) {
    case SDL_BUTTON_LEFT:
        return kEventMouseButtonPrimary;
    case SDL_BUTTON_RIGHT:
        return kEventMouseButtonSecondary;
    case SDL_BUTTON_MIDDLE:
        return kEventMouseButtonTertiary;
    default:
        return static_cast<EventMouseButton>(button);
    }
}

// The Mac numbers buttons primary, secondary, tertiary; a chord has bit n-1 for button n.
UInt32 macChord(Uint32 sdlButtons) {
    UInt32 chord = 0;
    for (Uint8 button = 1; button <= 5; ++button) {
        if (sdlButtons & SDL_BUTTON(button)) {
            chord |= 1u << (macButton(button) - 1);
        }
    }
    return chord;
}

OSStatus deliverMouseButton(const SDL_MouseButtonEvent& event) {
    Window* window = windowNamed(event.windowID);
    if (!window) {
        return eventNotHandledErr;
    }
    OutgoingEvent out(kEventClassMouse,
                      event.type == SDL_MOUSEBUTTONDOWN ? kEventMouseDown : kEventMouseUp);
    setMouseLocation(out, *window, event.x, event.y);
    EventMouseButton button = macButton(event.button);
    out.set(kEventParamMouseButton, typeMouseButton, button);
    out.set(kEventParamClickCount, typeUInt32, static_cast<UInt32>(event.clicks));
    out.set(kEventParamMouseChord, typeUInt32, macChord(SDL_GetMouseState(nullptr, nullptr)));
    return out.sendTo(window->eventTarget().ref());
}

OSStatus deliverMouseMotion(const SDL_MouseMotionEvent& event) {
    Window* window = windowNamed(event.windowID);
    if (!window) {
        return eventNotHandledErr;
    }
    OutgoingEvent out(kEventClassMouse, event.state ? kEventMouseDragged : kEventMouseMoved);
    setMouseLocation(out, *window, event.x, event.y);
    HIPoint delta{static_cast<CGFloat>(event.xrel), static_cast<CGFloat>(event.yrel)};
    out.set(kEventParamMouseDelta, typeHIPoint, delta);
    if (event.state) {
        out.set(kEventParamMouseChord, typeUInt32, macChord(event.state));
    }
    return out.sendTo(window->eventTarget().ref());
}

// One event per axis that moved. Positive deltas scroll up and left on the Mac; SDL counts
// up and right as positive.
OSStatus deliverMouseWheel(const SDL_MouseWheelEvent& event) {
    Window* window = windowNamed(event.windowID);
    if (!window) {
        return eventNotHandledErr;
    }
    int flip = event.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1;
    OSStatus result = eventNotHandledErr;
    const struct {
        EventMouseWheelAxis axis;
        SInt32 delta;
    } axes[] = {{kEventMouseWheelAxisY, flip * event.y}, {kEventMouseWheelAxisX, -flip * event.x}};
    for (const auto& axis : axes) {
        if (axis.delta == 0) {
            continue;
        }
        OutgoingEvent out(kEventClassMouse, kEventMouseWheelMoved);
        setMouseLocation(out, *window, event.mouseX, event.mouseY);
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

bool isModifierKey(SDL_Keycode key) {
    switch (key) {
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
    case SDLK_LCTRL:
    case SDLK_RCTRL:
    case SDLK_LALT:
    case SDLK_RALT:
    case SDLK_LGUI:
    case SDLK_RGUI:
    case SDLK_CAPSLOCK:
    case SDLK_NUMLOCKCLEAR:
        return true;
    default:
        return false;
    }
}

EventTargetRef keyboardTarget(Uint32 windowID) {
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

// The text a key-down typed. SDL reports it as a separate event queued right behind the key;
// it is taken from the queue only when it is the very next event, so that a key which typed
// nothing (Ctrl+key, arrows) never steals the text of a later key. Without one, the key's own
// character stands for it (the Mac characters of a US keyboard are ASCII).
std::u16string typedText(const SDL_KeyboardEvent& event, char charCode) {
    SDL_Event next;
    if (event.type == SDL_KEYDOWN &&
        SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 &&
        next.type == SDL_TEXTINPUT &&
        SDL_PeepEvents(&next, 1, SDL_GETEVENT, SDL_TEXTINPUT, SDL_TEXTINPUT) == 1) {
        std::u16string text = utf16(next.text.text);
        if (!text.empty()) {
            return text;
        }
    }
    if (charCode == 0) {
        return {};
    }
    return std::u16string(1, static_cast<char16_t>(static_cast<unsigned char>(charCode)));
}

OSStatus deliverKey(const SDL_KeyboardEvent& event) {
    EventTargetRef target = keyboardTarget(event.windowID);
    UInt32 modifiers = macModifiers(event.keysym.mod);
    if (isModifierKey(event.keysym.sym)) {
        OutgoingEvent out(kEventClassKeyboard, kEventRawKeyModifiersChanged);
        out.set(kEventParamKeyModifiers, typeUInt32, modifiers);
        return out.sendTo(target);
    }
    int keyCode = macKeyCode(event.keysym.scancode);
    if (keyCode < 0) {
        return eventNotHandledErr;
    }
    UInt32 kind = event.type == SDL_KEYUP ? kEventRawKeyUp
                  : event.repeat          ? kEventRawKeyRepeat
                                          : kEventRawKeyDown;
    char charCode = macCharCode(event.keysym.sym, event.keysym.mod);
    // A key equivalent of the menu bar goes out as its command before any window sees the key,
    // as the Mac's menu keys do: Ctrl+Q quits whatever view has the keyboard, even one that
    // takes every key (the storefront's), and the key is not typed anywhere as well.
    if (kind != kEventRawKeyUp &&
        findKeyEquivalent(static_cast<unsigned char>(charCode), modifiers)) {
        return processKeyEquivalent(static_cast<unsigned char>(charCode), modifiers, target);
    }
    OutgoingEvent out(kEventClassKeyboard, kind);
    out.set(kEventParamKeyMacCharCodes, typeChar, charCode);
    out.setUnicodes(typedText(event, charCode));
    out.set(kEventParamKeyCode, typeUInt32, static_cast<UInt32>(keyCode));
    out.set(kEventParamKeyModifiers, typeUInt32, modifiers);
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

OSStatus deliverWindowEvent(const SDL_WindowEvent& event) {
    Window* window = windowNamed(event.windowID);
    if (!window) {
        return eventNotHandledErr;
    }
    switch (event.event) {
    case SDL_WINDOWEVENT_CLOSE:
        return sendWindowEvent(*window, kEventWindowClose);
    case SDL_WINDOWEVENT_EXPOSED: {
        // The handlers may draw into the surface; what it holds is then shown again.
        OSStatus status = sendWindowEvent(*window, kEventWindowDrawContent);
        if (windowNamed(event.windowID) == window) {
            window->present();
        }
        return status;
    }
    case SDL_WINDOWEVENT_SIZE_CHANGED: {
        Rect previous = window->contentBounds();
        previous.bottom = static_cast<short>(previous.top + window->height());
        previous.right = static_cast<short>(previous.left + window->width());
        OSStatus status = window->resized();
        if (status != noErr) {
            return status;
        }
        return deliverBoundsChanged(*window, previous, kWindowBoundsChangeSizeChanged);
    }
    case SDL_WINDOWEVENT_MOVED: {
        // SDL has moved the window already; the previous origin is not kept, so the event
        // reports the new bounds for both.
        Rect current = window->contentBounds();
        return deliverBoundsChanged(*window, current, kWindowBoundsChangeOriginChanged);
    }
    case SDL_WINDOWEVENT_LEAVE:
        ControlTracking::mouseLeft(*window);
        return eventNotHandledErr;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        return sendWindowEvent(*window, kEventWindowActivated);
    case SDL_WINDOWEVENT_FOCUS_LOST:
        return sendWindowEvent(*window, kEventWindowDeactivated);
    default:
        return eventNotHandledErr;
    }
}

} // namespace

OSStatus deliver(const SDL_Event& event) {
    switch (event.type) {
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        return deliverMouseButton(event.button);
    case SDL_MOUSEMOTION:
        return deliverMouseMotion(event.motion);
    case SDL_MOUSEWHEEL:
        return deliverMouseWheel(event.wheel);
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        return deliverKey(event.key);
    case SDL_WINDOWEVENT:
        return deliverWindowEvent(event.window);
    default:
        return eventNotHandledErr;
    }
}

} // namespace MacPlatform::SDLEventTranslation
