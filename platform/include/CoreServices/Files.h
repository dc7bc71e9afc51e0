// File Manager references (FSRef) to existing files and folders.
#pragma once

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    bdNamErr = -37,
    errFSBadFSRef = -1401,
    errFSRefsDifferent = -1420,
    pathTooLongErr = -2095,
    afpAccessDenied = -5000
};

// Room for a path in an FSRef: 2047 bytes of UTF-8 and the terminating NUL.
enum { kFSRefMaxPathSize = 2048 };

// On the Mac an FSRef is 80 opaque bytes naming a file by volume and catalog node. Linux has
// no lookup by node, so ours holds the item's absolute path with symbolic links resolved,
// after an 8-byte header that tells a filled reference from stray bytes. 2048 bytes of path
// cover every path the launcher forms (its path buffers are 2048 bytes); a longer path is
// refused with pathTooLongErr rather than cut. Copy it freely: it owns nothing.
typedef struct FSRef {
    UInt8 hidden[8 + kFSRefMaxPathSize];
} FSRef;
typedef FSRef* FSRefPtr;

// Resolves a path (relative paths against the current folder) to the item it names: fnfErr
// when nothing is there, dirNFErr when a folder on the way is a file, afpAccessDenied when a
// folder on the way may not be searched, pathTooLongErr when the resolved path does not fit,
// paramErr for a null path or reference. isDirectory may be NULL.
OSStatus FSPathMakeRef(const UInt8* path, FSRef* ref, Boolean* isDirectory);
// Writes the item's path, NUL-terminated, into maxPathSize bytes: paramErr for null arguments,
// errFSBadFSRef for a reference that FSPathMakeRef did not fill, fnfErr when the item has gone
// since, pathTooLongErr when the path and its terminator do not fit.
OSStatus FSRefMakePath(const FSRef* ref, UInt8* path, UInt32 maxPathSize);
// noErr for two references to the same item, errFSRefsDifferent otherwise.
OSErr FSCompareFSRefs(const FSRef* ref1, const FSRef* ref2);

#ifdef __cplusplus
}
#endif
