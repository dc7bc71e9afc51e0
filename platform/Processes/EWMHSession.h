// The front process and the windows of other processes on an X display, through the window
// manager's EWMH properties and requests.
#pragma once

#include <sys/types.h>

#include <memory>
#include <optional>
#include <vector>

namespace MacPlatform {

class EWMHSession {
public:
    using WindowID = unsigned long;

    // A connection for the length of one call, or null when DISPLAY names no display that
    // opens, or its window manager does not announce EWMH with _NET_ACTIVE_WINDOW.
    static std::unique_ptr<EWMHSession> open();
    ~EWMHSession();
    EWMHSession(const EWMHSession&) = delete;
    EWMHSession& operator=(const EWMHSession&) = delete;

    // The pid that owns the active window; nothing when no window is active or its owner
    // does not say.
    std::optional<pid_t> activeWindowOwner();
    // The managed windows of a process on this machine, bottom to top.
    std::vector<WindowID> windowsOf(pid_t pid);
    void activate(WindowID window);
    void minimise(WindowID window);
    void restore(WindowID window);
    bool isHidden(WindowID window);

private:
    struct State;
    explicit EWMHSession(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};

} // namespace MacPlatform
