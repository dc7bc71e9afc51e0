#include <Carbon/Carbon.h>
#include <MacPlatformTesting.h>

#include "Display/Headless/HeadlessDisplay.h"
#include "HIToolbox/Cursor.h"

#include <gtest/gtest.h>

TEST(Cursor, ThemeCursorsAreKeptWithoutADisplayAndGoThroughItWhenItRuns) {
    namespace Headless = MacPlatform::Display::Headless;
    using MacPlatform::Display::CursorShape;
    const MacPlatform::Display::BackendOperations& display = MacPlatform::Display::backend();
    EXPECT_EQ(SetThemeCursor(kThemeWatchCursor), noErr);
    EXPECT_EQ(SetThemeCursor(kThemeNotAllowedCursor + 1), appearanceBadCursorIndexErr);
    EXPECT_EQ(SetThemeCursor(0xFFFFFFFF), appearanceBadCursorIndexErr);
    EXPECT_EQ(MacPlatformTestCurrentThemeCursor(), static_cast<UInt32>(kThemeWatchCursor))
        << "a refused cursor leaves the current one";

    ASSERT_TRUE(display.start()) << display.errorText();
    // Chosen before the display was up, shown once a window brings it up.
    MacPlatform::showThemeCursor();
    EXPECT_EQ(Headless::currentCursor(), CursorShape::Wait);
    const struct {
        ThemeCursor theme;
        CursorShape shape;
    } shapes[] = {{kThemePointingHandCursor, CursorShape::Hand},
                  {kThemeIBeamCursor, CursorShape::IBeam},
                  {kThemeNotAllowedCursor, CursorShape::NotAllowed}};
    for (const auto& [theme, shape] : shapes) {
        EXPECT_EQ(SetThemeCursor(theme), noErr);
        EXPECT_EQ(Headless::currentCursor(), shape) << theme;
    }
    InitCursor();
    EXPECT_EQ(Headless::currentCursor(), CursorShape::Arrow);
    EXPECT_TRUE(Headless::cursorShown());
    display.stop();
    // After the display went down the cursor is still kept for the next start.
    EXPECT_EQ(SetThemeCursor(kThemeWatchCursor), noErr);
    EXPECT_EQ(MacPlatformTestCurrentThemeCursor(), static_cast<UInt32>(kThemeWatchCursor));
    EXPECT_EQ(Headless::currentCursor(), CursorShape::Arrow);
    InitCursor();
    EXPECT_EQ(MacPlatformTestCurrentThemeCursor(), static_cast<UInt32>(kThemeArrowCursor));
}

TEST(SystemUIMode, ModeAndOptionsAreRecordedAndInvalidOnesRefused) {
    SystemUIMode mode = 99;
    SystemUIOptions options = 99;
    EXPECT_EQ(SetSystemUIMode(kUIModeAllHidden, kUIOptionAutoShowMenuBar | kUIOptionDisableHide),
              noErr);
    EXPECT_EQ(SetSystemUIMode(kUIModeContentHidden, kUIOptionAutoShowMenuBar), paramErr)
        << "the menu bar is shown in this mode, so it cannot auto-show";
    EXPECT_EQ(SetSystemUIMode(5, 0), paramErr);
    EXPECT_EQ(SetSystemUIMode(kUIModeNormal, 1 << 1), paramErr);
    GetSystemUIMode(&mode, &options);
    EXPECT_EQ(mode, static_cast<SystemUIMode>(kUIModeAllHidden)) << "refused calls change nothing";
    EXPECT_EQ(options,
              static_cast<SystemUIOptions>(kUIOptionAutoShowMenuBar | kUIOptionDisableHide));
    EXPECT_EQ(SetSystemUIMode(kUIModeNormal, kUIOptionDisableForceQuit), noErr);
    GetSystemUIMode(&mode, nullptr);
    EXPECT_EQ(mode, static_cast<SystemUIMode>(kUIModeNormal));
    EXPECT_EQ(SetSystemUIMode(kUIModeNormal, 0), noErr);
}
