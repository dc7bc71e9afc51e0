#include <Carbon/CarbonEvents.h>

#include <gtest/gtest.h>

#include <sys/resource.h>

namespace {

struct ThreadUsage {
    double cpuSeconds;
    long voluntarySwitches;
};

ThreadUsage threadUsage() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return {seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_nvcsw};
}

void quitLoop(EventLoopTimerRef, void*) {
    QuitApplicationEventLoop();
}

} // namespace

TEST(EventLoop, SleepsUntilTheNextTimerIsDue) {
    EventLoopTimerRef timer = nullptr;
    ASSERT_EQ(InstallEventLoopTimer(GetMainEventLoop(), 0.3, 0, quitLoop, nullptr, &timer), noErr);
    EventTime start = GetCurrentEventTime();
    ThreadUsage before = threadUsage();
    RunApplicationEventLoop();
    ThreadUsage after = threadUsage();
    EventTime elapsed = GetCurrentEventTime() - start;
    RemoveEventLoopTimer(timer);

    EXPECT_GE(elapsed, 0.3);
    // A loop that polled every millisecond would switch out about 300 times here.
    EXPECT_LT(after.voluntarySwitches - before.voluntarySwitches, 30);
    EXPECT_LT(after.cpuSeconds - before.cpuSeconds, 0.1);
}

TEST(EventLoop, RunCurrentEventLoopTimesOutOrIsQuit) {
    EXPECT_NE(GetMainEventLoop(), nullptr);
    EXPECT_EQ(GetCurrentEventLoop(), GetMainEventLoop());

    EventTime start = GetCurrentEventTime();
    EXPECT_EQ(RunCurrentEventLoop(0.02), eventLoopTimedOutErr);
    EXPECT_GE(GetCurrentEventTime() - start, 0.02);

    EventLoopTimerRef timer = nullptr;
    ASSERT_EQ(InstallEventLoopTimer(
                  GetMainEventLoop(), 0.001, 0,
                  [](EventLoopTimerRef, void*) {
                      EXPECT_EQ(QuitEventLoop(GetCurrentEventLoop()), noErr);
                  },
                  nullptr, &timer),
              noErr);
    EXPECT_EQ(RunCurrentEventLoop(kEventDurationForever), eventLoopQuitErr);
    RemoveEventLoopTimer(timer);

    int unused = 0;
    EXPECT_EQ(QuitEventLoop(reinterpret_cast<EventLoopRef>(&unused)), paramErr);
    EXPECT_EQ(RunCurrentEventLoop(0.0 / 0.0), paramErr);
}
