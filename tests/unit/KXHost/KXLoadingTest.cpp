// Loading the plug-in from the main bundle's resources folder, binding its entry points, the
// error texts, the usage check and shutdown.
#include "KXHostTestHelpers.h"

#include <unistd.h>

namespace {

using KXHostTest::captureStdout;
using KXHostTest::HostTest;
using ::testing::ElementsAre;

const char* const kNoExtendedError =
    "Extended error information is not available for the last error.";

TEST_F(HostTest, InitializeLoadsThePluginFromTheResourcesFolderAndCallsItInTableOrder) {
    installPlugin("recording");
    unsigned short status = 1;
    std::string out = captureStdout([&] { status = initializeDemo(); });

    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "dlopen(\"" + pluginPath() + "\", RTLD_NOW): Successful\n");
    // Both version calls come once, before the initialisation, which receives the debug mode
    // widened to 32 bits and the host's version 6.
    EXPECT_THAT(calls(), ElementsAre("kxdll_GetDLLVersionAsString", "kxdll_GetDLLVersionAsInt",
                                     "kxdll_Initialize 42 \"Demo Game\" 7 1.50 1 6"));
    EXPECT_TRUE(pluginLoaded());
    EXPECT_TRUE(m_alerts.empty());

    // While the host has no text of its own, the plug-in's text comes back unchanged.
    EXPECT_STREQ(KX_GetLastErrorInformation(), "Recording plug-in: no error");
}

TEST_F(HostTest, ABundlePathWithNonAsciiCharactersStillLoads) {
    m_bundle = m_temp / "Jeux d'été.app";
    TestSupport::makeDirectories(resources());
    MacPlatformTestSetMainBundlePath(m_bundle.c_str());
    installPlugin("recording");
    captureStdout([&] { EXPECT_EQ(initializeDemo(), 0); });
    EXPECT_TRUE(pluginLoaded());
}

TEST_F(HostTest, AMissingPluginEndsTheProcessWithStatusOneNamingThePath) {
    // The child's standard output is sent to standard error, where the death test looks. The
    // child may run the test afresh in another temporary folder, so the folder is a pattern.
    EXPECT_EXIT(
        {
            dup2(STDERR_FILENO, STDOUT_FILENO);
            initializeDemo();
        },
        ::testing::ExitedWithCode(1),
        "dlopen /.*/Demo Game\\.app/Contents/Resources/Pellucid\\.dylib FAILED\n");
}

TEST_F(HostTest, AMissingEntryPointClosesTheLibraryAndNamesTheEntryPoint) {
    struct Case {
        const char* variant;
        const char* text;
        size_t callsBeforeFailure;
    };
    const Case cases[] = {
        // The last entry point: every other one was bound and both version calls were made.
        {"missing-tracking",
         "Could not link to 'kxdll_SetTrackingMetadata' function within the dll.", 2},
        // One the host never calls is required all the same.
        {"missing-updaterect", "Could not link to 'kxdll_GetUpdateRect' function within the dll.",
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.variant);
        KXHostTest::resetHostState();
        std::remove(m_recordFile.c_str());
        installPlugin(c.variant);
        captureStdout([&] { EXPECT_EQ(initializeDemo(), 5); });
        EXPECT_EQ(calls().size(), c.callsBeforeFailure);
        EXPECT_EQ(g_DLLHandle, nullptr);
        EXPECT_EQ(kxdll_GetDLLVersionAsString, nullptr);
        EXPECT_EQ(kxdll_GetLastErrorInformation, nullptr);
        EXPECT_FALSE(pluginLoaded());
        EXPECT_STREQ(KX_GetLastErrorInformation(), c.text);
        // A new menu session clears the host's own text.
        KX_EnterMenuSession(1, 720, 540);
        EXPECT_STREQ(KX_GetLastErrorInformation(), kNoExtendedError);
    }
}

TEST_F(HostTest, AFailingInitialisationReturnsItsStatusAndKeepsThePluginsText) {
    installPlugin("failing-init");
    captureStdout([&] { EXPECT_EQ(initializeDemo(), 3); });
    EXPECT_FALSE(pluginLoaded());
    EXPECT_EQ(kxdll_ShutDown, nullptr);
    // The plug-in's own reason outlives its library, so the launcher can show it.
    EXPECT_STREQ(KX_GetLastErrorInformation(), "Catalogue Tessaly/catalogue.dat is damaged");

    size_t before = calls().size();
    KX_ShutDown();
    EXPECT_EQ(calls().size(), before);
    EXPECT_TRUE(m_alerts.empty());
}

TEST_F(HostTest, AFailingInitialisationWithoutATextFallsBackToTheGenericText) {
    installPlugin("recording");
    setenv("KXTEST_INIT_STATUSES", "9", 1);
    setenv("KXTEST_ERROR_TEXT", "", 1);
    captureStdout([&] { EXPECT_EQ(initializeDemo(), 9); });
    EXPECT_STREQ(KX_GetLastErrorInformation(), kNoExtendedError);
}

TEST_F(HostTest, CallsBeforeInitializeShowTheUsageAlertAndAnswerWithoutAPlugin) {
    EXPECT_TRUE(KX_IsTheMenuSessionComplete());
    EXPECT_FALSE(KX_SetMousePosition(3, 4));
    EXPECT_FALSE(KX_HandleMacEvent(nullptr));
    EXPECT_EQ(KX_GetNumberOfRectsToUpdate(), 0);
    EXPECT_EQ(KX_EnterMenuSession(1, 720, 540), 0);
    EXPECT_STREQ(KX_GetLastErrorInformation(), kNoExtendedError);
    std::vector<unsigned char> buffer(720 * 540 * 4, 0xAB);
    KX_DrawNextFrameIntoBuffer(buffer.data(), 2880, 4, 1);
    EXPECT_EQ(buffer[0], 0xAB);
    KX_EnableWindowsMouseCursor(true);
    KX_SetTrackingMetadata("campaign=spring");
    KX_ShutDown();
    // One alert per call (the platform's alert code keeps them alike).
    ASSERT_EQ(m_alerts.size(), 10u);
    EXPECT_EQ(m_alerts[9].type, kAlertCautionAlert);
    EXPECT_EQ(m_alerts[9].message + " / " + m_alerts[9].explanation,
              "Error In CorvaneTessaly API Usage / Must call KX_Initialize before any other API "
              "function.");
}

TEST_F(HostTest, ShutDownTellsThePluginOnceAndUnloadsItOnce) {
    installPlugin("recording");
    captureStdout([&] { ASSERT_EQ(initializeDemo(), 0); });
    // Initialising again closes the first load before opening the library anew.
    size_t first = calls().size();
    captureStdout([&] { ASSERT_EQ(initializeDemo(), 0); });
    EXPECT_EQ(callsAfter(first).front(), "kxdll_ShutDown");
    size_t before = calls().size();
    KX_ShutDown();
    EXPECT_THAT(callsAfter(before), ElementsAre("kxdll_ShutDown"));
    EXPECT_FALSE(pluginLoaded());
    EXPECT_EQ(g_DLLHandle, nullptr);

    // A second shutdown finds nothing to call and nothing to close.
    KX_ShutDown();
    EXPECT_EQ(calls().size(), before + 1);
    EXPECT_TRUE(KX_IsTheMenuSessionComplete());
    EXPECT_TRUE(m_alerts.empty());
}

} // namespace
