// The start page: its pictures at their places, the buttons' labels, the separator under the
// game's name for one and two lines of it, and the build line with its replaced tokens.
#include "ViewTestSupport.h"

#include "GameWrapperButton.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <utility>

using LauncherTest::LauncherTestBundle;
using TestSupport::TempDir;
using namespace ViewTest;

namespace {

bool dark(UInt32 colour) {
    return ((colour >> 16) & 0xFF) < 0x50 && ((colour >> 8) & 0xFF) < 0x50 &&
           (colour & 0xFF) < 0x50;
}

// The first column from left to right (exclusive) with a pixel in rows top..bottom that
// matches, or -1.
int firstColumn(ViewScene& scene, int left, int right, int top, int bottom,
                const std::function<bool(UInt32)>& matches = dark) {
    scene.readPixels();
    for (int x = left; x < right; ++x) {
        for (int y = top; y <= bottom; ++y) {
            if (matches(scene.pixels[static_cast<size_t>(y) * 720 + static_cast<size_t>(x)])) {
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

// The separator lies on row y from x 460 to 689 and nowhere around it.
void checkSeparator(ChildChecks& checks, ViewScene& scene, int y) {
    checks.equal(scene.pixel(460, y), 0u, "separator starts at x 460");
    checks.equal(scene.pixel(689, y), 0u, "separator ends at x 689");
    checks.check(near(scene.pixel(459, y), kBackground), "nothing left of the separator");
    checks.check(near(scene.pixel(690, y), kBackground), "nothing right of the separator");
    checks.check(near(scene.pixel(600, y - 1), kBackground), "one pixel high (above)");
    checks.check(near(scene.pixel(600, y + 1), kBackground), "one pixel high (below)");
}

std::string take(char* text) {
    std::string result = text ? text : "(null)";
    std::free(text);
    return result;
}

} // namespace

TEST(ViewStartPage, DrawsPicturesButtonsLabelsSeparatorAndBuildLine) {
    TempDir dir;
    LauncherTestBundle bundle(dir.path());
    inScene(bundle, [](ViewScene& scene, ChildChecks& checks) {
        GameWrapperView* view = scene.view;
        checks.equal(scene.createStatus, noErr, "views created");
        checks.check(HIViewIsVisible(view->mMainView) && !HIViewIsVisible(view->mGameCenterView),
                     "main view shown, game-center view hidden");
        checks.check(view->mMainButtons.size() == 2 &&
                         std::strcmp(view->mMainButtons[0]->mLabel, "Other Games") == 0 &&
                         std::strcmp(view->mMainButtons[1]->mLabel, "Play Game") == 0,
                     "Other Games made before Play Game");
        ControlID main{};
        ControlID center{};
        GetControlID(view->mMainView, &main);
        GetControlID(view->mGameCenterView, &center);
        checks.check(main.signature == 'GWma' && main.id == 0 && center.signature == 'GWgc' &&
                         center.id == 0,
                     "the views' IDs");
        scene.draw();

        checks.check(near(scene.pixel(2, 2), kBackground), "background at the top left");
        // Branding at Brand X/Y = 40, 60; its left half is opaque.
        checks.check(near(scene.pixel(42, 62), kBrandingLeft), "branding at its place");
        checks.check(near(scene.pixel(39, 62), kBackground), "nothing left of branding");

        // Labels start at slot x + offset + 20, whatever the picture's width.
        for (auto [left, labelX] :
             {std::pair{kOtherGamesLeft, 594}, std::pair{kPlayGameLeft, 478}}) {
            int right = left + kButtonWidth;
            int bottom = kButtonTop + kButtonHeight;
            checks.check(near(scene.pixel(left, kButtonTop + 1), kButtonNormal),
                         "button's first column");
            checks.check(near(scene.pixel(right - 1, bottom - 1), kButtonNormal),
                         "button's last pixel");
            checks.check(near(scene.pixel(left - 1, kButtonTop + 1), kBackground),
                         "nothing left of a button");
            checks.check(near(scene.pixel(right, kButtonTop + 1), kBackground),
                         "nothing right of a button");
            checks.check(near(scene.pixel(left + 1, bottom), kBackground),
                         "nothing under a button");
            int label = firstColumn(scene, left, right, kButtonTop + 2, bottom - 2);
            checks.check(label >= labelX - 1 && label <= labelX + 1, "the label's first column");
        }

        int height = titleTextHeight(HITextViewGetTXNObject(view->mTitleTextView));
        checks.check(height >= 14 && height <= 32, "the title is one line");
        checks.equal(view->mSeparatorY, height + 38, "separator at title height + 38");
        checkSeparator(checks, scene, view->mSeparatorY);
        checks.check(firstColumn(scene, 460, 690, 30, 30 + height) >= 460, "the title is drawn");

        checks.equal(take(view->DoStringReplacements(pVersionText, nullptr)),
                     std::string("Rev. 1.0.3 - Build 18"), "build line");
        // The build line is white (Font Color Build) at Build X/Y = 20, 500.
        checks.check(firstColumn(scene, 20, 220, 500, 529,
                                 [](UInt32 colour) { return near(colour, 0xFFFFFF, 40); }) >= 0,
                     "the build line is drawn in its colour");

        // The main view keeps its first context; a different one is refused aloud.
        CGContextRef first = view->mMainContext;
        checks.check(first != nullptr && !view->SetMainContextOnceAndRetain(first),
                     "the draw event's context kept");
        CGColorSpaceRef rgb = CGColorSpaceCreateDeviceRGB();
        CGContextRef offered = CGBitmapContextCreate(
            nullptr, 4, 4, 8, 16, rgb, kCGBitmapByteOrder32Little | kCGImageAlphaNoneSkipFirst);
        CGColorSpaceRelease(rgb);
        bool taken = true;
        std::string line = printedBy([&] { taken = view->SetMainContextOnceAndRetain(offered); });
        checks.check(!taken && view->mMainContext == first, "another context refused");
        checks.check(line.rfind("***** ERROR set context = ", 0) == 0, "refusal is reported");
        CGContextRelease(offered);
    });
}

TEST(ViewStartPage, TwoLineTitleMovesTheSeparatorAndLongRevisionsAreCut) {
    TempDir dir;
    LauncherTestBundle bundle(
        dir.path(), {.gameInformation = LauncherTest::defaultGameInformation(
                         "The Lighthouse Keeper's Daughter", "1.2.3.4.5.6.7.8.9.10.11.12.13")});
    inScene(bundle, [](ViewScene& scene, ChildChecks& checks) {
        GameWrapperView* view = scene.view;
        scene.draw();
        // One line of the same text style, measured on a text view of its own.
        HIRect frame = CGRectMake(0, 0, 230, 130);
        HIViewRef probe = nullptr;
        HITextViewCreate(&frame, 0, 0x400A00, &probe);
        TXNObject txn = HITextViewGetTXNObject(probe);
        TXNSetData(txn, kTXNTextData, "Test", 4, 0, kTXNEndOffset);
        view->ChangeSizeAndStyleAndFontAttributes(txn, 14, 0, pMacScreenFont);
        int oneLine = titleTextHeight(txn);
        CFRelease(probe);
        int twoLines = titleTextHeight(HITextViewGetTXNObject(view->mTitleTextView));
        checks.check(oneLine > 0 && twoLines >= 2 * oneLine - 1 && twoLines <= 2 * oneLine + 1,
                     "the title wraps onto two lines");
        checks.equal(view->mSeparatorY, twoLines + 38, "separator under the second line");
        checkSeparator(checks, scene, view->mSeparatorY);

        checks.equal(take(view->DoStringReplacements(pVersionText, nullptr)),
                     std::string("Rev. 1.2.3.4.5.6.7.8.9.10.11. - Build 18"),
                     "revision cut to 24 characters");
        // The second text is appended before any token is replaced; each token once.
        checks.equal(take(view->DoStringReplacements("[BUILD]/[BUILD] ", "[GAME_TITLE]")),
                     std::string("18/[BUILD] The Lighthouse Keeper's Daughter"),
                     "joined texts, first occurrences replaced");
    });
}

TEST(ViewStartPage, MissingPicturesLeaveThePageUndrawnAndTheButtonsEmpty) {
    TempDir dir;
    LauncherTestBundle bundle(dir.path(), {.omit = {"Background.jpg", "button_normal.jpg"}});
    inScene(bundle, [](ViewScene& scene, ChildChecks& checks) {
        GameWrapperView* view = scene.view;
        checks.equal(scene.createStatus, noErr, "views created without pictures");
        scene.draw();
        checks.check(!near(scene.pixel(2, 2), kBackground), "no background drawn");
        checks.check(!near(scene.pixel(kPlayGameLeft + 2, kButtonTop + 2), kButtonHover),
                     "no button drawn");
        checks.check(firstColumn(scene, 460, 690, 30, 60) >= 460, "the title still shows");
        GameWrapperButton* play = view->mMainButtons[1];
        checks.check(play->mBounds.left == play->mBounds.right &&
                         play->mBounds.top == play->mBounds.bottom,
                     "buttons without a picture have no size");
        view->MainButtonsMouseDown(play->mBounds.left, play->mBounds.top);
        checks.check(!play->mPressed, "no point is over an empty button");
    });
}

TEST(ViewStartPage, ReplaceStringReplacesTheFirstOccurrenceOnly) {
    EXPECT_EQ(take(ReplaceString("a [X] b [X]", "[X]", "1")), "a 1 b [X]");
    EXPECT_EQ(take(ReplaceString("no token", "[X]", "1")), "no token");
    EXPECT_EQ(take(ReplaceString("[X]", "[X]", "")), "");
    EXPECT_EQ(take(ReplaceString("end[X]", "[X]", "longer text")), "endlonger text");
    EXPECT_EQ(ReplaceString(nullptr, "[X]", "1"), nullptr);
}
