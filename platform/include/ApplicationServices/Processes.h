// The Process Manager over Linux processes.
//
// A process serial number is {start time, pid}: the start time (in clock ticks since boot, as
// /proc/<pid>/stat gives it, kept to 32 bits) tells a process apart from a later one that was
// given the same pid, so a serial number never names a process it was not made for. The
// process list holds the current user's live processes in pid order; kernel threads and
// zombies are not in it.
#pragma once

#include <MacTypes.h>
#include <CoreFoundation/CFString.h>
#include <sys/types.h>

#ifdef __cplusplus
extern "C" {
#endif

struct FSRef;

typedef struct ProcessSerialNumber {
    UInt32 highLongOfPSN;
    UInt32 lowLongOfPSN;
} ProcessSerialNumber;
typedef ProcessSerialNumber* ProcessSerialNumberPtr;

enum { kNoProcess = 0, kSystemProcess = 1, kCurrentProcess = 2 };

enum { appIsDaemon = -606 };

// processMode bits.
enum {
    modeReserved = 0x01000000,
    modeControlPanel = 0x00080000,
    modeLaunchDontSwitch = 0x00040000,
    modeDeskAccessory = 0x00020000,
    modeMultiLaunch = 0x00010000,
    modeNeedSuspendResume = 0x00004000,
    modeCanBackground = 0x00001000,
    modeDoesActivateOnFGSwitch = 0x00000800,
    modeOnlyBackground = 0x00000400,
    modeGetFrontClicks = 0x00000200,
    modeGetAppDiedMsg = 0x00000100,
    mode32BitCompatible = 0x00000080,
    modeHighLevelEventAware = 0x00000040,
    modeLocalAndRemoteHLEvents = 0x00000020,
    modeStationeryAware = 0x00000010,
    modeUseTextEditServices = 0x00000008,
    modeDisplayManagerAware = 0x00000004
};

// The caller sets processInfoLength (the record's size asks for every field; 0 asks for none)
// and points processName at a Str31 and processAppRef at an FSRef, or leaves them null.
typedef struct ProcessInfoRec {
    UInt32 processInfoLength;
    StringPtr processName;
    ProcessSerialNumber processNumber;
    UInt32 processType;
    OSType processSignature;
    UInt32 processMode;
    Ptr processLocation;
    UInt32 processSize;
    UInt32 processFreeMem;
    ProcessSerialNumber processLauncher;
    UInt32 processLaunchDate;
    UInt32 processActiveTime;
    struct FSRef* processAppRef;
} ProcessInfoRec;
typedef ProcessInfoRec* ProcessInfoRecPtr;

OSErr GetCurrentProcess(ProcessSerialNumber* PSN);
// On return from the last process (or from a process past every listed one) *PSN becomes
// kNoProcess and the result is procNotFound. The walk goes on from a process that has ended
// meanwhile: the next one is the next listed pid.
OSErr GetNextProcess(ProcessSerialNumber* PSN);
// procNotFound when the process has ended, is a zombie, belongs to another user or its pid now
// names a later process.
OSErr GetProcessInformation(const ProcessSerialNumber* PSN, ProcessInfoRec* info);
OSStatus GetProcessPID(const ProcessSerialNumber* psn, pid_t* pid);
OSStatus GetProcessForPID(pid_t pid, ProcessSerialNumber* psn);
OSErr SameProcess(const ProcessSerialNumber* PSN1, const ProcessSerialNumber* PSN2,
                  Boolean* result);
// The application's name as in processName, without its 31-byte limit (Create rule).
OSStatus CopyProcessName(const ProcessSerialNumber* psn, CFStringRef* name);
// The application folder (X.app) of a process running X.app/Contents/MacOS/<program>, else
// its executable file; fnfErr when that file has been deleted since it started.
OSStatus GetProcessBundleLocation(const ProcessSerialNumber* psn, struct FSRef* location);
// Sends SIGTERM: a request to quit that the process may handle or ignore.
OSErr KillProcess(const ProcessSerialNumber* inProcess);

// The front process. With an X display whose window manager follows EWMH, it is the owner of
// the active window and SetFrontProcess activates the topmost window of the process
// (appIsDaemon when it has none). Without one, MacPlatform keeps the front process itself:
// SetFrontProcess records it, GetFrontProcess answers it while it lives and this process after
// it has ended. This process's own windows are raised by the display layer in both cases.
OSErr GetFrontProcess(ProcessSerialNumber* PSN);
OSErr SetFrontProcess(const ProcessSerialNumber* PSN);

// This process hides and shows its own windows. Another process's windows are minimised and
// restored through the EWMH window manager; without one the call returns unimpErr, as nothing
// on the system can hide them. A process counts as hidden while it has windows and all of them
// are hidden.
OSErr ShowHideProcess(const ProcessSerialNumber* psn, Boolean visible);
Boolean IsProcessVisible(const ProcessSerialNumber* psn);

// The parent's pid, or -1 when there is no such process: the stand-in for the kernel's process
// record that the Mac's sysctl(KERN_PROC_PID) gives, read from /proc/<pid>/stat.
pid_t MacPlatformGetParentPID(pid_t pid);

#ifdef __cplusplus
}
#endif
