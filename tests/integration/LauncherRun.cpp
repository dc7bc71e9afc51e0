#include "LauncherRun.h"

#include "GameWrapperEvent.h"
#include "GameWrapperView.h"

#include <MacPlatformTesting.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace LauncherTest {

namespace {

// The run's record file, known to the child's helpers.
std::string g_RecordFile;

void Tick(EventLoopTimerRef, void* script) {
    static_cast<LauncherScript*>(script)->tick();
}

OSStatus SendEvent(EventRef event, EventTargetRef target, OSStatus status) {
    if (status == noErr) {
        status = SendEventToEventTarget(event, target);
    }
    ReleaseEvent(event);
    return status;
}

// The child: sets up the environment, runs the launcher and ends with its status.
[[noreturn]] void RunChild(const LauncherTestBundle& bundle, const Script& script,
                           const RunOptions& options, const std::string& folder,
                           const std::string& configHome) {
    alarm(30);
    // One file in the order things happened: console lines, and alerts, which without a
    // display the platform answers with their default button and reports on standard error.
    int out = open((folder + "/output").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(out, STDOUT_FILENO);
    dup2(out, STDERR_FILENO);
    close(out);
    setvbuf(stdout, nullptr, _IONBF, 0);

    setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
    g_RecordFile = folder + "/record";
    setenv("KXTEST_RECORD_FILE", g_RecordFile.c_str(), 1);
    bundle.makeMainBundle();
    if (options.systemVersion != 0) {
        MacPlatformTestSetSystemVersion(true, options.systemVersion);
    }

    static LauncherScript s_Script;
    script(s_Script);
    EventLoopTimerRef timer = nullptr;
    InstallEventLoopTimer(GetMainEventLoop(), 0.01, 0.01, Tick, &s_Script, &timer);

    std::string executable =
        options.executablePath.empty() ? bundle.executablePath() : options.executablePath;
    char* argv[] = {executable.data(), nullptr};
    int result = GameWrapperMain(1, argv);
    std::printf("end view=%d shutdown=%d\n", GameWrapperView::GetExistingInstance() != nullptr,
                HasSystemShutdownRun());
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(result);
}

} // namespace

void LauncherScript::when(std::function<bool()> condition, std::function<void()> action) {
    mSteps.push_back({std::move(condition), std::move(action)});
}

void LauncherScript::check(bool ok, const std::string& what) {
    if (!ok) {
        std::fprintf(stderr, "check failed: %s\n", what.c_str());
    }
}

void LauncherScript::tick() {
    if (mNext < mSteps.size() && mSteps[mNext].condition()) {
        // Advanced first: the action may run the event loop's end, and a step runs once.
        Step& step = mSteps[mNext++];
        step.action();
    }
}

bool RunResult::checksPassed() const {
    return output.find("check failed:") == std::string::npos;
}

RunResult runLauncher(const LauncherTestBundle& bundle, const Script& script,
                      const RunOptions& options) {
    TestSupport::TempDir folder;
    std::string configHome = options.configHome;
    if (configHome.empty()) {
        configHome = folder / "config";
        TestSupport::makeDirectories(configHome);
    }
    std::fflush(stdout);
    std::fflush(stderr);
    pid_t child = fork();
    if (child == 0) {
        RunChild(bundle, script, options, folder.path(), configHome);
    }
    RunResult result;
    EXPECT_GT(child, 0) << "fork failed";
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child) {
        result.exited = WIFEXITED(status);
        result.exitCode = result.exited ? WEXITSTATUS(status) : -1;
    }
    result.output = TestSupport::readFile(folder / "output");
    result.record = TestSupport::readFile(folder / "record");
    return result;
}

GameWrapperView* existingView() {
    return GameWrapperView::GetExistingInstance();
}

bool promptShown() {
    GameWrapperView* view = existingView();
    return (!view || !view->mWindow) && FrontNonFloatingWindow() != nullptr;
}

bool mainWindowShown() {
    GameWrapperView* view = existingView();
    return view && view->mWindow && IsWindowVisible(view->mWindow);
}

static OSStatus sendCommandTo(EventTargetRef target, UInt32 commandID) {
    EventRef event = nullptr;
    OSStatus status = CreateEvent(nullptr, kEventClassCommand, kEventCommandProcess, 0,
                                  kEventAttributeNone, &event);
    if (status != noErr) {
        return status;
    }
    HICommand command{};
    command.commandID = commandID;
    status =
        SetEventParameter(event, kEventParamDirectObject, typeHICommand, sizeof command, &command);
    return SendEvent(event, target, status);
}

OSStatus sendCommand(UInt32 commandID) {
    return sendCommandTo(GetApplicationEventTarget(), commandID);
}

OSStatus sendCommandToWindow(WindowRef window, UInt32 commandID) {
    return sendCommandTo(GetWindowEventTarget(window), commandID);
}

OSStatus sendMouse(WindowRef window, UInt32 kind, int x, int y) {
    EventRef event = nullptr;
    OSStatus status = CreateEvent(nullptr, kEventClassMouse, kind, 0, kEventAttributeNone, &event);
    if (status != noErr) {
        return status;
    }
    HIPoint where = {static_cast<CGFloat>(x), static_cast<CGFloat>(y)};
    EventMouseButton button = kEventMouseButtonPrimary;
    status =
        SetEventParameter(event, kEventParamWindowMouseLocation, typeHIPoint, sizeof where, &where);
    if (status == noErr) {
        status =
            SetEventParameter(event, kEventParamMouseLocation, typeHIPoint, sizeof where, &where);
    }
    if (status == noErr) {
        status = SetEventParameter(event, kEventParamMouseButton, typeMouseButton, sizeof button,
                                   &button);
    }
    return SendEvent(event, GetWindowEventTarget(window), status);
}

OSStatus sendKey(WindowRef window, UInt32 kind, char character) {
    EventRef event = nullptr;
    OSStatus status =
        CreateEvent(nullptr, kEventClassKeyboard, kind, 0, kEventAttributeNone, &event);
    if (status != noErr) {
        return status;
    }
    UInt32 keyCode = 0;
    status = SetEventParameter(event, kEventParamKeyMacCharCodes, typeChar, 1, &character);
    if (status == noErr) {
        status = SetEventParameter(event, kEventParamKeyCode, typeUInt32, sizeof keyCode, &keyCode);
    }
    return SendEvent(event, GetWindowEventTarget(window), status);
}

OSStatus sendWindowEvent(WindowRef window, UInt32 kind) {
    EventRef event = nullptr;
    OSStatus status = CreateEvent(nullptr, kEventClassWindow, kind, 0, kEventAttributeNone, &event);
    if (status != noErr) {
        return status;
    }
    status =
        SetEventParameter(event, kEventParamDirectObject, typeWindowRef, sizeof window, &window);
    return SendEvent(event, GetWindowEventTarget(window), status);
}

std::string currentRecord() {
    return TestSupport::readFile(g_RecordFile);
}

int countLines(const std::string& text, const std::string& prefix) {
    std::istringstream lines(text);
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        count += line.rfind(prefix, 0) == 0;
    }
    return count;
}

} // namespace LauncherTest
