#pragma once

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFURL.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct __CFBundle* CFBundleRef;

CFTypeID CFBundleGetTypeID(void);

// The bundle of the running program: "X.app" for a program in "X.app/Contents/MacOS/",
// otherwise the program's own folder. Owned by the system (Get rule).
CFBundleRef CFBundleGetMainBundle(void);
CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle);
// "Contents/Resources" of a bundle with a Contents folder, else its "Resources" folder when it
// has one, else the bundle folder itself.
CFURLRef CFBundleCopyResourcesDirectoryURL(CFBundleRef bundle);

#ifdef __cplusplus
}
#endif
