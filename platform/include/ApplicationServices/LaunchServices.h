// LaunchServices: opening applications as independent processes.
#pragma once

#include <MacTypes.h>
#include <ApplicationServices/Processes.h>
#include <CoreFoundation/CoreFoundation.h>

#ifdef __cplusplus
extern "C" {
#endif

struct FSRef;
struct AEDesc;

enum {
    kLSUnknownErr = -10810,
    kLSNotAnApplicationErr = -10811,
    kLSApplicationNotFoundErr = -10814,
    kLSLaunchInProgressErr = -10818,
    kLSNoLaunchPermissionErr = -10826,
    kLSNoExecutableErr = -10827,
    kLSExecutableIncorrectFormat = -10661
};

typedef OptionBits LSLaunchFlags;
enum {
    kLSLaunchDefaults = 0x00000001,
    kLSLaunchAndPrint = 0x00000002,
    kLSLaunchAndDisplayErrors = 0x00000040,
    kLSLaunchInhibitBGOnly = 0x00000080,
    kLSLaunchDontAddToRecents = 0x00000100,
    kLSLaunchDontSwitch = 0x00000200,
    kLSLaunchNoParams = 0x00000800,
    kLSLaunchAsync = 0x00010000,
    kLSLaunchNewInstance = 0x00080000,
    kLSLaunchAndHide = 0x00100000,
    kLSLaunchAndHideOthers = 0x00200000
};

typedef struct LSApplicationParameters {
    CFIndex version; // 0
    LSLaunchFlags flags;
    const struct FSRef* application;
    void* asyncLaunchRefCon;
    CFDictionaryRef environment; // CFString names to CFString values, added to ours
    CFArrayRef argv;             // CFStrings passed after the program's own name
    struct AEDesc* initialEvent; // must be null: there are no Apple events here
} LSApplicationParameters;

// Opens an application folder (X.app, whose Contents/Info.plist names the program in
// Contents/MacOS through CFBundleExecutable, else the program named X) or an executable file
// as a process of its own: in a new session, not a child of the caller, with standard input
// from /dev/null, "/" as working directory and no open files but standard output and error.
// It returns once the program runs, with its serial number, or with the error that kept it
// from running. An application whose program already runs is brought to the front instead
// (unless kLSLaunchDontSwitch) and its serial number returned, unless kLSLaunchNewInstance
// asks for another one. Other flags change nothing here: there are no recent-items lists,
// printing or background-only applications to act on. Errors: kLSApplicationNotFoundErr (nothing
// there), kLSNotAnApplicationErr (neither an application folder nor an executable file),
// kLSNoExecutableErr (the folder's program is missing or not executable),
// kLSExecutableIncorrectFormat (the system cannot run that kind of program),
// kLSNoLaunchPermissionErr, memFullErr, paramErr (a bad record), kLSUnknownErr (anything else),
// and FSRefMakePath's errors for a reference that names nothing (fnfErr: deleted since).
OSStatus LSOpenApplication(const LSApplicationParameters* appParams, ProcessSerialNumber* outPSN);

#ifdef __cplusplus
}
#endif
