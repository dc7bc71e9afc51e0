#include "Processes/ProcessTable.h"

#include <unistd.h>

#include <cstdint>

namespace MacPlatform {

std::optional<ProcStat> listedProcess(pid_t pid) {
    std::optional<ProcStat> stat = readStat(pid);
    if (!stat || stat->isZombie() || stat->isKernelThread()) {
        return std::nullopt;
    }
    // /proc also answers for the thread ids of a process, which are not processes of their own.
    std::optional<ProcOwner> owner = readOwner(pid);
    if (!owner || owner->threadGroup != pid || owner->realUser != getuid()) {
        return std::nullopt;
    }
    // The owner was read after the stat line: a process that ended in between must not count.
    std::optional<ProcStat> again = readStat(pid);
    if (!again || again->isZombie() || again->startTime != stat->startTime) {
        return std::nullopt;
    }
    return again;
}

ProcessSerialNumber serialNumberFor(const ProcStat& stat) {
    // 32 bits of clock ticks cover 497 days of uptime at 100 Hz; past that a serial number
    // could in theory repeat, which only matters if a pid is also reused at that exact tick.
    return ProcessSerialNumber{static_cast<UInt32>(stat.startTime), static_cast<UInt32>(stat.pid)};
}

ProcessSerialNumber normalizedSerialNumber(const ProcessSerialNumber& psn) {
    if (psn.highLongOfPSN == 0 && psn.lowLongOfPSN == kCurrentProcess) {
        if (std::optional<ProcStat> self = readStat(getpid())) {
            return serialNumberFor(*self);
        }
    }
    return psn;
}

bool isNoProcess(const ProcessSerialNumber& psn) {
    return psn.highLongOfPSN == 0 && psn.lowLongOfPSN == kNoProcess;
}

OSErr findProcess(const ProcessSerialNumber* psn, ProcStat* stat) {
    if (!psn) {
        return paramErr;
    }
    ProcessSerialNumber wanted = normalizedSerialNumber(*psn);
    // kNoProcess and kSystemProcess name no Linux process; pids beyond pid_t cannot exist.
    if (wanted.highLongOfPSN == 0 || wanted.lowLongOfPSN == 0 ||
        wanted.lowLongOfPSN > static_cast<UInt32>(INT32_MAX)) {
        return procNotFound;
    }
    std::optional<ProcStat> found = listedProcess(static_cast<pid_t>(wanted.lowLongOfPSN));
    if (!found || static_cast<UInt32>(found->startTime) != wanted.highLongOfPSN) {
        return procNotFound;
    }
    if (stat) {
        *stat = std::move(*found);
    }
    return noErr;
}

std::string bundleOfExecutable(const std::string& executable) {
    static const std::string marker = ".app/Contents/MacOS/";
    std::size_t at = executable.rfind(marker);
    if (at == std::string::npos || executable.find('/', at + marker.size()) != std::string::npos) {
        return {};
    }
    return executable.substr(0, at + 4);
}

std::string applicationName(const ProcStat& stat) {
    std::string executable = executablePath(stat.pid);
    if (executable.empty()) {
        return stat.comm;
    }
    // A program whose file was replaced while it ran (an update) keeps its name.
    static const std::string deleted = " (deleted)";
    if (executable.size() > deleted.size() &&
        executable.compare(executable.size() - deleted.size(), deleted.size(), deleted) == 0) {
        executable.resize(executable.size() - deleted.size());
    }
    std::string bundle = bundleOfExecutable(executable);
    if (!bundle.empty()) {
        std::string name = bundle.substr(bundle.rfind('/') + 1);
        return name.substr(0, name.size() - 4);
    }
    return executable.substr(executable.rfind('/') + 1);
}

} // namespace MacPlatform
