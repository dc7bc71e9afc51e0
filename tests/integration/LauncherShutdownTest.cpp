// The one teardown: Quit, the main window's close box, SIGTERM and the end of the loop each run
// it once, also when they follow each other, and nothing that arrives afterwards touches the
// destroyed view object or the unloaded plug-in. (That it stops a running game is
// StartPageKeys' part; the shipped executable started under another name the end-to-end
// tests'.)
#include "GameWrapperEvent.h"
#include "GameWrapperView.h"
#include "LauncherRun.h"

#include <gtest/gtest.h>

#include <csignal>

#include <functional>
#include <string>
#include <vector>

using namespace LauncherTest;

namespace {

// Everything a user or the system can still send once the teardown has run; none of it may
// reach the plug-in or the view object.
void sendEverythingAfterTheTeardown(LauncherScript& s, WindowRef window) {
    std::size_t before = currentRecord().size();
    sendCommand(kHICommandQuit);
    sendCommand(kHICommandAbout);
    sendWindowEvent(window, kEventWindowClose);
    sendWindowEvent(window, kEventWindowDrawContent);
    sendMouse(window, kEventMouseMoved, 500, 470);
    sendMouse(window, kEventMouseDown, 600, 480);
    sendMouse(window, kEventMouseUp, 600, 480);
    sendKey(window, kEventRawKeyDown, 'x');
    raise(SIGTERM);
    s.check(currentRecord().size() == before, "nothing reaches the plug-in after the teardown");
    s.check(existingView() == nullptr && HasSystemShutdownRun(), "the view object stays gone");
}

Script closingWith(const std::function<void(WindowRef)>& end) {
    return [end](LauncherScript& script) {
        script.when(mainWindowShown, [&script, end] {
            WindowRef window = existingView()->mWindow;
            end(window);
            if (HasSystemShutdownRun()) {
                sendEverythingAfterTheTeardown(script, window);
            }
        });
    };
}

} // namespace

// The signal only wakes the loop; its teardown runs from the loop, after the step.
TEST(LauncherShutdown, QuitCloseAndSigtermEachTearDownOnce) {
    TestSupport::TempDir dir;
    LauncherTestBundle bundle(dir.path());
    for (const auto& end : std::vector<std::function<void(WindowRef)>>{
             [](WindowRef) { sendCommand(kHICommandQuit); },
             [](WindowRef window) { sendWindowEvent(window, kEventWindowClose); },
             [](WindowRef) { raise(SIGTERM); }}) {
        expectOneTeardown(runLauncher(bundle, closingWith(end)));
    }
}
