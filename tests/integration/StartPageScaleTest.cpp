// The start page on a desktop scaled to 200%: the same page at twice the resolution, with text
// drawn at the screen's resolution rather than enlarged. (tests/e2e/scale_test.py clicks it.)
#include "Display/DisplayScale.h"
#include "ViewTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

using LauncherTest::LauncherTestBundle;
using namespace ViewTest;

namespace {

struct Picture {
    SInt32 width = 0;
    SInt32 height = 0;
    std::vector<UInt32> pixels;

    int channel(int x, int y, int shift) const {
        return static_cast<int>((pixels[static_cast<size_t>(y) * width + x] >> shift) & 0xFF);
    }
    double luminance(int x, int y) const {
        return 0.299 * channel(x, y, 16) + 0.587 * channel(x, y, 8) + 0.114 * channel(x, y, 0);
    }
};

// The start page of the bundle drawn on a window at the scale MACPLATFORM_SCALE gives.
Picture drawnStartPage(const LauncherTestBundle& bundle, const char* scale) {
    setenv(MacPlatform::Display::kScaleVariable, scale, 1);
    Picture picture;
    ViewScene scene(bundle);
    scene.redrawAll();
    MacPlatformTestCopyWindowPixels(scene.window, nullptr, 0, &picture.width, &picture.height);
    picture.pixels.assign(static_cast<size_t>(picture.width) * picture.height, 0);
    MacPlatformTestCopyWindowPixels(scene.window, picture.pixels.data(), picture.pixels.size(),
                                    &picture.width, &picture.height);
    return picture;
}

// How steep the edges in the rectangle (device pixels) are: neighbouring pixels' differences
// in luminance, squared and summed, over their plain sum. An edge of height h spread over w
// pixels adds h²/w to the first and h to the second, so the measure is about the edges' height
// over their width, whatever their number or length: a glyph's edge one pixel wide scores
// about twice one spread over two, as a page drawn at scale 1 and stretched would have it.
double edgeSteepness(const Picture& picture, int left, int top, int right, int bottom) {
    double squares = 0;
    double sum = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            for (double step : {picture.luminance(x + 1, y) - picture.luminance(x, y),
                                picture.luminance(x, y + 1) - picture.luminance(x, y)}) {
                squares += step * step;
                sum += std::fabs(step);
            }
        }
    }
    return sum > 0 ? squares / sum : 0;
}

} // namespace

TEST(StartPageScale, AtScaleTwoThePageIsTwiceAsFineAndItsTextAsSharp) {
    TestSupport::TempDir dir;
    LauncherTestBundle bundle(dir.path());
    GameWrapperTest::inChild(
        [&](ChildChecks& checks) {
            Picture one = drawnStartPage(bundle, "1");
            Picture two = drawnStartPage(bundle, "2");
            checks.check(one.width == 720 && one.height == 540 && two.width == 1440 &&
                             two.height == 1080,
                         "the page is 720 x 540 pixels at scale 1 and 1440 x 1080 at scale 2");
            if (checks.failures() != 0) {
                return;
            }
            // Pictures, buttons and the separator fall on whole points and cover the same pixels
            // at both scales; only the antialiased edges of glyphs, rasterised at another size,
            // may differ, and those are a small part of the page. Anything drawn out of place, at
            // the wrong size or left out differs over whole areas. Measured here: 308 pixels
            // (0.08%) of the halved scale-2 page off by more than 24 levels.
            int differing = 0;
            for (int y = 0; y < one.height; ++y) {
                for (int x = 0; x < one.width; ++x) {
                    int worst = 0;
                    for (int shift : {16, 8, 0}) {
                        int sum = two.channel(2 * x, 2 * y, shift) +
                                  two.channel(2 * x + 1, 2 * y, shift) +
                                  two.channel(2 * x, 2 * y + 1, shift) +
                                  two.channel(2 * x + 1, 2 * y + 1, shift);
                        worst = std::max(worst, std::abs((sum + 2) / 4 - one.channel(x, y, shift)));
                    }
                    differing += worst > 24;
                }
            }
            checks.check(differing < 720 * 540 / 300,
                         "the halved scale-2 page matches scale 1, but " +
                             std::to_string(differing) + " pixels");
            // The title (x 460 to 690, from y 30) at each scale, in its own pixels. Measured here:
            // 29.6 at scale 1, 30.4 at scale 2, 11.2 for the scale-1 page stretched twice.
            double sharpOne = edgeSteepness(one, 458, 28, 692, 56);
            double sharpTwo = edgeSteepness(two, 916, 56, 1384, 112);
            checks.check(sharpOne > 20 && sharpTwo > 0.8 * sharpOne,
                         "the title's edges are as steep in device pixels at scale 2 as at 1: " +
                             std::to_string(sharpTwo) + " against " + std::to_string(sharpOne));
        },
        false);
}
