#include "Processes/Launcher.h"

#include "CoreFoundation/CFStringObject.h"
#include "Processes/ProcFS.h"
#include "Processes/ProcessTable.h"

#include <fcntl.h>
#include <linux/close_range.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>

extern char** environ;

namespace MacPlatform {

namespace {

// The program name an application folder gives: CFBundleExecutable, or else, as the Mac
// does, the folder's own name without ".app".
std::string bundleExecutableName(const std::string& bundle) {
    std::string name;
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(
        kCFAllocatorDefault, reinterpret_cast<const UInt8*>(bundle.data()),
        static_cast<CFIndex>(bundle.size()), true);
    if (url) {
        if (CFBundleRef handle = CFBundleCreate(kCFAllocatorDefault, url)) {
            name = stringText(static_cast<CFStringRef>(
                CFBundleGetValueForInfoDictionaryKey(handle, CFSTR("CFBundleExecutable"))));
            CFRelease(handle);
        }
        CFRelease(url);
    }
    if (name.empty()) {
        std::string folder = bundle.substr(bundle.find_last_of('/') + 1);
        if (folder.size() > 4 && folder.compare(folder.size() - 4, 4, ".app") == 0) {
            folder.resize(folder.size() - 4);
        }
        name = folder;
    }
    return name;
}

OSStatus statusForErrno(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ELOOP:
        return kLSNoExecutableErr;
    case EACCES:
    case EPERM:
        return kLSNoLaunchPermissionErr;
    case ENOEXEC:
    case ELIBBAD:
        return kLSExecutableIncorrectFormat;
    case ENOMEM:
        return memFullErr;
    case E2BIG:
        return paramErr;
    default:
        return kLSUnknownErr;
    }
}

// What the launching child and the program's own process send back through the pipe.
struct LaunchMessage {
    enum Kind : int32_t { started = 1, forkFailed = 2, execFailed = 3 };
    int32_t kind;
    int32_t value; // the pid when started, else errno
    uint64_t startTime;
};

void writeMessage(int fd, LaunchMessage message) {
    // The parent is waiting for it; a pipe takes messages this small whole.
    while (write(fd, &message, sizeof message) < 0 && errno == EINTR) {
    }
}

// Runs in the new process between fork and exec: only async-signal-safe calls.
[[noreturn]] void becomeProgram(const char* executable, char* const* argv, char* const* envp,
                                int input, int report, int highestDescriptor) {
    dup2(input, STDIN_FILENO);
    struct sigaction defaults;
    std::memset(&defaults, 0, sizeof defaults);
    defaults.sa_handler = SIG_DFL;
    // Signals the launcher ignores or blocks would stay so across exec.
    for (int sig = 1; sig < NSIG; ++sig) {
        sigaction(sig, &defaults, nullptr);
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    // The program must not hold the launcher's folder busy.
    if (chdir("/") != 0) {
        // "/" always exists; failing here changes nothing worth stopping the launch for.
    }
    // Descriptors the launcher left inheritable (its windows' connections, open files) are
    // not the program's business.
    if (close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
        for (int fd = 3; fd <= highestDescriptor; ++fd) {
            int flags = fcntl(fd, F_GETFD);
            if (flags >= 0) {
                fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
            }
        }
    }
    execve(executable, argv, envp);
    writeMessage(report, LaunchMessage{LaunchMessage::execFailed, errno, 0});
    _exit(127);
}

// The start time of our own child, read by its parent so that it cannot have been reaped yet.
uint64_t childStartTime(pid_t pid) {
    char path[64];
    // No snprintf after fork: write the number by hand.
    char digits[16];
    int count = 0;
    for (unsigned value = static_cast<unsigned>(pid); value != 0 || count == 0; value /= 10) {
        digits[count++] = static_cast<char>('0' + value % 10);
    }
    const char prefix[] = "/proc/";
    std::size_t at = 0;
    for (char c : std::string_view(prefix, sizeof prefix - 1)) {
        path[at++] = c;
    }
    while (count > 0) {
        path[at++] = digits[--count];
    }
    for (char c : std::string_view("/stat")) {
        path[at++] = c;
    }
    path[at] = '\0';
    char text[1024];
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return 0;
    }
    ssize_t length = read(fd, text, sizeof text);
    close(fd);
    unsigned long long start = 0;
    if (length <= 0 || !parseStatStartTime(text, static_cast<std::size_t>(length), &start)) {
        return 0;
    }
    return start;
}

struct Descriptor {
    int fd = -1;
    ~Descriptor() { reset(); }
    void reset() {
        if (fd >= 0) {
            close(fd);
            fd = -1;
        }
    }
};

std::vector<char*> pointersTo(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

std::vector<std::string> environmentFor(const LaunchRequest& request) {
    std::vector<std::string> entries;
    for (char** entry = environ; entry && *entry; ++entry) {
        std::string_view text(*entry);
        bool replaced = false;
        for (const auto& [name, value] : request.environment) {
            replaced = replaced || (text.size() > name.size() && text[name.size()] == '=' &&
                                    text.substr(0, name.size()) == name);
        }
        if (!replaced) {
            entries.emplace_back(text);
        }
    }
    for (const auto& [name, value] : request.environment) {
        entries.push_back(name + "=" + value);
    }
    return entries;
}

// A listed process running this very program file.
std::optional<ProcStat> runningInstanceOf(const std::string& executable) {
    char resolved[PATH_MAX];
    if (!realpath(executable.c_str(), resolved)) {
        return std::nullopt;
    }
    for (pid_t pid : listProcessIDs()) {
        if (executablePath(pid) == resolved) {
            if (std::optional<ProcStat> stat = listedProcess(pid)) {
                return stat;
            }
        }
    }
    return std::nullopt;
}

} // namespace

OSStatus resolveExecutable(const std::string& path, std::string* executable) {
    struct stat info;
    if (path.empty() || stat(path.c_str(), &info) != 0) {
        return errno == EACCES ? kLSNoLaunchPermissionErr : kLSApplicationNotFoundErr;
    }
    if (S_ISDIR(info.st_mode)) {
        struct stat contents;
        std::string folder = path;
        while (folder.size() > 1 && folder.back() == '/') {
            folder.pop_back();
        }
        if (stat((folder + "/Contents").c_str(), &contents) != 0 || !S_ISDIR(contents.st_mode)) {
            return kLSNotAnApplicationErr;
        }
        std::string name = bundleExecutableName(folder);
        // A name that leaves Contents/MacOS is not this application's program.
        if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) {
            return kLSNoExecutableErr;
        }
        std::string program = folder + "/Contents/MacOS/" + name;
        struct stat programInfo;
        if (stat(program.c_str(), &programInfo) != 0 || !S_ISREG(programInfo.st_mode) ||
            access(program.c_str(), X_OK) != 0) {
            return kLSNoExecutableErr;
        }
        *executable = program;
        return noErr;
    }
    if (!S_ISREG(info.st_mode) || access(path.c_str(), X_OK) != 0) {
        return kLSNotAnApplicationErr;
    }
    *executable = path;
    return noErr;
}

OSStatus launchApplication(const LaunchRequest& request, ProcessSerialNumber* launched) {
    std::string executable;
    OSStatus resolved = resolveExecutable(request.path, &executable);
    if (resolved != noErr) {
        return resolved;
    }
    if (!(request.flags & kLSLaunchNewInstance)) {
        if (std::optional<ProcStat> running = runningInstanceOf(executable)) {
            ProcessSerialNumber psn = serialNumberFor(*running);
            if (!(request.flags & kLSLaunchDontSwitch)) {
                // Being in front is a courtesy; the application is open either way.
                SetFrontProcess(&psn);
            }
            if (launched) {
                *launched = psn;
            }
            return noErr;
        }
    }

    // The program starts in "/", where a relative path would name something else.
    if (executable.front() != '/') {
        char folder[PATH_MAX];
        if (!getcwd(folder, sizeof folder)) {
            return kLSApplicationNotFoundErr;
        }
        executable = std::string(folder) + "/" + executable;
    }

    // Everything the new process needs is made before fork: after it, only async-signal-safe
    // calls are allowed, and the launcher may have other threads.
    std::vector<std::string> arguments{executable};
    arguments.insert(arguments.end(), request.arguments.begin(), request.arguments.end());
    std::vector<char*> argv = pointersTo(arguments);
    std::vector<std::string> environment = environmentFor(request);
    std::vector<char*> envp = pointersTo(environment);
    long openMax = sysconf(_SC_OPEN_MAX);
    int highestDescriptor = openMax > 0 && openMax < 65536 ? static_cast<int>(openMax) : 65536;

    Descriptor input;
    input.fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (input.fd < 0) {
        return kLSUnknownErr;
    }
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        return kLSUnknownErr;
    }
    Descriptor readEnd{ends[0]};
    Descriptor writeEnd{ends[1]};

    pid_t child = fork();
    if (child < 0) {
        return errno == ENOMEM ? OSStatus{memFullErr} : OSStatus{kLSUnknownErr};
    }
    if (child == 0) {
        // A session of its own: the program outlives the launcher and its terminal. The
        // second fork leaves it without the launcher as parent.
        setsid();
        pid_t program = fork();
        if (program < 0) {
            writeMessage(writeEnd.fd, LaunchMessage{LaunchMessage::forkFailed, errno, 0});
            _exit(1);
        }
        if (program == 0) {
            becomeProgram(executable.c_str(), argv.data(), envp.data(), input.fd, writeEnd.fd,
                          highestDescriptor);
        }
        writeMessage(writeEnd.fd,
                     LaunchMessage{LaunchMessage::started, program, childStartTime(program)});
        _exit(0);
    }
    writeEnd.reset();

    // The pipe reaches end of file once the launching child has exited and the program has
    // either run exec (the descriptor closes on exec) or reported why it could not.
    LaunchMessage started{};
    int failure = 0;
    LaunchMessage::Kind failureKind = LaunchMessage::started;
    for (;;) {
        LaunchMessage message;
        ssize_t got = read(readEnd.fd, &message, sizeof message);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got != static_cast<ssize_t>(sizeof message)) {
            break;
        }
        if (message.kind == LaunchMessage::started) {
            started = message;
        } else {
            failure = message.value;
            failureKind = static_cast<LaunchMessage::Kind>(message.kind);
        }
    }
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }

    if (failureKind == LaunchMessage::forkFailed) {
        return failure == ENOMEM ? OSStatus{memFullErr} : OSStatus{kLSUnknownErr};
    }
    if (failureKind == LaunchMessage::execFailed) {
        return statusForErrno(failure);
    }
    if (started.kind != LaunchMessage::started || started.value <= 0 || started.startTime == 0) {
        return kLSUnknownErr;
    }
    if (launched) {
        *launched = ProcessSerialNumber{static_cast<UInt32>(started.startTime),
                                        static_cast<UInt32>(started.value)};
    }
    return noErr;
}

} // namespace MacPlatform
