#include "SignalActions.h"
#include "EventLoop.h"

#include <Carbon/MacPlatformSignals.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace MacPlatform::SignalActions {

namespace {

constexpr int kSignalLimit = NSIG;

static_assert(std::atomic<std::sig_atomic_t>::is_always_lock_free,
              "the signal handler may only touch lock-free atomics");

// Written by the signal handler, read and cleared by the main thread. An exchange clears a
// flag without losing a signal that arrives in between.
std::atomic<std::sig_atomic_t> g_pending[kSignalLimit];
std::atomic<std::sig_atomic_t> g_anyPending{0};
std::atomic<int> g_notifyFd{-1};

// Main thread only.
MainThreadSignalAction g_actions[kSignalLimit];

void noteSignal(int signalNumber) {
    int savedErrno = errno;
    if (signalNumber > 0 && signalNumber < kSignalLimit) {
        g_pending[signalNumber].store(1);
        g_anyPending.store(1);
    }
    int fd = g_notifyFd.load();
    if (fd >= 0) {
        char byte = 1;
        // A full pipe already holds a wake-up; losing this byte loses nothing.
        [[maybe_unused]] ssize_t written = write(fd, &byte, 1);
    }
    errno = savedErrno;
}

// A signal handler cannot wake the display's wait itself (that takes a lock), so it writes
// a byte to this pipe and a small thread blocked on the other end wakes the loop.
class SignalWatcher {
public:
    SignalWatcher() {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) {
            std::perror("MacPlatform: signal pipe");
            return;
        }
        m_readFd = fds[0];
        m_writeFd = fds[1];
        fcntl(m_writeFd, F_SETFL, fcntl(m_writeFd, F_GETFL) | O_NONBLOCK);
        // The loop's wake channel must outlive this thread, which uses it.
        EventLoop::wake();
        m_thread = std::thread([this] { watch(); });
        g_notifyFd.store(m_writeFd);
    }

    ~SignalWatcher() {
        for (int signalNumber = 1; signalNumber < kSignalLimit; ++signalNumber) {
            if (g_actions[signalNumber]) {
                std::signal(signalNumber, SIG_DFL);
            }
        }
        g_notifyFd.store(-1);
        if (m_thread.joinable()) {
            m_stopping.store(true);
            char byte = 0;
            [[maybe_unused]] ssize_t written = write(m_writeFd, &byte, 1);
            m_thread.join();
        }
        if (m_readFd >= 0) {
            close(m_readFd);
            close(m_writeFd);
        }
    }

    SignalWatcher(const SignalWatcher&) = delete;
    SignalWatcher& operator=(const SignalWatcher&) = delete;

    bool ready() const { return m_writeFd >= 0; }

private:
    void watch() {
        char buffer[64];
        for (;;) {
            ssize_t count = read(m_readFd, buffer, sizeof buffer);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count <= 0 || m_stopping.load()) {
                return;
            }
            EventLoop::wake();
        }
    }

    int m_readFd = -1;
    int m_writeFd = -1;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};

SignalWatcher& watcher() {
    static SignalWatcher instance;
    return instance;
}

bool canWaitForLoop(int signalNumber) {
    switch (signalNumber) {
    case SIGKILL:
    case SIGSTOP:
    case SIGSEGV:
    case SIGBUS:
    case SIGFPE:
    case SIGILL:
    case SIGTRAP:
    case SIGSYS:
        return false;
    default:
        return signalNumber > 0 && signalNumber < kSignalLimit;
    }
}

} // namespace

bool anyPending() {
    return g_anyPending.load() != 0;
}

void runPending() {
    if (g_anyPending.exchange(0) == 0) {
        return;
    }
    for (int signalNumber = 1; signalNumber < kSignalLimit; ++signalNumber) {
        if (g_pending[signalNumber].exchange(0) != 0 && g_actions[signalNumber]) {
            g_actions[signalNumber](signalNumber);
        }
    }
}

} // namespace MacPlatform::SignalActions

extern "C" OSStatus InstallMainThreadSignalAction(int signalNumber, MainThreadSignalAction action) {
    using namespace MacPlatform::SignalActions;
    if (!canWaitForLoop(signalNumber)) {
        return paramErr;
    }
    struct sigaction disposition {};
    sigemptyset(&disposition.sa_mask);
    if (action) {
        if (!watcher().ready()) {
            return ioErr;
        }
        disposition.sa_handler = noteSignal;
        disposition.sa_flags = SA_RESTART;
    } else {
        disposition.sa_handler = SIG_DFL;
    }
    // The action is in place before the first signal can look for it.
    MainThreadSignalAction previous = g_actions[signalNumber];
    g_actions[signalNumber] = action;
    if (sigaction(signalNumber, &disposition, nullptr) != 0) {
        g_actions[signalNumber] = previous;
        return paramErr;
    }
    if (!action) {
        g_pending[signalNumber].store(0);
    }
    return noErr;
}
