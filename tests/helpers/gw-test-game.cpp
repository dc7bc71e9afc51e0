// A game for the game-task tests. A launched game gets no arguments, so it reads what to do
// from Contents/Resources/behaviour in its own bundle, found from /proc/self/exe:
//   quit        report, then end at once
//   run         report, then wait until a signal ends it
//   stubborn    like run, but ignore SIGTERM
//   child       also start a child process (which SIGTERM ends)
//   grandchild  let that child start a child of its own
// A child asked to quit while the game is still its parent leaves the file
// Contents/Resources/child-stopped-under-game behind.
// The report, Contents/Resources/pids, appears whole (written aside, then renamed) once every
// process has started: one "<role> <pid>" line each for game, child and grandchild.
#include <fcntl.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string ResourcesFolder() {
    char exe[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (length <= 0) {
        return "";
    }
    std::string path(exe, static_cast<std::size_t>(length));
    // .../Contents/MacOS/<program> -> .../Contents/Resources
    for (int cut = 0; cut < 2; ++cut) {
        std::size_t slash = path.rfind('/');
        if (slash == std::string::npos) {
            return "";
        }
        path.resize(slash);
    }
    return path + "/Resources";
}

char g_ChildMarker[PATH_MAX];
pid_t g_GamePID;

void ChildTerminationHandler(int) {
    // Only async-signal-safe calls here.
    if (getppid() == g_GamePID) {
        int fd = open(g_ChildMarker, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            close(fd);
        }
    }
    _exit(0);
}

[[noreturn]] void WaitForSignal() {
    for (;;) {
        pause();
    }
}

// Starts a process that waits for a signal; returns its pid, or -1.
pid_t StartWaiter() {
    pid_t pid = fork();
    if (pid == 0) {
        WaitForSignal();
    }
    return pid;
}

bool WriteAll(int fd, const void* bytes, std::size_t size) {
    return write(fd, bytes, size) == static_cast<ssize_t>(size);
}

} // namespace

int main() {
    std::string resources = ResourcesFolder();
    std::ifstream behaviourFile(resources + "/behaviour");
    if (resources.empty() || !behaviourFile) {
        std::fprintf(stderr, "gw-test-game: no behaviour file in %s\n", resources.c_str());
        return 2;
    }
    bool quit = false, stubborn = false, child = false, grandchild = false;
    std::string word;
    while (behaviourFile >> word) {
        quit |= word == "quit";
        stubborn |= word == "stubborn";
        child |= word == "child";
        grandchild |= word == "grandchild";
    }

    // Children this game outlives must not stay behind as zombies.
    signal(SIGCHLD, SIG_IGN);

    std::ostringstream report;
    report << "game " << getpid() << "\n";
    if (child) {
        g_GamePID = getpid();
        std::snprintf(g_ChildMarker, sizeof g_ChildMarker, "%s/child-stopped-under-game",
                      resources.c_str());
        int pipeFDs[2];
        if (pipe(pipeFDs) != 0) {
            return 3;
        }
        pid_t childPID = fork();
        if (childPID < 0) {
            return 3;
        }
        if (childPID == 0) {
            close(pipeFDs[0]);
            signal(SIGCHLD, SIG_DFL);
            pid_t grandchildPID = grandchild ? StartWaiter() : 0;
            signal(SIGTERM, ChildTerminationHandler);
            bool sent = WriteAll(pipeFDs[1], &grandchildPID, sizeof grandchildPID);
            close(pipeFDs[1]);
            if (!sent) {
                _exit(3);
            }
            WaitForSignal();
        }
        close(pipeFDs[1]);
        pid_t grandchildPID = -1;
        bool received = read(pipeFDs[0], &grandchildPID, sizeof grandchildPID) ==
                        static_cast<ssize_t>(sizeof grandchildPID);
        close(pipeFDs[0]);
        report << "child " << childPID << "\n";
        if (!received || grandchildPID < 0) {
            return 3;
        }
        if (grandchild) {
            report << "grandchild " << grandchildPID << "\n";
        }
    }

    std::string pending = resources + "/pids.pending";
    {
        std::ofstream out(pending);
        out << report.str();
        if (!out.flush()) {
            return 4;
        }
    }
    if (std::rename(pending.c_str(), (resources + "/pids").c_str()) != 0) {
        return 4;
    }

    if (quit) {
        return 0;
    }
    // Ignored only now: the children above keep the default and end when asked.
    if (stubborn) {
        signal(SIGTERM, SIG_IGN);
    }
    WaitForSignal();
}
