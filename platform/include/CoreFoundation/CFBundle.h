#pragma once

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFDictionary.h>
#include <CoreFoundation/CFURL.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct __CFBundle* CFBundleRef;

// Keys of the information dictionary (a bundle's Info.plist).
extern const CFStringRef kCFBundleInfoDictionaryVersionKey;
extern const CFStringRef kCFBundleExecutableKey;
extern const CFStringRef kCFBundleIdentifierKey;
extern const CFStringRef kCFBundleVersionKey;
extern const CFStringRef kCFBundleNameKey;
extern const CFStringRef kCFBundleDevelopmentRegionKey;

CFTypeID CFBundleGetTypeID(void);

// The bundle of the running program: "X.app" for a program in "X.app/Contents/MacOS/",
// otherwise the program's own folder. Owned by the system (Get rule).
CFBundleRef CFBundleGetMainBundle(void);
// A bundle for the folder the URL names; NULL when there is no such folder.
CFBundleRef CFBundleCreate(CFAllocatorRef allocator, CFURLRef bundleURL);
CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle);
// "Contents/Resources" of a bundle with a Contents folder, else its "Resources" folder when it
// has one, else the bundle folder itself.
CFURLRef CFBundleCopyResourcesDirectoryURL(CFBundleRef bundle);

// The file "name.type" (or "name" when type is NULL or empty) in the resources folder, or in
// its subfolder subDirName, or else in the localized folder of the development region and then
// English; NULL when none exists. Names that would leave the resources folder ("..") find
// nothing.
CFURLRef CFBundleCopyResourceURL(CFBundleRef bundle, CFStringRef resourceName,
                                 CFStringRef resourceType, CFStringRef subDirName);
// "Contents/MacOS/<CFBundleExecutable>" (or "<CFBundleExecutable>" in a bundle without a
// Contents folder); for the main bundle without that key, the running program. NULL when the
// file does not exist.
CFURLRef CFBundleCopyExecutableURL(CFBundleRef bundle);

// The bundle's Info.plist as read once: "Contents/Info.plist", else "Resources/Info.plist", else
// "Info.plist". A bundle whose Info.plist is missing or damaged has an empty dictionary.
// Get rule for all three.
CFDictionaryRef CFBundleGetInfoDictionary(CFBundleRef bundle);
CFTypeRef CFBundleGetValueForInfoDictionaryKey(CFBundleRef bundle, CFStringRef key);
// The CFBundleIdentifier string, or NULL.
CFStringRef CFBundleGetIdentifier(CFBundleRef bundle);

#ifdef __cplusplus
}
#endif
