/* A library whose static initialiser dies as soon as it is loaded: gwbundle check must report
 * it as a broken plug-in instead of going down with it. */
#include <signal.h>

__attribute__((constructor)) static void crashWhenLoaded(void) {
    raise(SIGSEGV);
}
