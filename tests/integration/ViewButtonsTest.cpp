// The start page's image buttons under the mouse: hover and press pictures, the cursor as the
// mouse comes and goes, a click that fires, a drag off that does not, and the switch to the
// storefront that "Other Games" makes and back.
#include "ViewTestSupport.h"

#include "GameWrapperButton.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace ViewTest;

namespace {

// A point on the picture away from the label, to tell the three pictures apart.
constexpr int kOtherX = kOtherGamesLeft + 3;
constexpr int kPlayX = kPlayGameLeft + 3;
constexpr int kRowY = kButtonTop + 3;

// What a step changed: the cursor it set ("-" for none), the picture "Other Games" shows, the
// buttons pressed and hovered, and which page shows ("page" or "storefront").
std::string stateAfter(GameWrapperView* view, const std::function<void()>& step) {
    SetThemeCursor(kThemeWatchCursor);
    step();
    drawWindow(true);
    UInt32 cursor = MacPlatformTestCurrentThemeCursor();
    UInt32 picture = pixelAt(kOtherX, kRowY);
    std::string state = cursor == kThemeWatchCursor          ? "- "
                        : cursor == kThemePointingHandCursor ? "hand "
                        : cursor == kThemeArrowCursor        ? "arrow "
                                                             : "other cursor ";
    state += near(picture, kButtonNormal)    ? "normal"
             : near(picture, kButtonHover)   ? "hover"
             : near(picture, kButtonPressed) ? "pressed"
                                             : "not shown";
    for (GameWrapperButton* button : view->mMainButtons) {
        std::string label = button->mLabel;
        state += " " + label.substr(0, label.find(' ')) + ":" + (button->mPressed ? "P" : "") +
                 (button->mHover ? "H" : "");
    }
    // The start page's views, or the game-center view alone, as the storefront flag says.
    bool page = HIViewIsVisible(view->mMainView) && HIViewIsVisible(view->mTitleTextView) &&
                HIViewIsVisible(view->mBuildTextView);
    return state + (page == HIViewIsVisible(view->mGameCenterView) ? " mixed views"
                    : page == view->mInGameCenter                  ? " views unlike the flag"
                    : page                                         ? " page"
                                                                   : " storefront");
}

} // namespace

TEST(ViewButtons, PressDragOffReleaseOutsideAndClickWithCursorChanges) {
    TestSupport::TempDir dir;
    LauncherTestBundle bundle(dir.path());
    expectOneTeardown(runLauncher(
        bundle, onceShown([](LauncherScript& checks, GameWrapperView* view) {
            GameWrapperButton* play = view->mMainButtons[1];
            auto move = [&](int x, int y) { return [=] { view->MainButtonsMouseMove(x, y); }; };
            auto down = [&](int x, int y) { return [=] { view->MainButtonsMouseDown(x, y); }; };
            auto up = [&](int x, int y) { return [=] { view->MainButtonsMouseUp(x, y); }; };
            std::vector<std::string> seen;
            for (const std::function<void()>& step : std::vector<std::function<void()>>{
                     // Coming onto the button sets the pointing hand once; moving on it does not.
                     move(300, 300), move(kOtherX, kRowY), move(kOtherX + 20, kRowY + 5),
                     // Press, drag off, release outside: nothing fires, the press is kept and
                     // shows again over the button; the next press elsewhere clears it.
                     down(kOtherX, kRowY), move(300, 300), up(300, 300), move(kOtherX, kRowY),
                     down(300, 300),
                     // One mouse-down changes one button: a second pass (the hit test's) does the
                     // rest. A button without action only clears its flags.
                     down(kOtherX, kRowY), down(kPlayX, kRowY), down(kPlayX, kRowY),
                     [&] {
                         play->mAction = nullptr;
                         view->MainButtonsMouseMove(kPlayX, kRowY);
                         view->MainButtonsMouseUp(kPlayX, kRowY);
                     },
                     // The right and bottom edges lie outside.
                     down(kOtherGamesLeft + kButtonWidth, kRowY),
                     down(kOtherX, kButtonTop + kButtonHeight),
                     down(kOtherGamesLeft + kButtonWidth - 1, kButtonTop + kButtonHeight - 1),
                     // A click on "Other Games" opens the storefront; back to the start page.
                     [&] { click(kOtherX, kRowY); },
                     [&] { view->SetInPellucidAndChangeViews(false); }}) {
                seen.push_back(stateAfter(view, step));
            }
            checks.equal(seen,
                         std::vector<std::string>{
                             "- normal Other: Play: page", "hand hover Other:H Play: page",
                             "- hover Other:H Play: page", "- pressed Other:PH Play: page",
                             "arrow normal Other:P Play: page", "- normal Other:P Play: page",
                             "hand pressed Other:PH Play: page", "- hover Other:H Play: page",
                             "- pressed Other:PH Play: page", "- hover Other:H Play: page",
                             "- hover Other:H Play:P page", "arrow normal Other: Play: page",
                             "- normal Other: Play: page", "- normal Other: Play: page",
                             "- normal Other:P Play: page",
                             "arrow not shown Other: Play: storefront",
                             "arrow normal Other: Play: page"},
                         "states after each step");
            checks.equal(view->mPlayState, GameWrapperView::kPlayIdle, "no game launched");
            checks.equal(countLines(currentRecord(), "kxdll_EnterMenuSession"), 1,
                         "one session opened");
            checks.equal(countLines(currentRecord(), "kxdll_EnterMenuSession 1 720 540"), 1,
                         "at 720 x 540");
        })));
}
