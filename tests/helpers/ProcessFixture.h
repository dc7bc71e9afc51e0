// A test fixture for tests that start processes: every process a test registers is killed in
// TearDown, even when an assertion failed, and /proc must then show that none of them runs.
#pragma once

#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace ProcessTesting {

inline std::string helperPath(const char* name) {
    return std::string(GW_TEST_HELPERS_DIR) + "/" + name;
}

// The start time of a pid (field 22 of its stat line), or 0 when it does not exist.
inline unsigned long long startTimeOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(in, line);
    std::size_t close = line.rfind(')');
    if (close == std::string::npos) {
        return 0;
    }
    std::istringstream fields(line.substr(close + 2));
    std::string field;
    for (int index = 3; index <= 22 && fields >> field; ++index) {
        if (index == 22) {
            return std::stoull(field);
        }
    }
    return 0;
}

inline char stateOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(in, line);
    std::size_t close = line.rfind(')');
    return close == std::string::npos || close + 2 >= line.size() ? '\0' : line[close + 2];
}

// True when the process that had this start time no longer runs: gone, reused by another
// process, or a zombie waiting to be reaped.
inline bool hasEnded(pid_t pid, unsigned long long startTime) {
    char state = stateOf(pid);
    return state == '\0' || state == 'Z' || state == 'X' || startTimeOf(pid) != startTime;
}

template <typename Condition> bool waitFor(Condition condition, int milliseconds = 5000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

inline int openDescriptorCount() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (dirent* entry = readdir(dir)) {
            count += entry->d_name[0] != '.';
        }
        closedir(dir);
    }
    return count;
}

class ProcessFixture : public ::testing::Test {
protected:
    // Registers a process for the clean-up; its start time keeps a reused pid from being hit.
    void track(pid_t pid) {
        ASSERT_GT(pid, 0);
        m_started.push_back({pid, startTimeOf(pid)});
    }

    void TearDown() override {
        for (const Started& process : m_started) {
            if (!hasEnded(process.pid, process.startTime)) {
                kill(process.pid, SIGKILL);
            }
            // Our own children must be reaped; others are reaped by their new parent.
            waitpid(process.pid, nullptr, WNOHANG);
        }
        for (const Started& process : m_started) {
            EXPECT_TRUE(waitFor([&] {
                waitpid(process.pid, nullptr, WNOHANG);
                return hasEnded(process.pid, process.startTime);
            })) << "process "
                << process.pid << " is still running";
        }
    }

private:
    struct Started {
        pid_t pid;
        unsigned long long startTime;
    };
    std::vector<Started> m_started;
};

} // namespace ProcessTesting
