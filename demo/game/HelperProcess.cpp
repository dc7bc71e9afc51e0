#include "HelperProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace DemoGame {

HelperProcess::~HelperProcess() {
    Stop();
}

bool HelperProcess::Start(const std::string& path, std::string* error) {
    if (m_pid > 0) {
        *error = "the helper already runs";
        return false;
    }
    // A close-on-exec pipe tells the parent whether exec worked: it reads the child's errno,
    // or end of file once exec has closed the pipe.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        *error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    const pid_t parent = getpid();
    std::string name = "demo-helper";
    char* const argv[] = {name.data(), nullptr};
    pid_t pid = fork();
    if (pid < 0) {
        *error = std::string("cannot fork: ") + std::strerror(errno);
        close(report[0]);
        close(report[1]);
        return false;
    }
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec.
        close(report[0]);
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) {
            _exit(0); // the game is gone already
        }
        execv(path.c_str(), argv);
        int failure = errno;
        ssize_t written = write(report[1], &failure, sizeof failure);
        (void)written;
        _exit(127);
    }
    close(report[1]);
    int failure = 0;
    ssize_t got;
    do {
        got = read(report[0], &failure, sizeof failure);
    } while (got < 0 && errno == EINTR);
    close(report[0]);
    if (got == static_cast<ssize_t>(sizeof failure)) {
        waitpid(pid, nullptr, 0);
        *error = path + ": " + std::strerror(failure);
        return false;
    }
    m_pid = pid;
    return true;
}

void HelperProcess::Stop() {
    if (m_pid <= 0) {
        return;
    }
    kill(m_pid, SIGTERM);
    while (waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
}

} // namespace DemoGame
