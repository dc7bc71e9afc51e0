// The presentation mode of the application: how much of the desktop's own interface shows.
#pragma once

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef UInt32 SystemUIMode;
typedef OptionBits SystemUIOptions;

enum {
    kUIModeNormal = 0,
    kUIModeContentSuppressed = 1,
    kUIModeContentHidden = 2,
    kUIModeAllHidden = 3,
    kUIModeAllSuppressed = 4
};

enum {
    kUIOptionAutoShowMenuBar = 1 << 0,
    kUIOptionDisableAppleMenu = 1 << 2,
    kUIOptionDisableProcessSwitch = 1 << 3,
    kUIOptionDisableForceQuit = 1 << 4,
    kUIOptionDisableSessionTerminate = 1 << 5,
    kUIOptionDisableHide = 1 << 6
};

// Records the mode and options for the program; the Linux desktop keeps its own panels.
// paramErr for an unknown mode or option, or kUIOptionAutoShowMenuBar with a mode that does
// not hide the menu bar.
OSStatus SetSystemUIMode(SystemUIMode inMode, SystemUIOptions inOptions);
void GetSystemUIMode(SystemUIMode* outMode, SystemUIOptions* outOptions);

#ifdef __cplusplus
}
#endif
