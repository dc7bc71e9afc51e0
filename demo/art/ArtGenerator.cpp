// demo-art OUTPUT-FOLDER
//
// Draws the demo bundle's pictures and writes them as JPEG files into the folder: the start
// page's background and button pictures and the branding picture with its mask. Everything is
// drawn here at build time, so the repository holds no picture files.
#include "ArtSizes.h"
#include "BrandingArt.h"
#include "ButtonArt.h"
#include "JpegEncoder.h"
#include "SceneArt.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <functional>
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
                      error)) {
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
