// The presentation mode is kept for the program; the Linux desktop's panels are the window
// manager's, and a launcher must not take them away.
#include <Carbon/MacApplication.h>

namespace {

SystemUIMode g_mode = kUIModeNormal;
SystemUIOptions g_options = 0;

constexpr SystemUIOptions kKnownOptions =
    kUIOptionAutoShowMenuBar | kUIOptionDisableAppleMenu | kUIOptionDisableProcessSwitch |
    kUIOptionDisableForceQuit | kUIOptionDisableSessionTerminate | kUIOptionDisableHide;

} // namespace

extern "C" {

OSStatus SetSystemUIMode(SystemUIMode inMode, SystemUIOptions inOptions) {
    if (inMode > kUIModeAllSuppressed || (inOptions & ~kKnownOptions) != 0) {
        return paramErr;
    }
    // Only a hidden menu bar can show itself again.
    bool menuBarHidden = inMode == kUIModeAllHidden || inMode == kUIModeAllSuppressed;
    if ((inOptions & kUIOptionAutoShowMenuBar) && !menuBarHidden) {
        return paramErr;
    }
    g_mode = inMode;
    g_options = inOptions;
    return noErr;
}

void GetSystemUIMode(SystemUIMode* outMode, SystemUIOptions* outOptions) {
    if (outMode) {
        *outMode = g_mode;
    }
    if (outOptions) {
        *outOptions = g_options;
    }
}

} // extern "C"
