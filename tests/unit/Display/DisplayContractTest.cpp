// What every display backend promises through its table, checked on the backend that
// MACPLATFORM_DISPLAY chooses: CTest runs this once on the headless display and once on SDL
// under a private X server.
#include "Display/DisplayBackend.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <utility>
#include <vector>

namespace {

using MacPlatform::Display::backend;
using MacPlatform::Display::Event;
using MacPlatform::Display::EventType;
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

TEST_F(DisplayContract, AWakeFromAnotherThreadEndsTheWaitAndIsNoEvent) {
    const auto& display = backend();
    ASSERT_TRUE(display.startEvents()) << display.errorText();
    Event event;
    while (display.nextEvent(&event)) {
    }
    std::thread waker([&display] { display.wake(); });
    // No time is measured: a wait that never ended would hang the test until CTest's limit.
    EXPECT_TRUE(display.waitForEvent(-1));
    waker.join();
    while (display.nextEvent(&event)) {
        EXPECT_NE(event.type, EventType::None) << "the wake itself is never an event";
    }
    display.stopEvents();
}

} // namespace
