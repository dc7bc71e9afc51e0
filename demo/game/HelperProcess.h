// The game's helper application: a second, small process the game starts (as games start
// their updaters or voice-chat clients), so the launcher's supervision of the game's child
// applications has something real to watch.
#pragma once

#include <string>
#include <sys/types.h>

namespace DemoGame {

class HelperProcess {
public:
    HelperProcess() = default;
    // Stops the helper if it still runs.
    ~HelperProcess();
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;

    // Starts the program at path as a child of this process. The kernel sends the helper
    // SIGTERM when the game ends in any way, so a killed game never leaves it behind. False,
    // with the reason in *error, when it cannot be started or one already runs.
    bool Start(const std::string& path, std::string* error);
    // Asks the helper to quit (SIGTERM) and waits for it; nothing when none runs.
    void Stop();
    pid_t Pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
};

} // namespace DemoGame
