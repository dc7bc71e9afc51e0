// Telling the application when a program it opened has ended, at the moment it ends: a thread
// of its own waits on a pidfd per program and hands the news to the main thread, which sends
// kEventAppTerminated with the program's serial number (kEventParamProcessID) to the
// application's event target, as the Process Manager does for applications it launched.
#pragma once

#include <ApplicationServices/ApplicationServices.h>

namespace MacPlatform::ProcessEndWatch {

// Starts watching the process the serial number names; one that is watched already is left as
// it is, and one that has ended by now is reported at once. When the kernel offers no process
// handles nothing is reported, and callers learn of the end as before, by asking.
void watch(const ProcessSerialNumber& psn);

} // namespace MacPlatform::ProcessEndWatch
