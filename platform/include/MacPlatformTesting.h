// Hooks that only tests use. The product never calls anything declared here.
#pragma once

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

// Makes the main bundle the given folder from now on, as if the program had been started
// from inside it; null goes back to the bundle found from /proc/self/exe.
void MacPlatformTestSetMainBundlePath(const char* bundlePath);

// Makes Microseconds report the given value while enabled, so that clock arithmetic built on
// it can be checked at exact values.
void MacPlatformTestSetMicroseconds(Boolean enabled, UInt64 value);

// Makes Gestalt report the given 'sysv' code (0x1030 for 10.3.0) while enabled, with the
// major, minor and bug-fix selectors read from the same code.
void MacPlatformTestSetSystemVersion(Boolean enabled, SInt32 versionCode);

// Bare event targets, standing in for windows and views, to build a chain that passes
// unhandled events on to the parent (null: the chain ends there).
typedef struct OpaqueEventTargetRef* EventTargetRef;
EventTargetRef MacPlatformTestCreateEventTarget(EventTargetRef parent);
OSStatus MacPlatformTestSetEventTargetParent(EventTargetRef target, EventTargetRef parent);
void MacPlatformTestDisposeEventTarget(EventTargetRef target);

// Counts a modal alert in or out, as the alert code does while one is open.
void MacPlatformTestBeginModalSession(void);
void MacPlatformTestEndModalSession(void);

// Makes the event loop sleep inside the display's own wait, as it does once a window can wake
// it, so that this path can be checked without a window.
void MacPlatformTestUseDisplayWait(Boolean useDisplayWait);

// What a window's content shows: its device pixels row by row as 0x00RRGGBB, width times
// height of them (the content's size in points times the window's scale; a call without a
// buffer or with too small a one reports the size and fails with paramErr), or written out as
// a PNG file.
typedef struct OpaqueWindowPtr* WindowRef;
OSStatus MacPlatformTestCopyWindowPixels(WindowRef window, UInt32* buffer, ItemCount capacity,
                                         SInt32* outWidth, SInt32* outHeight);
OSStatus MacPlatformTestWriteWindowPNG(WindowRef window, const char* path);

// Alerts: a responder answers every alert in place of the desktop's message box or standard
// error while it is set (null removes it). Texts are UTF-8; a button the alert lacks is null.
typedef struct MacPlatformTestAlert {
    SInt16 alertType;
    const char* message;
    const char* explanation;
    // OK (always there), cancel, other and help buttons: kAlertStdAlertOKButton - 1 and on.
    const char* buttons[4];
    SInt16 defaultButton;
    SInt16 cancelButton;
} MacPlatformTestAlert;
typedef SInt16 (*MacPlatformTestAlertResponder)(const MacPlatformTestAlert* alert, void* userData);
void MacPlatformTestSetAlertResponder(MacPlatformTestAlertResponder responder, void* userData);

// The theme cursor set last, also when there is no display to show it on.
UInt32 MacPlatformTestCurrentThemeCursor(void);

#ifdef __cplusplus
}
#endif
