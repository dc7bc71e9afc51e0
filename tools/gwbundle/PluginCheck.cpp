#include "BundleChecks.h"
#include "FileSystem.h"
#include "PluginEntryPoints.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace gwbundle {

namespace {

// Loading runs the plug-in's constructors, which may take a while but must not hang the check.
constexpr int kLoadTimeoutMilliseconds = 10000;

void writeAll(int fd, const std::string& text) {
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        ssize_t written = write(fd, data, left);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

// Runs in the child: one line per finding, "E<dlerror>" or "M<missing name>", then "."
[[noreturn]] void loadAndLookUp(const std::string& path, int report) {
    std::string out;
    void* handle = dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        out = std::string("E") + (why ? why : "unknown error") + "\n";
    } else {
        for (const char* name : kPluginEntryPoints) {
            if (!dlsym(handle, name)) {
                out += std::string("M") + name + "\n";
            }
        }
    }
    out += ".\n";
    writeAll(report, out);
    // No dlclose and no exit handlers: the plug-in's destructors are none of the check's
    // business, and this process ends here.
    _exit(0);
}

long long nowMilliseconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Reads what the child reports until it closes the pipe or the time is up.
bool readReport(int fd, std::string& text) {
    long long deadline = nowMilliseconds() + kLoadTimeoutMilliseconds;
    char buffer[4096];
    for (;;) {
        long long left = deadline - nowMilliseconds();
        if (left <= 0) {
            return false;
        }
        pollfd waiting{fd, POLLIN, 0};
        int ready = poll(&waiting, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return false;
        }
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return true;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
}

} // namespace

void checkPlugin(const BundlePaths& paths, CheckReport& report) {
    const std::string path = paths.resources + "/" + kPluginFileName;
    const std::string file = std::string("Contents/Resources/") + kPluginFileName;
    if (!isRegularFile(path)) {
        report.fail(file, "missing: the launcher quits when it cannot load its plug-in",
                    "copy the storefront plug-in (an ELF shared object) there");
        return;
    }
    // The plug-in is loaded in a child process, so that a constructor that crashes or hangs
    // is reported instead of taking the check down with it.
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        report.fail(file, std::string("could not be examined: ") + std::strerror(errno),
                    "run the check again");
        return;
    }
    pid_t child = fork();
    if (child == 0) {
        close(pipeFds[0]);
        loadAndLookUp(path, pipeFds[1]);
    }
    close(pipeFds[1]);
    if (child < 0) {
        close(pipeFds[0]);
        report.fail(file, std::string("could not be examined: ") + std::strerror(errno),
                    "run the check again");
        return;
    }
    std::string text;
    bool finished = readReport(pipeFds[0], text);
    close(pipeFds[0]);
    if (!finished) {
        kill(child, SIGKILL);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!finished) {
        report.fail(file, "loading it did not finish within 10 seconds (a constructor hangs)",
                    "make the plug-in's start-up code return promptly");
        return;
    }
    if (WIFSIGNALED(status) || text.size() < 2 || text.compare(text.size() - 2, 2, ".\n") != 0) {
        // A sanitizer's own crash handler turns the signal into an exit status.
        std::string how = WIFSIGNALED(status)
                              ? "signal " + std::to_string(WTERMSIG(status))
                              : "exit status " + std::to_string(WEXITSTATUS(status));
        report.fail(file, "crashed while loading (" + how + ")",
                    "fix the plug-in's constructors (static initialisers)");
        return;
    }
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.size() > 1 && line[0] == 'E') {
            report.fail(file, "cannot be loaded: " + line.substr(1),
                        "build it as a shared object for this system, with every library it "
                        "needs available");
        } else if (line.size() > 1 && line[0] == 'M') {
            report.fail(file, "does not export " + line.substr(1),
                        "export it with C linkage as declared in lib/include/kxdll.h");
        }
    }
}

} // namespace gwbundle
