// Sleeps until a signal ends it: a stand-in for a game that quits when asked to.
#include <unistd.h>

int main(void) {
    for (;;) {
        pause();
    }
}
