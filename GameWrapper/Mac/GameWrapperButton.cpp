#include "GameWrapperButton.h"

#include "GameWrapperView.h"

#include <cstring>

namespace {

// Every button picture is centred in a slot of this width.
constexpr int kSlotWidth = 122;
constexpr CGFloat kLabelFontSize = 15;
// Room between a button's picture and its focus ring.
constexpr CGFloat kFocusRingGap = 3;

} // namespace

void GWSetCursorToType(GWSystemCursorTypes type) {
    ThemeCursor cursor = kThemeArrowCursor;
    switch (type) {
    case kGWCursorIBeam:
        cursor = kThemeIBeamCursor;
        break;
    case kGWCursorPointingHand:
        cursor = kThemePointingHandCursor;
        break;
    case kGWCursorWatch:
        cursor = kThemeWatchCursor;
        break;
    case kGWCursorArrow:
        break;
    }
    SetThemeCursor(cursor);
}

GameWrapperButton::GameWrapperButton(int x, int y, int labelOffset, const char* label,
                                     GameWrapperButtonAction action)
    : mLabel(label), mAction(action), mBounds(), mLabelDx(0), mPressed(false), mHover(false) {
    CGImageRef normal = GameWrapperView::GetInstance()->mButtonNormalImage;
    int width = static_cast<int>(CGImageGetWidth(normal));
    int height = static_cast<int>(CGImageGetHeight(normal));
    int half = (kSlotWidth - width) / 2;
    mBounds.left = static_cast<SInt16>(x + half);
    mBounds.top = static_cast<SInt16>(y);
    mBounds.right = static_cast<SInt16>(x + half + width);
    mBounds.bottom = static_cast<SInt16>(y + height);
    mLabelDx = labelOffset - half;
}

bool GameWrapperButton::Contains(int x, int y) const {
    Point point;
    point.h = static_cast<SInt16>(x);
    point.v = static_cast<SInt16>(y);
    return PtInRect(point, &mBounds);
}

void GameWrapperButton::Draw(bool focused) {
    GameWrapperView* view = GameWrapperView::GetInstance();
    CGContextRef context = view->mMainContext;
    if (!context) {
        return;
    }
    CGRect rect = CGRectMake(mBounds.left, mBounds.top, mBounds.right - mBounds.left,
                             mBounds.bottom - mBounds.top);
    CGImageRef picture = view->mButtonNormalImage;
    if (mHover && mPressed) {
        picture = view->mButtonPressedImage;
    } else if (mHover) {
        picture = view->mButtonHoverImage;
    }
    if (picture) {
        HIViewDrawCGImage(context, &rect, picture);
    }
    // The view's coordinates run downward, so glyphs would come out upside down unflipped.
    CGContextSetTextMatrix(context, CGAffineTransformMakeScale(1, -1));
    CGContextSelectFont(context, "Helvetica", kLabelFontSize, kCGEncodingMacRoman);
    CGContextSetTextDrawingMode(context, kCGTextFill);
    CGContextSetRGBFillColor(context, 0, 0, 0, 1);
    CGContextSetRGBStrokeColor(context, 0, 0, 0, 1);
    if (mLabel) {
        int baseline = mBounds.top + (mBounds.bottom - mBounds.top) / 2 + 5;
        CGContextShowTextAtPoint(context, mBounds.left + mLabelDx + 20, baseline, mLabel,
                                 std::strlen(mLabel));
    }
    CGContextSetTextMatrix(context, CGAffineTransformIdentity);
    if (focused) {
        // A light ring over a dark one stays visible on any background the publisher picks.
        CGRect ring = CGRectInset(rect, -kFocusRingGap, -kFocusRingGap);
        CGContextSetRGBStrokeColor(context, 0, 0, 0, 0.8);
        CGContextStrokeRectWithWidth(context, CGRectInset(ring, -1.5, -1.5), 1);
        CGContextSetRGBStrokeColor(context, 0.35, 0.65, 1, 1);
        CGContextStrokeRectWithWidth(context, ring, 2);
    }
}

bool GameWrapperButton::MouseMove(int x, int y) {
    bool over = Contains(x, y);
    if (over == mHover) {
        return false;
    }
    mHover = over;
    GWSetCursorToType(over ? kGWCursorPointingHand : kGWCursorArrow);
    return true;
}

bool GameWrapperButton::MouseUp(int x, int y) {
    if (!Contains(x, y)) {
        return false;
    }
    if (mPressed && mAction) {
        GameWrapperView* view = GameWrapperView::GetInstance();
        (view->*mAction)();
    }
    mPressed = false;
    mHover = false;
    return true;
}
