#include <Carbon/CarbonEvents.h>
#include <MacPlatformTesting.h>

#include <gtest/gtest.h>

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
                          EventLoopTimerProcPtr proc, void* data) {
        EventLoopTimerRef ref = nullptr;
        EXPECT_EQ(InstallEventLoopTimer(GetMainEventLoop(), delay, interval,
                                        NewEventLoopTimerUPP(proc), data, &ref),
                  noErr);
        refs.push_back(ref);
        return ref;
    }
    // Ends a loop that a broken timer would otherwise leave running.
    void addSafetyStop() {
        add(
            5.0, 0,
            [](EventLoopTimerRef, void*) {
                ADD_FAILURE() << "the loop was not quit in time";
                QuitApplicationEventLoop();
            },
            nullptr);
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

TEST(EventLoopTimer, FirstFiresAfterTheDelayThenKeepsTheInterval) {
    Timers timers;
    timers.addSafetyStop();
    FireLog log;
    log.quitAfter = 4;
    EventTime start = GetCurrentEventTime();
    timers.add(0.030, 0.020, logFire, &log);
    RunApplicationEventLoop();

    ASSERT_EQ(log.times.size(), 4u);
    for (std::size_t i = 0; i < log.times.size(); ++i) {
        // Never early; how late depends on the machine's load, so only a loose upper bound.
        EXPECT_GE(log.times[i] - start, 0.030 + 0.020 * static_cast<double>(i) - 1e-4) << i;
    }
    EXPECT_LT(log.times.back() - start, 2.0);
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
            if (self->outer->depth > 0) {
                ++self->firesInsideOuter;
            }
        },
        &other);
    RunApplicationEventLoop();

    EXPECT_EQ(outer.times.size(), 3u);
    EXPECT_EQ(outer.maxDepth, 1);
    // The loop nested in the first callback did run, and fired the other timer.
    EXPECT_GT(other.firesInsideOuter, 0);
}

TEST(EventLoopTimer, QuittingFromATimerAndRunningTheLoopAgain) {
    Timers timers;
    timers.addSafetyStop();
    FireLog periodic;
    periodic.quitAfter = 2;
    int oneShotFires = 0;
    timers.add(0.005, 0.010, logFire, &periodic);
    timers.add(0.001, 0, countFire, &oneShotFires);
    RunApplicationEventLoop();
    EXPECT_EQ(periodic.times.size(), 2u);

    // A quit asked for between two runs does not end the next one.
    QuitApplicationEventLoop();
    periodic.quitAfter = 4;
    RunApplicationEventLoop();
    EXPECT_EQ(periodic.times.size(), 4u);
    EXPECT_EQ(oneShotFires, 1);
}

TEST(EventLoopTimer, OneShotRearmRemoveAndBadArguments) {
    Timers timers;
    int fires = 0;
    EventLoopTimerRef oneShot = timers.add(0.002, 0, countFire, &fires);
    int neverFires = 0;
    timers.add(kEventDurationForever, 0.001, countFire, &neverFires);
    EXPECT_EQ(RunCurrentEventLoop(0.03), eventLoopTimedOutErr);
    EXPECT_EQ(fires, 1);

    ASSERT_EQ(SetEventLoopTimerNextFireTime(oneShot, 0.002), noErr);
    EXPECT_EQ(RunCurrentEventLoop(0.03), eventLoopTimedOutErr);
    EXPECT_EQ(fires, 2);
    EXPECT_EQ(neverFires, 0);

    int selfRemovals = 0;
    timers.add(
        0.001, 0.001,
        [](EventLoopTimerRef self, void* data) {
            ++*static_cast<int*>(data);
            EXPECT_EQ(RemoveEventLoopTimer(self), noErr);
            EXPECT_EQ(RemoveEventLoopTimer(self), paramErr);
        },
        &selfRemovals);
    EXPECT_EQ(RunCurrentEventLoop(0.03), eventLoopTimedOutErr);
    EXPECT_EQ(selfRemovals, 1);

    EventLoopTimerRef ignored = nullptr;
    int unused = 0;
    EventLoopRef otherLoop = reinterpret_cast<EventLoopRef>(&unused);
    EXPECT_EQ(InstallEventLoopTimer(otherLoop, 1, 1, countFire, nullptr, &ignored), paramErr);
    EXPECT_EQ(InstallEventLoopTimer(GetMainEventLoop(), 1, 1, nullptr, nullptr, &ignored),
              paramErr);
    EXPECT_EQ(InstallEventLoopTimer(GetMainEventLoop(), 0.0 / 0.0, 1, countFire, nullptr, &ignored),
              paramErr);
    EXPECT_EQ(SetEventLoopTimerNextFireTime(nullptr, 1), paramErr);
    EXPECT_EQ(SetEventLoopTimerNextFireTime(reinterpret_cast<EventLoopTimerRef>(&unused), 1),
              paramErr);
    EXPECT_EQ(RemoveEventLoopTimer(nullptr), paramErr);
}

TEST(EventLoopTimer, WaitsWhileAModalAlertIsOpen) {
    Timers timers;
    int fires = 0;
    timers.add(0.001, 0.002, countFire, &fires);
    MacPlatformTestBeginModalSession();
    EXPECT_EQ(RunCurrentEventLoop(0.04), eventLoopTimedOutErr);
    EXPECT_EQ(fires, 0);
    MacPlatformTestEndModalSession();
    EXPECT_EQ(RunCurrentEventLoop(0.04), eventLoopTimedOutErr);
    EXPECT_GT(fires, 0);
}
