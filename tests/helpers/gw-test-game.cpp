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
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>

namespace {

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

} // namespace

int main() {
    std::error_code error;
    // .../Contents/MacOS/<program> -> .../Contents/Resources
    std::string resources =
        (std::filesystem::read_symlink("/proc/self/exe", error).parent_path().parent_path() /
         "Resources")
            .string();
    std::ifstream behaviourFile(resources + "/behaviour");
    if (error || !behaviourFile) {
        std::fprintf(stderr, "gw-test-game: no behaviour file in %s\n", resources.c_str());
        return 2;
    }
    std::set<std::string> words{std::istream_iterator<std::string>(behaviourFile), {}};
    auto has = [&](const char* word) { return words.count(word) != 0; };

    // Children this game outlives must not stay behind as zombies.
    signal(SIGCHLD, SIG_IGN);

    std::ostringstream report;
    report << "game " << getpid() << "\n";
    if (has("child")) {
        g_GamePID = getpid();
        std::snprintf(g_ChildMarker, sizeof g_ChildMarker, "%s/child-stopped-under-game",
                      resources.c_str());
        int pipeFDs[2];
        pid_t childPID = pipe(pipeFDs) == 0 ? fork() : -1;
        if (childPID < 0) {
            return 3;
        }
        if (childPID == 0) {
            // The child tells the game its own child's pid (0: none) once it has one.
            signal(SIGCHLD, SIG_DFL);
            pid_t grandchildPID = has("grandchild") ? fork() : 0;
            if (grandchildPID == 0 && has("grandchild")) {
                WaitForSignal();
            }
            signal(SIGTERM, ChildTerminationHandler);
            if (write(pipeFDs[1], &grandchildPID, sizeof grandchildPID) != sizeof grandchildPID) {
                _exit(3);
            }
            WaitForSignal();
        }
        pid_t grandchildPID = -1;
        if (read(pipeFDs[0], &grandchildPID, sizeof grandchildPID) != sizeof grandchildPID ||
            grandchildPID < 0) {
            return 3;
        }
        report << "child " << childPID << "\n";
        if (grandchildPID > 0) {
            report << "grandchild " << grandchildPID << "\n";
        }
    }

    std::string pending = resources + "/pids.pending";
    {
        std::ofstream out(pending);
        if (!(out << report.str()).flush()) {
            return 4;
        }
    }
    if (std::rename(pending.c_str(), (resources + "/pids").c_str()) != 0) {
        return 4;
    }
    if (has("quit")) {
        return 0;
    }
    // Ignored only now: the children above keep the default and end when asked.
    if (has("stubborn")) {
        signal(SIGTERM, SIG_IGN);
    }
    WaitForSignal();
}
