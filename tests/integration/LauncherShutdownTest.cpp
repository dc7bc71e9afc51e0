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
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>

using namespace LauncherTest;

extern char** environ;

namespace {

// What every way out must leave: status 0, the plug-in shut down exactly once, the view object
// gone.
void expectOneTeardown(const RunResult& run) {
    EXPECT_TRUE(run.exited) << run.output;
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.checksPassed()) << run.output;
    EXPECT_EQ(countLines(run.record, "kxdll_ShutDown"), 1) << run.record;
    EXPECT_NE(run.output.find("end view=0 shutdown=1\n"), std::string::npos) << run.output;
}

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

TEST_F(LauncherShutdown, QuitCloseAndSigtermEachTearDownOnce) {
    TestSupport::TempDir dir;
    LauncherTestBundle bundle(dir.path());

    RunResult quit =
        runLauncher(bundle, closingWith([](WindowRef) { sendCommand(kHICommandQuit); }));
    expectOneTeardown(quit);

    RunResult close = runLauncher(
        bundle, closingWith([](WindowRef window) { sendWindowEvent(window, kEventWindowClose); }));
    expectOneTeardown(close);

    // The signal only wakes the loop; the teardown runs from the loop, after this step.
    RunResult sigterm = runLauncher(bundle, closingWith([](WindowRef) { raise(SIGTERM); }));
    expectOneTeardown(sigterm);
}

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
namespace {

// argv0: what the program is told its name is; empty: its full path.
pid_t spawnLauncher(const LauncherTestBundle& bundle, const std::string& folder,
                    std::string argv0 = {}) {
    std::vector<std::string> settings = {
        "MACPLATFORM_DISPLAY=headless", "XDG_CONFIG_HOME=" + folder, "HOME=" + folder,
        "KXTEST_RECORD_FILE=" + folder + "/record", "PATH=/usr/bin:/bin"};
    std::vector<char*> env;
    for (std::string& setting : settings) {
        env.push_back(setting.data());
    }
    env.push_back(nullptr);
    std::string program = bundle.executablePath();
    if (argv0.empty()) {
        argv0 = program;
    }
    char* argv[] = {argv0.data(), nullptr};
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, (folder + "/stdout").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&files, STDERR_FILENO, (folder + "/stderr").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    int error = posix_spawn(&pid, program.c_str(), &files, nullptr, argv, env.data());
    posix_spawn_file_actions_destroy(&files);
    return error == 0 ? pid : -1;
}

int exitStatusOf(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
        return -1000;
    }
    return WEXITSTATUS(status);
}

} // namespace

// Quitting the shipped executable is the end-to-end tests' part; here, a shipped bundle that
// lacks a data file, told that its name is a link in another folder (as a link on the PATH or a
// desktop entry starts it), still finds its own Contents folder, names the file and ends at
// once with -1.
TEST_F(LauncherShutdown, TheShippedExecutableFindsItsBundleUnderAnotherName) {
    TestSupport::TempDir dir;
    LauncherTestBundle bundle(dir.path(), {.omit = {"Channel.dat"}});
    bundle.installExecutable(GW_LAUNCHER_PATH, GW_PLATFORM_LIBRARY);
    pid_t broken = spawnLauncher(bundle, dir.path(), dir.path() + "/bin/demo-game");
    ASSERT_GT(broken, 0);
    track(broken);
    EXPECT_EQ(exitStatusOf(broken), 255);
    EXPECT_EQ(TestSupport::readFile(dir / "stdout"),
              bundle.contents() + " GameFile Not present: Resources/Channel.dat\n");
}
#endif
