// A test fixture for tests that start processes: every process a test registers is killed in
// TearDown, even when an assertion failed, and /proc must then show that none of them runs.
#pragma once

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace ProcessTesting {

inline std::string helperPath(const char* name) {
    return std::string(GW_TEST_HELPERS_DIR) + "/" + name;
}

// The fields of a pid's stat line from the third (its state) on; empty when it does not exist.
inline std::vector<std::string> statFields(pid_t pid) {
    std::string line = TestSupport::readFile("/proc/" + std::to_string(pid) + "/stat");
    std::istringstream rest(line.substr(line.rfind(')') + 1));
    return {std::istream_iterator<std::string>(rest), {}};
}

// The start time of a pid (field 22 of its stat line), or 0 when it does not exist.
inline unsigned long long startTimeOf(pid_t pid) {
    std::vector<std::string> fields = statFields(pid);
    return fields.size() > 19 ? std::stoull(fields[19]) : 0;
}

inline char stateOf(pid_t pid) {
    std::vector<std::string> fields = statFields(pid);
    return fields.empty() ? '\0' : fields[0][0];
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
    return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                          std::filesystem::directory_iterator()));
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
