// "Play Game" and the play-game timer with a real game: launch, hide, the game up and in
// front, its end seen by the timer or as the system reports it (once), the launcher shown
// again, presses that must not launch a second game; a launch that fails and is given up after
// five seconds of the test clock with its alert.
#include "ViewTestSupport.h"

#include "ProcessFixture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdio>
#include <string>
#include <vector>

using LauncherTest::LauncherTestBundle;
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

// A process that waits for a signal, as an application of its own.
pid_t startThirdApplication(ProcessSerialNumber* psn) {
    pid_t pid = fork();
    if (pid == 0) {
        pause();
        _exit(0);
    }
    GetProcessForPID(pid, psn);
    return pid;
}

// Signals one process of the test's own. A scenario that failed before its game came up holds
// no pid: kill() with 0 or -1 would signal the test runner's whole process group or every
// process of the user.
void signalOwn(pid_t pid, int signal) {
    ASSERT_GT(pid, 0) << "no process to send signal " << signal << " to";
    kill(pid, signal);
}

// Runs timer steps until the play state is reached; the game needs real time to come up or go.
bool stepUntil(GameWrapperView* view, GameWrapperView::PlayState state) {
    return ProcessTesting::waitFor(
        [&] {
            view->UpdateForPlayGameTimer();
            return view->mPlayState == state;
        },
        15000);
}

// Runs the event loop until the play state is reached.
bool loopUntil(GameWrapperView* view, GameWrapperView::PlayState state) {
    return ProcessTesting::waitFor(
        [&] {
            RunCurrentEventLoop(0.05);
            return view->mPlayState == state;
        },
        15000);
}

void sendTerminated(const ProcessSerialNumber& psn) {
    LauncherTest::sendEvent(kEventClassApplication, kEventAppTerminated,
                            GetApplicationEventTarget(),
                            {{kEventParamProcessID, typeProcessSerialNumber, sizeof psn, &psn}});
}

// Each alert shown, as "stop: <message>|<explanation>" ("other: " for another type).
SInt16 recordAlert(const MacPlatformTestAlert* alert, void* alerts) {
    static_cast<std::vector<std::string>*>(alerts)->push_back(
        std::string(alert->alertType == kAlertStopAlert ? "stop: " : "other: ") +
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
    inScene(
        bundle,
        [&](ViewScene& scene, ChildChecks& checks) {
            std::vector<std::string> alerts;
            MacPlatformTestSetAlertResponder(recordAlert, &alerts);
            GameWrapperView* view = scene.view;
            GWTask* task = view->GetGameTask();
            SetEventLoopTimerNextFireTime(view->mPlayGameTimer, kEventDurationForever);
            scene.click(kPlayX, kPlayY);
            checks.equal(view->mPlayState, kPlayLaunching, "play state after the click");
            checks.equal(view->mLaunchError, 0, "launch error");
            MacPlatformTestSetMicroseconds(true, 2000000);
            scene.click(kPlayX, kPlayY);
            checks.equal(view->mLaunchStartTime.lo, 1000000u,
                         "launch time after a press while launching");

            checks.check(stepUntil(view, kPlayRunning), "the game comes up");
            checks.check(task->IsFront(), "the game in front");
            checks.equal(view->mLaunchStartTime.lo, 2000000u, "time taken again when up");
            pid_t first = task->GetProcessID();
            scene.click(kPlayX, kPlayY);
            view->UpdateForPlayGameTimer();
            checks.equal(view->mPlayState, kPlayRunning, "state after a press while running");
            checks.equal(task->GetProcessID(), first, "game after a press while running");

            // Showing the launcher brings it to the front; hiding it hands the front to the
            // game, unless a third application took it meanwhile.
            view->SetWrapperVisibility(true);
            checks.check(launcherVisible(view) && inFront(&view->mProcess), "launcher shown");
            view->SetWrapperVisibility(false);
            checks.check(!launcherVisible(view) && task->IsFront(), "game in front again");
            view->SetWrapperVisibility(true);
            ProcessSerialNumber thirdPSN;
            pid_t third = startThirdApplication(&thirdPSN);
            SetFrontProcess(&thirdPSN);
            view->SetWrapperVisibility(false);
            checks.check(inFront(&thirdPSN), "the third application stays in front");
            signalOwn(third, SIGKILL);
            waitpid(third, nullptr, 0);

            signalOwn(first, SIGTERM);
            checks.check(stepUntil(view, kPlayIdle), "the timer notices the game's end");
            checks.check(launcherVisible(view) && inFront(&view->mProcess),
                         "launcher shown again and in front");

            // A second round, whose end is acted on as the system reports it, once only:
            // neither a late word of the same end nor the timer shows the launcher again.
            scene.click(kPlayX, kPlayY);
            checks.check(stepUntil(view, kPlayRunning), "a second round comes up");
            checks.check(task->GetProcessID() != first, "a new game process");
            ProcessSerialNumber game = task->GetProcessSerialNumber();
            signalOwn(task->GetProcessID(), SIGTERM);
            checks.check(loopUntil(view, kPlayIdle), "its end is acted on without the timer");
            checks.check(launcherVisible(view) && !task->HasProcess() && !task->IsRunning(),
                         "the launcher shown, the task cleaned up");
            checks.check(alerts.empty(), "a game that was up ends without an alert");
            view->SetWrapperVisibility(false);
            sendTerminated(game);
            view->UpdateForPlayGameTimer();
            RunCurrentEventLoop(0.1);
            checks.check(!launcherVisible(view) && view->mPlayState == kPlayIdle,
                         "nothing happens a second time");
            view->SetWrapperVisibility(true);

            // A game that ends before it comes up: back at once, with an alert naming it.
            TestSupport::writeFile(gameResources + "/behaviour", "quit");
            scene.click(kPlayX, kPlayY);
            checks.equal(view->mPlayState, kPlayLaunching, "launching the quitting game");
            checks.check(loopUntil(view, kPlayIdle), "its end is acted on without the timer");
            checks.check(launcherVisible(view) && !task->HasProcess(),
                         "the launcher shown again, the task cleaned up");
            checks.equal(alerts,
                         std::vector<std::string>{
                             "stop: Test Game ended as it was starting|The game ended 0.0 "
                             "seconds after it was opened, before it came up."},
                         "one alert");
            view->UpdateForPlayGameTimer();
            RunCurrentEventLoop(0.1);
            checks.equal(alerts.size(), size_t{1}, "still one alert");
            MacPlatformTestSetAlertResponder(nullptr, nullptr);
        },
        1000000, false);
}

TEST(ViewPlayGame, FailedLaunchIsGivenUpAfterFiveSecondsWithAnAlert) {
    TempDir dir;
    // No game in the bundle: the launch call fails at once.
    LauncherTestBundle bundle(dir.path());
    inScene(
        bundle,
        [](ViewScene& scene, ChildChecks& checks) {
            std::vector<std::string> alerts;
            MacPlatformTestSetAlertResponder(recordAlert, &alerts);
            GameWrapperView* view = scene.view;
            scene.click(kPlayX, kPlayY);
            checks.equal(view->mPlayState, kPlayLaunching, "launching");
            checks.check(view->mLaunchError != 0, "the launch call failed");
            checks.check(!launcherVisible(view), "launcher hidden meanwhile");

            MacPlatformTestSetMicroseconds(true, 2000000);
            view->UpdateForPlayGameTimer();
            scene.click(kPlayX, kPlayY);
            checks.equal(view->mLaunchStartTime.lo, 1000000u, "a second press does nothing");
            MacPlatformTestSetMicroseconds(true, 6000000);
            view->UpdateForPlayGameTimer();
            checks.equal(view->mPlayState, kPlayLaunching,
                         "exactly five seconds is not over the limit");
            checks.check(alerts.empty() && !launcherVisible(view), "no alert yet");

            MacPlatformTestSetMicroseconds(true, 6000001);
            std::string out = printedBy([&] { view->UpdateForPlayGameTimer(); });
            checks.check(out.find("Game could not start within set time\n") != std::string::npos,
                         "console line");
            checks.equal(view->mPlayState, kPlayIdle, "given up");
            checks.check(launcherVisible(view), "launcher shown again");
            checks.equal(alerts,
                         std::vector<std::string>{
                             "stop: Error Launching Game|The attempt to Launch the game failed "
                             "with error: " +
                             std::to_string(view->mLaunchError)},
                         "one alert");

            // The elapsed time is taken from the low words, so a wrap of them is no jump.
            const UInt64 wrap = UInt64{1} << 32;
            MacPlatformTestSetMicroseconds(true, wrap - 500000);
            scene.click(kPlayX, kPlayY);
            MacPlatformTestSetMicroseconds(true, wrap + 4000000);
            view->UpdateForPlayGameTimer();
            checks.equal(view->mPlayState, kPlayLaunching, "4.5 s across the wrap: still waiting");
            MacPlatformTestSetMicroseconds(true, wrap + 4600000);
            view->UpdateForPlayGameTimer();
            checks.equal(view->mPlayState, kPlayIdle, "5.1 s across the wrap: given up");
            checks.equal(alerts.size(), size_t{2}, "its own alert");

            // Once shutdown has begun, a launch is never given up or touched.
            scene.click(kPlayX, kPlayY);
            view->mShuttingDown = true;
            MacPlatformTestSetMicroseconds(true, wrap + 60000000);
            view->UpdateForPlayGameTimer();
            checks.equal(view->mPlayState, kPlayLaunching, "no step after shutdown began");
            MacPlatformTestSetAlertResponder(nullptr, nullptr);
        },
        1000000, false);
}

TEST(ViewPlayGame, WithoutGameInformationNothingIsLaunched) {
    TempDir dir;
    LauncherTestBundle bundle(dir.path(), {.omit = {"RAW_002.wdt"}});
    bundle.installGame("run");
    inScene(bundle, [](ViewScene& scene, ChildChecks& checks) {
        GameWrapperView* view = scene.view;
        checks.equal(scene.createStatus, noErr, "the views still come up");
        checks.check(view->GetGameTask() == nullptr, "no game task");
        scene.click(kPlayX, kPlayY);
        view->UpdateForPlayGameTimer();
        checks.equal(view->mPlayState, kPlayIdle, "nothing launched");
        checks.check(launcherVisible(view), "the launcher stays shown");
    });
}
