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
// process has started: one "<role> <pid>" line each for game, child and grandchild. With a
// child, the child writes it, as it alone knows its own child.
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
#include <string>

namespace {

char g_ChildMarker[PATH_MAX];
pid_t g_GamePID;

void ChildTerminationHandler(int) {
    // Only async-signal-safe calls here.
    if (getppid() == g_GamePID) {
        close(open(g_ChildMarker, O_WRONLY | O_CREAT | O_TRUNC, 0644));
    }
    _exit(0);
}

[[noreturn]] void WaitForSignal() {
    for (;;) {
        pause();
    }
}

bool WriteReport(const std::string& resources, const std::string& report) {
    std::string pending = resources + "/pids.pending";
    std::ofstream(pending) << report;
    return std::rename(pending.c_str(), (resources + "/pids").c_str()) == 0;
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
    std::string report = "game " + std::to_string(getpid()) + "\n";
    if (has("child")) {
        g_GamePID = getpid();
        std::snprintf(g_ChildMarker, sizeof g_ChildMarker, "%s/child-stopped-under-game",
                      resources.c_str());
        pid_t child = fork();
        if (child < 0) {
            return 3;
        }
        if (child == 0) {
            signal(SIGCHLD, SIG_DFL);
            report += "child " + std::to_string(getpid()) + "\n";
            pid_t grandchild = has("grandchild") ? fork() : -1;
            if (grandchild == 0) {
                WaitForSignal();
            }
            if (grandchild > 0) {
                report += "grandchild " + std::to_string(grandchild) + "\n";
            }
            signal(SIGTERM, ChildTerminationHandler);
            if (!WriteReport(resources, report)) {
                _exit(4);
            }
            WaitForSignal();
        }
    } else if (!WriteReport(resources, report)) {
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
