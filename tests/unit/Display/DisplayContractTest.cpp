// What every display backend promises through its table, checked on the backend that
// MACPLATFORM_DISPLAY chooses: CTest runs this once on the headless display and once on SDL
// under a private X server. A wake ending the display's wait is the signal tests' (on the
// headless display's wait) and the e2e play-game and desktop tests' (SIGTERM on SDL's).
#include "Display/DisplayBackend.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

namespace {

using MacPlatform::Display::backend;
using MacPlatform::Display::IconImage;
using MacPlatform::Display::NativeWindow;

class DisplayContract : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(backend().start()) << backend().errorText(); }
    void TearDown() override { backend().stop(); }
};

// Windows are drawn, shown, titled and given their icons in every e2e test on SDL and in the
// window tests on the headless display; here what those do not look at.
TEST_F(DisplayContract, WindowsAreMadeNamedPlacedAndDestroyed) {
    const auto& display = backend();
    NativeWindow* window = display.createWindow("First", 30, 40, 64, 48);
    ASSERT_NE(window, nullptr) << display.errorText();
    int x = -1, y = -1, width = 0, height = 0;
    display.position(window, &x, &y);
    EXPECT_EQ((std::pair{x, y}), (std::pair{30, 40}));
    EXPECT_EQ(display.scale(window), 1.0);
    ASSERT_TRUE(display.screenSize(&width, &height));
    EXPECT_GT(width * height, 0);

    std::vector<std::uint32_t> small(16 * 16, 0xFF336699u);
    const IconImage icons[] = {{16, 16, small.data()}, {0, 16, small.data()}};
    EXPECT_FALSE(display.setIcon(window, icons + 1, 1)) << "an icon without a size is refused";
    EXPECT_TRUE(display.setIcon(window, nullptr, 0)) << "no icon at all removes it";
    cairo_surface_t* surface = display.createSurface(window);
    ASSERT_NE(surface, nullptr) << display.errorText();
    EXPECT_EQ(cairo_image_surface_get_format(surface), CAIRO_FORMAT_RGB24);
    EXPECT_EQ(cairo_image_surface_get_width(surface), 64);
    EXPECT_FALSE(display.present(window, nullptr));
    cairo_surface_destroy(surface);
    display.destroyWindow(window);
}

} // namespace
