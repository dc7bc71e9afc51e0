// The start page: its pictures at their places, the buttons' labels, the separator under the
// game's name for one and two lines of it, and the build line with its replaced tokens.
#include "ViewTestSupport.h"

#include "GameWrapperButton.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using TestSupport::TempDir;
using namespace ViewTest;

namespace {

// The first column from left to right (exclusive) with a pixel in rows top..bottom near the
// colour (dark by default), or -1.
int firstColumn(int left, int right, int top, int bottom, UInt32 colour = 0, int within = 0x4F) {
    std::vector<UInt32> pixels = windowPixels();
    for (int x = left; x < right; ++x) {
        for (int y = top; y <= bottom; ++y) {
            if (near(pixels[static_cast<size_t>(y) * 720 + static_cast<size_t>(x)], colour,
                     within)) {
                return x;
            }
        }
    }
    return -1;
}

int titleTextHeight(TXNObject txn) {
    HIRect rect = CGRectMake(0, 0, 0, 0);
    TXNGetHIRect(txn, kTXNTextRectKey, &rect);
    return static_cast<int>(rect.size.height);
}

// The separator lies on row y from x 460 to 689, one pixel high.
void checkSeparator(LauncherScript& checks, int y) {
    checkPixels(checks, {{460, y, 0, "separator's start"},
                         {689, y, 0, "separator's end"},
                         {459, y, kBackground, "left of the separator"},
                         {690, y, kBackground, "right of the separator"},
                         {600, y - 1, kBackground, "above the separator"},
                         {600, y + 1, kBackground, "under the separator"}});
}

std::string take(char* text) {
    std::string result = text ? text : "(null)";
    std::free(text);
    return result;
}

} // namespace

// A name too long for one line wraps onto two, and the separator follows it; a revision longer
// than 24 characters is cut in the build line.
TEST(ViewStartPage, DrawsPicturesButtonsLabelsTitleSeparatorAndBuildLine) {
    TempDir dir;
    LauncherTestBundle bundle(
        dir.path(), {.gameInformation = defaultGameInformation("The Lighthouse Keeper's Daughter",
                                                               "1.2.3.4.5.6.7.8.9.10.11.12.13")});
    expectOneTeardown(runLauncher(
        bundle, onceShown([](LauncherScript& checks, GameWrapperView* view) {
            drawWindow();
            // Branding at Brand X/Y = 40, 60, its left half opaque; buttons of 110 x 30 pixels.
            checkPixels(
                checks,
                {{2, 2, kBackground, "background"},
                 {42, 62, kBrandingLeft, "branding"},
                 {39, 62, kBackground, "left of the branding"},
                 {kOtherGamesLeft, kButtonTop + 1, kButtonNormal, "Other Games' first column"},
                 {kOtherGamesLeft + kButtonWidth - 1, kButtonTop + kButtonHeight - 1, kButtonNormal,
                  "Other Games' last pixel"},
                 {kOtherGamesLeft - 1, kButtonTop + 1, kBackground, "left of Other Games"},
                 {kOtherGamesLeft + kButtonWidth, kButtonTop + 1, kBackground,
                  "right of Other Games"},
                 {kPlayGameLeft, kButtonTop + kButtonHeight, kBackground, "under Play Game"}});
            // Labels start at slot x + offset + 20, whatever the picture's width.
            int otherLabel = firstColumn(kOtherGamesLeft, 693, kButtonTop + 2, 493);
            int playLabel = firstColumn(kPlayGameLeft, 568, kButtonTop + 2, 493);
            checks.check(std::abs(otherLabel - 594) <= 1 && std::abs(playLabel - 478) <= 1,
                         "labels start at x 594 and 478, not " + std::to_string(otherLabel) +
                             " and " + std::to_string(playLabel));

            // One line of the same text style, measured on a text view of its own.
            HIRect frame = CGRectMake(0, 0, 230, 130);
            HIViewRef probe = nullptr;
            HITextViewCreate(&frame, 0, 0x400A00, &probe);
            TXNObject txn = HITextViewGetTXNObject(probe);
            TXNSetData(txn, kTXNTextData, "Test", 4, 0, kTXNEndOffset);
            view->ChangeSizeAndStyleAndFontAttributes(txn, 14, 0, pMacScreenFont);
            int oneLine = titleTextHeight(txn);
            CFRelease(probe);
            int height = titleTextHeight(HITextViewGetTXNObject(view->mTitleTextView));
            checks.check(oneLine > 0 && height >= 2 * oneLine - 1 && height <= 2 * oneLine + 1,
                         "the title wraps onto two lines");
            checks.check(firstColumn(460, 690, 30, 30 + height) >= 460, "the title is drawn");
            checks.equal(view->mSeparatorY, height + 38, "separator at the title's height + 38");
            checkSeparator(checks, view->mSeparatorY);
            checks.equal(take(view->DoStringReplacements(pVersionText, nullptr)),
                         std::string("Rev. 1.2.3.4.5.6.7.8.9.10.11. - Build 18"),
                         "build line, the revision cut to 24 characters");
            // The build line is white (Font Color Build) at Build X/Y = 20, 500.
            checks.check(firstColumn(20, 220, 500, 529, 0xFFFFFF, 40) >= 0,
                         "the build line is drawn in its colour");
            // The second text is appended before any token is replaced; each token once.
            checks.equal(take(view->DoStringReplacements("[BUILD]/[BUILD] ", "[GAME_TITLE]")),
                         std::string("18/[BUILD] The Lighthouse Keeper's Daughter"),
                         "joined texts, first occurrences replaced");

            // The main view keeps the draw event's context and refuses any other.
            CGContextRef first = view->mMainContext;
            CGColorSpaceRef rgb = CGColorSpaceCreateDeviceRGB();
            CGContextRef offered = CGBitmapContextCreate(
                nullptr, 4, 4, 8, 16, rgb, kCGBitmapByteOrder32Little | kCGImageAlphaNoneSkipFirst);
            CGColorSpaceRelease(rgb);
            checks.check(first && !view->SetMainContextOnceAndRetain(first) &&
                             !view->SetMainContextOnceAndRetain(offered) &&
                             view->mMainContext == first,
                         "the first context kept");
            CGContextRelease(offered);
        })));
}

TEST(ViewStartPage, MissingPicturesLeaveThePageUndrawnAndTheButtonsEmpty) {
    TempDir dir;
    LauncherTestBundle bundle(dir.path(), {.omit = {"Background.jpg", "button_normal.jpg"}});
    expectOneTeardown(runLauncher(
        bundle, onceShown([](LauncherScript& checks, GameWrapperView* view) {
            drawWindow();
            checks.check(!near(pixelAt(2, 2), kBackground), "no background drawn");
            checks.check(!near(pixelAt(kPlayGameLeft + 2, kButtonTop + 2), kButtonHover),
                         "no button drawn");
            checks.check(firstColumn(460, 690, 30, 60) >= 460, "the title still shows");
            GameWrapperButton* play = view->mMainButtons[1];
            view->MainButtonsMouseDown(play->mBounds.left, play->mBounds.top);
            checks.check(play->mBounds.left == play->mBounds.right && !play->mPressed,
                         "a button without its picture has no size, and no point is over it");
        })));
}

TEST(ViewStartPage, ReplaceStringReplacesTheFirstOccurrenceOnly) {
    EXPECT_EQ(take(ReplaceString("a [X] b [X]", "[X]", "1234")), "a 1234 b [X]");
    EXPECT_EQ(take(ReplaceString("no token", "[X]", "1")), "no token");
    EXPECT_EQ(take(ReplaceString("end[X]", "[X]", nullptr)), "end");
    EXPECT_EQ(ReplaceString(nullptr, "[X]", "1"), nullptr);
}
