// Helpers of the plug-in host's tests: a bundle in a temporary folder with one of the test
// plug-ins as its Pellucid.dylib, the plug-in's call record, the alerts the host shows, and the
// host's process-wide state put back to its start values around every test.
#pragma once

#include "KX_APIFunctionsMac.h"
#include "TestSupport.h"

#include <Carbon/Dialogs.h>
#include <MacPlatformTesting.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace KXHostTest {

struct SeenAlert {
    std::string message;
    std::string explanation;
};

inline SInt16 collectAlert(const MacPlatformTestAlert* alert, void* userData) {
    auto* seen = static_cast<std::vector<SeenAlert>*>(userData);
    seen->push_back(
        {alert->message ? alert->message : "", alert->explanation ? alert->explanation : ""});
    return kAlertStdAlertOKButton;
}

// Puts the host's state back as it is at process start (what KX_Initialize sets anew is left). The
// library of a test that left it open is shut down first, so no test sees another's plug-in.
inline void resetHostState() {
    if (g_DLLHandle) {
        g_bUnrecoverableErrorMode = false;
        KX_ShutDown();
    }
    g_bIsAnUpdatePending = false;
    g_bUnrecoverableErrorMode = false;
    g_bSuspendSharedFileUpdates = false;
    g_bNotifyUserOfFailedUpdate = false;
    g_bInitCalled = false;
    g_bCalled_KX_SetPalette_Since_Last_KX_Initialise_Call = false;
    g_LastErrorString = nullptr;
    std::memset(g_PaletteData, 0, sizeof g_PaletteData);
}

// A bundle "Démo Game.app" (a blank and a non-ASCII letter in its path) whose resources folder
// holds the chosen test plug-in as Pellucid.dylib; the plug-in records its calls into a file of the
// same temporary folder.
class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetHostState();
        for (const char* name : {"KXTEST_INIT_STATUSES", "KXTEST_ERROR_TEXT",
                                 "KXTEST_UPDATE_AFTER_FRAME", "KXTEST_COMPLETE_AFTER_FRAMES"}) {
            unsetenv(name);
        }
        m_bundle = m_temp / "Démo Game.app";
        TestSupport::makeDirectories(resources());
        m_recordFile = m_temp / "calls.txt";
        setenv("KXTEST_RECORD_FILE", m_recordFile.c_str(), 1);
        MacPlatformTestSetMainBundlePath(m_bundle.c_str());
        MacPlatformTestSetAlertResponder(collectAlert, &m_alerts);
    }

    void TearDown() override {
        resetHostState();
        MacPlatformTestSetAlertResponder(nullptr, nullptr);
        MacPlatformTestSetMainBundlePath(nullptr);
        unsetenv("KXTEST_RECORD_FILE");
    }

    // Copies kxtest-<variant>.so to the bundle as its plug-in. A copy, not a link: the loader
    // knows a library by its file, and each test must load its own.
    void installPlugin(const char* variant) {
        std::string built = std::string(KXTEST_PLUGIN_DIR) + "/kxtest-" + variant + ".so";
        std::error_code error;
        std::filesystem::copy_file(built, pluginPath(),
                                   std::filesystem::copy_options::overwrite_existing, error);
        ASSERT_FALSE(error) << "cannot copy " << built << ": " << error.message();
    }

    std::string resources() const { return m_bundle + "/Contents/Resources"; }
    std::string pluginPath() const { return resources() + "/Pellucid.dylib"; }

    // Whether the plug-in's library is still mapped in this process.
    bool pluginLoaded() const {
        void* handle = dlopen(pluginPath().c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (handle) {
            dlclose(handle);
        }
        return handle != nullptr;
    }

    unsigned short initializeDemo() { return KX_Initialize(42, "Demo Game", 7, 1.5f, 1); }

    // The plug-in's record, one call per entry.
    std::vector<std::string> calls() const {
        std::vector<std::string> lines;
        std::istringstream text(TestSupport::readFile(m_recordFile));
        for (std::string line; std::getline(text, line);) {
            lines.push_back(line);
        }
        return lines;
    }
    // The calls recorded after the first `skip` ones.
    std::vector<std::string> callsAfter(size_t skip) const {
        std::vector<std::string> all = calls();
        return {all.begin() + static_cast<std::ptrdiff_t>(std::min(skip, all.size())), all.end()};
    }

    TestSupport::TempDir m_temp;
    std::string m_bundle;
    std::string m_recordFile;
    std::vector<SeenAlert> m_alerts;
};

// Standard output of the code run inside, also what the shell's children write to it.
template <typename Body> std::string captureStdout(Body body) {
    std::fflush(stdout);
    ::testing::internal::CaptureStdout();
    body();
    std::fflush(stdout);
    return ::testing::internal::GetCapturedStdout();
}

} // namespace KXHostTest
