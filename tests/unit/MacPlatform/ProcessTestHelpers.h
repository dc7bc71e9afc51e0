// What the process tests share: children that run a helper program until they are killed (the
// fixture cleans them up whatever way a test ends) and their serial numbers.
#pragma once

#include <ApplicationServices/Processes.h>

#include "ProcessFixture.h"

#include <string>
#include <utility>

namespace ProcessTesting {

class SleeperFixture : public ProcessFixture {
protected:
    // A child running the program (the sleeper by default), returned once it runs the program:
    // until exec has happened the child still looks like this test program.
    pid_t startSleeper(const std::string& program = helperPath("gw-test-sleeper")) {
        pid_t pid = fork();
        if (pid == 0) {
            execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        track(pid);
        EXPECT_TRUE(waitFor([&] {
            char target[4096] = {};
            std::string link = "/proc/" + std::to_string(pid) + "/exe";
            ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
            return length > 0 && std::string(target, static_cast<std::size_t>(length)) == program;
        }));
        return pid;
    }

    static ProcessSerialNumber serialNumberOf(pid_t pid) {
        ProcessSerialNumber psn{0, 0};
        EXPECT_EQ(noErr, GetProcessForPID(pid, &psn));
        return psn;
    }
};

// A serial number as one comparable value: its high and low words.
inline std::pair<UInt32, UInt32> words(const ProcessSerialNumber& psn) {
    return {psn.highLongOfPSN, psn.lowLongOfPSN};
}

inline std::string pascalText(const unsigned char* text) {
    return std::string(reinterpret_cast<const char*>(text + 1), text[0]);
}

} // namespace ProcessTesting
