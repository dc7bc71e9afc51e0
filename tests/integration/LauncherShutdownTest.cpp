// The one teardown: Quit, the main window's close box, SIGTERM and the end of the loop each run
// it once, also when they follow each other, and nothing that arrives afterwards touches the
// destroyed view object or the unloaded plug-in.
#include "GWTask.h"
#include "GameWrapperEvent.h"
#include "GameWrapperView.h"
#include "LauncherRun.h"
#include "ProcessFixture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

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

class LauncherShutdown : public ProcessTesting::ProcessFixture {};

} // namespace

// The signal only wakes the loop; its teardown runs from the loop, after the step.
TEST_F(LauncherShutdown, QuitCloseAndSigtermEachTearDownOnce) {
    TestSupport::TempDir dir;
    LauncherTestBundle bundle(dir.path());
    for (const auto& end : std::vector<std::function<void(WindowRef)>>{
             [](WindowRef) { sendCommand(kHICommandQuit); },
             [](WindowRef window) { sendWindowEvent(window, kEventWindowClose); },
             [](WindowRef) { raise(SIGTERM); }}) {
        expectOneTeardown(runLauncher(bundle, closingWith(end)));
    }
}

// The demo game of the end-to-end tests ends with its launcher by itself; the test game does not.
TEST_F(LauncherShutdown, TheTeardownStopsTheRunningGame) {
    TestSupport::TempDir dir;
    LauncherTestBundle bundle(dir.path());
    bundle.installGame("run");
    RunResult run = runLauncher(bundle, [](LauncherScript& script) {
        script.when(mainWindowShown, [&script] {
            GWTask* task = existingView()->GetGameTask();
            script.check(task->StartOpenTask() == noErr, "the game starts");
            std::printf("game %d\n", static_cast<int>(task->GetProcessID()));
        });
        script.when([] { return existingView()->GetGameTask()->IsRunning(); },
                    [] { raise(SIGTERM); });
    });
    std::size_t at = run.output.find("game ");
    ASSERT_NE(at, std::string::npos) << run.output;
    pid_t game = std::stoi(run.output.substr(at + 5));
    ASSERT_GT(game, 0);
    track(game);
    expectOneTeardown(run);
    EXPECT_TRUE(ProcessTesting::waitFor([&] {
        char state = ProcessTesting::stateOf(game);
        return state == '\0' || state == 'Z' || state == 'X';
    })) << "the game was stopped by the teardown";
}

#ifdef GW_LAUNCHER_PATH
// Quitting the shipped executable is the end-to-end tests' part; here, a shipped bundle that
// lacks a data file, told that its name is a link in another folder (as a link on the PATH or a
// desktop entry starts it), still finds its own Contents folder, names the file and ends at
// once with -1.
TEST_F(LauncherShutdown, TheShippedExecutableFindsItsBundleUnderAnotherName) {
    TestSupport::TempDir dir;
    LauncherTestBundle bundle(dir.path(), {.omit = {"Channel.dat"}});
    bundle.installExecutable(GW_LAUNCHER_PATH, GW_PLATFORM_LIBRARY);
    std::string folder = dir.path();
    std::string argv0 = folder + "/bin/demo-game";
    std::vector<std::string> settings = {"MACPLATFORM_DISPLAY=headless", "HOME=" + folder,
                                         "XDG_CONFIG_HOME=" + folder, "PATH=/usr/bin:/bin"};
    char* env[] = {settings[0].data(), settings[1].data(), settings[2].data(), settings[3].data(),
                   nullptr};
    char* argv[] = {argv0.data(), nullptr};
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, (folder + "/stdout").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&files, STDERR_FILENO, (folder + "/stderr").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, bundle.executablePath().c_str(), &files, nullptr, argv, env), 0);
    posix_spawn_file_actions_destroy(&files);
    track(pid);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 255) << "status " << status;
    EXPECT_EQ(TestSupport::readFile(dir / "stdout"),
              bundle.contents() + " GameFile Not present: Resources/Channel.dat\n");
}
#endif
