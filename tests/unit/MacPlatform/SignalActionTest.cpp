#include <Carbon/CarbonEvents.h>
#include <Carbon/MacPlatformSignals.h>
#include <MacPlatformTesting.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>
#include <unistd.h>

namespace {

int g_runs = 0;
int g_lastSignal = 0;
std::thread::id g_ranOn;

void recordAndQuit(int signalNumber) {
    ++g_runs;
    g_lastSignal = signalNumber;
    g_ranOn = std::this_thread::get_id();
    QuitApplicationEventLoop();
}

void failAndQuit(EventLoopTimerRef, void*) {
    ADD_FAILURE() << "the signal did not reach the loop";
    QuitApplicationEventLoop();
}

struct DefaultSigterm {
    ~DefaultSigterm() { InstallMainThreadSignalAction(SIGTERM, nullptr); }
};

} // namespace

class MainThreadSignalWake : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { MacPlatformTestUseDisplayWait(GetParam()); }
    void TearDown() override { MacPlatformTestUseDisplayWait(false); }
};

INSTANTIATE_TEST_SUITE_P(OwnWaitAndDisplayWait, MainThreadSignalWake, ::testing::Bool());

TEST_P(MainThreadSignalWake, SigtermWakesTheLoopAndRunsTheActionOnceOnTheMainThread) {
    DefaultSigterm restore;
    ASSERT_EQ(InstallMainThreadSignalAction(SIGTERM, recordAndQuit), noErr);
    EventLoopTimerRef safety = nullptr;
    ASSERT_EQ(InstallEventLoopTimer(GetMainEventLoop(), 5.0, 0, failAndQuit, nullptr, &safety),
              noErr);
    g_runs = 0;

    // Sent while the loop sleeps with nothing due for seconds: only the signal can wake it.
    std::thread sender([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        kill(getpid(), SIGTERM);
    });
    EventTime start = GetCurrentEventTime();
    RunApplicationEventLoop();
    EventTime elapsed = GetCurrentEventTime() - start;
    sender.join();

    EXPECT_EQ(g_runs, 1);
    EXPECT_EQ(g_lastSignal, SIGTERM);
    EXPECT_EQ(g_ranOn, std::this_thread::get_id());
    EXPECT_LT(elapsed, 2.0);

    // Signals that arrive before the loop runs wait for it, and two of them run the action once.
    g_runs = 0;
    raise(SIGTERM);
    raise(SIGTERM);
    EXPECT_EQ(g_runs, 0);
    EXPECT_EQ(RunCurrentEventLoop(1.0), eventLoopQuitErr);
    EXPECT_EQ(g_runs, 1);
    RemoveEventLoopTimer(safety);
}

TEST(MainThreadSignalAction, NullRestoresTheDefaultAndBadSignalsAreRefused) {
    ASSERT_EQ(InstallMainThreadSignalAction(SIGUSR1, recordAndQuit), noErr);
    struct sigaction current {};
    sigaction(SIGUSR1, nullptr, &current);
    EXPECT_NE(current.sa_handler, SIG_DFL);

    ASSERT_EQ(InstallMainThreadSignalAction(SIGUSR1, nullptr), noErr);
    sigaction(SIGUSR1, nullptr, &current);
    EXPECT_EQ(current.sa_handler, SIG_DFL);

    for (int refused : {SIGKILL, SIGSTOP, SIGSEGV, SIGBUS, SIGFPE, SIGILL, 0, -1, NSIG, 1000}) {
        EXPECT_EQ(InstallMainThreadSignalAction(refused, recordAndQuit), paramErr) << refused;
    }
}
