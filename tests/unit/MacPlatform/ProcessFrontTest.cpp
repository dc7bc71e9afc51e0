// The front process and hiding and showing processes on a system without an X display.
#include <ApplicationServices/Processes.h>

#include "ProcessTestHelpers.h"
#include "Processes/ProcessVisibility.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

using namespace ProcessTesting;

namespace {

std::vector<bool> g_visibilityCalls;
int g_frontCalls = 0;
OSStatus g_visibilityResult = noErr;

OSStatus recordVisibility(bool visible) {
    g_visibilityCalls.push_back(visible);
    return g_visibilityResult;
}

OSStatus recordFront() {
    ++g_frontCalls;
    return noErr;
}

const MacPlatform::ProcessWindowOperations kRecordingWindows = {recordVisibility, recordFront};

class ProcessFrontTest : public SleeperFixture {
protected:
    void SetUp() override {
        if (const char* display = std::getenv("DISPLAY")) {
            m_display = display;
        }
        unsetenv("DISPLAY");
        g_visibilityCalls.clear();
        g_frontCalls = 0;
        g_visibilityResult = noErr;
        ASSERT_EQ(noErr, GetCurrentProcess(&m_self));
    }

    void TearDown() override {
        MacPlatform::registerProcessWindowOperations(nullptr);
        ShowHideProcess(&m_self, true);
        SetFrontProcess(&m_self);
        if (m_display) {
            setenv("DISPLAY", m_display->c_str(), 1);
        }
        SleeperFixture::TearDown();
    }

    ProcessSerialNumber m_self{0, 0};
    std::optional<std::string> m_display;
};

TEST_F(ProcessFrontTest, FrontProcessIsRecordedWhileItLives) {
    pid_t pid = startSleeper();
    ProcessSerialNumber child = serialNumberOf(pid);
    ProcessSerialNumber front{0, 0};

    ASSERT_EQ(noErr, SetFrontProcess(&child));
    ProcessSerialNumber gone{child.highLongOfPSN + 1, child.lowLongOfPSN};
    EXPECT_EQ(procNotFound, SetFrontProcess(&gone));
    ASSERT_EQ(noErr, GetFrontProcess(&front));
    EXPECT_EQ(words(child), words(front)) << "a failed SetFrontProcess must not change the front";

    kill(pid, SIGKILL);
    ASSERT_EQ(pid, waitpid(pid, nullptr, 0));
    ASSERT_EQ(noErr, GetFrontProcess(&front));
    EXPECT_EQ(words(m_self), words(front))
        << "after the front process ends this process is in front";
}

TEST_F(ProcessFrontTest, OwnWindowsFollowShowHideAndFront) {
    ProcessSerialNumber current{0, kCurrentProcess};
    // Before the display layer registers, only the record changes.
    ASSERT_EQ(noErr, ShowHideProcess(&current, false));
    EXPECT_FALSE(IsProcessVisible(&m_self));
    MacPlatform::registerProcessWindowOperations(&kRecordingWindows);
    ASSERT_EQ(noErr, ShowHideProcess(&m_self, true));
    ASSERT_EQ(noErr, SetFrontProcess(&current));
    EXPECT_EQ(1, g_frontCalls);

    g_visibilityResult = memFullErr;
    EXPECT_EQ(memFullErr, ShowHideProcess(&m_self, false));
    EXPECT_TRUE(IsProcessVisible(&m_self)) << "windows that could not be hidden are not hidden";
    EXPECT_EQ((std::vector<bool>{true, false}), g_visibilityCalls);
}

TEST_F(ProcessFrontTest, OtherProcessesCannotBeHiddenWithoutADisplay) {
    ProcessSerialNumber child = serialNumberOf(startSleeper());
    EXPECT_EQ(unimpErr, ShowHideProcess(&child, false));
    EXPECT_TRUE(IsProcessVisible(&child));

    ProcessSerialNumber gone{child.highLongOfPSN + 1, child.lowLongOfPSN};
    EXPECT_EQ(procNotFound, ShowHideProcess(&gone, true));
    EXPECT_FALSE(IsProcessVisible(&gone));
}

} // namespace
