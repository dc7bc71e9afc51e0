// SDL's window, mouse and keyboard events in the display's own form: positions and sizes in
// points, SDL's window coordinates being the X server's device pixels.
#include "Display/SDL/SDLBackend.h"

#include <cstdio>

namespace MacPlatform::Display::SDL {

namespace {

int macButton(Uint8 button) {
    switch (button) {
    case SDL_BUTTON_LEFT:
        return kPrimaryButton;
    case SDL_BUTTON_RIGHT:
        return kSecondaryButton;
    case SDL_BUTTON_MIDDLE:
        return kTertiaryButton;
    default:
        return button;
    }
}

// The Mac numbers buttons primary, secondary, tertiary; a chord has bit n-1 for button n.
std::uint32_t macChord(Uint32 sdlButtons) {
    std::uint32_t chord = 0;
    for (Uint8 button = 1; button <= 5; ++button) {
        if (sdlButtons & SDL_BUTTON(button)) {
            chord |= 1u << (macButton(button) - 1);
        }
    }
    return chord;
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

void copyText(char (&to)[sizeof Event::text], const char* from) {
    std::snprintf(to, sizeof to, "%s", from);
}

// The text a key-down typed. SDL reports it as a separate event queued right behind the key;
// it is taken from the queue only when it is the very next event, so that a key which typed
// nothing (Ctrl+key, arrows) never steals the text of a later key.
void takeTypedText(Event* out) {
    SDL_Event next;
    if (SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 &&
        next.type == SDL_TEXTINPUT &&
        SDL_PeepEvents(&next, 1, SDL_GETEVENT, SDL_TEXTINPUT, SDL_TEXTINPUT) == 1) {
        copyText(out->text, next.text.text);
    }
}

bool convertMouseButton(const SDL_MouseButtonEvent& event, Event* out) {
    out->type = event.type == SDL_MOUSEBUTTONDOWN ? EventType::MouseDown : EventType::MouseUp;
    out->windowID = event.windowID;
    out->x = pointsOfPixels(event.x);
    out->y = pointsOfPixels(event.y);
    out->button = macButton(event.button);
    out->clickCount = event.clicks;
    out->chord = macChord(SDL_GetMouseState(nullptr, nullptr));
    out->modifiers = macModifiers(SDL_GetModState());
    return true;
}

bool convertMouseMotion(const SDL_MouseMotionEvent& event, Event* out) {
    out->type = EventType::MouseMoved;
    out->windowID = event.windowID;
    out->x = pointsOfPixels(event.x);
    out->y = pointsOfPixels(event.y);
    // The movement in points: where the pointer is now less where it was.
    out->deltaX = out->x - pointsOfPixels(event.x - event.xrel);
    out->deltaY = out->y - pointsOfPixels(event.y - event.yrel);
    out->chord = macChord(event.state);
    out->modifiers = macModifiers(SDL_GetModState());
    return true;
}

// Positive deltas scroll up and left on the Mac; SDL counts up and right as positive.
bool convertMouseWheel(const SDL_MouseWheelEvent& event, Event* out) {
    int flip = event.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1;
    out->type = EventType::MouseWheel;
    out->windowID = event.windowID;
    out->x = pointsOfPixels(event.mouseX);
    out->y = pointsOfPixels(event.mouseY);
    out->deltaX = -flip * event.x;
    out->deltaY = flip * event.y;
    out->modifiers = macModifiers(SDL_GetModState());
    return true;
}

bool convertKey(const SDL_KeyboardEvent& event, Event* out) {
    out->windowID = event.windowID;
    out->modifiers = macModifiers(event.keysym.mod);
    if (isModifierKey(event.keysym.sym)) {
        out->type = EventType::ModifiersChanged;
        return true;
    }
    out->keyCode = macKeyCode(event.keysym.scancode);
    if (out->keyCode < 0) {
        return false;
    }
    out->type = event.type == SDL_KEYUP ? EventType::KeyUp : EventType::KeyDown;
    out->repeat = event.repeat != 0;
    out->charCode = macCharCode(event.keysym.sym, event.keysym.mod);
    if (event.type == SDL_KEYDOWN) {
        takeTypedText(out);
    }
    return true;
}

bool convertWindowEvent(const SDL_WindowEvent& event, Event* out) {
    out->windowID = event.windowID;
    switch (event.event) {
    case SDL_WINDOWEVENT_CLOSE:
        out->type = EventType::WindowClose;
        return true;
    case SDL_WINDOWEVENT_EXPOSED:
        out->type = EventType::WindowExposed;
        return true;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        out->type = EventType::WindowResized;
        out->width = pointsOfPixels(event.data1);
        out->height = pointsOfPixels(event.data2);
        return true;
    case SDL_WINDOWEVENT_MOVED:
        out->type = EventType::WindowMoved;
        out->x = pointsOfPixels(event.data1);
        out->y = pointsOfPixels(event.data2);
        return true;
    case SDL_WINDOWEVENT_LEAVE:
        out->type = EventType::MouseLeft;
        return true;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        out->type = EventType::WindowFocusGained;
        return true;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        out->type = EventType::WindowFocusLost;
        return true;
    default:
        return false;
    }
}

// False for an event with no meaning for the display's users.
bool convert(const SDL_Event& event, Event* out) {
    *out = Event{};
    switch (event.type) {
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        return convertMouseButton(event.button, out);
    case SDL_MOUSEMOTION:
        return convertMouseMotion(event.motion, out);
    case SDL_MOUSEWHEEL:
        return convertMouseWheel(event.wheel, out);
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        return convertKey(event.key, out);
    case SDL_TEXTINPUT:
        out->type = EventType::TextInput;
        out->windowID = event.text.windowID;
        copyText(out->text, event.text.text);
        return true;
    case SDL_WINDOWEVENT:
        return convertWindowEvent(event.window, out);
    case SDL_QUIT:
        out->type = EventType::Quit;
        return true;
    default:
        return convertController(event, out);
    }
}

} // namespace

bool nextEvent(Event* out) {
    if (pendingControllerEvent(out)) {
        return true;
    }
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (!isWakeEvent(event) && convert(event, out)) {
            return true;
        }
    }
    return false;
}

} // namespace MacPlatform::Display::SDL
