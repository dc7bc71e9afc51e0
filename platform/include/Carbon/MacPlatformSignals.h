// A MacPlatform extension: signals whose work must run on the main thread. The signal handler
// only notes the signal; the application event loop runs the action when it next wakes, which
// the signal makes it do at once.
#pragma once

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void (*MainThreadSignalAction)(int signalNumber);

// Routes the signal to the action; a null action gives the signal its default behaviour back.
// Signals that arrive again before the action ran run it once. Returns paramErr for signals
// that cannot wait for the loop (SIGKILL, SIGSTOP and the fault signals SIGSEGV, SIGBUS,
// SIGFPE, SIGILL, SIGTRAP, SIGSYS) and for numbers that are no signal.
OSStatus InstallMainThreadSignalAction(int signalNumber, MainThreadSignalAction action);

#ifdef __cplusplus
}
#endif
