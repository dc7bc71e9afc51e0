// A MacPlatform extension: how the desktop names the application. Window managers show a name
// for every window, also for one whose title is empty; MacPlatform gives them the bundle's
// CFBundleName there, and else the name set here.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#ifdef __cplusplus
extern "C" {
#endif

// The name window managers show for the application's windows with an empty title when the
// main bundle's Info.plist has no CFBundleName; null or an empty string removes it. Windows
// that exist already show it at once. paramErr for a reference that is not a string.
OSStatus SetApplicationDesktopName(CFStringRef name);

#ifdef __cplusplus
}
#endif
