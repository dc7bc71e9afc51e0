#pragma once

#include <CoreFoundation/CFArray.h>
#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFData.h>
#include <CoreFoundation/CFDictionary.h>
#include <CoreFoundation/CFURL.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    kCFURLUnknownError = -10,
    kCFURLUnknownSchemeError = -11,
    kCFURLResourceNotFoundError = -12,
    kCFURLResourceAccessViolationError = -13,
    kCFURLRemoteHostUnavailableError = -14,
    kCFURLImproperArgumentsError = -15,
    kCFURLUnknownPropertyKeyError = -16,
    kCFURLPropertyKeyUnavailableError = -17,
    kCFURLTimeoutError = -18
};

// Properties of a file: whether it exists (CFBoolean), its length in bytes and POSIX mode and
// owner (CFNumber), and its last modification (CFDate).
extern const CFStringRef kCFURLFileExists;
extern const CFStringRef kCFURLFileLength;
extern const CFStringRef kCFURLFilePOSIXMode;
extern const CFStringRef kCFURLFileOwnerID;
extern const CFStringRef kCFURLFileLastModificationTime;

// Reads the whole file into *resourceData and, when properties is given, the properties named
// in desiredProperties (all of them when it is NULL) into *properties; both Create rule.
// errorCode receives 0 or kCFURLResourceNotFoundError, kCFURLResourceAccessViolationError,
// kCFURLImproperArgumentsError (no URL, or the URL names a folder or anything but a regular file
// when data is asked for), kCFURLUnknownPropertyKeyError or kCFURLUnknownError. True only when
// everything asked for was read.
Boolean CFURLCreateDataAndPropertiesFromResource(CFAllocatorRef alloc, CFURLRef url,
                                                 CFDataRef* resourceData,
                                                 CFDictionaryRef* properties,
                                                 CFArrayRef desiredProperties, SInt32* errorCode);

#ifdef __cplusplus
}
#endif
