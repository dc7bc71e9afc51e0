#include "CoverImage.h"

#include "FileRead.h"
#include "Shapes.h"
#include "TextPainter.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cctype>
#include <cmath>

namespace Storefront {

namespace {

// Covers are small; anything larger is a mistake in the data, not worth the memory.
constexpr std::size_t kMaxJPEGBytes = 8 * 1024 * 1024;
constexpr int kMaxJPEGSide = 4096;

CoverImage decodeJPEG(const std::string& text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    tjhandle decompressor = tjInitDecompress();
    if (!decompressor) {
        return {};
    }
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colorspace = 0;
    CoverImage image;
    if (tjDecompressHeader3(decompressor, bytes, text.size(), &width, &height, &subsampling,
                            &colorspace) == 0 &&
        width > 0 && height > 0 && width <= kMaxJPEGSide && height <= kMaxJPEGSide &&
        colorspace != TJCS_CMYK && colorspace != TJCS_YCCK) {
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
        cairo_surface_flush(surface);
        // BGRX in memory is Cairo's RGB24 on a little-endian machine. A warning means a
        // damaged or truncated stream: half a picture is not the picture.
        if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS &&
            tjDecompress2(decompressor, bytes, text.size(), cairo_image_surface_get_data(surface),
                          width, cairo_image_surface_get_stride(surface), height, TJPF_BGRX,
                          TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS) == 0) {
            cairo_surface_mark_dirty(surface);
            image = CoverImage(surface);
        } else {
            cairo_surface_destroy(surface);
        }
    }
    tjDestroy(decompressor);
    return image;
}

CoverImage newSurface(int width, int height, cairo_format_t format = CAIRO_FORMAT_RGB24) {
    cairo_surface_t* surface = cairo_image_surface_create(format, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return {};
    }
    return CoverImage(surface);
}

CoverImage scaleToFill(const CoverImage& source, int width, int height) {
    CoverImage target = newSurface(width, height);
    if (!target) {
        return {};
    }
    double sourceWidth = cairo_image_surface_get_width(source.surface());
    double sourceHeight = cairo_image_surface_get_height(source.surface());
    double scale = std::max(width / sourceWidth, height / sourceHeight);
    cairo_t* cr = cairo_create(target.surface());
    cairo_translate(cr, (width - sourceWidth * scale) / 2, (height - sourceHeight * scale) / 2);
    cairo_scale(cr, scale, scale);
    cairo_set_source_surface(cr, source.surface(), 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_destroy(cr);
    return target;
}

void setHue(cairo_t* cr, double hue, double lightness, double alpha = 1.0) {
    // A cheap hue wheel: three phase-shifted cosines stay saturated but never garish.
    double r = lightness * (0.6 + 0.4 * std::cos(hue));
    double g = lightness * (0.6 + 0.4 * std::cos(hue - 2.094));
    double b = lightness * (0.6 + 0.4 * std::cos(hue + 2.094));
    cairo_set_source_rgba(cr, r, g, b, alpha);
}

std::string initialsOf(const std::string& title) {
    std::string initials;
    bool atWordStart = true;
    for (unsigned char c : title) {
        if (c == ' ') {
            atWordStart = true;
        } else if (atWordStart && c < 0x80 && initials.size() < 2) {
            initials += static_cast<char>(std::toupper(c));
            atWordStart = false;
        } else {
            atWordStart = false;
        }
    }
    return initials.empty() ? "?" : initials;
}

} // namespace

unsigned titleHash(const std::string& title) {
    unsigned hash = 2166136261u;
    for (unsigned char c : title) {
        hash = (hash ^ c) * 16777619u;
    }
    return hash;
}

CoverImage& CoverImage::operator=(CoverImage&& other) noexcept {
    if (this != &other) {
        reset();
        m_surface = other.m_surface;
        other.m_surface = nullptr;
    }
    return *this;
}

void CoverImage::reset() {
    if (m_surface) {
        cairo_surface_destroy(m_surface);
        m_surface = nullptr;
    }
}

CoverImage loadCoverJPEG(const std::string& path, int width, int height) {
    std::string bytes;
    if (readSmallFile(path, kMaxJPEGBytes, bytes) != FileReadResult::Read || bytes.empty()) {
        return {};
    }
    CoverImage decoded = decodeJPEG(bytes);
    if (!decoded) {
        return {};
    }
    return scaleToFill(decoded, width, height);
}

void paintGeneratedCover(cairo_t* cr, const std::string& title, double width, double height) {
    unsigned hash = titleHash(title);
    double hue = (hash % 360) * M_PI / 180.0;
    cairo_pattern_t* gradient = cairo_pattern_create_linear(0, 0, width, height);
    double r = 0.6 + 0.4 * std::cos(hue);
    double g = 0.6 + 0.4 * std::cos(hue - 2.094);
    double b = 0.6 + 0.4 * std::cos(hue + 2.094);
    cairo_pattern_add_color_stop_rgb(gradient, 0, 0.75 * r, 0.75 * g, 0.75 * b);
    cairo_pattern_add_color_stop_rgb(gradient, 1, 0.3 * r, 0.3 * g, 0.3 * b);
    cairo_rectangle(cr, 0, 0, width, height);
    cairo_set_source(cr, gradient);
    cairo_fill(cr);
    cairo_pattern_destroy(gradient);

    // A few soft circles, placed by the hash, give each cover its own pattern.
    for (int i = 0; i < 4; ++i) {
        unsigned bits = hash >> (i * 7);
        double x = (bits % 97) / 96.0 * width;
        double y = ((bits >> 3) % 89) / 88.0 * height;
        double radius = (0.2 + (bits % 13) / 30.0) * height;
        setHue(cr, hue + 0.8 * (i + 1), 0.9, 0.25);
        cairo_arc(cr, x, y, radius, 0, 2 * M_PI);
        cairo_fill(cr);
    }

    TextStyle style{"Helvetica Bold", height * 0.38, {1, 1, 1, 0.92}};
    style.alignment = TextAlignment::Center;
    drawTextCentredVertically(cr, initialsOf(title), style, 0, 0, width, height);
}

CoverImage makeCover(const std::string& jpegPath, const std::string& title, int width, int height,
                     double cornerRadius) {
    CoverImage square = jpegPath.empty() ? CoverImage() : loadCoverJPEG(jpegPath, width, height);
    if (!square) {
        square = newSurface(width, height);
        if (!square) {
            return {};
        }
        cairo_t* cr = cairo_create(square.surface());
        paintGeneratedCover(cr, title, width, height);
        cairo_destroy(cr);
    }
    CoverImage rounded = newSurface(width, height, CAIRO_FORMAT_ARGB32);
    if (rounded) {
        cairo_t* cr = cairo_create(rounded.surface());
        roundedRectangle(cr, {0, 0, static_cast<double>(width), static_cast<double>(height)},
                         cornerRadius);
        cairo_set_source_surface(cr, square.surface(), 0, 0);
        cairo_fill(cr);
        cairo_destroy(cr);
        cairo_surface_flush(rounded.surface());
    }
    return rounded;
}

} // namespace Storefront
