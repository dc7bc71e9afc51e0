// "Play Game" and the play-game timer with a real game: launch, hide, the game up and in
// front, its end seen by the timer or as the system reports it (once), the launcher shown
// again, presses that must not launch a second game; a launch that fails and is given up after
// five seconds of the test clock with its alert.
#include "ViewTestSupport.h"

#include "ProcessFixture.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using TestSupport::TempDir;
using namespace ViewTest;
using enum GameWrapperView::PlayState;

namespace {

constexpr int kPlayX = kPlayGameLeft + 3;
constexpr int kPlayY = kButtonTop + 3;

bool launcherVisible(GameWrapperView* view) {
    return IsProcessVisible(&view->mProcess);
}

bool inFront(const ProcessSerialNumber* psn) {
    ProcessSerialNumber front = {0, 0};
    Boolean same = false;
    return GetFrontProcess(&front) == noErr && SameProcess(&front, psn, &same) == noErr && same;
}

// Signals one process of the test's own. A scenario that failed before its game came up holds
// no pid: kill() with 0 or -1 would signal the test runner's whole process group or every
// process of the user.
void signalOwn(pid_t pid, int signal) {
    if (pid > 0) {
        kill(pid, signal);
    }
}

// Runs timer steps, or the event loop alone, until the play state is reached; the game needs
// real time to come up or go.
bool until(GameWrapperView* view, GameWrapperView::PlayState state, bool timer = true) {
    return ProcessTesting::waitFor(
        [&] {
            timer ? view->UpdateForPlayGameTimer() : static_cast<void>(RunCurrentEventLoop(0.05));
            return view->mPlayState == state;
        },
        15000);
}

// Each alert shown, as "<message>|<explanation>" (all of them stop alerts).
SInt16 recordAlert(const MacPlatformTestAlert* alert, void* alerts) {
    static_cast<std::vector<std::string>*>(alerts)->push_back(
        std::string(alert->alertType == kAlertStopAlert ? "" : "not a stop alert: ") +
        (alert->message ? alert->message : "") + "|" +
        (alert->explanation ? alert->explanation : ""));
    return alert->defaultButton;
}

} // namespace

// The clock is frozen, so that the five-second limit cannot run out while the game starts, and
// the play timer held back: the test takes its steps, or only the system's word of the game's
// end can act.
TEST(ViewPlayGame, LaunchRunEndAndPlayAgain) {
    TempDir dir;
    LauncherTestBundle bundle(dir.path());
    std::string gameResources = bundle.installGame("run");
    expectOneTeardown(runLauncher(
        bundle, onceShown([&](LauncherScript& checks, GameWrapperView* view) {
            MacPlatformTestSetMicroseconds(true, 1000000);
            std::vector<std::string> alerts;
            MacPlatformTestSetAlertResponder(recordAlert, &alerts);
            GWTask* task = view->GetGameTask();
            SetEventLoopTimerNextFireTime(view->mPlayGameTimer, kEventDurationForever);
            click(kPlayX, kPlayY);
            checks.check(view->mPlayState == kPlayLaunching && view->mLaunchError == 0,
                         "launching without an error");
            MacPlatformTestSetMicroseconds(true, 2000000);
            click(kPlayX, kPlayY);
            checks.equal(view->mLaunchStartTime.lo, 1000000u, "a press while launching: no time");
            checks.check(until(view, kPlayRunning) && task->IsFront(), "the game up, in front");
            checks.equal(view->mLaunchStartTime.lo, 2000000u, "time taken again when up");
            pid_t first = task->GetProcessID();
            click(kPlayX, kPlayY);
            view->UpdateForPlayGameTimer();
            checks.check(view->mPlayState == kPlayRunning && task->GetProcessID() == first,
                         "a press while running changes nothing");

            // Showing the launcher brings it to the front, also when asked twice; hiding it
            // hands the front to the game, unless a third application took it meanwhile.
            view->SetWrapperVisibility(true);
            view->SetWrapperVisibility(true);
            checks.check(launcherVisible(view) && inFront(&view->mProcess), "launcher shown");
            view->SetWrapperVisibility(false);
            checks.check(!launcherVisible(view) && task->IsFront(), "game in front again");
            view->SetWrapperVisibility(true);
            ProcessSerialNumber third;
            pid_t thirdPid = fork();
            if (thirdPid == 0) {
                pause();
                TestSupport::exitChild(0);
            }
            GetProcessForPID(thirdPid, &third);
            SetFrontProcess(&third);
            view->SetWrapperVisibility(false);
            checks.check(inFront(&third), "the third application stays in front");
            signalOwn(thirdPid, SIGKILL);
            waitpid(thirdPid, nullptr, 0);

            signalOwn(first, SIGTERM);
            checks.check(until(view, kPlayIdle) && launcherVisible(view) &&
                             inFront(&view->mProcess),
                         "the timer notices the game's end: the launcher back in front");

            // A second round, whose end is acted on as the system reports it, once only:
            // neither a late word of the same end nor the timer shows the launcher again.
            click(kPlayX, kPlayY);
            checks.check(until(view, kPlayRunning) && task->GetProcessID() != first,
                         "a second round comes up in a new game process");
            ProcessSerialNumber game = task->GetProcessSerialNumber();
            signalOwn(task->GetProcessID(), SIGTERM);
            checks.check(until(view, kPlayIdle, false) && launcherVisible(view) &&
                             !task->HasProcess() && !task->IsRunning(),
                         "its end acted on without the timer: launcher shown, task cleaned up");
            view->SetWrapperVisibility(false);
            sendEvent(kEventClassApplication, kEventAppTerminated, GetApplicationEventTarget(),
                      {{kEventParamProcessID, typeProcessSerialNumber, sizeof game, &game}});
            view->UpdateForPlayGameTimer();
            RunCurrentEventLoop(0.1);
            checks.check(!launcherVisible(view) && view->mPlayState == kPlayIdle,
                         "nothing happens a second time");
            view->SetWrapperVisibility(true);

            // A game that ends before it comes up: back at once, with one alert naming it.
            TestSupport::writeFile(gameResources + "/behaviour", "quit");
            click(kPlayX, kPlayY);
            checks.equal(view->mPlayState, kPlayLaunching, "launching the quitting game");
            checks.check(until(view, kPlayIdle, false) && launcherVisible(view) &&
                             !task->HasProcess(),
                         "its end acted on: the launcher shown again, the task cleaned up");
            view->UpdateForPlayGameTimer();
            RunCurrentEventLoop(0.1);
            checks.equal(alerts,
                         std::vector<std::string>{"Test Game ended as it was starting|The game "
                                                  "ended 0.0 seconds after it was opened, "
                                                  "before it came up."},
                         "one alert, for the quitting game alone");
            MacPlatformTestSetAlertResponder(nullptr, nullptr);
        })));
}

TEST(ViewPlayGame, FailedLaunchIsGivenUpAfterFiveSecondsWithAnAlert) {
    TempDir dir;
    // No game in the bundle: the launch call fails at once.
    LauncherTestBundle bundle(dir.path());
    expectOneTeardown(runLauncher(
        bundle, onceShown([](LauncherScript& checks, GameWrapperView* view) {
            MacPlatformTestSetMicroseconds(true, 1000000);
            std::vector<std::string> alerts;
            MacPlatformTestSetAlertResponder(recordAlert, &alerts);
            auto at = [&](UInt64 microseconds) {
                MacPlatformTestSetMicroseconds(true, microseconds);
                view->UpdateForPlayGameTimer();
            };
            click(kPlayX, kPlayY);
            checks.check(view->mPlayState == kPlayLaunching && view->mLaunchError != 0 &&
                             !launcherVisible(view),
                         "launching after a failed launch call, the launcher hidden");
            at(2000000);
            click(kPlayX, kPlayY);
            checks.equal(view->mLaunchStartTime.lo, 1000000u, "a second press does nothing");
            at(6000000);
            checks.check(view->mPlayState == kPlayLaunching && alerts.empty() &&
                             !launcherVisible(view),
                         "exactly five seconds is not over the limit");
            at(6000001);
            checks.check(view->mPlayState == kPlayIdle && launcherVisible(view),
                         "given up, the launcher shown again");
            checks.equal(alerts,
                         std::vector<std::string>{
                             "Error Launching Game|The attempt to Launch the game failed with "
                             "error: " +
                             std::to_string(view->mLaunchError)},
                         "one alert");

            // The elapsed time is taken from the low words, so a wrap of them is no jump.
            const UInt64 wrap = UInt64{1} << 32;
            MacPlatformTestSetMicroseconds(true, wrap - 500000);
            click(kPlayX, kPlayY);
            at(wrap + 4000000);
            checks.equal(view->mPlayState, kPlayLaunching, "4.5 s across the wrap: still waiting");
            at(wrap + 4600000);
            checks.equal(view->mPlayState, kPlayIdle, "5.1 s across the wrap: given up");
            checks.equal(alerts.size(), size_t{2}, "its own alert");

            // Once shutdown has begun, a launch is never given up or touched.
            click(kPlayX, kPlayY);
            view->mShuttingDown = true;
            at(wrap + 60000000);
            checks.equal(view->mPlayState, kPlayLaunching, "no step after shutdown began");
            MacPlatformTestSetAlertResponder(nullptr, nullptr);
        })));
}
