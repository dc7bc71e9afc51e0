#include "CoreFoundation/CFURLObject.h"

#include <CoreServices/Files.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace {

// 'FSRf' followed by the path length marks a reference that FSPathMakeRef filled.
constexpr UInt32 kSignature = 0x46535266;
constexpr size_t kHeader = 8;

struct RefView {
    const char* path;
    size_t length;
};

void fill(FSRef* ref, const char* path, size_t length) {
    UInt32 header[2] = {kSignature, static_cast<UInt32>(length)};
    std::memcpy(ref->hidden, header, sizeof header);
    std::memcpy(ref->hidden + kHeader, path, length + 1);
}

// The path inside a reference; null path when the bytes are not a filled reference.
RefView view(const FSRef* ref) {
    UInt32 header[2];
    std::memcpy(header, ref->hidden, sizeof header);
    const char* path = reinterpret_cast<const char*>(ref->hidden + kHeader);
    if (header[0] != kSignature || header[1] == 0 || header[1] >= kFSRefMaxPathSize ||
        path[0] != '/' || path[header[1]] != '\0' || std::strlen(path) != header[1]) {
        return {nullptr, 0};
    }
    return {path, header[1]};
}

OSStatus statusOfErrno(int error) {
    switch (error) {
    case ENOENT:
    case ELOOP:
        return fnfErr;
    case ENOTDIR:
        return dirNFErr;
    case EACCES:
    case EPERM:
        return afpAccessDenied;
    case ENAMETOOLONG:
        return pathTooLongErr;
    case ENOMEM:
        return memFullErr;
    default:
        return ioErr;
    }
}

} // namespace

extern "C" {

OSStatus FSPathMakeRef(const UInt8* path, FSRef* ref, Boolean* isDirectory) {
    if (!path || !ref) {
        return paramErr;
    }
    if (path[0] == '\0') {
        return fnfErr;
    }
    char* resolved = realpath(reinterpret_cast<const char*>(path), nullptr);
    if (!resolved) {
        return statusOfErrno(errno);
    }
    size_t length = std::strlen(resolved);
    struct stat info;
    OSStatus status = noErr;
    if (length >= kFSRefMaxPathSize) {
        status = pathTooLongErr;
    } else if (stat(resolved, &info) != 0) {
        status = statusOfErrno(errno);
    } else {
        fill(ref, resolved, length);
        if (isDirectory) {
            *isDirectory = S_ISDIR(info.st_mode);
        }
    }
    std::free(resolved);
    return status;
}

OSStatus FSRefMakePath(const FSRef* ref, UInt8* path, UInt32 maxPathSize) {
    if (!ref || !path || maxPathSize == 0) {
        return paramErr;
    }
    RefView item = view(ref);
    if (!item.path) {
        return errFSBadFSRef;
    }
    // A reference names an existing item; one deleted since no longer names anything.
    struct stat info;
    if (stat(item.path, &info) != 0) {
        return statusOfErrno(errno);
    }
    if (item.length + 1 > maxPathSize) {
        return pathTooLongErr;
    }
    std::memcpy(path, item.path, item.length + 1);
    return noErr;
}

OSErr FSCompareFSRefs(const FSRef* ref1, const FSRef* ref2) {
    if (!ref1 || !ref2) {
        return paramErr;
    }
    RefView a = view(ref1);
    RefView b = view(ref2);
    if (!a.path || !b.path) {
        return errFSBadFSRef;
    }
    // Two paths may still reach one item through a hard link: compare the items themselves.
    struct stat infoA;
    struct stat infoB;
    if (stat(a.path, &infoA) != 0 || stat(b.path, &infoB) != 0) {
        return fnfErr;
    }
    bool same = infoA.st_dev == infoB.st_dev && infoA.st_ino == infoB.st_ino;
    return same ? OSErr{noErr} : OSErr{errFSRefsDifferent};
}

Boolean CFURLGetFSRef(CFURLRef url, FSRef* fsRef) {
    MacPlatform::CFURLObject* object = MacPlatform::urlObject(url);
    if (!object || !fsRef) {
        return false;
    }
    std::string path = object->absolutePath();
    return FSPathMakeRef(reinterpret_cast<const UInt8*>(path.c_str()), fsRef, nullptr) == noErr;
}

CFURLRef CFURLCreateFromFSRef(CFAllocatorRef, const FSRef* fsRef) {
    if (!fsRef) {
        return nullptr;
    }
    RefView item = view(fsRef);
    struct stat info;
    if (!item.path || stat(item.path, &info) != 0) {
        return nullptr;
    }
    return MacPlatform::createFileURL(item.path, S_ISDIR(info.st_mode));
}

} // extern "C"
