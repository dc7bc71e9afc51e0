// demo-helper: the demo game's helper application. It has nothing to show; it runs until it is
// asked to quit (SIGTERM, SIGINT or SIGHUP), which the game does when it ends and the
// launcher does when it cleans up after the game.
#include <csignal>
#include <cstdio>
#include <unistd.h>

int main() {
    sigset_t quitSignals;
    sigemptyset(&quitSignals);
    sigaddset(&quitSignals, SIGTERM);
    sigaddset(&quitSignals, SIGINT);
    sigaddset(&quitSignals, SIGHUP);
    // Blocked signals stay pending for sigwait, so one that arrives before the wait still counts.
    if (sigprocmask(SIG_BLOCK, &quitSignals, nullptr) != 0) {
        std::perror("demo-helper: sigprocmask");
        return 1;
    }
    std::printf("demo-helper: running as pid %d for the game %d\n", static_cast<int>(getpid()),
                static_cast<int>(getppid()));
    std::fflush(stdout);
    int received = 0;
    if (sigwait(&quitSignals, &received) != 0) {
        std::perror("demo-helper: sigwait");
        return 1;
    }
    std::printf("demo-helper: asked to quit (signal %d)\n", received);
    return 0;
}
