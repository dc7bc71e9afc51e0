// Reading the kernel's process records under /proc.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace MacPlatform {

// The fields of /proc/<pid>/stat that the Process Manager needs.
struct ProcStat {
    pid_t pid = 0;
    std::string comm;
    char state = '?';
    pid_t ppid = 0;
    unsigned long flags = 0;
    unsigned long long userTicks = 0;
    unsigned long long systemTicks = 0;
    unsigned long long startTime = 0; // clock ticks after boot
    long residentPages = 0;

    bool isZombie() const { return state == 'Z' || state == 'X' || state == 'x'; }
    bool isKernelThread() const { return (flags & 0x00200000UL) != 0; } // PF_KTHREAD
};

// Field 22 (the start time) of a stat line. Allocates nothing and calls nothing, so a forked
// child may use it before exec.
bool parseStatStartTime(const char* text, std::size_t length, unsigned long long* startTime);
std::optional<ProcStat> parseStat(std::string_view text);

std::optional<ProcStat> readStat(pid_t pid);
// The thread-group id and the real user of a process (from /proc/<pid>/status).
struct ProcOwner {
    pid_t threadGroup = 0;
    uid_t realUser = 0;
};
std::optional<ProcOwner> readOwner(pid_t pid);
// Every pid under /proc, ascending.
std::vector<pid_t> listProcessIDs();
// The target of /proc/<pid>/exe, empty when it cannot be read.
std::string executablePath(pid_t pid);
// Clock ticks per second of the stat times.
long clockTicksPerSecond();

} // namespace MacPlatform
