#include "CFStringObject.h"
#include "CFURLObject.h"
#include "PropertyList.h"

#include <CoreFoundation/CFDate.h>
#include <CoreFoundation/CFNumber.h>
#include <CoreFoundation/CFURLAccess.h>

#include <cerrno>
#include <limits>
#include <sys/stat.h>

const CFStringRef kCFURLFileExists = CFSTR("kCFURLFileExists");
const CFStringRef kCFURLFileLength = CFSTR("kCFURLFileLength");
const CFStringRef kCFURLFilePOSIXMode = CFSTR("kCFURLFilePOSIXMode");
const CFStringRef kCFURLFileOwnerID = CFSTR("kCFURLFileOwnerID");
const CFStringRef kCFURLFileLastModificationTime = CFSTR("kCFURLFileLastModificationTime");

using namespace MacPlatform;

namespace {

SInt32 errorOfErrno(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ELOOP:
        return kCFURLResourceNotFoundError;
    case EACCES:
    case EPERM:
        return kCFURLResourceAccessViolationError;
    case EISDIR:
    case EINVAL:
        return kCFURLImproperArgumentsError;
    default:
        return kCFURLUnknownError;
    }
}

void setNumber(CFMutableDictionaryRef dict, CFStringRef key, SInt64 value) {
    CFNumberRef number = CFNumberCreate(nullptr, kCFNumberSInt64Type, &value);
    CFDictionarySetValue(dict, key, number);
    CFRelease(number);
}

// The properties asked for; false when one of them is not a property we know.
bool readProperties(const std::string& path, CFArrayRef desired, CFMutableDictionaryRef out) {
    struct stat info;
    bool exists = stat(path.c_str(), &info) == 0;
    const CFStringRef all[] = {kCFURLFileExists, kCFURLFileLength, kCFURLFilePOSIXMode,
                               kCFURLFileOwnerID, kCFURLFileLastModificationTime};
    CFIndex count = desired ? CFArrayGetCount(desired) : 5;
    bool known = true;
    for (CFIndex i = 0; i < count; ++i) {
        auto key = desired ? static_cast<CFStringRef>(CFArrayGetValueAtIndex(desired, i)) : all[i];
        if (CFEqual(key, kCFURLFileExists)) {
            CFDictionarySetValue(out, key, exists ? kCFBooleanTrue : kCFBooleanFalse);
        } else if (CFEqual(key, kCFURLFileLength) || CFEqual(key, kCFURLFilePOSIXMode) ||
                   CFEqual(key, kCFURLFileOwnerID) ||
                   CFEqual(key, kCFURLFileLastModificationTime)) {
            // Properties of a missing file are simply absent, as the Mac leaves them.
            if (!exists) {
                continue;
            }
            if (CFEqual(key, kCFURLFileLength)) {
                setNumber(out, key, info.st_size);
            } else if (CFEqual(key, kCFURLFilePOSIXMode)) {
                setNumber(out, key, info.st_mode & 07777);
            } else if (CFEqual(key, kCFURLFileOwnerID)) {
                setNumber(out, key, info.st_uid);
            } else {
                CFDateRef date =
                    CFDateCreate(nullptr, static_cast<double>(info.st_mtim.tv_sec) -
                                              kCFAbsoluteTimeIntervalSince1970 +
                                              static_cast<double>(info.st_mtim.tv_nsec) * 1e-9);
                CFDictionarySetValue(out, key, date);
                CFRelease(date);
            }
        } else {
            known = false;
        }
    }
    return known;
}

} // namespace

extern "C" {

Boolean CFURLCreateDataAndPropertiesFromResource(CFAllocatorRef, CFURLRef url,
                                                 CFDataRef* resourceData,
                                                 CFDictionaryRef* properties,
                                                 CFArrayRef desiredProperties, SInt32* errorCode) {
    SInt32 error = 0;
    if (resourceData) {
        *resourceData = nullptr;
    }
    if (properties) {
        *properties = nullptr;
    }
    CFURLObject* object = urlObject(url);
    if (!object) {
        error = kCFURLImproperArgumentsError;
    } else {
        std::string path = object->absolutePath();
        if (resourceData) {
            std::string bytes;
            int readError = readWholeFile(
                path, static_cast<size_t>(std::numeric_limits<CFIndex>::max()), bytes);
            if (readError) {
                error = errorOfErrno(readError);
            } else {
                *resourceData = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(bytes.data()),
                                             static_cast<CFIndex>(bytes.size()));
                if (!*resourceData) {
                    error = kCFURLUnknownError;
                }
            }
        }
        if (properties) {
            CFMutableDictionaryRef dict = CFDictionaryCreateMutable(
                nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
            if (!readProperties(path, desiredProperties, dict) && error == 0) {
                error = kCFURLUnknownPropertyKeyError;
            }
            *properties = dict;
        }
    }
    if (errorCode) {
        *errorCode = error;
    }
    return error == 0;
}

} // extern "C"
