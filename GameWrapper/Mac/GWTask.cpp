#include "GWTask.h"

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {

const std::size_t EXEC_PATH_SIZE = 2048;
const std::size_t GAME_PATH_SIZE = 2048;
const int STOP_WAIT_MILLISECONDS = 1000;

int OPParentIDForProcessID(int pid) {
    // The kernel's process record: /proc/<pid>/stat; -1 when there is no such process.
    return MacPlatformGetParentPID(pid);
}

bool IsProcessRunning(const ProcessSerialNumber* psn) {
    ProcessInfoRec info;
    std::memset(&info, 0, sizeof info);
    return GetProcessInformation(psn, &info) == noErr;
}

// A handle on one process that cannot come to name another process once its pid is reused:
// waits and signals go through it rather than through the bare pid.
class ProcessHandle {
public:
    // Opens the process behind psn; valid() is false when it has ended meanwhile or the kernel
    // offers no such handles.
    explicit ProcessHandle(const ProcessSerialNumber* psn) {
        pid_t pid = -1;
        if (GetProcessPID(psn, &pid) != noErr || pid <= 0) {
            return;
        }
        mFD = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
        // The pid may have been given to a later process between the lookup and the open; the
        // serial number holds the start time, so asking again proves the handle names it.
        if (mFD >= 0 && !IsProcessRunning(psn)) {
            close(mFD);
            mFD = -1;
        }
    }
    ~ProcessHandle() {
        if (mFD >= 0) {
            close(mFD);
        }
    }
    ProcessHandle(const ProcessHandle&) = delete;
    ProcessHandle& operator=(const ProcessHandle&) = delete;

    bool valid() const { return mFD >= 0; }

    // Returns as soon as the process has ended, or after the given time.
    void WaitForExit(int milliseconds) const {
        pollfd ready = {mFD, POLLIN, 0};
        while (poll(&ready, 1, milliseconds) < 0 && errno == EINTR) {
        }
    }

    bool Kill() const { return syscall(SYS_pidfd_send_signal, mFD, SIGKILL, nullptr, 0) == 0; }

private:
    int mFD = -1;
};

// Asks the process to quit, then insists: about a second for it to go by itself, another
// second once its pid is known, then SIGKILL. A process that ends meanwhile ends the wait at
// once, so a game that quits when asked costs no second.
OSStatus KillProcessForPSN(const ProcessSerialNumber* psn) {
    if (IsProcessRunning(psn)) {
        KillProcess(psn);
    }
    if (!IsProcessRunning(psn)) {
        return noErr;
    }
    ProcessHandle process(psn);
    if (!process.valid()) {
        // Either it ended while the handle was opened, or nothing can be signalled safely.
        return IsProcessRunning(psn) ? procNotFound : noErr;
    }
    process.WaitForExit(STOP_WAIT_MILLISECONDS);
    if (!IsProcessRunning(psn)) {
        return noErr;
    }
    process.WaitForExit(STOP_WAIT_MILLISECONDS);
    if (!IsProcessRunning(psn)) {
        return noErr;
    }
    OSStatus status = process.Kill() ? noErr : procNotFound;
    KillProcess(psn);
    // SIGKILL is delivered asynchronously; the caller relies on the process being gone.
    process.WaitForExit(STOP_WAIT_MILLISECONDS);
    return status;
}

// An exec path names something inside ".Game": not empty and never climbing out of it.
bool IsExecPathInsideGameFolder(const char* execPath) {
    if (execPath[0] == '\0') {
        return false;
    }
    const char* component = execPath;
    while (*component) {
        const char* end = std::strchr(component, '/');
        std::size_t length =
            end ? static_cast<std::size_t>(end - component) : std::strlen(component);
        if (length == 2 && component[0] == '.' && component[1] == '.') {
            return false;
        }
        if (!end) {
            break;
        }
        component = end + 1;
    }
    return true;
}

} // namespace

GWTask::GWTask(const char* execPath, bool trackChildProcesses)
    : mExecPath(new char[EXEC_PATH_SIZE]),
      mTrackChildProcesses(trackChildProcesses), mPSN{0, kNoProcess}, mPID(0) {
    std::snprintf(mExecPath, EXEC_PATH_SIZE, "%s", execPath ? execPath : "");
    std::memset(&mAppRef, 0, sizeof mAppRef);
}

GWTask::~GWTask() {
    CloseAndCleanUp();
    delete[] mExecPath;
}

OSStatus GWTask::StartOpenTask() {
    // A publisher's mistake in the game information must not start a program outside the game.
    if (!IsExecPathInsideGameFolder(mExecPath)) {
        return paramErr;
    }

    CFBundleRef bundle = CFBundleGetMainBundle();
    if (!bundle) {
        return fnfErr;
    }
    CFURLRef bundleURL = CFBundleCopyBundleURL(bundle);
    if (!bundleURL) {
        return fnfErr;
    }
    FSRef bundleRef;
    Boolean haveRef = CFURLGetFSRef(bundleURL, &bundleRef);
    CFRelease(bundleURL);
    if (!haveRef) {
        return fnfErr;
    }
    char bundlePath[kFSRefMaxPathSize];
    OSStatus status =
        FSRefMakePath(&bundleRef, reinterpret_cast<UInt8*>(bundlePath), sizeof bundlePath);
    if (status != noErr) {
        return status;
    }

    char gamePath[GAME_PATH_SIZE];
    int length = std::snprintf(gamePath, sizeof gamePath, "%s/.Game/%s", bundlePath, mExecPath);
    // A cut path could name some other file; nothing is launched then.
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof gamePath) {
        return paramErr;
    }

    // A missing game leaves the reference unfilled and the launch below reports it; clearing
    // it first keeps an earlier launch's reference from standing in.
    std::memset(&mAppRef, 0, sizeof mAppRef);
    FSPathMakeRef(reinterpret_cast<const UInt8*>(gamePath), &mAppRef, nullptr);

    LSApplicationParameters parameters;
    std::memset(&parameters, 0, sizeof parameters);
    parameters.version = 0;
    parameters.flags = kLSLaunchDefaults;
    parameters.application = &mAppRef;

    ProcessSerialNumber launched = mPSN;
    status = LSOpenApplication(&parameters, &launched);
    if (status == noErr) {
        mPSN = launched;
        GetProcessPID(&mPSN, &mPID);
    }
    return status;
}

bool GWTask::IsRunning() {
    return IsProcessRunning(&mPSN);
}

bool GWTask::IsFront() {
    ProcessSerialNumber front;
    Boolean same = false;
    if (GetFrontProcess(&front) != noErr || SameProcess(&front, &mPSN, &same) != noErr) {
        return false;
    }
    return same;
}

bool GWTask::SetFrontProcess() {
    return ::SetFrontProcess(&mPSN) == noErr;
}

bool GWTask::IsChildRunning() {
    // Only a running game's pid is its own: once it ended, the pid may name another process
    // whose children are none of ours (and the game's own children left it when it ended).
    if (mPID <= 0 || !IsRunning()) {
        return false;
    }
    ProcessSerialNumber psn = {0, kNoProcess};
    while (GetNextProcess(&psn) == noErr) {
        pid_t pid = -1;
        if (GetProcessPID(&psn, &pid) != noErr) {
            continue;
        }
        if (OPParentIDForProcessID(pid) == mPID) {
            return true;
        }
    }
    return false;
}

OSStatus GWTask::KillChildren() {
    if (mPID <= 0 || !IsRunning()) {
        return procNotFound;
    }
    ProcessSerialNumber psn = {0, kNoProcess};
    OSStatus status;
    while ((status = GetNextProcess(&psn)) == noErr) {
        pid_t pid = -1;
        if (GetProcessPID(&psn, &pid) != noErr) {
            continue;
        }
        if (OPParentIDForProcessID(pid) == mPID) {
            KillProcessForPSN(&psn);
        }
    }
    return status;
}

bool GWTask::CloseAndCleanUp() {
    // Children first, while their parent id still names the game.
    if (mTrackChildProcesses && IsChildRunning()) {
        KillChildren();
    }
    if (IsRunning()) {
        KillProcessForPSN(&mPSN);
    }
    mPSN.highLongOfPSN = 0;
    mPSN.lowLongOfPSN = kNoProcess;
    return true;
}
