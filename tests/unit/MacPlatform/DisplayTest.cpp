// The SDL display backend on SDL's dummy video driver: windows come and go, Cairo draws
// straight into the frame buffer and presenting shows what was drawn.
#include "Display/DisplayBackend.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

using MacPlatform::Display::backend;
using MacPlatform::Display::NativeWindow;

class DisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_TRUE(backend().start()) << backend().errorText();
    }
    void TearDown() override { backend().stop(); }
};

std::uint32_t pixelAt(SDL_Surface* surface, int x, int y) {
    const auto* row = static_cast<const unsigned char*>(surface->pixels) + y * surface->pitch;
    std::uint32_t value;
    std::memcpy(&value, row + x * 4, 4);
    return value & 0x00FFFFFF;
}

TEST_F(DisplayTest, WindowStartsHiddenAndFollowsShowHideAndTitle) {
    const auto& ops = backend();
    NativeWindow* window = ops.createWindow("First", 30, 40, 120, 80);
    ASSERT_NE(window, nullptr) << ops.errorText();
    SDL_Window* sdlWindow = SDL_GetWindowFromID(ops.windowID(window));
    ASSERT_NE(sdlWindow, nullptr);

    EXPECT_TRUE(SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_HIDDEN);
    ops.show(window);
    EXPECT_TRUE(SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_SHOWN);
    ops.hide(window);
    EXPECT_FALSE(SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_SHOWN);

    ops.setTitle(window, "Second \xC3\xA9");
    EXPECT_STREQ(SDL_GetWindowTitle(sdlWindow), "Second \xC3\xA9");
    int width = 0, height = 0;
    SDL_GetWindowSize(sdlWindow, &width, &height);
    EXPECT_EQ(width, 120);
    EXPECT_EQ(height, 80);

    std::uint32_t id = ops.windowID(window);
    ops.destroyWindow(window);
    EXPECT_EQ(SDL_GetWindowFromID(id), nullptr);
}

TEST_F(DisplayTest, CairoDrawsIntoTheFrameBufferAndPresentShowsIt) {
    const auto& ops = backend();
    NativeWindow* window = ops.createWindow("Pixels", 0, 0, 64, 48);
    ASSERT_NE(window, nullptr) << ops.errorText();
    cairo_surface_t* surface = ops.createSurface(window);
    ASSERT_NE(surface, nullptr) << ops.errorText();
    EXPECT_EQ(cairo_image_surface_get_format(surface), CAIRO_FORMAT_RGB24);
    EXPECT_EQ(cairo_image_surface_get_width(surface), 64);
    EXPECT_EQ(cairo_image_surface_get_height(surface), 48);

    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0, 0, 1);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 1, 0, 0);
    cairo_rectangle(cr, 10, 5, 20, 10);
    cairo_fill(cr);
    cairo_destroy(cr);
    ASSERT_TRUE(ops.present(window, surface)) << ops.errorText();

    SDL_Surface* frame = SDL_GetWindowSurface(SDL_GetWindowFromID(ops.windowID(window)));
    ASSERT_NE(frame, nullptr);
    // The dummy driver's frame buffer is XRGB8888, the layout Cairo shares without a copy.
    EXPECT_EQ(cairo_image_surface_get_data(surface), frame->pixels);
    EXPECT_EQ(pixelAt(frame, 10, 5), 0xFF0000u);
    EXPECT_EQ(pixelAt(frame, 29, 14), 0xFF0000u);
    EXPECT_EQ(pixelAt(frame, 30, 14), 0x0000FFu);
    EXPECT_EQ(pixelAt(frame, 63, 47), 0x0000FFu);

    cairo_surface_destroy(surface);
    ops.destroyWindow(window);
}

TEST_F(DisplayTest, PresentConvertsASurfaceOfItsOwn) {
    const auto& ops = backend();
    NativeWindow* window = ops.createWindow("Copy", 0, 0, 16, 8);
    ASSERT_NE(window, nullptr) << ops.errorText();
    // A surface that does not lie over the frame buffer, as after a layout mismatch; larger
    // than the window, as after it shrank.
    cairo_surface_t* own = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 20, 10);
    cairo_t* cr = cairo_create(own);
    cairo_set_source_rgb(cr, 0, 1, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    ASSERT_TRUE(ops.present(window, own)) << ops.errorText();
    SDL_Surface* frame = SDL_GetWindowSurface(SDL_GetWindowFromID(ops.windowID(window)));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(pixelAt(frame, 0, 0), 0x00FF00u);
    EXPECT_EQ(pixelAt(frame, 15, 7), 0x00FF00u);
    EXPECT_FALSE(ops.present(window, nullptr));
    cairo_surface_destroy(own);
    ops.destroyWindow(window);
}

} // namespace
