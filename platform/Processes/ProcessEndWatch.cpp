#include "Processes/ProcessEndWatch.h"

#include "HIToolbox/EventLoop.h"

#include <Carbon/CarbonEvents.h>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

namespace MacPlatform::ProcessEndWatch {

namespace {

bool sameProcess(const ProcessSerialNumber& a, const ProcessSerialNumber& b) {
    return a.highLongOfPSN == b.highLongOfPSN && a.lowLongOfPSN == b.lowLongOfPSN;
}

bool isRunning(const ProcessSerialNumber& psn) {
    ProcessInfoRec info{};
    return GetProcessInformation(&psn, &info) == noErr;
}

// On the main thread, from the event loop.
void sendTerminated(ProcessSerialNumber psn) {
    EventRef event = nullptr;
    if (CreateEvent(nullptr, kEventClassApplication, kEventAppTerminated, GetCurrentEventTime(),
                    kEventAttributeNone, &event) != noErr) {
        return;
    }
    if (SetEventParameter(event, kEventParamProcessID, typeProcessSerialNumber, sizeof psn, &psn) ==
        noErr) {
        SendEventToEventTarget(event, GetApplicationEventTarget());
    }
    ReleaseEvent(event);
}

void report(const ProcessSerialNumber& psn) {
    EventLoop::runOnMainThread([psn] { sendTerminated(psn); });
}

struct Watched {
    ProcessSerialNumber psn;
    int handle;
};

// Never destroyed: its thread may still be waiting while the process exits.
class Watcher {
public:
    static Watcher& instance() {
        static auto* watcher = new Watcher;
        return *watcher;
    }

    void watch(const ProcessSerialNumber& psn) {
        auto pid = static_cast<pid_t>(psn.lowLongOfPSN);
        if (pid <= 0) {
            return;
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const Watched& entry : m_watched) {
            if (sameProcess(entry.psn, psn)) {
                return;
            }
        }
        int handle = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
        if (handle < 0 && errno != ESRCH) {
            return;
        }
        // The pid may already name a later process: the serial number holds the start time,
        // so asking again proves that the handle is on the right one.
        if (handle < 0 || !isRunning(psn)) {
            if (handle >= 0) {
                close(handle);
            }
            report(psn);
            return;
        }
        if (!startThread()) {
            close(handle);
            return;
        }
        m_watched.push_back({psn, handle});
        std::uint64_t one = 1;
        if (write(m_changed, &one, sizeof one) < 0 && errno != EAGAIN) {
            std::perror("MacPlatform: process watch");
        }
    }

private:
    // With m_mutex held. A forked copy of the process has no thread, so it starts its own.
    bool startThread() {
        if (m_threadOwner == getpid()) {
            return true;
        }
        if (m_changed < 0) {
            m_changed = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
            if (m_changed < 0) {
                return false;
            }
        }
        try {
            std::thread(&Watcher::run, this).detach();
        } catch (const std::system_error&) {
            return false;
        }
        m_threadOwner = getpid();
        return true;
    }

    void run() {
        std::vector<pollfd> waits;
        for (;;) {
            waits.assign(1, pollfd{m_changed, POLLIN, 0});
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                for (const Watched& entry : m_watched) {
                    waits.push_back(pollfd{entry.handle, POLLIN, 0});
                }
            }
            if (poll(waits.data(), waits.size(), -1) < 0) {
                continue;
            }
            std::uint64_t count;
            while (read(m_changed, &count, sizeof count) > 0) {
            }
            for (std::size_t i = 1; i < waits.size(); ++i) {
                if (waits[i].revents != 0) {
                    ended(waits[i].fd);
                }
            }
        }
    }

    void ended(int handle) {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto entry = m_watched.begin(); entry != m_watched.end(); ++entry) {
            if (entry->handle == handle) {
                report(entry->psn);
                close(handle);
                m_watched.erase(entry);
                return;
            }
        }
    }

    std::mutex m_mutex;
    std::vector<Watched> m_watched;
    int m_changed = -1;
    pid_t m_threadOwner = 0;
};

} // namespace

void watch(const ProcessSerialNumber& psn) {
    Watcher::instance().watch(psn);
}

} // namespace MacPlatform::ProcessEndWatch
