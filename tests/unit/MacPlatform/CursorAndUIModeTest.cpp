#include <Carbon/Carbon.h>
#include <MacPlatformTesting.h>

#include "Display/DisplayBackend.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

TEST(Cursor, ThemeCursorsAreKeptWithoutADisplayAndUnknownOnesRefused) {
    InitCursor();
    EXPECT_EQ(MacPlatformTestCurrentThemeCursor(), static_cast<UInt32>(kThemeArrowCursor));
    for (ThemeCursor cursor : {kThemePointingHandCursor, kThemeIBeamCursor, kThemeWatchCursor,
                               kThemeNotAllowedCursor, kThemeArrowCursor}) {
        EXPECT_EQ(SetThemeCursor(cursor), noErr);
        EXPECT_EQ(MacPlatformTestCurrentThemeCursor(), cursor);
    }
    EXPECT_EQ(SetThemeCursor(kThemeWatchCursor), noErr);
    EXPECT_EQ(SetThemeCursor(kThemeNotAllowedCursor + 1), appearanceBadCursorIndexErr);
    EXPECT_EQ(SetThemeCursor(0xFFFFFFFF), appearanceBadCursorIndexErr);
    EXPECT_EQ(MacPlatformTestCurrentThemeCursor(), static_cast<UInt32>(kThemeWatchCursor))
        << "a refused cursor leaves the current one";
    InitCursor();
    EXPECT_EQ(MacPlatformTestCurrentThemeCursor(), static_cast<UInt32>(kThemeArrowCursor));
}

TEST(Cursor, ThemeCursorsGoThroughTheDisplayWhenItRuns) {
    // SDL's screenless driver runs the same calls as a real display without needing one.
    const char* saved = std::getenv("SDL_VIDEODRIVER");
    std::optional<std::string> previous = saved ? std::optional<std::string>(saved) : std::nullopt;
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    const MacPlatform::Display::BackendOperations& display = MacPlatform::Display::backend();
    ASSERT_TRUE(display.start()) << display.errorText();
    EXPECT_EQ(SetThemeCursor(kThemePointingHandCursor), noErr);
    EXPECT_EQ(SetThemeCursor(kThemeIBeamCursor), noErr);
    InitCursor();
    EXPECT_EQ(MacPlatformTestCurrentThemeCursor(), static_cast<UInt32>(kThemeArrowCursor));
    display.stop();
    // After video went down the cursor is still kept for the next start.
    EXPECT_EQ(SetThemeCursor(kThemeWatchCursor), noErr);
    EXPECT_EQ(MacPlatformTestCurrentThemeCursor(), static_cast<UInt32>(kThemeWatchCursor));
    if (previous) {
        setenv("SDL_VIDEODRIVER", previous->c_str(), 1);
    } else {
        unsetenv("SDL_VIDEODRIVER");
    }
    InitCursor();
}

TEST(SystemUIMode, ModeAndOptionsAreRecordedAndInvalidOnesRefused) {
    SystemUIMode mode = 99;
    SystemUIOptions options = 99;
    EXPECT_EQ(SetSystemUIMode(kUIModeNormal, kUIOptionDisableForceQuit), noErr);
    GetSystemUIMode(&mode, &options);
    EXPECT_EQ(mode, static_cast<SystemUIMode>(kUIModeNormal));
    EXPECT_EQ(options, static_cast<SystemUIOptions>(kUIOptionDisableForceQuit));

    EXPECT_EQ(SetSystemUIMode(kUIModeAllHidden, kUIOptionAutoShowMenuBar | kUIOptionDisableHide),
              noErr);
    GetSystemUIMode(&mode, nullptr);
    EXPECT_EQ(mode, static_cast<SystemUIMode>(kUIModeAllHidden));

    EXPECT_EQ(SetSystemUIMode(kUIModeContentHidden, kUIOptionAutoShowMenuBar), paramErr)
        << "the menu bar is shown in this mode, so it cannot auto-show";
    EXPECT_EQ(SetSystemUIMode(5, 0), paramErr);
    EXPECT_EQ(SetSystemUIMode(kUIModeNormal, 1 << 1), paramErr);
    GetSystemUIMode(&mode, &options);
    EXPECT_EQ(mode, static_cast<SystemUIMode>(kUIModeAllHidden)) << "refused calls change nothing";
    EXPECT_EQ(options,
              static_cast<SystemUIOptions>(kUIOptionAutoShowMenuBar | kUIOptionDisableHide));
    EXPECT_EQ(SetSystemUIMode(kUIModeNormal, 0), noErr);
}
