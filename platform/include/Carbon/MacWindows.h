// Windows: made in code, shown, hidden, ordered and disposed. Each window is an event target
// whose unhandled events go on to the application.
#pragma once

#include <MacTypes.h>
#include <CoreFoundation/CoreFoundation.h>
#include <Carbon/CarbonEvents.h>
#include <Carbon/HIToolboxTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef UInt32 WindowClass;
typedef UInt32 WindowAttributes;

enum {
    kAlertWindowClass = 1,
    kMovableAlertWindowClass = 2,
    kModalWindowClass = 3,
    kMovableModalWindowClass = 4,
    kFloatingWindowClass = 5,
    kDocumentWindowClass = 6,
    kUtilityWindowClass = 8,
    kHelpWindowClass = 10,
    kSheetWindowClass = 11,
    kToolbarWindowClass = 12,
    kPlainWindowClass = 13,
    kOverlayWindowClass = 14,
    kSheetAlertWindowClass = 15,
    kAltPlainWindowClass = 16,
    kDrawerWindowClass = 20,
    kAllWindowClasses = 0xFFFFFFFF
};

enum {
    kWindowNoAttributes = 0,
    kWindowCloseBoxAttribute = 1u << 0,
    kWindowHorizontalZoomAttribute = 1u << 1,
    kWindowVerticalZoomAttribute = 1u << 2,
    kWindowFullZoomAttribute = kWindowHorizontalZoomAttribute | kWindowVerticalZoomAttribute,
    kWindowCollapseBoxAttribute = 1u << 3,
    kWindowResizableAttribute = 1u << 4,
    kWindowSideTitlebarAttribute = 1u << 5,
    kWindowToolbarButtonAttribute = 1u << 6,
    kWindowMetalAttribute = 1u << 8,
    kWindowNoUpdatesAttribute = 1u << 16,
    kWindowNoActivatesAttribute = 1u << 17,
    kWindowOpaqueForEventsAttribute = 1u << 18,
    kWindowCompositingAttribute = 1u << 19,
    kWindowNoShadowAttribute = 1u << 21,
    kWindowHideOnSuspendAttribute = 1u << 24,
    kWindowStandardHandlerAttribute = 1u << 25,
    kWindowHideOnFullScreenAttribute = 1u << 26,
    kWindowInWindowMenuAttribute = 1u << 27,
    kWindowLiveResizeAttribute = 1u << 28,
    kWindowIgnoreClicksAttribute = 1u << 29,
    kWindowNoConstrainAttribute = 1u << 31,
    kWindowStandardDocumentAttributes = kWindowCloseBoxAttribute | kWindowFullZoomAttribute |
                                        kWindowCollapseBoxAttribute | kWindowResizableAttribute,
    kWindowStandardFloatingAttributes = kWindowCloseBoxAttribute | kWindowCollapseBoxAttribute
};

enum {
    errInvalidWindowRef = -5600,
    errInvalidWindowPtr = -5600,
    errUnsupportedWindowAttributesForClass = -5601,
    errUnrecognizedWindowClass = -5604,
    errWindowNotFound = -5609,
    windowManagerInternalErr = -5613,
    windowWrongStateErr = -5614
};

// A hidden window whose content area covers the rectangle, in global coordinates (top left of
// the main screen at 0,0). kWindowStandardHandlerAttribute installs the standard handler.
OSStatus CreateNewWindow(WindowClass windowClass, WindowAttributes attributes,
                         const Rect* contentBounds, WindowRef* outWindow);
// Sends kEventWindowClosed to the window and then removes it with its handlers.
void DisposeWindow(WindowRef window);

void ShowWindow(WindowRef window);
void HideWindow(WindowRef window);
// Brings the window in front of the others and gives it the keyboard.
void SelectWindow(WindowRef window);
Boolean IsWindowVisible(WindowRef window);
// The frontmost visible window that is not a floating one, or null.
WindowRef FrontNonFloatingWindow(void);

// The content area in the window's own coordinates: top left 0,0.
Rect* GetWindowPortBounds(WindowRef window, Rect* outBounds);
OSStatus SetWindowTitleWithCFString(WindowRef window, CFStringRef title);
OSStatus CopyWindowTitleAsCFString(WindowRef window, CFStringRef* outTitle);
OSStatus GetWindowClass(WindowRef window, WindowClass* outClass);
OSStatus GetWindowAttributes(WindowRef window, WindowAttributes* outAttributes);

// The standard behaviour a window leaves its events to, unless a handler installed later takes
// the event: kEventWindowClose disposes the window; a mouse-down sends the deepest visible view
// under it kEventControlHitTest with the view-local kEventParamMouseLocation (going on to its
// parents as events do), and a view that answers with a part in kEventParamControlPart is
// highlighted while the mouse stays over that part and clicked when the button comes up over
// it; moves tell views that the mouse came in or left; Return and Escape click the window's
// default and cancel buttons.
OSStatus InstallStandardEventHandler(EventTargetRef target);

#ifdef __cplusplus
}
#endif
