// The front process and hiding and showing processes.
#include <ApplicationServices/Processes.h>

#include "Processes/EWMHSession.h"
#include "Processes/ProcessTable.h"
#include "Processes/ProcessVisibility.h"

#include <unistd.h>

using namespace MacPlatform;

namespace {

// The front process as SetFrontProcess last set it, for systems without a window manager
// that could say which process is in front.
ProcessSerialNumber g_recordedFront = {0, kNoProcess};

bool isCurrentProcess(const ProcStat& stat) {
    return stat.pid == getpid();
}

} // namespace

extern "C" {

OSErr GetFrontProcess(ProcessSerialNumber* PSN) {
    if (!PSN) {
        return paramErr;
    }
    if (std::unique_ptr<EWMHSession> session = EWMHSession::open()) {
        std::optional<pid_t> owner = session->activeWindowOwner();
        std::optional<ProcStat> stat = owner ? listedProcess(*owner) : std::nullopt;
        if (!stat) {
            *PSN = ProcessSerialNumber{0, kNoProcess};
            return procNotFound;
        }
        *PSN = serialNumberFor(*stat);
        return noErr;
    }
    if (findProcess(&g_recordedFront, nullptr) == noErr) {
        *PSN = g_recordedFront;
        return noErr;
    }
    return GetCurrentProcess(PSN);
}

OSErr SetFrontProcess(const ProcessSerialNumber* PSN) {
    ProcStat stat;
    OSErr found = findProcess(PSN, &stat);
    if (found != noErr) {
        return found;
    }
    // This process's windows are best raised by the display layer that made them: a window
    // it has just shown may not be in the window manager's list yet.
    const ProcessWindowOperations* own = processWindowOperations();
    if (isCurrentProcess(stat) && own && own->bringToFront) {
        g_recordedFront = serialNumberFor(stat);
        return own->bringToFront();
    }
    if (std::unique_ptr<EWMHSession> session = EWMHSession::open()) {
        std::vector<EWMHSession::WindowID> windows = session->windowsOf(stat.pid);
        if (windows.empty()) {
            return appIsDaemon;
        }
        session->activate(windows.back());
        return noErr;
    }
    g_recordedFront = serialNumberFor(stat);
    return noErr;
}

OSErr ShowHideProcess(const ProcessSerialNumber* psn, Boolean visible) {
    ProcStat stat;
    OSErr found = findProcess(psn, &stat);
    if (found != noErr) {
        return found;
    }
    if (isCurrentProcess(stat)) {
        const ProcessWindowOperations* own = processWindowOperations();
        if (own && own->setVisible) {
            OSStatus status = own->setVisible(visible != 0);
            if (status != noErr) {
                return static_cast<OSErr>(status);
            }
        }
        setCurrentProcessVisible(visible != 0);
        return noErr;
    }
    std::unique_ptr<EWMHSession> session = EWMHSession::open();
    if (!session) {
        return unimpErr;
    }
    for (EWMHSession::WindowID window : session->windowsOf(stat.pid)) {
        if (visible) {
            session->restore(window);
        } else {
            session->minimise(window);
        }
    }
    return noErr;
}

Boolean IsProcessVisible(const ProcessSerialNumber* psn) {
    ProcStat stat;
    if (findProcess(psn, &stat) != noErr) {
        return false;
    }
    if (isCurrentProcess(stat)) {
        return currentProcessVisible();
    }
    std::unique_ptr<EWMHSession> session = EWMHSession::open();
    if (!session) {
        return true;
    }
    std::vector<EWMHSession::WindowID> windows = session->windowsOf(stat.pid);
    if (windows.empty()) {
        return true;
    }
    for (EWMHSession::WindowID window : windows) {
        if (!session->isHidden(window)) {
            return true;
        }
    }
    return false;
}

} // extern "C"
