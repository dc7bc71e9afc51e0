// The start page: its pictures at their places, the buttons' labels, the separator under the
// game's name for one and two lines of it, and the build line with its replaced tokens.
#include "ViewTestSupport.h"

#include "GameWrapperButton.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using GameWrapperTest::ChildChecks;
using LauncherTest::LauncherTestBundle;
using TestSupport::TempDir;
using namespace ViewTest;

namespace {

bool dark(UInt32 colour) {
    return ((colour >> 16) & 0xFF) < 0x50 && ((colour >> 8) & 0xFF) < 0x50 &&
           (colour & 0xFF) < 0x50;
}

// The first column from left to right (exclusive) with a dark pixel in rows top..bottom, or -1.
int firstDarkColumn(ViewScene& scene, int left, int right, int top, int bottom) {
    scene.readPixels();
    for (int x = left; x < right; ++x) {
        for (int y = top; y <= bottom; ++y) {
            if (dark(scene.pixels[static_cast<size_t>(y) * 720 + static_cast<size_t>(x)])) {
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
    LauncherTestBundle bundle(dir.path(), bundleOptions(gameInformation("Test Game", "1.0.3")));
    EXPECT_EXIT(
        {
            ChildChecks checks;
            {
                ViewScene scene(bundle);
                GameWrapperView* view = scene.view;
                checks.equal(scene.createStatus, noErr, "views created");
                checks.check(HIViewIsVisible(view->mMainView), "main view shown");
                checks.check(!HIViewIsVisible(view->mGameCenterView), "game-center view hidden");
                checks.check(view->mMainButtons.size() == 2 &&
                                 std::strcmp(view->mMainButtons[0]->mLabel, "Other Games") == 0 &&
                                 std::strcmp(view->mMainButtons[1]->mLabel, "Play Game") == 0,
                             "Other Games made before Play Game");
                ControlID id{};
                GetControlID(view->mMainView, &id);
                checks.check(id.signature == 'GWma' && id.id == 0, "main view's ID");
                GetControlID(view->mGameCenterView, &id);
                checks.check(id.signature == 'GWgc' && id.id == 0, "game-center view's ID");
                scene.draw();

                checks.check(near(scene.pixel(2, 2), kBackground), "background at the top left");
                // Branding at Brand X/Y = 40, 60; its left half is opaque.
                checks.check(near(scene.pixel(42, 62), kBrandingLeft), "branding at its place");
                checks.check(near(scene.pixel(39, 62), kBackground), "nothing left of branding");

                for (int left : {kOtherGamesLeft, kPlayGameLeft}) {
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
                }
                // Labels start at slot x + offset + 20, whatever the picture's width.
                int play = firstDarkColumn(scene, kPlayGameLeft, kPlayGameLeft + kButtonWidth,
                                           kButtonTop + 2, kButtonTop + kButtonHeight - 2);
                int other = firstDarkColumn(scene, kOtherGamesLeft, kOtherGamesLeft + kButtonWidth,
                                            kButtonTop + 2, kButtonTop + kButtonHeight - 2);
                checks.check(play >= 477 && play <= 479, "Play Game label starts at x 477");
                checks.check(other >= 593 && other <= 595, "Other Games label starts at x 593");

                int height = titleTextHeight(HITextViewGetTXNObject(view->mTitleTextView));
                checks.check(height >= 14 && height <= 32, "the title is one line");
                checks.equal(view->mSeparatorY, height + 38, "separator at title height + 38");
                checkSeparator(checks, scene, view->mSeparatorY);
                checks.check(firstDarkColumn(scene, 460, 690, 30, 30 + height) >= 460,
                             "the title is drawn");

                checks.equal(take(view->DoStringReplacements(pVersionText, nullptr)),
                             std::string("Rev. 1.0.3 - Build 18"), "build line");
                // The build line is white (Font Color Build) at Build X/Y = 20, 500.
                bool white = false;
                scene.readPixels();
                for (int y = 500; y < 530 && !white; ++y) {
                    for (int x = 20; x < 220 && !white; ++x) {
                        white = near(scene.pixels[static_cast<size_t>(y) * 720 + x], 0xFFFFFF, 40);
                    }
                }
                checks.check(white, "the build line is drawn in its colour");

                // The main view keeps its first context; a different one is refused aloud.
                CGContextRef first = view->mMainContext;
                checks.check(first != nullptr, "the draw event gave a context");
                checks.check(!view->SetMainContextOnceAndRetain(first), "same context kept");
                CGColorSpaceRef rgb = CGColorSpaceCreateDeviceRGB();
                CGContextRef offered =
                    CGBitmapContextCreate(nullptr, 4, 4, 8, 16, rgb,
                                          kCGBitmapByteOrder32Little | kCGImageAlphaNoneSkipFirst);
                CGColorSpaceRelease(rgb);
                checks.check(offered != nullptr, "a second context to offer");
                ::testing::internal::CaptureStdout();
                checks.check(!view->SetMainContextOnceAndRetain(offered), "other context refused");
                std::fflush(stdout);
                std::string line = ::testing::internal::GetCapturedStdout();
                checks.check(line.rfind("***** ERROR set context = ", 0) == 0,
                             "refusal is reported");
                checks.check(view->mMainContext == first, "first context still kept");
                CGContextRelease(offered);
            }
            checks.checkNoLeaks();
            checks.finish();
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(ViewStartPage, TwoLineTitleMovesTheSeparatorAndLongRevisionsAreCut) {
    TempDir dir;
    LauncherTestBundle bundle(dir.path(),
                              bundleOptions(gameInformation("The Lighthouse Keeper's Daughter",
                                                            "1.2.3.4.5.6.7.8.9.10.11.12.13")));
    EXPECT_EXIT(
        {
            ChildChecks checks;
            {
                ViewScene scene(bundle);
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
                checks.check(oneLine > 0 && twoLines >= 2 * oneLine - 1 &&
                                 twoLines <= 2 * oneLine + 1,
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
            }
            checks.checkNoLeaks();
            checks.finish();
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(ViewStartPage, MissingPicturesLeaveThePageUndrawnAndTheButtonsEmpty) {
    TempDir dir;
    LauncherTest::BundleOptions options = bundleOptions(gameInformation());
    options.omit = {"Background.jpg", "button_normal.jpg"};
    LauncherTestBundle bundle(dir.path(), options);
    EXPECT_EXIT(
        {
            ChildChecks checks;
            {
                ViewScene scene(bundle);
                GameWrapperView* view = scene.view;
                checks.equal(scene.createStatus, noErr, "views created without pictures");
                scene.draw();
                checks.check(!near(scene.pixel(2, 2), kBackground), "no background drawn");
                checks.check(!near(scene.pixel(kPlayGameLeft + 2, kButtonTop + 2), kButtonHover),
                             "no button drawn");
                checks.check(firstDarkColumn(scene, 460, 690, 30, 60) >= 460,
                             "the title still shows");
                GameWrapperButton* play = view->mMainButtons[1];
                checks.check(play->mBounds.left == play->mBounds.right &&
                                 play->mBounds.top == play->mBounds.bottom,
                             "buttons without a picture have no size");
                view->MainButtonsMouseDown(play->mBounds.left, play->mBounds.top);
                checks.check(!play->mPressed, "no point is over an empty button");
            }
            checks.checkNoLeaks();
            checks.finish();
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(ViewStartPage, ReplaceStringReplacesTheFirstOccurrenceOnly) {
    EXPECT_EQ(take(ReplaceString("a [X] b [X]", "[X]", "1")), "a 1 b [X]");
    EXPECT_EQ(take(ReplaceString("no token", "[X]", "1")), "no token");
    EXPECT_EQ(take(ReplaceString("[X]", "[X]", "")), "");
    EXPECT_EQ(take(ReplaceString("end[X]", "[X]", "longer text")), "endlonger text");
    EXPECT_EQ(ReplaceString(nullptr, "[X]", "1"), nullptr);
}
