// The start page on a desktop scaled to 200%: the same page at twice the resolution, with text
// drawn at the screen's resolution rather than enlarged. (tests/e2e/scale_test.py clicks it.)
#include "Display/DisplayScale.h"
#include "ViewTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <string>
#include <vector>

using LauncherTest::LauncherTestBundle;
using namespace ViewTest;
using LauncherTest::expectOneTeardown;
using LauncherTest::runLauncher;

namespace {

struct Picture {
    int width = 0;
    std::vector<UInt32> pixels;

    int channel(int x, int y, int shift) const {
        return static_cast<int>((pixels[static_cast<size_t>(y) * width + x] >> shift) & 0xFF);
    }
    double luminance(int x, int y) const {
        return 0.299 * channel(x, y, 16) + 0.587 * channel(x, y, 8) + 0.114 * channel(x, y, 0);
    }
};

// The pixels of the start page of the bundle drawn at the scale MACPLATFORM_SCALE gives, as the
// launcher shows it, handed over through file.
std::vector<UInt32> drawnStartPage(const LauncherTestBundle& bundle, const char* scale,
                                   const std::string& file) {
    setenv(MacPlatform::Display::kScaleVariable, scale, 1);
    expectOneTeardown(runLauncher(
        bundle, onceShown([file](LauncherScript&, GameWrapperView*) {
            drawWindow(true);
            std::vector<UInt32> pixels = LauncherTest::windowPixels();
            TestSupport::writeFile(file, std::string(reinterpret_cast<const char*>(pixels.data()),
                                                     pixels.size() * sizeof(UInt32)));
        })));
    unsetenv(MacPlatform::Display::kScaleVariable);
    std::string bytes = TestSupport::readFile(file);
    std::vector<UInt32> pixels(bytes.size() / sizeof(UInt32));
    std::memcpy(pixels.data(), bytes.data(), pixels.size() * sizeof(UInt32));
    return pixels;
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
    Picture one{720, drawnStartPage(bundle, "1", dir / "one")};
    Picture two{1440, drawnStartPage(bundle, "2", dir / "two")};
    ASSERT_EQ(one.pixels.size(), 720u * 540) << "the page is 720 x 540 pixels at scale 1";
    ASSERT_EQ(two.pixels.size(), 1440u * 1080) << "the page is 1440 x 1080 pixels at scale 2";
    // Pictures, buttons and the separator fall on whole points and cover the same pixels at
    // both scales; only the antialiased edges of glyphs, rasterised at another size, may
    // differ, and those are a small part of the page. Anything drawn out of place, at the wrong
    // size or left out differs over whole areas. Measured here: 308 pixels (0.08%) of the
    // halved scale-2 page off by more than 24 levels.
    int differing = 0;
    for (int y = 0; y < 540; ++y) {
        for (int x = 0; x < 720; ++x) {
            int worst = 0;
            for (int shift : {16, 8, 0}) {
                int sum = two.channel(2 * x, 2 * y, shift) + two.channel(2 * x + 1, 2 * y, shift) +
                          two.channel(2 * x, 2 * y + 1, shift) +
                          two.channel(2 * x + 1, 2 * y + 1, shift);
                worst = std::max(worst, std::abs((sum + 2) / 4 - one.channel(x, y, shift)));
            }
            differing += worst > 24;
        }
    }
    EXPECT_LT(differing, 720 * 540 / 300) << "pixels of the halved scale-2 page unlike scale 1";
    // The title (x 460 to 690, from y 30) at each scale, in its own pixels. Measured here:
    // 29.6 at scale 1, 30.4 at scale 2, 11.2 for the scale-1 page stretched twice.
    double sharpOne = edgeSteepness(one, 458, 28, 692, 56);
    EXPECT_GT(sharpOne, 20) << "the title is drawn";
    EXPECT_GT(edgeSteepness(two, 916, 56, 1384, 112), 0.8 * sharpOne)
        << "the title's edges are as steep in device pixels at scale 2 as at 1";
}
