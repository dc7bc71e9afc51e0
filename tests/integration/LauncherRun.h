// Runs the launcher's whole start-up, event loop and shutdown (GameWrapperMain) in a forked
// child against a test bundle, driven by a script of steps that a loop timer carries out, and
// hands back what the run left: its exit status, its console lines with the alerts it showed,
// and the plug-in's record of the calls it received.
//
// The launcher keeps process-wide state (the view object, the plug-in host, caches, signal
// routing), so every run gets a process of its own.
#pragma once

#include "GameWrapperTestHelpers.h"
#include "LauncherTestBundle.h"

#include <Carbon/Carbon.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

class GameWrapperView;

namespace LauncherTest {

// The child's side of a run: steps, each waiting for its condition on the loop's timer ticks,
// and the checks made along the way (a failed check is a line on standard error that fails the
// run in the parent).
class LauncherScript : public GameWrapperTest::ChildChecks {
public:
    // Runs action once condition holds; steps run in the order they were added.
    void when(std::function<bool()> condition, std::function<void()> action) {
        mSteps.push_back({std::move(condition), std::move(action)});
    }
    // Called by the timer: runs the next step when its condition holds.
    void tick();

private:
    struct Step {
        std::function<bool()> condition;
        std::function<void()> action;
    };
    std::vector<Step> mSteps;
    std::size_t mNext = 0;
};

struct RunOptions {
    // Nonzero: the system version Gestalt reports.
    SInt32 systemVersion = 0;
};

struct RunResult {
    // -1 when the run ended by a signal (the hang guard, a crash).
    int exitCode = -1;
    // Standard output and error in order: console lines, the platform's report line of each
    // alert ("MacPlatform alert (<type>): <message> - <explanation> [<buttons>] answered: ..."),
    // failed checks ("child check failed: ...") and at the end "end view=<0|1> shutdown=<0|1>"
    // once the launcher returned.
    std::string output;
    // The recording plug-in's record of its calls.
    std::string record;
    // Whether the run left preferences in its fresh preferences folder (XDG_CONFIG_HOME).
    bool storedPreferences = false;
    bool checksPassed() const { return output.find("check failed:") == std::string::npos; }
};

using Script = std::function<void(LauncherScript&)>;

// What every way out of a shown launcher must leave: status 0, no failed check, the plug-in
// shut down exactly once, the view object gone and the shutdown routine run.
void expectOneTeardown(const RunResult& run);

// Runs the launcher against the bundle in a child on the headless display; the child is
// ended by a hang guard after half a minute.
RunResult runLauncher(const LauncherTestBundle& bundle, const Script& script,
                      const RunOptions& options = {});

// ---- Helpers for scripts (child side) ---------------------------------------------------------

// The view object, or null before it exists and after the shutdown destroyed it.
GameWrapperView* existingView();
// The agreement window is up: a window is shown before the main window exists.
bool promptShown();
// The main window has been shown.
bool mainWindowShown();

// An event of the class and kind with the parameters, sent to target; the target's answer.
struct EventParameter {
    EventParamName name;
    EventParamType type;
    ByteCount size;
    const void* data;
};
OSStatus sendEvent(UInt32 eventClass, UInt32 kind, EventTargetRef target,
                   std::initializer_list<EventParameter> parameters);
// A command as a menu choice sends it (to the application), or as a push button in the window
// does (to the window, then the application).
OSStatus sendCommand(UInt32 commandID, WindowRef window = nullptr);
// A mouse event at the window-local position.
OSStatus sendMouse(WindowRef window, UInt32 kind, int x, int y);
OSStatus sendKey(WindowRef window, UInt32 kind, char character);
// A window event without parameters (close, draw content, bounds changed).
OSStatus sendWindowEvent(WindowRef window, UInt32 kind);

// Has the recording plug-in note its calls in file, which currentRecord() reads.
void recordTo(const std::string& file);
// A script that, once the main window shows, hands the view object to body and then quits
// through the menu.
Script onceShown(const std::function<void(LauncherScript&, GameWrapperView*)>& body);
// Composites what changed, or (with all) the whole window, as the event loop does once a wake.
void drawWindow(bool all = false);
// The main window's pixels, 0xRRGGBB row by row.
std::vector<UInt32> windowPixels();
// A click at the start page's point, as the image buttons get it from the mouse events.
void click(int x, int y);

// The plug-in's record so far (child side, from the run's record file).
std::string currentRecord();
// The lines the plug-in recorded while action ran.
std::string recordedDuring(const std::function<void()>& action);
// The number of lines of text that start with prefix.
int countLines(const std::string& text, const std::string& prefix);

} // namespace LauncherTest
