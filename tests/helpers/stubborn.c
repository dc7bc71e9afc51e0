// Ignores SIGTERM and sleeps until SIGKILL: a stand-in for a game that will not quit when asked.
#include <signal.h>
#include <unistd.h>

int main(void) {
    signal(SIGTERM, SIG_IGN);
    for (;;) {
        pause();
    }
}
