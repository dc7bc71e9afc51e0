// The start page worked from the keyboard through the display's own key events: the focus ring
// shows only once a key is used, Tab and the arrows move it in reading order, Return opens the
// storefront from "Other Games" and Space starts the game from "Play Game"; a game
// controller's keys drive the agreement, the start page and the storefront alike.
#include "Display/Headless/HeadlessDisplay.h"
#include "GWTask.h"
#include "GameWrapperView.h"
#include "HIToolbox/Window.h"
#include "LauncherRun.h"
#include "ProcessFixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace LauncherTest;
namespace Headless = MacPlatform::Display::Headless;

namespace {

// Mac key codes and the characters a US keyboard gives for them.
struct Key {
    int code;
    char character;
};
constexpr Key kTab = {0x30, 0x09};
constexpr Key kReturn = {0x24, 0x0D};
constexpr Key kSpace = {0x31, 0x20};
constexpr Key kLeft = {0x7B, 0x1C};
constexpr Key kRight = {0x7C, 0x1D};
constexpr Key kDown = {0x7D, 0x1F};
constexpr Key kEscape = {0x35, 0x1B};

// "Play Game" comes first in reading order; its ring runs 3 points left of its picture
// (x 458), "Other Games"'s left of its own (x 583).
constexpr int kPlayRingX = 455;
constexpr int kOtherRingX = 580;
constexpr int kRingY = 480;

// A key pressed and let go; a controller's keys name no window, as the display sends them to
// the one with the keyboard.
void press(Key key, std::uint32_t modifiers = 0, std::uint8_t controllerButton = 0) {
    MacPlatform::Display::Event event;
    event.type = MacPlatform::Display::EventType::KeyDown;
    event.windowID = controllerButton != 0
                         ? 0
                         : MacPlatform::Window::fromRef(existingView()->mWindow)->displayID();
    event.controllerButton = controllerButton;
    event.keyCode = key.code;
    event.charCode = key.character;
    event.modifiers = modifiers;
    Headless::postEvent(event);
    event.type = MacPlatform::Display::EventType::KeyUp;
    Headless::postEvent(event);
}

// The ring's light blue on the window, as opposed to the page behind it.
bool ringAt(int x) {
    drawWindow();
    UInt32 pixel = windowPixels()[static_cast<std::size_t>(kRingY * 720 + x)];
    return (pixel & 0xFF) > 0xC0 && ((pixel >> 16) & 0xFF) < 0x80;
}

class StartPageKeys : public ProcessTesting::ProcessFixture {};

} // namespace

// The game that Space starts is stopped by the teardown that Quit runs.
TEST_F(StartPageKeys, TabArrowsReturnAndSpaceWorkTheButtons) {
    TestSupport::TempDir dir;
    LauncherTestBundle bundle(dir.path());
    bundle.installGame("run");
    RunResult run = runLauncher(bundle, [](LauncherScript& s) {
        s.when(mainWindowShown, [&s] {
            s.check(existingView()->mFocusedButton < 0 && !ringAt(kPlayRingX) &&
                        !ringAt(kOtherRingX),
                    "no ring before a key is used");
            press(kTab);
        });
        // "Play Game" is the second button; a focus that never comes leaves the run to its
        // hang guard.
        s.when([] { return existingView()->mFocusedButton == 1; },
               [&s] {
                   s.check(ringAt(kPlayRingX) && !ringAt(kOtherRingX), "Tab rings Play Game alone");
                   // Right, Left, Right: back on "Other Games", which Return presses.
                   press(kRight);
                   press(kLeft);
                   press(kRight);
                   press(kReturn);
               });
        s.when([] { return existingView()->mInGameCenter; },
               [&s] {
                   std::string record = currentRecord();
                   s.check(countLines(record, "kxdll_EnterMenuSession 1 720 540") == 1 &&
                               countLines(record, "kxdll_HandleMacEvent keyb 1") == 0,
                           "Return opened the storefront, the keys that worked the buttons "
                           "staying theirs: " +
                               record);
                   existingView()->SetInPellucidAndChangeViews(false);
                   // Shift+Tab wraps back to "Play Game"; Space presses it.
                   press(kTab, shiftKey);
                   press(kSpace);
               });
        s.when([] { return existingView()->mPlayState != 0; },
               [&s] {
                   GWTask* task = existingView()->GetGameTask();
                   s.check(task && existingView()->mLaunchError == noErr, "Space started the game");
                   std::printf("game %d\n", task ? static_cast<int>(task->GetProcessID()) : 0);
                   sendCommand(kHICommandQuit);
               });
    });
    expectOneTeardown(run);
    std::size_t at = run.output.find("game ");
    pid_t game = at == std::string::npos ? 0 : std::stoi(run.output.substr(at + 5));
    track(game);
    unsigned long long start = ProcessTesting::startTimeOf(game);
    EXPECT_TRUE(ProcessTesting::waitFor([&] { return ProcessTesting::hasEnded(game, start); }))
        << "the game was stopped by the teardown";
}

TEST_F(StartPageKeys, AControllerDrivesTheAgreementTheStartPageAndTheStorefront) {
    TestSupport::TempDir dir;
    LauncherTestBundle bundle(dir.path(), {.eulaText = "Play fair.\n"});
    bundle.installGame("run");
    RunResult run = runLauncher(bundle, [](LauncherScript& s) {
        // A (south) agrees.
        s.when(promptShown, [] { press(kReturn, 0, kMacPlatformControllerSouth); });
        s.when(mainWindowShown, [] {
            // The D-pad shows the ring, then moves it to "Other Games"; A presses it.
            press(kRight, 0, kMacPlatformControllerDirection);
            press(kRight, 0, kMacPlatformControllerDirection);
            press(kReturn, 0, kMacPlatformControllerSouth);
        });
        s.when([] { return existingView()->mInGameCenter; },
               [] {
                   press(kDown, 0, kMacPlatformControllerDirection);
                   press(kEscape, 0, kMacPlatformControllerEast);
               });
        // The storefront hears both as ordinary key-downs (a hang here fails the run).
        s.when([] { return countLines(currentRecord(), "kxdll_HandleMacEvent keyb 1") == 2; },
               [] {
                   existingView()->SetInPellucidAndChangeViews(false);
                   // Start plays wherever the ring is.
                   press(kReturn, 0, kMacPlatformControllerStart);
               });
        s.when([] { return existingView()->mPlayState != 0; }, [] { sendCommand(kHICommandQuit); });
    });
    expectOneTeardown(run);
    EXPECT_EQ(countLines(run.record, "kxdll_EnterMenuSession 1 720 540"), 1) << run.record;
}
