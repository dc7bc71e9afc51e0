#include "PreferencesFile.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace MacPlatform {

namespace {

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') {
        return home;
    }
    struct passwd entry;
    struct passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found &&
        found->pw_dir && found->pw_dir[0] == '/') {
        return found->pw_dir;
    }
    return {};
}

// Keeps the characters that are safe in a file name; empty when nothing usable remains.
std::string safeIdentifier(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    if (text.size() > 128) {
        return {};
    }
    for (char c : text) {
        bool safe = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                    c == '-' || c == '_' || c == '.';
        if (!safe) {
            return {};
        }
    }
    return text == "." || text == ".." ? std::string() : text;
}

std::string firstLineOf(const char* path) {
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    char buffer[256];
    ssize_t n = read(fd, buffer, sizeof buffer - 1);
    close(fd);
    if (n <= 0) {
        return {};
    }
    std::string text(buffer, static_cast<size_t>(n));
    return text.substr(0, text.find('\n'));
}

bool writeAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

std::string preferencesFolder() {
    // Relative values are to be ignored, as the XDG base directory rules say.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') {
        return std::string(config) + "/Preferences";
    }
    std::string home = homeFolder();
    return home.empty() ? home : home + "/.config/Preferences";
}

const std::string& machineIdentifier() {
    static const std::string identifier = [] {
        for (const char* file : {"/etc/machine-id", "/var/lib/dbus/machine-id"}) {
            std::string id = safeIdentifier(firstLineOf(file));
            if (!id.empty()) {
                return id;
            }
        }
        char host[256] = {};
        if (gethostname(host, sizeof host - 1) == 0) {
            std::string id = safeIdentifier(host);
            if (!id.empty()) {
                return id;
            }
        }
        return std::string("localhost");
    }();
    return identifier;
}

bool makeFolders(const std::string& path) {
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        std::string part = path.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
        if (slash == std::string::npos) {
            break;
        }
    }
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

FileLock::FileLock(const std::string& path) {
    m_fd = open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_fd < 0) {
        return;
    }
    while (flock(m_fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            close(m_fd);
            m_fd = -1;
            return;
        }
    }
}

FileLock::~FileLock() {
    if (m_fd >= 0) {
        close(m_fd); // closing the last descriptor releases the lock
    }
}

bool replaceFile(const std::string& path, const std::string& bytes) {
    std::string temporary = path + ".tmp";
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return false;
    }
    // The umask may have taken bits away, never added them; set exactly 0600 all the same.
    bool ok = fchmod(fd, 0600) == 0 && writeAll(fd, bytes) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (!ok || rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    // The rename itself is on disk only once the folder is.
    std::string folder = path.substr(0, path.find_last_of('/'));
    int dir = open(folder.empty() ? "/" : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}

} // namespace MacPlatform
