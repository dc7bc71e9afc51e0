#include <Carbon/Carbon.h>
#include <MacPlatformTesting.h>

#include "Display/Headless/HeadlessDisplay.h"
#include "HIToolbox/Cursor.h"

#include <gtest/gtest.h>

#include <utility>

TEST(Cursor, ThemeCursorsAreKeptWithoutADisplayAndGoThroughItWhenItRuns) {
    namespace Headless = MacPlatform::Display::Headless;
    using MacPlatform::Display::CursorShape;
    const MacPlatform::Display::BackendOperations& display = MacPlatform::Display::backend();
    EXPECT_EQ(SetThemeCursor(kThemeWatchCursor), noErr);
    EXPECT_EQ(SetThemeCursor(kThemeNotAllowedCursor + 1), appearanceBadCursorIndexErr);
    EXPECT_EQ(MacPlatformTestCurrentThemeCursor(), static_cast<UInt32>(kThemeWatchCursor))
        << "a refused cursor leaves the current one";

    ASSERT_TRUE(display.start()) << display.errorText();
    // Chosen before the display was up, shown once a window brings it up.
    MacPlatform::showThemeCursor();
    EXPECT_EQ(Headless::currentCursor(), CursorShape::Wait);
    EXPECT_EQ(SetThemeCursor(kThemePointingHandCursor), noErr);
    EXPECT_EQ(Headless::currentCursor(), CursorShape::Hand);
    InitCursor();
    EXPECT_EQ(Headless::currentCursor(), CursorShape::Arrow);
    EXPECT_TRUE(Headless::cursorShown());
    display.stop();
}

TEST(SystemUIMode, ModeAndOptionsAreRecordedAndInvalidOnesRefused) {
    SystemUIMode mode = 99;
    SystemUIOptions options = 99;
    EXPECT_EQ(SetSystemUIMode(kUIModeAllHidden, kUIOptionAutoShowMenuBar), noErr);
    EXPECT_EQ(SetSystemUIMode(kUIModeContentHidden, kUIOptionAutoShowMenuBar), paramErr)
        << "the menu bar is shown in this mode, so it cannot auto-show";
    EXPECT_EQ(SetSystemUIMode(5, 0), paramErr);
    GetSystemUIMode(&mode, &options);
    EXPECT_EQ((std::pair{mode, options}), (std::pair<SystemUIMode, SystemUIOptions>{
                                              kUIModeAllHidden, kUIOptionAutoShowMenuBar}))
        << "refused calls change nothing";
    EXPECT_EQ(SetSystemUIMode(kUIModeNormal, 0), noErr);
}
