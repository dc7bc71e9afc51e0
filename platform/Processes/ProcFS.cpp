#include "Processes/ProcFS.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>

namespace MacPlatform {

namespace {

std::optional<std::string> readSmallFile(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::string content;
    char buffer[4096];
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            close(fd);
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        content.append(buffer, static_cast<std::size_t>(got));
    }
    close(fd);
    return content;
}

std::string procPath(pid_t pid, const char* leaf) {
    return "/proc/" + std::to_string(pid) + "/" + leaf;
}

template <typename T> bool parseNumber(std::string_view text, T* value) {
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return error == std::errc() && end == text.data() + text.size();
}

} // namespace

bool parseStatStartTime(const char* text, std::size_t length, unsigned long long* startTime) {
    // The command name in parentheses may hold spaces and ')' itself: the fields that follow
    // start after the last ')'.
    std::size_t close = length;
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] == ')') {
            close = i;
        }
    }
    if (close == length) {
        return false;
    }
    // After ')' comes field 3; field 22 is the 20th field from there.
    std::size_t i = close + 1;
    int field = 2;
    while (i < length) {
        while (i < length && text[i] == ' ') {
            ++i;
        }
        if (i >= length) {
            break;
        }
        ++field;
        if (field == 22) {
            unsigned long long value = 0;
            bool any = false;
            while (i < length && text[i] >= '0' && text[i] <= '9') {
                value = value * 10 + static_cast<unsigned>(text[i] - '0');
                any = true;
                ++i;
            }
            if (!any || (i < length && text[i] != ' ' && text[i] != '\n')) {
                return false;
            }
            *startTime = value;
            return true;
        }
        while (i < length && text[i] != ' ') {
            ++i;
        }
    }
    return false;
}

std::optional<ProcStat> parseStat(std::string_view text) {
    std::size_t open = text.find('(');
    std::size_t close = text.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) {
        return std::nullopt;
    }
    ProcStat stat;
    std::string_view pidText = text.substr(0, open);
    while (!pidText.empty() && pidText.back() == ' ') {
        pidText.remove_suffix(1);
    }
    if (!parseNumber(pidText, &stat.pid)) {
        return std::nullopt;
    }
    stat.comm = std::string(text.substr(open + 1, close - open - 1));

    // fields[0] is field 3 (the state).
    std::vector<std::string_view> fields;
    std::string_view rest = text.substr(close + 1);
    while (!rest.empty()) {
        std::size_t start = rest.find_first_not_of(" \n");
        if (start == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(start);
        std::size_t end = rest.find_first_of(" \n");
        fields.push_back(rest.substr(0, end));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
    }
    if (fields.size() < 22 || fields[0].size() != 1) {
        return std::nullopt;
    }
    stat.state = fields[0][0];
    if (!parseNumber(fields[1], &stat.ppid) || !parseNumber(fields[6], &stat.flags) ||
        !parseNumber(fields[11], &stat.userTicks) || !parseNumber(fields[12], &stat.systemTicks) ||
        !parseNumber(fields[19], &stat.startTime) ||
        !parseNumber(fields[21], &stat.residentPages)) {
        return std::nullopt;
    }
    return stat;
}

std::optional<ProcStat> readStat(pid_t pid) {
    if (pid <= 0) {
        return std::nullopt;
    }
    std::optional<std::string> text = readSmallFile(procPath(pid, "stat"));
    if (!text) {
        return std::nullopt;
    }
    std::optional<ProcStat> stat = parseStat(*text);
    if (stat && stat->pid != pid) {
        return std::nullopt;
    }
    return stat;
}

std::optional<ProcOwner> readOwner(pid_t pid) {
    if (pid <= 0) {
        return std::nullopt;
    }
    std::optional<std::string> text = readSmallFile(procPath(pid, "status"));
    if (!text) {
        return std::nullopt;
    }
    ProcOwner owner;
    bool haveGroup = false;
    bool haveUser = false;
    std::string_view rest = *text;
    while (!rest.empty()) {
        std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        auto valueAfter = [&](std::string_view key) -> std::optional<std::string_view> {
            if (line.substr(0, key.size()) != key) {
                return std::nullopt;
            }
            std::string_view value = line.substr(key.size());
            std::size_t start = value.find_first_not_of(" \t");
            if (start == std::string_view::npos) {
                return std::string_view();
            }
            value.remove_prefix(start);
            return value.substr(0, value.find_first_of(" \t"));
        };
        if (auto value = valueAfter("Tgid:")) {
            haveGroup = parseNumber(*value, &owner.threadGroup);
        } else if (auto value = valueAfter("Uid:")) {
            haveUser = parseNumber(*value, &owner.realUser);
        }
    }
    if (!haveGroup || !haveUser) {
        return std::nullopt;
    }
    return owner;
}

std::vector<pid_t> listProcessIDs() {
    std::vector<pid_t> pids;
    DIR* dir = opendir("/proc");
    if (!dir) {
        return pids;
    }
    while (dirent* entry = readdir(dir)) {
        pid_t pid = 0;
        std::string_view name(entry->d_name);
        if (parseNumber(name, &pid) && pid > 0) {
            pids.push_back(pid);
        }
    }
    closedir(dir);
    std::sort(pids.begin(), pids.end());
    return pids;
}

std::string executablePath(pid_t pid) {
    std::string link = procPath(pid, "exe");
    char target[PATH_MAX];
    ssize_t length = readlink(link.c_str(), target, sizeof target);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target) {
        return {};
    }
    return std::string(target, static_cast<std::size_t>(length));
}

long clockTicksPerSecond() {
    static const long ticks = [] {
        long value = sysconf(_SC_CLK_TCK);
        return value > 0 ? value : 100;
    }();
    return ticks;
}

} // namespace MacPlatform
