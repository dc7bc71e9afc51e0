// Start-up outcomes: each run is the launcher's whole start-up in a child process, ending with
// the exit status the user's shell would see (-1 is 255).
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

TEST(LauncherStartup, SystemVersionBefore10_3IsRefusedWithAnAlert) {
    TempDir dir;
    LauncherTestBundle bundle(dir.path());
    RunResult old = runLauncher(bundle, quitOnceShown, {.systemVersion = 0x102F});
    EXPECT_EQ(old.exitCode, 0);
    EXPECT_EQ(old.output, alert("stop", "Sorry, we only support Mac OS X 10.3 or later") +
                              "end view=0 shutdown=0\n");
    EXPECT_EQ(old.record, "") << "the plug-in is never loaded";

    RunResult oldest = runLauncher(bundle, quitOnceShown, {.systemVersion = 0x1030});
    EXPECT_EQ(oldest.exitCode, 0);
    EXPECT_EQ(oldest.output.find("alert ("), std::string::npos) << oldest.output;
    EXPECT_EQ(countLines(oldest.record, "kxdll_Initialize 1234 \"Test Game\" 7 4.99 1 6"), 1)
        << oldest.record;
    EXPECT_EQ(countLines(oldest.record, "kxdll_ShutDown"), 1);
    EXPECT_TRUE(oldest.checksPassed()) << oldest.output;
}

TEST(LauncherStartup, EachMissingFileHasItsAlertAndLineThenTheLauncherEnds) {
    TempDir dir;
    LauncherTestBundle bundle(dir.path(), {.omit = {"Tessaly.dat", "Application.dat"}});
    RunResult run = runLauncher(bundle, quitOnceShown);
    EXPECT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, 255);
    std::string contents = bundle.contents();
    EXPECT_EQ(run.output,
              alert("plain", "Game File Missing", contents + "/Resources/Tessaly.dat") + contents +
                  " GameFile Not present: Resources/Tessaly.dat\n" +
                  alert("plain", "Game File Missing", contents + "/Resources/Application.dat") +
                  contents +
                  " GameFile Not present: Resources/Application.dat\n"
                  "end view=0 shutdown=0\n");
    EXPECT_EQ(run.record, "");
}

TEST(LauncherStartup, AnOverlongPathKeepsItsEndInTheAlert) {
    TempDir dir;
    LauncherTestBundle bundle(dir.path());
    // A Contents folder 600 characters deep that does not exist.
    std::string executable = dir.path() + "/" + std::string(600, 'p') + "/MacOS/GameWrapper";
    RunResult run = runLauncher(bundle, quitOnceShown, {.executablePath = executable});
    EXPECT_EQ(run.exitCode, 255);
    std::string full = dir.path() + "/" + std::string(600, 'p') + "/Resources/Tessaly.dat";
    std::string expected =
        alert("plain", "Game File Missing", "..." + full.substr(full.size() - 252));
    EXPECT_NE(run.output.find(expected), std::string::npos) << run.output;
}

TEST(LauncherStartup, MissingGameInformationIsAnInternalErrorBeforeThePlugInLoads) {
    TempDir dir;
    LauncherTestBundle bundle(dir.path(), {.eulaRTF = rtfAgreement(), .omit = {"RAW_002.wdt"}});
    RunResult run = runLauncher(bundle, quitOnceShown);
    EXPECT_EQ(run.exitCode, 255);
    EXPECT_NE(run.output.find("MacPlatform alert (stop): The game cannot run due to an internal "
                              "error - The game information (RAW_002.wdt) is missing"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(run.record, "");
    EXPECT_NE(run.output.find("end view=0"), std::string::npos) << "the view object was freed";
}

TEST(LauncherStartup, AgreeingOnceLetsEveryLaterStartThroughForThatGameOnly) {
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

    Script noPrompt = [](LauncherScript& script) {
        script.when([] { return promptShown() || mainWindowShown(); },
                    [&script] {
                        script.check(mainWindowShown(), "no prompt once agreed");
                        sendCommand(kHICommandQuit);
                    });
    };
    // A later start of the same game without the prompt is the end-to-end test's part.
    LauncherTestBundle other(dir.path(),
                             {.name = "Other",
                              .gameInformation = "Application ID=99\nApplication Name=O\n",
                              .eulaRTF = rtfAgreement()});
    RunResult otherGame = runLauncher(other, noPrompt, {.configHome = config});
    EXPECT_FALSE(otherGame.checksPassed()) << "another game asks for its own agreement";
    EXPECT_EQ(otherGame.exitCode, 0);
    EXPECT_EQ(otherGame.record, "") << "quitting the prompt ends the launcher";
}

TEST(LauncherStartup, DecliningOrQuittingThePromptEndsQuietlyAndStoresNothing) {
    TempDir dir;
    LauncherTestBundle bundle(dir.path(), {.eulaText = "Plain agreement text.\n"});
    std::string config = dir / "config";
    TestSupport::makeDirectories(config);
    for (UInt32 command : {UInt32('not!'), UInt32(kHICommandQuit)}) {
        RunResult run = runLauncher(
            bundle,
            [command](LauncherScript& script) {
                script.when(promptShown, [&script, command] {
                    bool isRTF = true;
                    script.check(GetEulaFileName(&isRTF) && !isRTF, "the text agreement");
                    if (command == kHICommandQuit) {
                        sendCommand(command);
                    } else {
                        sendCommandToWindow(FrontNonFloatingWindow(), command);
                    }
                });
            },
            {.configHome = config});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(run.checksPassed()) << run.output;
        EXPECT_EQ(run.output, "end view=0 shutdown=0\n") << "no alert, nothing started";
        EXPECT_EQ(run.record, "");
        EXPECT_FALSE(hasPreferences(config));
    }
}

TEST(LauncherStartup, WithoutAnAgreementFileThereIsNoPromptAndNothingIsStored) {
    TempDir dir;
    LauncherTestBundle bundle(dir.path());
    std::string config = dir / "config";
    TestSupport::makeDirectories(config);
    RunResult run = runLauncher(
        bundle,
        [](LauncherScript& script) {
            script.when([] { return promptShown() || mainWindowShown(); },
                        [&script] {
                            script.check(mainWindowShown(), "no prompt without an agreement");
                            script.check(GetEulaFileName(nullptr) == nullptr, "no file found");
                            sendCommand(kHICommandQuit);
                        });
        },
        {.configHome = config});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.checksPassed()) << run.output;
    EXPECT_FALSE(hasPreferences(config));
}

TEST(LauncherStartup, PlugInFailuresAreReportedThenTheLauncherEnds) {
    TempDir dir;
    struct Case {
        const char* plugin;
        std::string console;
        std::string explanation;
    };
    const std::string damaged = "Catalogue Tessaly/catalogue.dat is damaged";
    const std::string missing =
        "Could not link to 'kxdll_SetTrackingMetadata' function within the dll.";
    std::vector<Case> cases = {
        {"kxtest-failing-init.so", "KX_Initialize failed with error 3, " + damaged,
         "Initialize Failed with: " + damaged},
        {"kxtest-missing-tracking.so", "KX_Initialize failed with error 5, " + missing,
         "Initialize Failed with: " + missing},
    };
    for (const Case& c : cases) {
        LauncherTestBundle bundle(dir.path(),
                                  {.name = c.plugin, .pluginPath = testPluginPath(c.plugin)});
        RunResult run = runLauncher(bundle, quitOnceShown);
        EXPECT_EQ(run.exitCode, 255) << c.plugin;
        EXPECT_EQ(run.output.substr(run.output.find("KX_Initialize failed")),
                  c.console + "\n" + internalError(c.explanation) + "end view=0 shutdown=0\n")
            << run.output;
        EXPECT_EQ(countLines(run.record, "kxdll_ShutDown"), 0) << "a failed plug-in is not called";
    }

    // The explanation of an alert holds 255 characters; a longer error text is cut there.
    LauncherTestBundle bundle(
        dir.path(), {.name = "Long", .pluginPath = testPluginPath("kxtest-failing-init.so")});
    std::string longText(400, 'e');
    RunResult run = runLauncher(
        bundle, [&longText](LauncherScript&) { setenv("KXTEST_ERROR_TEXT", longText.c_str(), 1); });
    EXPECT_EQ(run.exitCode, 255);
    EXPECT_EQ(countLines(run.output, "KX_Initialize failed with error 3, " + longText), 1);
    std::string explanation = "Initialize Failed with: " + longText;
    EXPECT_NE(run.output.find(internalError(explanation.substr(0, 255))), std::string::npos)
        << run.output;

    LauncherTestBundle without(dir.path(), {.name = "Without", .pluginPath = ""});
    RunResult none = runLauncher(without, quitOnceShown);
    EXPECT_EQ(none.exitCode, 1) << "the host ends the process without its library";
    EXPECT_NE(none.output.find("Pellucid.dylib FAILED"), std::string::npos) << none.output;
}

TEST(LauncherStartup, WithoutItsNibTheLauncherEndsWithTheNibStatus) {
    TempDir dir;
    LauncherTestBundle bundle(dir.path(), {.omit = {"main.nib"}});
    RunResult run = runLauncher(bundle, quitOnceShown);
    EXPECT_TRUE(run.exited);
    EXPECT_EQ(run.exitCode, fnfErr & 0xFF) << "the status of CreateNibReference, unchanged";
    EXPECT_EQ(countLines(run.record, "kxdll_ShutDown"), 1) << "the loaded plug-in is shut down";
    EXPECT_EQ(run.output.find("alert ("), std::string::npos) << run.output;

    // The prompt needs the nib too: without it nothing is agreed and the launcher ends quietly.
    LauncherTestBundle prompt(dir.path(),
                              {.name = "Prompt", .eulaText = "Agreement.\n", .omit = {"main.nib"}});
    RunResult quiet = runLauncher(prompt, quitOnceShown);
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.output, "end view=0 shutdown=0\n");
    EXPECT_EQ(quiet.record, "");
}
