// Start-up outcomes: each run is the launcher's whole start-up in a child process, ending with
// the exit status the user's shell would see (-1 is 255).
#include "GameWrapperEULAEvent.h"
#include "GameWrapperEvent.h"
#include "LauncherRun.h"

#include <MacPlatformTesting.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace LauncherTest;
using TestSupport::TempDir;

namespace {

// The platform's report of an alert answered without a display.
std::string alert(const std::string& type, const std::string& message,
                  const std::string& explanation) {
    return "MacPlatform alert (" + type + "): " + message + " - " + explanation +
           " [OK] answered: OK\n";
}

std::string internalError(const std::string& explanation) {
    return alert("stop", "The game cannot run due to an internal error", explanation);
}

// Quits through the menu as soon as the main window shows.
const Script quitOnceShown = onceShown([](LauncherScript&, GameWrapperView*) {});

} // namespace

TEST(LauncherStartup, TheContentsPathIsTwoFoldersUpAndMustFitItsBuffer) {
    const std::string folder(1022, 'd');
    const std::pair<std::string, std::string> cases[] = {
        {"/Apps/X.app/Contents/MacOS/X", "/Apps/X.app/Contents"},
        {"/a/b", ""}, // the second '/' from the end is the first
        {"/" + folder + "/MacOS/X", "/" + folder},
        {"/d" + folder + "/MacOS/X", ""}};
    for (const auto& [path, contents] : cases) {
        EXPECT_EQ(std::string(GetContentsPath(path.c_str())), contents) << path;
    }
}

// A later start without the prompt is the end-to-end test's part, and the record kept per game
// is GWPref's.
TEST(LauncherStartup, AgreeingShowsTheMainWindowAndStoresTheAgreement) {
    TempDir dir;
    std::string rtf = "{\\rtf1\\ansi{\\fonttbl\\f0 Helvetica;}\\f0 ";
    for (int paragraph = 1; paragraph <= 30; ++paragraph) {
        rtf += "Paragraph " + std::to_string(paragraph) + " of the agreement.\\par ";
    }
    LauncherTestBundle bundle(dir.path(), {.eulaRTF = rtf + "}"});
    RunResult agreed = runLauncher(bundle, [](LauncherScript& script) {
        script.when(promptShown, [&script] {
            bool isRTF = false;
            script.check(GetEulaFileName(&isRTF) && isRTF, "the RTF agreement is shown");
            // The laid-out agreement in the prompt's text view.
            WindowRef prompt = FrontNonFloatingWindow();
            HIViewRef textView = nullptr;
            HIRect text{};
            HIViewFindByID(HIViewGetRoot(prompt), ControlID{'MTXT', 0}, &textView);
            TXNGetHIRect(HITextViewGetTXNObject(textView), kTXNTextRectKey, &text);
            script.check(text.size.height > 200, "the agreement text is in the view");
            sendCommand(kHICommandNew, prompt);
            sendCommand(kHICommandOpen, prompt);
            script.check(FrontNonFloatingWindow() == prompt, "New and Open do nothing");
            sendCommand(kHICommandOK, prompt);
        });
        quitOnceShown(script);
    });
    expectOneTeardown(agreed);
    EXPECT_EQ(countLines(agreed.record, "kxdll_Initialize 1234"), 1) << agreed.record;
    EXPECT_TRUE(agreed.storedPreferences);
}

// Start-ups that end by themselves, or when the main window shows and the menu quits: the exit
// status, the launcher's output (the part given, and no alert that it does not name), the
// plug-in's calls (none at all when the list is empty), and never stored preferences. Declining
// the agreement is the end-to-end tests' part.
TEST(LauncherStartup, EachStartUpEndsWithItsStatusOutputAndCalls) {
    TempDir dir;
    auto expectRun = [&](BundleOptions options, int exitCode, const std::string& output,
                         const std::vector<std::pair<std::string, int>>& calls,
                         const RunOptions& run = {}) {
        SCOPED_TRACE(options.name);
        LauncherTestBundle bundle(dir.path(), options);
        RunResult result = runLauncher(bundle, quitOnceShown, run);
        EXPECT_EQ(result.exitCode, exitCode);
        EXPECT_NE(result.output.find(output), std::string::npos) << result.output;
        if (output.find("MacPlatform alert") == std::string::npos) {
            EXPECT_EQ(result.output.find("MacPlatform alert"), std::string::npos) << result.output;
        }
        if (calls.empty()) {
            EXPECT_EQ(result.record, "");
        }
        for (const auto& [call, count] : calls) {
            EXPECT_EQ(countLines(result.record, call), count) << call << " in\n" << result.record;
        }
        EXPECT_FALSE(result.storedPreferences);
    };
    const std::string ended = "end view=0 shutdown=0\n";
    expectRun({.name = "Old"}, 0,
              "MacPlatform alert (stop): Sorry, we only support Mac OS X 10.3 or later [OK] "
              "answered: OK\n" +
                  ended,
              {}, {.systemVersion = 0x102F});
    expectRun({.name = "Oldest"}, 0, "end view=0 shutdown=1\n",
              {{"kxdll_Initialize 1234 \"Test Game\" 7 4.99 1 6", 1}, {"kxdll_ShutDown", 1}},
              {.systemVersion = 0x1030});

    std::string contents = dir / "Missing.app/Contents";
    expectRun({.name = "Missing", .omit = {"Tessaly.dat", "Application.dat"}}, 255,
              alert("plain", "Game File Missing", contents + "/Resources/Tessaly.dat") + contents +
                  " GameFile Not present: Resources/Tessaly.dat\n" +
                  alert("plain", "Game File Missing", contents + "/Resources/Application.dat") +
                  contents + " GameFile Not present: Resources/Application.dat\n" + ended,
              {});
    // The game information is needed before the agreement.
    expectRun({.name = "NoInformation", .eulaText = "Agreement.\n", .omit = {"RAW_002.wdt"}}, 255,
              internalError("The game information (RAW_002.wdt) is missing from the game's "
                            "resources or cannot be read.") +
                  ended,
              {});

    // A plug-in that fails is reported and never called again; the host ends the process
    // without its library.
    std::string damaged = "Catalogue Tessaly/catalogue.dat is damaged";
    expectRun({.name = "FailingInit", .pluginPath = testPluginPath("kxtest-failing-init.so")}, 255,
              "KX_Initialize failed with error 3, " + damaged + "\n" +
                  internalError("Initialize Failed with: " + damaged) + ended,
              {{"kxdll_ShutDown", 0}});
    expectRun({.name = "NoPlugIn", .pluginPath = ""}, 1, "Pellucid.dylib FAILED", {});

    // Without its nib the launcher ends with the status of CreateNibReference, unchanged, once
    // the loaded plug-in is shut down; the prompt needs the nib too, and without it nothing is
    // agreed and the launcher ends quietly.
    expectRun({.name = "NoNib", .omit = {"main.nib"}}, fnfErr & 0xFF, "", {{"kxdll_ShutDown", 1}});
    expectRun({.name = "NoNibPrompt", .eulaText = "Agreement.\n", .omit = {"main.nib"}}, 0, ended,
              {});
}
