// Loading the plug-in from the main bundle's resources folder, binding its entry points, the
// error texts, the usage check and shutdown.
#include "KXHostTestHelpers.h"

namespace {

using KXHostTest::captureStdout;
using KXHostTest::HostTest;
using ::testing::ElementsAre;

const char* const kNoExtendedError =
    "Extended error information is not available for the last error.";

TEST_F(HostTest, InitializeLoadsThePluginInTableOrderAndShutDownUnloadsItOnce) {
    installPlugin("recording");
    std::string out = captureStdout([&] { EXPECT_EQ(initializeDemo(), 0); });
    EXPECT_EQ(out, "dlopen(\"" + pluginPath() + "\", RTLD_NOW): Successful\n");
    // Both version calls come once, before the initialisation, which receives the debug mode
    // widened to 32 bits and the host's version 6.
    EXPECT_THAT(calls(), ElementsAre("kxdll_GetDLLVersionAsString", "kxdll_GetDLLVersionAsInt",
                                     "kxdll_Initialize 42 \"Demo Game\" 7 1.50 1 6"));
    EXPECT_TRUE(pluginLoaded());
    // While the host has no text of its own, the plug-in's text comes back unchanged.
    EXPECT_STREQ(KX_GetLastErrorInformation(), "Recording plug-in: no error");

    // Initialising again closes the first load before opening the library anew.
    captureStdout([&] { ASSERT_EQ(initializeDemo(), 0); });
    KX_ShutDown();
    EXPECT_FALSE(pluginLoaded());
    // A second shutdown finds nothing to call and nothing to close.
    KX_ShutDown();
    EXPECT_THAT(callsAfter(3),
                ElementsAre("kxdll_GetLastErrorInformation", "kxdll_ShutDown",
                            "kxdll_GetDLLVersionAsString", "kxdll_GetDLLVersionAsInt",
                            "kxdll_Initialize 42 \"Demo Game\" 7 1.50 1 6", "kxdll_ShutDown"));
    EXPECT_TRUE(m_alerts.empty());
}

// A plug-in that lacks an entry point or fails its initialisation is closed again; the host
// returns the status and keeps the reason for the launcher to show.
TEST_F(HostTest, AFailedLoadClosesTheLibraryAndSaysWhy) {
    struct Case {
        const char* variant;
        const char* initStatuses;
        unsigned short status;
        const char* text;
    };
    const Case cases[] = {
        // An entry point the host never calls is required all the same. (The launcher's start-up
        // tests check a failing initialisation's text and a missing plug-in.)
        {"missing-updaterect", nullptr, 5,
         "Could not link to 'kxdll_GetUpdateRect' function within the dll."},
        {"recording", "9", 9, kNoExtendedError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.variant);
        KXHostTest::resetHostState();
        installPlugin(c.variant);
        if (c.initStatuses) {
            setenv("KXTEST_INIT_STATUSES", c.initStatuses, 1);
            setenv("KXTEST_ERROR_TEXT", "", 1);
        }
        captureStdout([&] { EXPECT_EQ(initializeDemo(), c.status); });
        EXPECT_FALSE(pluginLoaded());
        EXPECT_STREQ(KX_GetLastErrorInformation(), c.text);
        // Nothing is left to shut down; a new menu session clears the host's own text.
        std::size_t before = calls().size();
        KX_ShutDown();
        EXPECT_EQ(calls().size(), before);
        KX_EnterMenuSession(1, 720, 540);
        EXPECT_STREQ(KX_GetLastErrorInformation(), kNoExtendedError);
    }
    EXPECT_TRUE(m_alerts.empty());
}

TEST_F(HostTest, CallsBeforeInitializeShowTheUsageAlertAndAnswerWithoutAPlugin) {
    EXPECT_TRUE(KX_IsTheMenuSessionComplete());
    EXPECT_FALSE(KX_HandleMacEvent(nullptr));
    EXPECT_EQ(KX_EnterMenuSession(1, 720, 540), 0);
    std::vector<unsigned char> buffer(720 * 540 * 4, 0xAB);
    KX_DrawNextFrameIntoBuffer(buffer.data(), 2880, 4, 1);
    EXPECT_EQ(buffer[0], 0xAB);
    // One alert per call (the platform's alert code keeps them alike).
    ASSERT_EQ(m_alerts.size(), 4u);
    EXPECT_EQ(m_alerts.back().message + " / " + m_alerts.back().explanation,
              "Error In CorvaneTessaly API Usage / Must call KX_Initialize before any other API "
              "function.");
}

} // namespace
