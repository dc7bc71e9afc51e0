// Everything HIToolbox needs from a display, as one table of operations: windows and the
// surfaces drawn into them, the events of the keyboard, the mouse and the windows in a form of
// our own, waiting for those events and waking the wait, cursors, window names and icons, and
// the screen. HIToolbox is written once over this table; each backend lives in
// a folder of its own under Display/ and is the only code that knows its library.
//
// Backends: "sdl" (Display/SDL, the default: SDL2's video layer, X11 or Wayland) and
// "headless" (Display/Headless: windows in memory and an event queue that tests fill). The
// environment variable MACPLATFORM_DISPLAY chooses one, as SDL_VIDEODRIVER chooses SDL's
// driver; a name no backend has gives a backend that refuses to start and says why.
//
// Positions and sizes, of windows, of the screen and in events, are in points. A window's
// surface has that many device pixels per point as its scale says (Display/DisplayScale.h:
// the desktop's choice, or MACPLATFORM_SCALE), and carries that scale as Cairo's device scale,
// so that whoever draws in points draws at the screen's full resolution.
//
// Everything runs on the main thread except wake(), which any thread may call.
#pragma once

#include <cairo.h>

#include <cstdint>

namespace MacPlatform::Display {

// A window of the backend; opaque to HIToolbox.
struct NativeWindow;

enum class EventType : std::uint8_t {
    None,
    // Mouse events name the window the pointer is over (windowID), the position in its
    // content (x, y), the modifier keys held (modifiers) and the buttons held (chord).
    MouseDown,  // button, clickCount
    MouseUp,    // button, clickCount
    MouseMoved, // deltaX, deltaY: the movement since the last one; dragging when chord != 0
    MouseWheel, // deltaX, deltaY in the Mac's sense: positive scrolls left and up
    MouseLeft,  // the pointer left the window
    // Keyboard events name the window that has the keyboard (0: none known); keyCode is the
    // Mac's virtual key code by the key's place on the keyboard (-1 for a key the Mac lacks),
    // charCode the MacRoman character a US Mac keyboard gives for it (0 for none), modifiers
    // the modifier keys held after the event.
    KeyDown,          // repeat; text: what the key typed, UTF-8, empty when the display did not say
    KeyUp,            // game controllers send these too (controllerButton), while a window is shown
    ModifiersChanged, // a modifier key alone went down or up
    TextInput,        // text: typed without a key of its own (an input method's result)
    // Window events name the window.
    WindowClose,   // the user asked to close it
    WindowExposed, // what it shows was lost and must be presented again
    WindowResized, // width, height: its new content size; createSurface gives a surface of it
    WindowMoved,   // x, y: where its content now is on the screen
    WindowFocusGained,
    WindowFocusLost,
    Quit, // the desktop asked the application to quit
};

// The Mac's numbering of mouse buttons; other buttons keep their own number from 4 up.
enum MouseButton : int {
    kPrimaryButton = 1,
    kSecondaryButton = 2,
    kTertiaryButton = 3,
};

struct Event {
    EventType type = EventType::None;
    std::uint32_t windowID = 0;
    int x = 0;
    int y = 0;
    int deltaX = 0;
    int deltaY = 0;
    int width = 0;
    int height = 0;
    int button = 0;
    int clickCount = 0;
    // Bit n-1 for Mac button n.
    std::uint32_t chord = 0;
    // The Mac's modifier bits (shiftKey, controlKey, optionKey, cmdKey, alphaLock, the right
    // hand variants and the num lock bit) as Carbon's kEventParamKeyModifiers holds them.
    std::uint32_t modifiers = 0;
    int keyCode = -1;
    char charCode = 0;
    bool repeat = false;
    char text[32] = {};
    // For key events a game controller sent: which of its controls (the values of
    // kEventParamMacPlatformControllerButton); 0 for the keyboard.
    std::uint8_t controllerButton = 0;
};

// The shapes a window's cursor can take; the theme cursors map onto these.
enum class CursorShape : std::uint8_t {
    Arrow,
    IBeam,
    Crosshair,
    Wait,
    Move,
    Hand,
    Progress, // busy, but still taking clicks
    ResizeLeftRight,
    NotAllowed,
};

// One size of a window's icon: width times height pixels, row by row, as 0xAARRGGBB.
struct IconImage {
    int width;
    int height;
    const std::uint32_t* argb;
};

struct BackendOperations {
    const char* name;

    // Brings the display up for the first window and down after the last; every start that
    // succeeded is balanced by one stop. Every entry below that takes a window is called only
    // while the display is up.
    bool (*start)();
    void (*stop)();

    // A hidden window with a content area of the given size at the given screen position;
    // null when the backend refuses (the reason is in errorText).
    NativeWindow* (*createWindow)(const char* title, int x, int y, int width, int height);
    void (*destroyWindow)(NativeWindow* window);
    void (*show)(NativeWindow* window);
    void (*hide)(NativeWindow* window);
    // Puts the window above the others and gives it the keyboard.
    void (*raise)(NativeWindow* window);
    // The name window managers show for the window (its title bar, task lists), UTF-8.
    void (*setTitle)(NativeWindow* window, const char* title);
    // The application's name and class for window managers and desktop files (X11's
    // WM_CLASS: instance and class); takes effect for a window not yet shown. False with the
    // reason in errorText where the display has no such notion or the call failed.
    bool (*setClassName)(NativeWindow* window, const char* instance, const char* className);
    // The window's icon in several sizes, so that the desktop can pick the one it shows
    // best; an empty list removes it. False with the reason in errorText when none could be
    // set; images with a size of zero or less are refused with paramErr's meaning.
    bool (*setIcon)(NativeWindow* window, const IconImage* images, int count);
    // The number the backend's events carry to name the window; never 0.
    std::uint32_t (*windowID)(NativeWindow* window);
    // Where the content area's top left corner is on the screen.
    void (*position)(NativeWindow* window, int* x, int* y);
    // Device pixels of the window's surface per point: 1 where the desktop does not scale.
    double (*scale)(NativeWindow* window);

    // An RGB24 image surface of the content's size in device pixels, with the window's scale
    // as its device scale, for Cairo to draw the window into. It may
    // lie over the window's own frame buffer, so that presenting copies nothing; otherwise it
    // is a buffer of its own that present converts. The caller destroys it, always before the
    // window, and asks for a new one after the window changed size. Null with the reason in
    // errorText on failure.
    cairo_surface_t* (*createSurface)(NativeWindow* window);
    // Puts what was drawn into the surface on the screen; false with the reason in errorText.
    bool (*present)(NativeWindow* window, cairo_surface_t* surface);

    // Whether the display is up and shows windows to a user, who can answer them (false for
    // displays without a screen, such as headless runs).
    bool (*hasScreen)();
    // The size of the main screen in window coordinates; false (and nothing written) when
    // the display is not up or cannot tell.
    bool (*screenSize)(int* width, int* height);

    // Makes the event queue usable, with or without the display: each run of the event loop
    // starts it and stops it again. Every start that succeeded is balanced by one stop.
    bool (*startEvents)();
    void (*stopEvents)();
    // Whether waitForEvent really sleeps. A display that can only poll (SDL without a
    // window of its own) answers false, and the event loop then sleeps on a wake channel of
    // its own and only polls the queue after each wake.
    bool (*waitBlocks)();
    // Sleeps until an event is queued, wake() was called, or timeoutMs has passed (-1: no
    // limit, 0: does not sleep). The event stays queued for nextEvent. True when the queue
    // holds something (it may turn out to hold nothing for us, such as a wake).
    bool (*waitForEvent)(int timeoutMs);
    // Takes the next event off the queue without waiting; false when there is none. Events
    // of the backend that have no meaning here are dropped, not returned.
    bool (*nextEvent)(Event* event);
    // Ends a waitForEvent in progress or makes the next one return at once. Safe from any
    // thread, also while the events start or stop on the main thread; not from a signal
    // handler.
    void (*wake)();

    // Shows the shape over the application's windows. While the display is down it does
    // nothing and answers false; the caller sets the shape again after start.
    bool (*setCursor)(CursorShape shape);
    // Makes the cursor visible over the application's windows.
    void (*showCursor)();

    // Why the last operation failed.
    const char* (*errorText)();
};

// The backend MACPLATFORM_DISPLAY names ("sdl" when unset or empty), chosen on first use.
const BackendOperations& backend();

// The backends there are; tests of the contract run against each.
const BackendOperations& sdlBackend();
const BackendOperations& headlessBackend();

} // namespace MacPlatform::Display
