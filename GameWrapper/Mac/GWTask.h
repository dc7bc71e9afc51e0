// The one game that the launcher starts: where it lies inside the bundle's hidden ".Game"
// folder, how it is opened as an independent application, and how it and the applications it
// starts are watched and stopped.
#pragma once

#include <ApplicationServices/ApplicationServices.h>
#include <CoreServices/Files.h>

#include <sys/types.h>

class GWTask {
public:
    // execPath: the game's path relative to the ".Game" folder, as the game information gives
    // it. trackChildProcesses: whether clean-up also stops the applications the game started.
    GWTask(const char* execPath, bool trackChildProcesses);
    ~GWTask();
    GWTask(const GWTask&) = delete;
    GWTask& operator=(const GWTask&) = delete;

    // Opens the game; 0 once LaunchServices has started it, else the reason it did not.
    // paramErr when the exec path is empty, leads out of ".Game" or makes the path too long.
    OSStatus StartOpenTask();

    bool IsRunning();
    // Whether the last StartOpenTask gave the game a process that has not been cleaned up yet,
    // running or not.
    bool HasProcess() const { return mPSN.lowLongOfPSN != kNoProcess; }
    bool IsFront();
    bool SetFrontProcess();
    bool IsChildRunning();
    // Stops every listed process whose parent is the game; returns the status that ended the
    // walk of the process list.
    OSStatus KillChildren();
    // Stops the tracked children, then the game, and forgets the game. Always true.
    bool CloseAndCleanUp();

    const ProcessSerialNumber& GetProcessSerialNumber() const { return mPSN; }
    pid_t GetProcessID() const { return mPID; }

private:
    char* mExecPath;
    bool mTrackChildProcesses;
    ProcessSerialNumber mPSN;
    pid_t mPID;
    FSRef mAppRef;
};
