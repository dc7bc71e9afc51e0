// An image button of the start page: drawn from the three shared button pictures of the
// launcher window with its label written over them, it follows the mouse itself and fires a
// member function of the window's controller when it is clicked.
#pragma once

#include <Carbon/Carbon.h>

class GameWrapperView;

// What a click fires: an operation of the window's controller.
typedef void (GameWrapperView::*GameWrapperButtonAction)();

// The cursor shapes the launcher asks for.
enum GWSystemCursorTypes {
    kGWCursorArrow = 0,
    kGWCursorIBeam = 1,
    kGWCursorPointingHand = 2,
    kGWCursorWatch = 3
};

// Sets the theme cursor of the kind; unknown kinds give the arrow.
void GWSetCursorToType(GWSystemCursorTypes type);

class GameWrapperButton {
public:
    // The button owns a slot 122 pixels wide at (x, y) in main-view coordinates, with the
    // normal picture centred in it; the label is written at x + labelOffset + 20. The normal
    // picture must be loaded before a button is made: it gives every button its size. The
    // label is not copied.
    GameWrapperButton(int x, int y, int labelOffset, const char* label,
                      GameWrapperButtonAction action);

    // Draws the picture of the current state and the label into the main view's context, and
    // the focus ring around it when focused.
    void Draw(bool focused = false);
    // Follows the mouse; true when it came onto or left the button.
    bool MouseMove(int x, int y);
    // True when the point is over the button: a press that started on it fires the action.
    bool MouseUp(int x, int y);

    // Whether the point lies over the button (right and bottom edges outside).
    bool Contains(int x, int y) const;

    const char* mLabel;
    GameWrapperButtonAction mAction;
    Rect mBounds;
    SInt32 mLabelDx;
    bool mPressed;
    bool mHover;
};
