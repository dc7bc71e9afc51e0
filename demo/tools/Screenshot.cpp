// demo-screenshot OUTPUT.png [WINDOW-ID]
//
// Saves what the X display ($DISPLAY) shows as a PNG: the whole screen, or one window given by
// its id (decimal or 0x hexadecimal, as xdotool prints it). The demo tour uses it under Xvfb,
// where no other capture tool is at hand.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// How far a channel's mask is shifted, and its width, so any true-colour layout maps to 8 bits.
struct Channel {
    int shift = 0;
    int bits = 0;
    explicit Channel(unsigned long mask) {
        while (mask && !(mask & 1)) {
            mask >>= 1;
            ++shift;
        }
        while (mask & 1) {
            mask >>= 1;
            ++bits;
        }
    }
    std::uint32_t Of(unsigned long pixel) const {
        if (bits == 0) {
            return 0;
        }
        std::uint32_t value = static_cast<std::uint32_t>(pixel >> shift) & ((1u << bits) - 1);
        return bits >= 8 ? value >> (bits - 8) : value * 255 / ((1u << bits) - 1);
    }
};

int Capture(Display* display, Window window, const char* output) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) {
        std::fprintf(stderr, "demo-screenshot: no window 0x%lx\n", window);
        return 1;
    }
    if (attributes.map_state != IsViewable) {
        std::fprintf(stderr, "demo-screenshot: window 0x%lx is not shown\n", window);
        return 1;
    }
    if (attributes.visual->c_class != TrueColor && attributes.visual->c_class != DirectColor) {
        std::fprintf(stderr, "demo-screenshot: only true-colour displays are supported\n");
        return 1;
    }
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (!image) {
        std::fprintf(stderr, "demo-screenshot: cannot read the pixels of 0x%lx\n", window);
        return 1;
    }
    const Channel red(image->red_mask);
    const Channel green(image->green_mask);
    const Channel blue(image->blue_mask);
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, image->width, image->height);
    int status = 1;
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
        unsigned char* data = cairo_image_surface_get_data(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        for (int y = 0; y < image->height; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(data + y * stride);
            for (int x = 0; x < image->width; ++x) {
                unsigned long pixel = XGetPixel(image, x, y);
                row[x] = red.Of(pixel) << 16 | green.Of(pixel) << 8 | blue.Of(pixel);
            }
        }
        cairo_surface_mark_dirty(surface);
        cairo_status_t written = cairo_surface_write_to_png(surface, output);
        if (written == CAIRO_STATUS_SUCCESS) {
            status = 0;
        } else {
            std::fprintf(stderr, "demo-screenshot: %s: %s\n", output,
                         cairo_status_to_string(written));
        }
    } else {
        std::fprintf(stderr, "demo-screenshot: cannot make a %d x %d picture\n", image->width,
                     image->height);
    }
    cairo_surface_destroy(surface);
    XDestroyImage(image);
    return status;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: demo-screenshot OUTPUT.png [WINDOW-ID]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "demo-screenshot: cannot open the display \"%s\"\n",
                     std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "");
        return 1;
    }
    Window window = DefaultRootWindow(display);
    if (argc == 3) {
        char* end = nullptr;
        window = std::strtoul(argv[2], &end, 0);
        if (!end || *end != '\0' || window == 0) {
            std::fprintf(stderr, "demo-screenshot: \"%s\" is not a window id\n", argv[2]);
            XCloseDisplay(display);
            return 2;
        }
    }
    int status = Capture(display, window, argv[1]);
    XCloseDisplay(display);
    return status;
}
