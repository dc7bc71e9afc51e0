// The event loop: sleeping until a timer is due (how little that costs is bench/'s to measure),
// timers' schedules and removal, quitting, modal sessions, and signals that wake the loop to run
// their actions on the main thread.
#include <Carbon/CarbonEvents.h>
#include <Carbon/MacPlatformSignals.h>
#include <MacPlatformTesting.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <thread>
#include <tuple>
#include <vector>

namespace {

// Removes the timers a test installed, whatever way the test ends.
struct Timers {
    std::vector<EventLoopTimerRef> refs;
    ~Timers() {
        for (EventLoopTimerRef ref : refs) {
            RemoveEventLoopTimer(ref);
        }
    }
    EventLoopTimerRef add(EventTimerInterval delay, EventTimerInterval interval,
                          EventLoopTimerProcPtr proc, void* data = nullptr) {
        EventLoopTimerRef ref = nullptr;
        EXPECT_EQ(InstallEventLoopTimer(GetMainEventLoop(), delay, interval,
                                        NewEventLoopTimerUPP(proc), data, &ref),
                  noErr);
        refs.push_back(ref);
        return ref;
    }
    // Ends a loop that a broken timer or signal would otherwise leave running.
    void addSafetyStop() {
        add(5.0, 0, [](EventLoopTimerRef, void*) {
            ADD_FAILURE() << "the loop was not quit in time";
            QuitApplicationEventLoop();
        });
    }
};

struct FireLog {
    std::vector<EventTime> times;
    std::size_t quitAfter = 0;
    int depth = 0;
    int maxDepth = 0;
    bool nestOnFirstCall = false;
};

void logFire(EventLoopTimerRef, void* data) {
    auto* log = static_cast<FireLog*>(data);
    log->times.push_back(GetCurrentEventTime());
    ++log->depth;
    log->maxDepth = std::max(log->maxDepth, log->depth);
    if (log->nestOnFirstCall && log->times.size() == 1) {
        EXPECT_EQ(RunCurrentEventLoop(0.06), eventLoopTimedOutErr);
    }
    --log->depth;
    if (log->times.size() == log->quitAfter) {
        QuitApplicationEventLoop();
    }
}

void countFire(EventLoopTimerRef, void* data) {
    ++*static_cast<int*>(data);
}

} // namespace

TEST(EventLoopTimer, FirstFiresAfterTheDelayThenKeepsTheIntervalUntilQuit) {
    Timers timers;
    timers.addSafetyStop();
    FireLog log;
    log.quitAfter = 4;
    EventTime start = GetCurrentEventTime();
    timers.add(0.030, 0.020, logFire, &log);
    RunApplicationEventLoop();

    ASSERT_EQ(log.times.size(), 4u);
    for (std::size_t i = 0; i < log.times.size(); ++i) {
        // Never early; how late depends on the machine's load.
        EXPECT_GE(log.times[i] - start, 0.030 + 0.020 * static_cast<double>(i) - 1e-4) << i;
    }

    // Quit from the timer; a quit asked for between two runs does not end the next one.
    QuitApplicationEventLoop();
    log.quitAfter = 6;
    RunApplicationEventLoop();
    EXPECT_EQ(log.times.size(), 6u);
}

TEST(EventLoopTimer, NeverReentersItsOwnCallback) {
    Timers timers;
    timers.addSafetyStop();
    FireLog outer;
    outer.quitAfter = 3;
    outer.nestOnFirstCall = true;
    struct Other {
        const FireLog* outer;
        int firesInsideOuter = 0;
    } other{&outer};
    timers.add(0.005, 0.005, logFire, &outer);
    timers.add(
        0.010, 0.005,
        [](EventLoopTimerRef, void* data) {
            auto* self = static_cast<Other*>(data);
            self->firesInsideOuter += self->outer->depth > 0;
        },
        &other);
    RunApplicationEventLoop();

    EXPECT_EQ(outer.times.size(), 3u);
    EXPECT_EQ(outer.maxDepth, 1);
    // The loop nested in the first callback did run, and fired the other timer.
    EXPECT_GT(other.firesInsideOuter, 0);
}

TEST(EventLoopTimer, OneShotRearmRemoveModalWaitAndBadArguments) {
    Timers timers;
    EXPECT_EQ(GetCurrentEventLoop(), GetMainEventLoop());
    timers.add(0.001, 0, [](EventLoopTimerRef, void*) {
        EXPECT_EQ(QuitEventLoop(GetCurrentEventLoop()), noErr);
    });
    EXPECT_EQ(RunCurrentEventLoop(kEventDurationForever), eventLoopQuitErr);
    EXPECT_EQ(RunCurrentEventLoop(0.0 / 0.0), paramErr);
    // A one-shot timer fires once per arming, one never due does not fire, and a timer may
    // remove itself (once) from its own callback.
    int fires = 0, neverFires = 0, selfRemovals = 0;
    EventLoopTimerRef oneShot = timers.add(0.002, 0, countFire, &fires);
    timers.add(kEventDurationForever, 0.001, countFire, &neverFires);
    timers.add(
        0.001, 0.001,
        [](EventLoopTimerRef self, void* data) {
            ++*static_cast<int*>(data);
            EXPECT_EQ(RemoveEventLoopTimer(self), noErr);
            EXPECT_EQ(RemoveEventLoopTimer(self), paramErr);
        },
        &selfRemovals);
    EXPECT_EQ(RunCurrentEventLoop(0.03), eventLoopTimedOutErr);
    ASSERT_EQ(SetEventLoopTimerNextFireTime(oneShot, 0.002), noErr);
    EXPECT_EQ(RunCurrentEventLoop(0.03), eventLoopTimedOutErr);
    EXPECT_EQ((std::tuple{fires, neverFires, selfRemovals}), (std::tuple{2, 0, 1}));

    // Timers wait while a modal alert is open.
    int periodic = 0;
    timers.add(0.001, 0.002, countFire, &periodic);
    MacPlatformTestBeginModalSession();
    EXPECT_EQ(RunCurrentEventLoop(0.04), eventLoopTimedOutErr);
    EXPECT_EQ(periodic, 0);
    MacPlatformTestEndModalSession();
    EXPECT_EQ(RunCurrentEventLoop(0.04), eventLoopTimedOutErr);
    EXPECT_GT(periodic, 0);

    EventLoopTimerRef ignored = nullptr;
    EXPECT_EQ(InstallEventLoopTimer(GetMainEventLoop(), 1, 1, nullptr, nullptr, &ignored),
              paramErr);
}

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

} // namespace

class MainThreadSignalWake : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { MacPlatformTestUseDisplayWait(GetParam()); }
    void TearDown() override {
        MacPlatformTestUseDisplayWait(false);
        InstallMainThreadSignalAction(SIGTERM, nullptr);
    }
};

INSTANTIATE_TEST_SUITE_P(OwnWaitAndDisplayWait, MainThreadSignalWake, ::testing::Bool());

TEST_P(MainThreadSignalWake, SigtermWakesTheLoopAndRunsTheActionOnceOnTheMainThread) {
    ASSERT_EQ(InstallMainThreadSignalAction(SIGTERM, recordAndQuit), noErr);
    Timers timers;
    timers.addSafetyStop();
    g_runs = 0;

    // Sent while the loop sleeps with nothing due for seconds: only the signal can wake it (the
    // safety stop fails the test otherwise).
    std::thread sender([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        kill(getpid(), SIGTERM);
    });
    RunApplicationEventLoop();
    sender.join();

    EXPECT_EQ((std::tuple{g_runs, g_lastSignal, g_ranOn}),
              (std::tuple{1, SIGTERM, std::this_thread::get_id()}));

    // Signals that arrive before the loop runs wait for it, and two of them run the action once.
    g_runs = 0;
    raise(SIGTERM);
    raise(SIGTERM);
    EXPECT_EQ(g_runs, 0);
    EXPECT_EQ(RunCurrentEventLoop(1.0), eventLoopQuitErr);
    EXPECT_EQ(g_runs, 1);
}

TEST(MainThreadSignalAction, NullRestoresTheDefaultAndBadSignalsAreRefused) {
    ASSERT_EQ(InstallMainThreadSignalAction(SIGUSR1, recordAndQuit), noErr);
    ASSERT_EQ(InstallMainThreadSignalAction(SIGUSR1, nullptr), noErr);
    struct sigaction current {};
    sigaction(SIGUSR1, nullptr, &current);
    EXPECT_EQ(current.sa_handler, SIG_DFL);

    for (int refused : {SIGKILL, SIGSTOP, SIGSEGV, SIGBUS, SIGFPE, SIGILL, 0, -1, NSIG, 1000}) {
        EXPECT_EQ(InstallMainThreadSignalAction(refused, recordAndQuit), paramErr) << refused;
    }
}
