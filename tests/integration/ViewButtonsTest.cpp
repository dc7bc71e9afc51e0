// The start page's image buttons under the mouse: hover and press pictures, the cursor as the
// mouse comes and goes, a click that fires, a drag off that does not, and the switch to the
// storefront that "Other Games" makes.
#include "ViewTestSupport.h"

#include "GameWrapperButton.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using LauncherTest::LauncherTestBundle;
using TestSupport::TempDir;
using namespace ViewTest;

namespace {

// A point on the picture away from the label, to tell the three pictures apart.
constexpr int kOtherX = kOtherGamesLeft + 3;
constexpr int kPlayX = kPlayGameLeft + 3;
constexpr int kRowY = kButtonTop + 3;

UInt32 cursor() {
    return MacPlatformTestCurrentThemeCursor();
}

UInt32 otherGamesPicture(ViewScene& scene) {
    scene.redrawAll();
    return scene.pixel(kOtherX, kRowY);
}

} // namespace

TEST(ViewButtons, PressDragOffReleaseOutsideAndClickWithCursorChanges) {
    TempDir dir;
    LauncherTestBundle bundle(dir.path());
    inScene(bundle, [](ViewScene& scene, ChildChecks& checks) {
        GameWrapperView* view = scene.view;
        GameWrapperButton* other = view->mMainButtons[0];
        GameWrapperButton* play = view->mMainButtons[1];

        // Coming onto the button sets the pointing hand once; moving on it does not.
        SetThemeCursor(kThemeWatchCursor);
        view->MainButtonsMouseMove(300, 300);
        checks.equal(cursor(), UInt32{kThemeWatchCursor}, "moving outside changes no cursor");
        view->MainButtonsMouseMove(kOtherX, kRowY);
        checks.equal(cursor(), UInt32{kThemePointingHandCursor}, "pointing hand over the button");
        SetThemeCursor(kThemeWatchCursor);
        view->MainButtonsMouseMove(kOtherX + 20, kRowY + 5);
        checks.equal(cursor(), UInt32{kThemeWatchCursor},
                     "moving within the button sets no cursor");
        checks.check(near(otherGamesPicture(scene), kButtonHover), "hover picture");

        // Press, drag off, release outside: nothing fires, the press is kept.
        view->MainButtonsMouseDown(kOtherX, kRowY);
        checks.check(other->mPressed && !play->mPressed, "pressed");
        checks.check(near(otherGamesPicture(scene), kButtonPressed), "pressed picture");
        view->MainButtonsMouseMove(300, 300);
        checks.equal(cursor(), UInt32{kThemeArrowCursor}, "arrow when leaving");
        checks.check(near(otherGamesPicture(scene), kButtonNormal),
                     "normal picture while pressed outside");
        view->MainButtonsMouseUp(300, 300);
        checks.check(!view->mInGameCenter, "release outside fires nothing");
        checks.check(other->mPressed, "the press is kept");
        view->MainButtonsMouseMove(kOtherX, kRowY);
        checks.check(near(otherGamesPicture(scene), kButtonPressed),
                     "back over it with the button up: pressed picture");
        view->MainButtonsMouseDown(300, 300);
        checks.check(!other->mPressed, "the next press elsewhere clears it");
        checks.check(near(otherGamesPicture(scene), kButtonHover), "hover picture again");
        checks.equal(scene.calls("kxdll_EnterMenuSession"), 0, "no session opened so far");

        // Right and bottom edges lie outside.
        checks.check(!other->Contains(kOtherGamesLeft + kButtonWidth, kRowY), "right edge outside");
        checks.check(!other->Contains(kOtherX, kButtonTop + kButtonHeight), "bottom edge outside");
        checks.check(
            other->Contains(kOtherGamesLeft + kButtonWidth - 1, kButtonTop + kButtonHeight - 1),
            "last pixel inside");

        // One mouse-down changes one button: a second pass (the hit test's) does the
        // rest.
        view->MainButtonsMouseDown(kOtherX, kRowY);
        view->MainButtonsMouseDown(kPlayX, kRowY);
        checks.check(!other->mPressed && !play->mPressed,
                     "the first pass stops at the released button");
        view->MainButtonsMouseDown(kPlayX, kRowY);
        checks.check(play->mPressed, "the second pass presses the next one");

        // A button without action only clears its flags.
        play->mAction = nullptr;
        view->MainButtonsMouseMove(kPlayX, kRowY);
        view->MainButtonsMouseUp(kPlayX, kRowY);
        checks.check(!play->mPressed && !play->mHover, "flags cleared");
        checks.equal(view->mPlayState, GameWrapperView::kPlayIdle, "play state");

        // A click on "Other Games" opens the session and shows the storefront.
        scene.click(kOtherX, kRowY);
        checks.check(view->mInGameCenter, "in the game center");
        checks.equal(scene.calls("kxdll_EnterMenuSession 1 720 540"), 1,
                     "session opened at 720 x 540");
        checks.check(HIViewIsVisible(view->mGameCenterView) && !HIViewIsVisible(view->mMainView) &&
                         !HIViewIsVisible(view->mTitleTextView) &&
                         !HIViewIsVisible(view->mBuildTextView),
                     "only the game-center view shows");
        checks.equal(cursor(), UInt32{kThemeArrowCursor}, "arrow after the switch");
        checks.check(!other->mPressed && !other->mHover, "the click left it idle");

        SetThemeCursor(kThemeWatchCursor);
        view->SetInPellucidAndChangeViews(false);
        checks.check(!view->mInGameCenter && !HIViewIsVisible(view->mGameCenterView) &&
                         HIViewIsVisible(view->mMainView) &&
                         HIViewIsVisible(view->mTitleTextView) &&
                         HIViewIsVisible(view->mBuildTextView),
                     "back on the start page");
        checks.equal(cursor(), UInt32{kThemeArrowCursor}, "arrow after switching back");
    });
}
