// Start-up outcomes: each run is the launcher's whole start-up in a child
// process, ending with the exit status the user's shell would see (-1 is 255).
#include "GameWrapperEULAEvent.h"
#include "GameWrapperEvent.h"
#include "LauncherRun.h"

#include <MacPlatformTesting.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace LauncherTest;
using TestSupport::TempDir;

namespace {

// The platform's report of an alert answered without a display.
std::string alert(const std::string& type, const std::string& message,
                  const std::string& explanation = "") {
    return "MacPlatform alert (" + type + "): " + message +
           (explanation.empty() ? "" : " - " + explanation) + " [OK] answered: OK\n";
}

std::string internalError(const std::string& explanation) {
    return alert("stop", "The game cannot run due to an internal error", explanation);
}

std::string rtfAgreement() {
    std::string text = "{\\rtf1\\ansi{\\fonttbl\\f0 Helvetica;}\\f0 ";
    for (int paragraph = 1; paragraph <= 30; ++paragraph) {
        text += "Paragraph " + std::to_string(paragraph) + " of the agreement.\\par ";
    }
    return text + "}";
}

// The height of the laid-out agreement text in the prompt's text view, or -1.
double promptTextHeight() {
    HIViewRef textView = nullptr;
    ControlID id = {'MTXT', 0};
    HIRect rect{};
    if (HIViewFindByID(HIViewGetRoot(FrontNonFloatingWindow()), id, &textView) != noErr ||
        TXNGetHIRect(HITextViewGetTXNObject(textView), kTXNTextRectKey, &rect) != noErr) {
        return -1;
    }
    return rect.size.height;
}

// Quits through the menu as soon as the main window shows.
void quitOnceShown(LauncherScript& script) {
    script.when(mainWindowShown, [] { sendCommand(kHICommandQuit); });
}

bool hasPreferences(const std::string& configHome) {
    return TestSupport::pathExists(configHome + "/Preferences");
}

} // namespace

TEST(LauncherStartup, ContentsPathAndFileTests) {
    EXPECT_STREQ(GetContentsPath("/Apps/X.app/Contents/MacOS/X"), "/Apps/X.app/Contents");
    EXPECT_STREQ(GetContentsPath("a/b/c"), "a");
    EXPECT_STREQ(GetContentsPath("/a/b"), "") << "the second '/' from the end is the first";
    EXPECT_STREQ(GetContentsPath("/X"), "");
    EXPECT_STREQ(GetContentsPath("X"), "");
    std::string longest = "/" + std::string(1022, 'd') + "/MacOS/X";
    EXPECT_EQ(std::string(GetContentsPath(longest.c_str())).size(), 1023u);
    std::string tooLong = "/" + std::string(1023, 'd') + "/MacOS/X";
    EXPECT_STREQ(GetContentsPath(tooLong.c_str()), "") << "a Contents path must fit its buffer";

    TempDir dir;
    TestSupport::writeFile(dir / "Resources/Tessaly.dat", "x");
    EXPECT_TRUE(TestFileExists(dir.path().c_str(), "Resources/Tessaly.dat"));
    EXPECT_FALSE(TestFileExists(dir.path().c_str(), "Resources/Channel.dat"));
    std::string deep = dir.path() + std::string(1024, '/');
    EXPECT_FALSE(TestFileExists(deep.c_str(), "Resources/Tessaly.dat"))
        << "a path longer than its buffer is refused, not cut";
}

// A later start without the prompt is the end-to-end test's part, and the
// record kept per game is GWPref's.
TEST(LauncherStartup, AgreeingShowsTheMainWindowAndStoresTheAgreement) {
    TempDir dir;
    LauncherTestBundle bundle(dir.path(), {.eulaRTF = rtfAgreement()});
    std::string config = dir / "config";
    TestSupport::makeDirectories(config);

    RunResult agreed = runLauncher(
        bundle,
        [](LauncherScript& script) {
            script.when(promptShown, [&script] {
                bool isRTF = false;
                CFURLRef url = GetEulaFileName(&isRTF);
                script.check(url && isRTF, "the RTF agreement is the one shown");
                script.check(promptTextHeight() > 200, "the agreement text is in the view");
                WindowRef prompt = FrontNonFloatingWindow();
                sendCommandToWindow(prompt, kHICommandNew);
                sendCommandToWindow(prompt, kHICommandOpen);
                script.check(FrontNonFloatingWindow() == prompt, "New and Open do nothing");
                sendCommandToWindow(prompt, kHICommandOK);
            });
            script.when(mainWindowShown, [&script] {
                sendCommand(kHICommandOK);
                sendCommand('not!');
                script.check(mainWindowShown(), "the prompt's commands no longer close windows");
                sendCommand(kHICommandQuit);
            });
        },
        {.configHome = config});
    EXPECT_EQ(agreed.exitCode, 0);
    EXPECT_TRUE(agreed.checksPassed()) << agreed.output;
    EXPECT_EQ(countLines(agreed.record, "kxdll_Initialize 1234"), 1) << agreed.record;
    EXPECT_TRUE(hasPreferences(config));
}

// Start-ups that end by themselves, or when the script quits: the exit status,
// the launcher's output (all of it, or the part given), the plug-in's calls
// (none at all when the list is empty), and never an alert or stored
// preferences that the case does not name.
TEST(LauncherStartup, EachStartUpEndsWithItsStatusOutputAndCalls) {
    TempDir dir;
    auto expectRun = [&](BundleOptions options, int exitCode, const std::string& output, bool whole,
                         const std::vector<std::pair<std::string, int>>& calls, RunOptions run = {},
                         const Script& script = quitOnceShown) {
        SCOPED_TRACE(options.name);
        LauncherTestBundle bundle(dir.path(), options);
        run.configHome = dir / (options.name + "-config");
        TestSupport::makeDirectories(run.configHome);
        RunResult result = runLauncher(bundle, script, run);
        EXPECT_TRUE(result.exited);
        EXPECT_EQ(result.exitCode, exitCode);
        if (whole) {
            EXPECT_EQ(result.output, output);
        } else {
            EXPECT_NE(result.output.find(output), std::string::npos) << result.output;
        }
        if (output.find("alert (") == std::string::npos) {
            EXPECT_EQ(result.output.find("alert ("), std::string::npos) << result.output;
        }
        EXPECT_TRUE(result.checksPassed()) << result.output;
        if (calls.empty()) {
            EXPECT_EQ(result.record, "");
        }
        for (const auto& [call, count] : calls) {
            EXPECT_EQ(countLines(result.record, call), count) << call << " in\n" << result.record;
        }
        EXPECT_FALSE(hasPreferences(run.configHome));
    };
    const std::string ended = "end view=0 shutdown=0\n";
    expectRun({.name = "Old"}, 0,
              alert("stop", "Sorry, we only support Mac OS X 10.3 or later") + ended, true, {},
              {.systemVersion = 0x102F});
    expectRun({.name = "Oldest"}, 0, "end view=0 shutdown=1\n", false,
              {{"kxdll_Initialize 1234 \"Test Game\" 7 4.99 1 6", 1}, {"kxdll_ShutDown", 1}},
              {.systemVersion = 0x1030});

    std::string contents = dir / "Missing.app/Contents";
    expectRun({.name = "Missing", .omit = {"Tessaly.dat", "Application.dat"}}, 255,
              alert("plain", "Game File Missing", contents + "/Resources/Tessaly.dat") + contents +
                  " GameFile Not present: Resources/Tessaly.dat\n" +
                  alert("plain", "Game File Missing", contents + "/Resources/Application.dat") +
                  contents + " GameFile Not present: Resources/Application.dat\n" + ended,
              true, {});
    // A Contents folder 600 characters deep that does not exist: the alert keeps
    // the path's end.
    std::string deep = dir.path() + "/" + std::string(600, 'p');
    std::string deepFile = deep + "/Resources/Tessaly.dat";
    expectRun({.name = "Deep"}, 255,
              alert("plain", "Game File Missing", "..." + deepFile.substr(deepFile.size() - 252)),
              false, {}, {.executablePath = deep + "/MacOS/GameWrapper"});
    expectRun({.name = "NoInformation", .eulaRTF = rtfAgreement(), .omit = {"RAW_002.wdt"}}, 255,
              internalError("The game information (RAW_002.wdt) is missing from the game's "
                            "resources or cannot be read.") +
                  ended,
              false, {});

    // Declining or quitting the prompt of the text agreement ends quietly, with
    // nothing started.
    for (UInt32 command : {UInt32('not!'), UInt32(kHICommandQuit)}) {
        expectRun({.name = "Prompt" + std::to_string(command), .eulaText = "Agreement.\n"}, 0,
                  ended, true, {}, {}, [command](LauncherScript& script) {
                      script.when(promptShown, [&script, command] {
                          bool isRTF = true;
                          script.check(GetEulaFileName(&isRTF) && !isRTF, "the text agreement");
                          if (command == kHICommandQuit) {
                              sendCommand(command);
                          } else {
                              sendCommandToWindow(FrontNonFloatingWindow(), command);
                          }
                      });
                  });
    }
    expectRun({.name = "NoAgreement"}, 0, "end view=0 shutdown=1\n", false, {{"kxdll_ShutDown", 1}},
              {}, [](LauncherScript& script) {
                  script.when([] { return promptShown() || mainWindowShown(); },
                              [&script] {
                                  script.check(mainWindowShown(), "no prompt without an agreement");
                                  script.check(GetEulaFileName(nullptr) == nullptr,
                                               "no file found");
                                  sendCommand(kHICommandQuit);
                              });
              });

    // A plug-in that fails is reported and never called again; the explanation of
    // an alert holds 255 characters, and a longer error text is cut there.
    std::string damaged = "Catalogue Tessaly/catalogue.dat is damaged";
    std::string missing = "Could not link to 'kxdll_SetTrackingMetadata' function within the dll.";
    std::string longText(400, 'e');
    expectRun({.name = "FailingInit", .pluginPath = testPluginPath("kxtest-failing-init.so")}, 255,
              "KX_Initialize failed with error 3, " + damaged + "\n" +
                  internalError("Initialize Failed with: " + damaged) + ended,
              false, {{"kxdll_ShutDown", 0}});
    expectRun(
        {.name = "MissingTracking", .pluginPath = testPluginPath("kxtest-missing-tracking.so")},
        255,
        "KX_Initialize failed with error 5, " + missing + "\n" +
            internalError("Initialize Failed with: " + missing) + ended,
        false, {{"kxdll_ShutDown", 0}});
    expectRun({.name = "LongError", .pluginPath = testPluginPath("kxtest-failing-init.so")}, 255,
              "KX_Initialize failed with error 3, " + longText + "\n" +
                  internalError(("Initialize Failed with: " + longText).substr(0, 255)),
              false, {{"kxdll_ShutDown", 0}}, {},
              [&longText](LauncherScript&) { setenv("KXTEST_ERROR_TEXT", longText.c_str(), 1); });
    // The host ends the process without its library.
    expectRun({.name = "NoPlugIn", .pluginPath = ""}, 1, "Pellucid.dylib FAILED", false, {});

    // Without its nib the launcher ends with the status of CreateNibReference,
    // unchanged, once the loaded plug-in is shut down; the prompt needs the nib
    // too, and without it nothing is agreed and the launcher ends quietly.
    expectRun({.name = "NoNib", .omit = {"main.nib"}}, fnfErr & 0xFF, "", false,
              {{"kxdll_ShutDown", 1}});
    expectRun({.name = "NoNibPrompt", .eulaText = "Agreement.\n", .omit = {"main.nib"}}, 0, ended,
              true, {});
}
