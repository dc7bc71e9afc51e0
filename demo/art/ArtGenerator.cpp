// demo-art OUTPUT-FOLDER
//
// Draws the demo bundle's pictures and writes them into the folder: the start page's background
// and button pictures and the branding picture with its mask as JPEG files, and the bundle's
// icon (Icon.png, which Info.plist's CFBundleIconFile names). Everything is drawn here at build
// time, so the repository holds no picture files.
#include "ArtSizes.h"
#include "BrandingArt.h"
#include "ButtonArt.h"
#include "JpegEncoder.h"
#include "SceneArt.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <functional>
#include <numbers>
#include <string>

namespace {

constexpr int kQuality = 92;

// Draws a colour picture of the given size with paint and writes it to path.
bool WritePicture(int width, int height, const std::function<void(cairo_t*)>& paint,
                  const std::string& path, std::string* error) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    bool written = false;
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        *error = path + ": " + cairo_status_to_string(cairo_surface_status(surface));
    } else {
        cairo_t* cr = cairo_create(surface);
        paint(cr);
        cairo_status_t status = cairo_status(cr);
        cairo_destroy(cr);
        if (status != CAIRO_STATUS_SUCCESS) {
            *error = path + ": " + cairo_status_to_string(status);
        } else {
            written = DemoArt::WriteColourJpeg(surface, kQuality, path, error);
        }
    }
    cairo_surface_destroy(surface);
    return written;
}

// The icon: the page's lake and lantern, cut square from the page's left part, with rounded
// corners on a transparent ground.
bool WriteIcon(const std::string& path, std::string* error) {
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, DemoArt::kIconSize, DemoArt::kIconSize);
    cairo_t* cr = cairo_create(surface);
    const double size = DemoArt::kIconSize;
    const double radius = size / 6;
    cairo_new_sub_path(cr);
    cairo_arc(cr, size - radius, radius, radius, -std::numbers::pi / 2, 0);
    cairo_arc(cr, size - radius, size - radius, radius, 0, std::numbers::pi / 2);
    cairo_arc(cr, radius, size - radius, radius, std::numbers::pi / 2, std::numbers::pi);
    cairo_arc(cr, radius, radius, radius, std::numbers::pi, 3 * std::numbers::pi / 2);
    cairo_close_path(cr);
    cairo_clip(cr);
    const double scale = size / DemoArt::kPageHeight;
    cairo_scale(cr, scale, scale);
    DemoArt::DrawBackground(cr);
    cairo_status_t status = cairo_status(cr);
    cairo_destroy(cr);
    if (status == CAIRO_STATUS_SUCCESS) {
        status = cairo_surface_write_to_png(surface, path.c_str());
    }
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        *error = path + ": " + cairo_status_to_string(status);
        return false;
    }
    return true;
}

bool WriteAll(const std::string& folder, std::string* error) {
    using namespace DemoArt;
    auto button = [](ButtonState state) { return [state](cairo_t* cr) { DrawButton(cr, state); }; };
    if (!WritePicture(kPageWidth, kPageHeight, DrawBackground, folder + "/Background.jpg", error) ||
        !WritePicture(kButtonWidth, kButtonHeight, button(ButtonState::Normal),
                      folder + "/button_normal.jpg", error) ||
        !WritePicture(kButtonWidth, kButtonHeight, button(ButtonState::Hover),
                      folder + "/button_hover.jpg", error) ||
        !WritePicture(kButtonWidth, kButtonHeight, button(ButtonState::Pressed),
                      folder + "/button_pressed.jpg", error) ||
        !WritePicture(kBrandingWidth, kBrandingHeight, DrawBranding, folder + "/Branding.jpg",
                      error) ||
        !WriteIcon(folder + "/Icon.png", error)) {
        return false;
    }
    std::vector<std::uint8_t> mask = MakeBrandingMask();
    if (mask.empty()) {
        *error = folder + "/BrandingMask.jpg: Cairo could not draw the mask";
        return false;
    }
    return WriteGreyJpeg(mask, kBrandingWidth, kBrandingHeight, kQuality,
                         folder + "/BrandingMask.jpg", error);
}

// Cairo's and fontconfig's font caches live until exit; freeing them once everything drawn is
// gone leaves the sanitizer build only real leaks to report.
void ReleaseFontCaches() {
    cairo_debug_reset_static_data();
    FcFini();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: demo-art OUTPUT-FOLDER\n");
        return 2;
    }
    std::string error;
    bool written = WriteAll(argv[1], &error);
    ReleaseFontCaches();
    if (!written) {
        std::fprintf(stderr, "demo-art: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
