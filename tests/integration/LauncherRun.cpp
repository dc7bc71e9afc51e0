#include "LauncherRun.h"

#include "GameWrapperEvent.h"
#include "GameWrapperView.h"
#include "TestSupport.h"

#include <MacPlatformTesting.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace LauncherTest {

// The run's record file, known to the child's helpers.
static std::string g_RecordFile;

void LauncherScript::tick() {
    if (mNext < mSteps.size() && mSteps[mNext].condition()) {
        // Advanced first: the action may run the event loop's end, and a step runs once.
        Step& step = mSteps[mNext++];
        step.action();
    }
}

void expectOneTeardown(const RunResult& run) {
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_TRUE(run.checksPassed()) << run.output;
    EXPECT_EQ(countLines(run.record, "kxdll_ShutDown"), 1) << run.record;
    EXPECT_NE(run.output.find("end view=0 shutdown=1\n"), std::string::npos) << run.output;
}

RunResult runLauncher(const LauncherTestBundle& bundle, const Script& script,
                      const RunOptions& options) {
    TestSupport::TempDir folder;
    std::string configHome = folder / "config";
    TestSupport::makeDirectories(configHome);
    std::fflush(stdout);
    std::fflush(stderr);
    pid_t child = fork();
    if (child == 0) {
        alarm(30);
        // One file in the order things happened: console lines, and alerts, which without a
        // display the platform answers with their default button and reports on standard error.
        int out = open((folder / "output").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
        setvbuf(stdout, nullptr, _IONBF, 0);
        setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
        recordTo(folder / "record");
        MacPlatformTestSetMainBundlePath(bundle.path.c_str());
        if (options.systemVersion != 0) {
            MacPlatformTestSetSystemVersion(true, options.systemVersion);
        }
        static LauncherScript s_Script;
        script(s_Script);
        InstallEventLoopTimer(
            GetMainEventLoop(), 0.01, 0.01,
            [](EventLoopTimerRef, void* steps) { static_cast<LauncherScript*>(steps)->tick(); },
            &s_Script, nullptr);
        std::string executable = bundle.path + "/Contents/MacOS/GameWrapper";
        char* argv[] = {executable.data(), nullptr};
        int status = GameWrapperMain(1, argv);
        std::printf("end view=%d shutdown=%d\n", existingView() != nullptr, HasSystemShutdownRun());
        std::fflush(stderr);
        TestSupport::exitChild(status);
    }
    RunResult result;
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child) {
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    result.output = TestSupport::readFile(folder / "output");
    result.record = TestSupport::readFile(folder / "record");
    result.storedPreferences = TestSupport::pathExists(configHome + "/Preferences");
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

OSStatus sendEvent(UInt32 eventClass, UInt32 kind, EventTargetRef target,
                   std::initializer_list<EventParameter> parameters) {
    EventRef event = nullptr;
    OSStatus status = CreateEvent(nullptr, eventClass, kind, 0, kEventAttributeNone, &event);
    for (const EventParameter& parameter : parameters) {
        SetEventParameter(event, parameter.name, parameter.type, parameter.size, parameter.data);
    }
    status = status != noErr ? status : SendEventToEventTarget(event, target);
    ReleaseEvent(event);
    return status;
}

OSStatus sendCommand(UInt32 commandID, WindowRef window) {
    HICommand command{};
    command.commandID = commandID;
    return sendEvent(kEventClassCommand, kEventCommandProcess,
                     window ? GetWindowEventTarget(window) : GetApplicationEventTarget(),
                     {{kEventParamDirectObject, typeHICommand, sizeof command, &command}});
}

OSStatus sendMouse(WindowRef window, UInt32 kind, int x, int y) {
    HIPoint where = {static_cast<CGFloat>(x), static_cast<CGFloat>(y)};
    EventMouseButton button = kEventMouseButtonPrimary;
    return sendEvent(kEventClassMouse, kind, GetWindowEventTarget(window),
                     {{kEventParamWindowMouseLocation, typeHIPoint, sizeof where, &where},
                      {kEventParamMouseLocation, typeHIPoint, sizeof where, &where},
                      {kEventParamMouseButton, typeMouseButton, sizeof button, &button}});
}

OSStatus sendKey(WindowRef window, UInt32 kind, char character) {
    UInt32 keyCode = 0;
    return sendEvent(kEventClassKeyboard, kind, GetWindowEventTarget(window),
                     {{kEventParamKeyMacCharCodes, typeChar, 1, &character},
                      {kEventParamKeyCode, typeUInt32, sizeof keyCode, &keyCode}});
}

OSStatus sendWindowEvent(WindowRef window, UInt32 kind) {
    return sendEvent(kEventClassWindow, kind, GetWindowEventTarget(window),
                     {{kEventParamDirectObject, typeWindowRef, sizeof window, &window}});
}

Script onceShown(const std::function<void(LauncherScript&, GameWrapperView*)>& body) {
    return [body](LauncherScript& script) {
        script.when(mainWindowShown, [&script, body] {
            body(script, existingView());
            sendCommand(kHICommandQuit);
        });
    };
}

void drawWindow(bool all) {
    if (all) {
        HIViewSetNeedsDisplay(HIViewGetRoot(existingView()->mWindow), true);
    }
    RunCurrentEventLoop(0);
}

std::vector<UInt32> windowPixels() {
    std::vector<UInt32> pixels(1440 * 1080, 0);
    SInt32 columns = 0;
    SInt32 rows = 0;
    MacPlatformTestCopyWindowPixels(existingView()->mWindow, pixels.data(), pixels.size(), &columns,
                                    &rows);
    pixels.resize(static_cast<size_t>(columns) * rows);
    return pixels;
}

void click(int x, int y) {
    existingView()->MainButtonsMouseMove(x, y);
    existingView()->MainButtonsMouseDown(x, y);
    existingView()->MainButtonsMouseUp(x, y);
}

void recordTo(const std::string& file) {
    g_RecordFile = file;
    setenv("KXTEST_RECORD_FILE", file.c_str(), 1);
}

std::string currentRecord() {
    return TestSupport::readFile(g_RecordFile);
}

std::string recordedDuring(const std::function<void()>& action) {
    std::size_t before = currentRecord().size();
    action();
    return currentRecord().substr(before);
}

int countLines(const std::string& text, const std::string& prefix) {
    int count = 0;
    for (std::size_t at = ("\n" + text).find("\n" + prefix); at != std::string::npos;
         at = ("\n" + text).find("\n" + prefix, at + 1)) {
        ++count;
    }
    return count;
}

} // namespace LauncherTest
