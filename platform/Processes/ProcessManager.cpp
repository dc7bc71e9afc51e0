// The Process Manager's process list, process information and KillProcess.
#include <ApplicationServices/Processes.h>
#include <CoreServices/Files.h>

#include "Processes/ProcessTable.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>

using namespace MacPlatform;

namespace {

// The Mac counts launch dates and active times in ticks of 1/60 s.
UInt32 macTicks(unsigned long long clockTicks) {
    return static_cast<UInt32>(clockTicks * 60ULL /
                               static_cast<unsigned long long>(clockTicksPerSecond()));
}

void copyPascalName(const std::string& name, StringPtr out) {
    // A Str31 holds 31 bytes; cutting inside a UTF-8 sequence would leave a broken character.
    std::size_t length = name.size() < 31 ? name.size() : 31;
    if (length < name.size()) {
        while (length > 0 && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80) {
            --length;
        }
    }
    out[0] = static_cast<unsigned char>(length);
    std::memcpy(out + 1, name.data(), length);
}

// The application folder of a program in X.app/Contents/MacOS/, else the program file.
OSStatus makeLocationRef(const ProcStat& stat, FSRef* location) {
    std::string executable = executablePath(stat.pid);
    if (executable.empty()) {
        return procNotFound;
    }
    std::string bundle = bundleOfExecutable(executable);
    const std::string& path = bundle.empty() ? executable : bundle;
    return FSPathMakeRef(reinterpret_cast<const UInt8*>(path.c_str()), location, nullptr);
}

} // namespace

extern "C" {

OSErr GetCurrentProcess(ProcessSerialNumber* PSN) {
    if (!PSN) {
        return paramErr;
    }
    std::optional<ProcStat> self = readStat(getpid());
    if (!self) {
        return procNotFound;
    }
    *PSN = serialNumberFor(*self);
    return noErr;
}

OSErr GetNextProcess(ProcessSerialNumber* PSN) {
    if (!PSN) {
        return paramErr;
    }
    ProcessSerialNumber from = normalizedSerialNumber(*PSN);
    // kNoProcess starts the walk; any other serial number continues after its pid, whether
    // that process still runs or not.
    pid_t after = isNoProcess(from) ? 0 : static_cast<pid_t>(from.lowLongOfPSN);
    if (!isNoProcess(from) && (from.highLongOfPSN == 0 || from.lowLongOfPSN > INT32_MAX)) {
        return paramErr;
    }
    for (pid_t pid : listProcessIDs()) {
        if (pid <= after) {
            continue;
        }
        if (std::optional<ProcStat> stat = listedProcess(pid)) {
            *PSN = serialNumberFor(*stat);
            return noErr;
        }
    }
    *PSN = ProcessSerialNumber{0, kNoProcess};
    return procNotFound;
}

OSErr GetProcessInformation(const ProcessSerialNumber* PSN, ProcessInfoRec* info) {
    if (!PSN || !info) {
        return paramErr;
    }
    ProcStat stat;
    OSErr found = findProcess(PSN, &stat);
    if (found != noErr) {
        return found;
    }
    // Only the fields that lie within the length the caller gave are written, so an older,
    // shorter record is never overrun.
    auto wants = [info](std::size_t offset, std::size_t size) {
        return info->processInfoLength >= offset + size;
    };
#define GW_WANTS(field) wants(offsetof(ProcessInfoRec, field), sizeof(info->field))
    if (GW_WANTS(processName) && info->processName) {
        copyPascalName(applicationName(stat), info->processName);
    }
    if (GW_WANTS(processNumber)) {
        info->processNumber = serialNumberFor(stat);
    }
    if (GW_WANTS(processType)) {
        info->processType = 0x4150504C; // 'APPL'
    }
    if (GW_WANTS(processSignature)) {
        info->processSignature = 0x3F3F3F3F; // '????': no creator code on Linux
    }
    if (GW_WANTS(processMode)) {
        info->processMode = modeCanBackground;
    }
    if (GW_WANTS(processLocation)) {
        info->processLocation = nullptr;
    }
    if (GW_WANTS(processSize)) {
        unsigned long long bytes =
            static_cast<unsigned long long>(stat.residentPages < 0 ? 0 : stat.residentPages) *
            static_cast<unsigned long long>(sysconf(_SC_PAGESIZE));
        info->processSize = bytes > UINT32_MAX ? UINT32_MAX : static_cast<UInt32>(bytes);
    }
    if (GW_WANTS(processFreeMem)) {
        info->processFreeMem = 0;
    }
    if (GW_WANTS(processLauncher)) {
        std::optional<ProcStat> parent = listedProcess(stat.ppid);
        info->processLauncher =
            parent ? serialNumberFor(*parent) : ProcessSerialNumber{0, kNoProcess};
    }
    if (GW_WANTS(processLaunchDate)) {
        info->processLaunchDate = macTicks(stat.startTime);
    }
    if (GW_WANTS(processActiveTime)) {
        info->processActiveTime = macTicks(stat.userTicks + stat.systemTicks);
    }
    if (GW_WANTS(processAppRef) && info->processAppRef) {
        return makeLocationRef(stat, info->processAppRef);
    }
#undef GW_WANTS
    return noErr;
}

OSStatus GetProcessPID(const ProcessSerialNumber* psn, pid_t* pid) {
    if (!pid) {
        return paramErr;
    }
    ProcStat stat;
    OSErr found = findProcess(psn, &stat);
    if (found == noErr) {
        *pid = stat.pid;
    }
    return found;
}

OSStatus GetProcessForPID(pid_t pid, ProcessSerialNumber* psn) {
    if (!psn) {
        return paramErr;
    }
    std::optional<ProcStat> stat = listedProcess(pid);
    if (!stat) {
        return procNotFound;
    }
    *psn = serialNumberFor(*stat);
    return noErr;
}

OSErr SameProcess(const ProcessSerialNumber* PSN1, const ProcessSerialNumber* PSN2,
                  Boolean* result) {
    if (!PSN1 || !PSN2 || !result) {
        return paramErr;
    }
    // Serial numbers never change meaning, so two of them can be compared after their
    // processes have ended.
    ProcessSerialNumber a = normalizedSerialNumber(*PSN1);
    ProcessSerialNumber b = normalizedSerialNumber(*PSN2);
    *result = a.highLongOfPSN == b.highLongOfPSN && a.lowLongOfPSN == b.lowLongOfPSN;
    return noErr;
}

OSStatus CopyProcessName(const ProcessSerialNumber* psn, CFStringRef* name) {
    if (!name) {
        return paramErr;
    }
    ProcStat stat;
    OSErr found = findProcess(psn, &stat);
    if (found != noErr) {
        return found;
    }
    std::string text = applicationName(stat);
    // File names are bytes; one that is not UTF-8 still has a name to show.
    CFStringRef copy =
        CFStringCreateWithCString(kCFAllocatorDefault, text.c_str(), kCFStringEncodingUTF8);
    if (!copy) {
        copy =
            CFStringCreateWithCString(kCFAllocatorDefault, text.c_str(), kCFStringEncodingMacRoman);
    }
    if (!copy) {
        return memFullErr;
    }
    *name = copy;
    return noErr;
}

OSStatus GetProcessBundleLocation(const ProcessSerialNumber* psn, FSRef* location) {
    if (!location) {
        return paramErr;
    }
    ProcStat stat;
    OSErr found = findProcess(psn, &stat);
    return found != noErr ? found : makeLocationRef(stat, location);
}

OSErr KillProcess(const ProcessSerialNumber* inProcess) {
    ProcStat stat;
    OSErr found = findProcess(inProcess, &stat);
    if (found != noErr) {
        return found;
    }
    if (kill(stat.pid, SIGTERM) != 0) {
        return errno == EPERM ? permErr : procNotFound;
    }
    return noErr;
}

pid_t MacPlatformGetParentPID(pid_t pid) {
    std::optional<ProcStat> stat = readStat(pid);
    return stat ? stat->ppid : -1;
}

} // extern "C"
