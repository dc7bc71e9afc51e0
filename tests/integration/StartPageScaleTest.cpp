// The start page on a desktop scaled to 200%: the same page at twice the resolution, with text
// drawn at the screen's resolution rather than enlarged. (tests/e2e/scale_test.py clicks it.)
#include "Display/DisplayScale.h"
#include "ViewTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

using namespace ViewTest;

namespace {

constexpr int kWidth = 1440;

double luminance(const std::vector<UInt32>& pixels, int x, int y) {
    UInt32 pixel = pixels[static_cast<size_t>(y) * kWidth + x];
    return 0.299 * ((pixel >> 16) & 0xFF) + 0.587 * ((pixel >> 8) & 0xFF) + 0.114 * (pixel & 0xFF);
}

// How steep the edges in the rectangle (device pixels) are: neighbouring pixels' differences
// in luminance, squared and summed, over their plain sum. An edge of height h spread over w
// pixels adds h²/w to the first and h to the second, so the measure is about the edges' height
// over their width, whatever their number or length: a glyph's edge one pixel wide scores
// about twice one spread over two, as a page drawn at scale 1 and stretched would have it.
double edgeSteepness(const std::vector<UInt32>& pixels, int left, int top, int right, int bottom) {
    double squares = 0;
    double sum = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            for (double step : {luminance(pixels, x + 1, y) - luminance(pixels, x, y),
                                luminance(pixels, x, y + 1) - luminance(pixels, x, y)}) {
                squares += step * step;
                sum += std::fabs(step);
            }
        }
    }
    return sum > 0 ? squares / sum : 0;
}

} // namespace

// Pictures, buttons and the separator fall on whole points, so each point's pixels are those of
// scale 1, twice as many each way.
TEST(StartPageScale, AtScaleTwoThePageIsTwiceAsFineAndItsTextAsSharp) {
    TestSupport::TempDir dir;
    LauncherTestBundle bundle(dir.path());
    setenv(MacPlatform::Display::kScaleVariable, "2", 1);
    expectOneTeardown(runLauncher(
        bundle, onceShown([](LauncherScript& checks, GameWrapperView* view) {
            drawWindow(true);
            std::vector<UInt32> pixels = windowPixels();
            checks.equal(pixels.size(), size_t{kWidth * 1080}, "pixels of a 1440 x 1080 window");
            if (pixels.size() != size_t{kWidth * 1080}) {
                return;
            }
            int separator = 2 * view->mSeparatorY;
            for (const Probe& probe : std::initializer_list<Probe>{
                     {1, 1, kBackground, "background"},
                     {80, 120, kBrandingLeft, "branding"},
                     {79, 120, kBackground, "left of the branding"},
                     {2 * kOtherGamesLeft, 2 * kButtonTop, kButtonNormal, "Other Games"},
                     {2 * kOtherGamesLeft - 1, 2 * kButtonTop, kBackground, "left of a button"},
                     {2 * (kPlayGameLeft + kButtonWidth) - 1, 2 * (kButtonTop + kButtonHeight) - 1,
                      kButtonNormal, "Play Game's last pixel"},
                     {920, separator + 1, 0, "separator"},
                     {920, separator + 2, kBackground, "under the separator"}}) {
                UInt32 actual = pixels[static_cast<size_t>(probe.y) * kWidth + probe.x];
                checks.check(near(actual, probe.colour),
                             std::string(probe.what) + " at device pixel " +
                                 std::to_string(probe.x) + ", " + std::to_string(probe.y));
            }
            // The title (x 460 to 690, from y 30). Measured here: 29.6 at scale 1, 30.4 at scale
            // 2, 11.2 for the scale-1 page stretched twice.
            double sharpness = edgeSteepness(pixels, 916, 56, 1384, 112);
            checks.check(sharpness > 20, "the title's edges are as steep in device pixels as at "
                                         "scale 1, not " +
                                             std::to_string(sharpness));
        })));
    unsetenv(MacPlatform::Display::kScaleVariable);
}
