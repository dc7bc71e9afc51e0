// The start page's two image buttons: the mouse entry points that drive them and their actions.
#include "GameWrapperButton.h"
#include "GameWrapperView.h"

#include "KX_APIFunctionsMac.h"

namespace {

// Slots of the two buttons on the start page and where their labels start within them.
constexpr int kButtonRowY = 465;
constexpr int kOtherGamesSlotX = 577;
constexpr int kOtherGamesLabelOffset = -4;
constexpr int kPlayGameSlotX = 452;
constexpr int kPlayGameLabelOffset = 5;

} // namespace

void GameWrapperView::AddOtherGamesButton() {
    mMainButtons.push_back(new GameWrapperButton(kOtherGamesSlotX, kButtonRowY,
                                                 kOtherGamesLabelOffset, "Other Games",
                                                 &GameWrapperView::DoOtherGames));
}

void GameWrapperView::AddPlayGameButton() {
    mMainButtons.push_back(new GameWrapperButton(kPlayGameSlotX, kButtonRowY, kPlayGameLabelOffset,
                                                 "Play Game", &GameWrapperView::DoPlayGame));
}

void GameWrapperView::MainButtonsMouseDown(int x, int y) {
    bool changed = false;
    for (GameWrapperButton* button : mMainButtons) {
        bool pressed = button->Contains(x, y);
        if (pressed != button->mPressed) {
            button->mPressed = pressed;
            // One button changes per press; the hit-test event runs this again for the rest.
            changed = true;
            break;
        }
    }
    if (changed) {
        HIViewSetNeedsDisplay(mMainView, true);
    }
}

void GameWrapperView::MainButtonsMouseMove(int x, int y) {
    for (GameWrapperButton* button : mMainButtons) {
        if (button->MouseMove(x, y)) {
            HIViewSetNeedsDisplay(mMainView, true);
            return;
        }
    }
}

void GameWrapperView::MainButtonsMouseUp(int x, int y) {
    for (GameWrapperButton* button : mMainButtons) {
        if (button->MouseUp(x, y)) {
            HIViewSetNeedsDisplay(mMainView, true);
            return;
        }
    }
}

void GameWrapperView::DoOtherGames() {
    // The storefront decides on its own what to show; the launcher only switches views.
    KX_EnterMenuSession(1, kGameCenterWidth, kGameCenterHeight);
    SetInPellucidAndChangeViews(true);
}
