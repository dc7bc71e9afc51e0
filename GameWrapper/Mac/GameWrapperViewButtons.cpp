// The start page's two image buttons: the mouse entry points that drive them and their actions.
#include "GameWrapperButton.h"
#include "GameWrapperView.h"

#include "KX_APIFunctionsMac.h"

#include <algorithm>
#include <vector>

namespace {

// Slots of the two buttons on the start page and where their labels start within them.
constexpr int kButtonRowY = 465;
constexpr int kOtherGamesSlotX = 577;
constexpr int kOtherGamesLabelOffset = -4;
constexpr int kPlayGameSlotX = 452;
constexpr int kPlayGameLabelOffset = 5;

// The MacRoman character codes of the keys that work the buttons.
constexpr char kEnterChar = 0x03;
constexpr char kTabChar = 0x09;
constexpr char kReturnChar = 0x0D;
constexpr char kLeftArrowChar = 0x1C;
constexpr char kRightArrowChar = 0x1D;
constexpr char kUpArrowChar = 0x1E;
constexpr char kDownArrowChar = 0x1F;
constexpr char kSpaceChar = 0x20;

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

bool GameWrapperView::MainButtonsKey(char charCode, UInt32 modifiers, bool repeat) {
    // With Command, Control or Option the key means something else (a key equivalent).
    if ((modifiers & (cmdKey | controlKey | optionKey)) != 0 || mMainButtons.empty()) {
        return false;
    }
    int step = 0;
    bool press = false;
    switch (charCode) {
    case kTabChar:
        step = (modifiers & shiftKey) != 0 ? -1 : 1;
        break;
    case kLeftArrowChar:
    case kUpArrowChar:
        step = -1;
        break;
    case kRightArrowChar:
    case kDownArrowChar:
        step = 1;
        break;
    case kReturnChar:
    case kEnterChar:
    case kSpaceChar:
        press = true;
        break;
    default:
        return false;
    }
    // Focus moves in reading order, left to right, whatever order the buttons were made in.
    std::vector<int> order(mMainButtons.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = static_cast<int>(i);
    }
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
        return mMainButtons[a]->mBounds.left < mMainButtons[b]->mBounds.left;
    });
    if (mFocusedButton < 0 || mFocusedButton >= static_cast<int>(mMainButtons.size())) {
        mFocusedButton = order.front();
        HIViewSetNeedsDisplay(mMainView, true);
        return true;
    }
    if (press) {
        GameWrapperButtonAction action = mMainButtons[mFocusedButton]->mAction;
        if (!repeat && action) {
            (this->*action)();
        }
        return true;
    }
    int count = static_cast<int>(order.size());
    int place =
        static_cast<int>(std::find(order.begin(), order.end(), mFocusedButton) - order.begin());
    mFocusedButton = order[((place + step) % count + count) % count];
    HIViewSetNeedsDisplay(mMainView, true);
    return true;
}

void GameWrapperView::MainButtonsStart() {
    for (std::size_t i = 0; i < mMainButtons.size(); ++i) {
        if (mMainButtons[i]->mAction == &GameWrapperView::DoPlayGame) {
            mFocusedButton = static_cast<int>(i);
            HIViewSetNeedsDisplay(mMainView, true);
            DoPlayGame();
            return;
        }
    }
}

void GameWrapperView::DoOtherGames() {
    // The storefront decides on its own what to show; the launcher only switches views.
    KX_EnterMenuSession(1, kGameCenterWidth, kGameCenterHeight);
    SetInPellucidAndChangeViews(true);
}
