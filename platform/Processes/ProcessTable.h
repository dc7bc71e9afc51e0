// Which Linux processes the Process Manager knows, and the serial numbers that name them.
#pragma once

#include <ApplicationServices/Processes.h>

#include "Processes/ProcFS.h"

#include <optional>
#include <string>

namespace MacPlatform {

// A process is listed when it is alive (not a zombie), is a process rather than one thread of
// one or a kernel thread, and belongs to the user running this program.
std::optional<ProcStat> listedProcess(pid_t pid);
ProcessSerialNumber serialNumberFor(const ProcStat& stat);
// kCurrentProcess becomes this process's own serial number; everything else is unchanged.
ProcessSerialNumber normalizedSerialNumber(const ProcessSerialNumber& psn);
// The listed process that the serial number names: paramErr for a null pointer, procNotFound
// when no listed process carries it.
OSErr findProcess(const ProcessSerialNumber* psn, ProcStat* stat);
bool isNoProcess(const ProcessSerialNumber& psn);
// The application name: "X" for a program in X.app/Contents/MacOS/, else the executable's file
// name, else the kernel's short command name.
std::string applicationName(const ProcStat& stat);
// The X.app folder of a program in X.app/Contents/MacOS/, else empty.
std::string bundleOfExecutable(const std::string& executable);

} // namespace MacPlatform
