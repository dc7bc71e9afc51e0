// Where the main window's events go: to the image buttons while the start page shows, to the
// plug-in (as positions, as events, or both) while the game center shows, and the agreement
// prompt's commands nowhere. Each check sends its events synchronously inside one timer step,
// so nothing the loop delivers in between gets mixed into the plug-in's record.
#include "GameWrapperButton.h"
#include "GameWrapperEvent.h"
#include "GameWrapperView.h"
#include "LauncherRun.h"

#include <MacPlatformTesting.h>

#include <gtest/gtest.h>

#include <csignal>

#include <string>

using namespace LauncherTest;

namespace {

void checkRoutingInBothViews(LauncherScript& s) {
    GameWrapperView* view = existingView();
    WindowRef window = view->mWindow;

    // Start page: the pointer over "Play Game" (its 110-pixel picture spans x 458 to 568,
    // y 465 to 495) turns the cursor into the pointing hand; the plug-in hears nothing of it.
    std::string heard = recordedDuring([&] { sendMouse(window, kEventMouseMoved, 500, 470); });
    s.check(MacPlatformTestCurrentThemeCursor() == kThemePointingHandCursor, "hover a button");
    heard += recordedDuring([&] { sendMouse(window, kEventMouseDragged, 10, 10); });
    s.check(MacPlatformTestCurrentThemeCursor() == kThemeArrowCursor, "leave the button");
    s.check(heard.empty(), "start-page moves stay with the buttons: " + heard);

    // The wheel, keys, drawing and other commands go to the plug-in; the prompt's commands
    // neither reach it nor close the main window.
    heard = recordedDuring([&] {
        sendMouse(window, kEventMouseWheelMoved, 100, 100);
        sendKey(window, kEventRawKeyDown, 'a');
        sendWindowEvent(window, kEventWindowDrawContent);
        sendCommand(kHICommandAbout);
        sendCommand(kHICommandOK);
        sendCommand('not!');
    });
    s.equal(heard,
            std::string("kxdll_HandleMacEvent mous 10\nkxdll_HandleMacEvent keyb 1\n"
                        "kxdll_HandleMacEvent wind 2\nkxdll_HandleMacEvent cmds 1\n"),
            "the plug-in's calls on the start page");
    s.check(mainWindowShown(), "nor close the main window");

    // A press on "Play Game" while "Other Games" (x 583 to 693) keeps an earlier press: the
    // window's handler releases the one, the hit test that follows presses the other.
    sendMouse(window, kEventMouseDown, 600, 480);
    sendMouse(window, kEventMouseUp, 10, 10);
    sendMouse(window, kEventMouseDown, 500, 480);
    s.check(view->mMainButtons[1]->mPressed && !view->mMainButtons[0]->mPressed,
            "one press moves from button to button");
    sendMouse(window, kEventMouseUp, 10, 10);
    // A click on "Other Games" opens the game center through its button.
    heard = recordedDuring([&] {
        sendMouse(window, kEventMouseDown, 600, 480);
        sendMouse(window, kEventMouseUp, 600, 480);
    });
    s.check(
        view->mInGameCenter && heard.find("kxdll_EnterMenuSession 1 720 540\n") == 0 &&
            countLines(heard, "kxdll_SetMousePosition") + countLines(heard, "kxdll_Handle") == 0,
        "Other Games switches to the game center, the click staying with the buttons: " + heard);

    // Game center: moves only as positions (no button hovers there), presses and releases as
    // position and event (the standard handler then hit-tests the game-center view, which
    // hands its own hit-test event on too), the wheel and keys as events, the prompt's
    // commands nowhere.
    heard = recordedDuring([&] {
        sendMouse(window, kEventMouseMoved, 500, 470);
        sendMouse(window, kEventMouseDragged, 11, 21);
        sendMouse(window, kEventMouseDown, 30, 40);
        sendMouse(window, kEventMouseUp, 31, 41);
        sendMouse(window, kEventMouseWheelMoved, 5, 5);
        sendCommand(kHICommandOK);
        sendCommand('not!');
        sendKey(window, kEventRawKeyUp, 'a');
    });
    s.equal(heard,
            std::string("kxdll_SetMousePosition 500 470\nkxdll_SetMousePosition 11 21\n"
                        "kxdll_SetMousePosition 30 40\nkxdll_HandleMacEvent mous 1\n"
                        "kxdll_HandleMacEvent cntl 3\nkxdll_SetMousePosition 31 41\n"
                        "kxdll_HandleMacEvent mous 2\nkxdll_HandleMacEvent mous 10\n"
                        "kxdll_HandleMacEvent keyb 3\n"),
            "the plug-in's calls in the game center");
    s.check(MacPlatformTestCurrentThemeCursor() == kThemeArrowCursor, "no button hovers there");
    // The one teardown (the end-to-end tests end the launcher every way a user can): once Quit
    // ran it, nothing that a user or the system still sends reaches the plug-in or the view.
    sendCommand(kHICommandQuit);
    heard = recordedDuring([&] {
        sendCommand(kHICommandQuit);
        sendCommand(kHICommandAbout);
        sendWindowEvent(window, kEventWindowClose);
        sendWindowEvent(window, kEventWindowDrawContent);
        sendMouse(window, kEventMouseDown, 600, 480);
        sendMouse(window, kEventMouseUp, 600, 480);
        sendKey(window, kEventRawKeyDown, 'x');
        raise(SIGTERM);
        GameWrapperView::TimerAction_GameCenter(nullptr, nullptr);
        GameWrapperView::TimerAction_PlayGame(nullptr, nullptr);
    });
    s.check(heard.empty(), "nothing reaches the plug-in after the teardown: " + heard);
    s.check(existingView() == nullptr && HasSystemShutdownRun(), "the view object stays gone");
}

} // namespace

TEST(LauncherRouting, EventsReachTheButtonsOrThePlugInByView) {
    TestSupport::TempDir dir;
    LauncherTestBundle bundle(dir.path());
    RunResult run = runLauncher(bundle, [](LauncherScript& script) {
        script.when(mainWindowShown, [&script] { checkRoutingInBothViews(script); });
    });
    expectOneTeardown(run);
}
