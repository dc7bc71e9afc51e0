// The Process Manager over /proc: serial numbers, the process list and process information.
#include <ApplicationServices/Processes.h>

#include "ProcessTestHelpers.h"
#include "TestSupport.h"

#include <sys/syscall.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <thread>
#include <tuple>

using namespace ProcessTesting;

namespace {

using ProcessManagerTest = SleeperFixture;

TEST_F(ProcessManagerTest, CurrentProcessCarriesStartTimeAndPid) {
    ProcessSerialNumber self{0, 0};
    ASSERT_EQ(noErr, GetCurrentProcess(&self));
    EXPECT_EQ(static_cast<UInt32>(getpid()), self.lowLongOfPSN);
    EXPECT_EQ(static_cast<UInt32>(startTimeOf(getpid())), self.highLongOfPSN);

    pid_t pid = 0;
    ProcessSerialNumber current{0, kCurrentProcess};
    EXPECT_EQ(noErr, GetProcessPID(&current, &pid));
    EXPECT_EQ(getpid(), pid);

    Str31 name = {};
    ProcessInfoRec info{};
    info.processInfoLength = sizeof info;
    info.processName = name;
    ASSERT_EQ(noErr, GetProcessInformation(&current, &info));
    EXPECT_EQ((std::tuple{words(info.processNumber), pascalText(name), info.processType,
                          info.processLaunchDate, words(info.processLauncher)}),
              (std::tuple{
                  words(self), std::filesystem::read_symlink("/proc/self/exe").filename().string(),
                  UInt32(0x4150504C), UInt32(startTimeOf(getpid()) * 60 / sysconf(_SC_CLK_TCK)),
                  words(serialNumberOf(getppid()))}));
    EXPECT_GT(info.processSize, 0u);
}

TEST_F(ProcessManagerTest, ApplicationNamesComeFromTheBundleOrTheFileName) {
    TestSupport::TempDir dir;
    auto start = [&](const std::string& path) {
        std::filesystem::create_directories(std::filesystem::path(dir / path).parent_path());
        std::filesystem::copy_file(helperPath("gw-test-sleeper"), dir / path);
        return startSleeper(dir / path);
    };
    auto nameOf = [](ProcessSerialNumber psn) {
        Str31 name = {};
        ProcessInfoRec info{};
        info.processInfoLength = sizeof info;
        info.processName = name;
        EXPECT_EQ(noErr, GetProcessInformation(&psn, &info));
        return pascalText(name);
    };
    EXPECT_EQ(nameOf(serialNumberOf(start("Space Game.app/Contents/MacOS/space-game"))),
              "Space Game");
    ProcessSerialNumber psn = serialNumberOf(start("a-program-with-a-name-of-forty-characters"));
    EXPECT_EQ(nameOf(psn), "a-program-with-a-name-of-forty-");
    CFStringRef whole = nullptr;
    ASSERT_EQ(noErr, CopyProcessName(&psn, &whole));
    EXPECT_EQ(41, CFStringGetLength(whole));
    CFRelease(whole);

    // The kernel's record puts the command name in parentheses; one that holds ") (" and
    // spaces must not shift the fields after it.
    pid_t oddPid = start("odd) 1 2 (x");
    psn = serialNumberOf(oddPid);
    EXPECT_EQ(static_cast<UInt32>(startTimeOf(oddPid)), psn.highLongOfPSN);
    EXPECT_EQ(nameOf(psn), "odd) 1 2 (x");
    EXPECT_EQ(getpid(), MacPlatformGetParentPID(oddPid));
}

TEST_F(ProcessManagerTest, SerialNumberOfAReusedPidNamesNoProcess) {
    pid_t pid = startSleeper();
    ProcessSerialNumber psn = serialNumberOf(pid);
    // The same pid with another start time stands for a later process that was given it.
    ProcessSerialNumber reused{psn.highLongOfPSN + 1, psn.lowLongOfPSN};
    pid_t found = -1;
    EXPECT_EQ(procNotFound, GetProcessPID(&reused, &found));
    EXPECT_EQ(procNotFound, KillProcess(&reused));
    Boolean same = true;
    EXPECT_EQ(noErr, SameProcess(&psn, &reused, &same));
    EXPECT_FALSE(same);
    // Running or sleeping, but alive: the wrong serial number must not have signalled it.
    char state = stateOf(pid);
    EXPECT_TRUE(state == 'S' || state == 'R') << "state " << state;
}

TEST_F(ProcessManagerTest, ZombiesAndEndedProcessesAreNotFound) {
    int gate[2];
    ASSERT_EQ(0, pipe(gate));
    pid_t pid = fork();
    if (pid == 0) {
        char byte;
        close(gate[1]);
        (void)!read(gate[0], &byte, 1);
        TestSupport::exitChild(0);
    }
    close(gate[0]);
    track(pid);
    ProcessSerialNumber psn = serialNumberOf(pid);
    close(gate[1]);
    ASSERT_TRUE(waitFor([&] { return stateOf(pid) == 'Z'; }));

    ProcessInfoRec info{};
    EXPECT_EQ(procNotFound, GetProcessForPID(pid, &psn));
    for (ProcessSerialNumber walk{0, kNoProcess}; GetNextProcess(&walk) == noErr;) {
        EXPECT_NE(static_cast<UInt32>(pid), walk.lowLongOfPSN) << "a zombie was listed";
    }
    ASSERT_EQ(pid, waitpid(pid, nullptr, 0));
    EXPECT_EQ(procNotFound, GetProcessInformation(&psn, &info));

    // A walk goes on after a process that ended while it was being visited.
    ProcessSerialNumber next = psn;
    OSErr status = GetNextProcess(&next);
    if (status == noErr) {
        EXPECT_GT(next.lowLongOfPSN, psn.lowLongOfPSN);
    } else {
        EXPECT_EQ(procNotFound, status);
    }
}

TEST_F(ProcessManagerTest, ProcessListIsInPidOrderAndHoldsOurProcessesButNoThreads) {
    pid_t child = startSleeper();
    std::atomic<pid_t> tid{0};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        tid = static_cast<pid_t>(syscall(SYS_gettid));
        while (!done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    ASSERT_TRUE(waitFor([&] { return tid != 0; }));
    std::vector<UInt32> pids;
    ProcessSerialNumber walk{0, kNoProcess};
    OSErr status;
    while ((status = GetNextProcess(&walk)) == noErr) {
        pids.push_back(walk.lowLongOfPSN);
        ASSERT_LT(pids.size(), 100000u);
    }
    EXPECT_EQ(procNotFound, status);
    EXPECT_TRUE(std::is_sorted(pids.begin(), pids.end()));
    EXPECT_EQ(1, std::count(pids.begin(), pids.end(), static_cast<UInt32>(getpid())));
    EXPECT_EQ(1, std::count(pids.begin(), pids.end(), static_cast<UInt32>(child)));
    // Kernel threads are no applications, and threads are no processes.
    EXPECT_EQ(0, std::count(pids.begin(), pids.end(), 2u));
    ProcessSerialNumber psn{0, 0};
    EXPECT_EQ(procNotFound, GetProcessForPID(tid, &psn));
    EXPECT_EQ(getppid(), MacPlatformGetParentPID(getpid()));
    done = true;
    worker.join();
}

TEST_F(ProcessManagerTest, BadArgumentsGiveErrors) {
    ProcessSerialNumber psn{0, 0};
    ProcessInfoRec info{};
    pid_t pid = 0;
    EXPECT_EQ(paramErr, GetProcessInformation(&psn, nullptr));
    EXPECT_EQ(paramErr, GetProcessPID(nullptr, &pid));
    EXPECT_EQ(paramErr, GetProcessForPID(getpid(), nullptr));

    ProcessSerialNumber system{0, kSystemProcess}, huge{1, 0xFFFFFFFFu};
    EXPECT_EQ(procNotFound, GetProcessInformation(&system, &info));
    EXPECT_EQ(procNotFound, GetProcessForPID(-1, &psn));
    EXPECT_EQ(procNotFound, GetProcessInformation(&huge, &info));
    EXPECT_EQ(paramErr, GetNextProcess(&huge));
    EXPECT_EQ(-1, MacPlatformGetParentPID(0x3FFFFFFF));
}

} // namespace
