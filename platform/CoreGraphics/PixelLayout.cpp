#include "PixelLayout.h"

#include <algorithm>

namespace MacPlatform {

namespace {

bool isFirst(CGImageAlphaInfo alpha) {
    return alpha == kCGImageAlphaPremultipliedFirst || alpha == kCGImageAlphaFirst ||
           alpha == kCGImageAlphaNoneSkipFirst;
}

bool hasAlpha(CGImageAlphaInfo alpha) {
    return alpha != kCGImageAlphaNone && alpha != kCGImageAlphaNoneSkipFirst &&
           alpha != kCGImageAlphaNoneSkipLast;
}

uint8_t premultiply(uint8_t component, uint8_t alpha) {
    return static_cast<uint8_t>((component * alpha + 127) / 255);
}

uint32_t* surfaceRow(cairo_surface_t* surface, size_t y) {
    unsigned char* data = cairo_image_surface_get_data(surface);
    size_t stride = static_cast<size_t>(cairo_image_surface_get_stride(surface));
    return reinterpret_cast<uint32_t*>(data + y * stride);
}

uint32_t pack(uint8_t alpha, uint8_t red, uint8_t green, uint8_t blue) {
    return static_cast<uint32_t>(alpha) << 24 | static_cast<uint32_t>(red) << 16 |
           static_cast<uint32_t>(green) << 8 | blue;
}

uint32_t readRGB32(const uint8_t* p, CGImageAlphaInfo alpha, bool littleEndian) {
    uint8_t logical[4];
    for (int i = 0; i < 4; ++i) {
        logical[i] = littleEndian ? p[3 - i] : p[i];
    }
    bool first = isFirst(alpha);
    uint8_t a = first ? logical[0] : logical[3];
    uint8_t r = first ? logical[1] : logical[0];
    uint8_t g = first ? logical[2] : logical[1];
    uint8_t b = first ? logical[3] : logical[2];
    switch (alpha) {
    case kCGImageAlphaNoneSkipFirst:
    case kCGImageAlphaNoneSkipLast:
        a = 0xFF;
        break;
    case kCGImageAlphaFirst:
    case kCGImageAlphaLast:
        r = premultiply(r, a);
        g = premultiply(g, a);
        b = premultiply(b, a);
        break;
    default:
        // Premultiplied input that breaks its own rule would make Cairo add past 255.
        r = std::min(r, a);
        g = std::min(g, a);
        b = std::min(b, a);
        break;
    }
    return pack(a, r, g, b);
}

} // namespace

bool isSupportedImageLayout(const PixelLayout& l) {
    if (l.width == 0 || l.height == 0 || l.width > kMaxImageSide || l.height > kMaxImageSide ||
        l.bitsPerComponent != 8 || (l.bitmapInfo & kCGBitmapFloatComponents) ||
        (l.bitmapInfo & ~(kCGBitmapAlphaInfoMask | kCGBitmapByteOrderMask)) ||
        l.bytesPerRow < l.width * (l.bitsPerPixel / 8) || l.bytesPerRow > kMaxBytesPerRow) {
        return false;
    }
    CGImageAlphaInfo alpha = l.alphaInfo();
    CGBitmapInfo order = l.byteOrder();
    if (l.model == kCGColorSpaceModelMonochrome) {
        return l.bitsPerPixel == 8 && alpha == kCGImageAlphaNone &&
               order == kCGBitmapByteOrderDefault;
    }
    if (l.model != kCGColorSpaceModelRGB) {
        return false;
    }
    if (l.bitsPerPixel == 24) {
        return alpha == kCGImageAlphaNone && order == kCGBitmapByteOrderDefault;
    }
    return l.bitsPerPixel == 32 && alpha >= kCGImageAlphaPremultipliedLast &&
           alpha <= kCGImageAlphaNoneSkipFirst &&
           (order == kCGBitmapByteOrderDefault || order == kCGBitmapByteOrder32Big ||
            order == kCGBitmapByteOrder32Little);
}

cairo_format_t nativeCairoFormat(const PixelLayout& l) {
    if (l.model != kCGColorSpaceModelRGB || l.bitsPerComponent != 8 || l.bitsPerPixel != 32 ||
        l.byteOrder() != kCGBitmapByteOrder32Little || l.bytesPerRow % 4 != 0) {
        return CAIRO_FORMAT_INVALID;
    }
    switch (l.alphaInfo()) {
    case kCGImageAlphaNoneSkipFirst:
        return CAIRO_FORMAT_RGB24;
    case kCGImageAlphaPremultipliedFirst:
        return CAIRO_FORMAT_ARGB32;
    default:
        return CAIRO_FORMAT_INVALID;
    }
}

cairo_surface_t* convertToSurface(const uint8_t* bytes, const PixelLayout& l) {
    CGImageAlphaInfo alpha = l.alphaInfo();
    cairo_format_t format = hasAlpha(alpha) ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24;
    cairo_surface_t* surface =
        cairo_image_surface_create(format, static_cast<int>(l.width), static_cast<int>(l.height));
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    cairo_surface_flush(surface);
    bool littleEndian = l.byteOrder() == kCGBitmapByteOrder32Little;
    for (size_t y = 0; y < l.height; ++y) {
        const uint8_t* in = bytes + y * l.bytesPerRow;
        uint32_t* out = surfaceRow(surface, y);
        for (size_t x = 0; x < l.width; ++x) {
            if (l.bitsPerPixel == 8) {
                out[x] = pack(0xFF, in[x], in[x], in[x]);
            } else if (l.bitsPerPixel == 24) {
                out[x] = pack(0xFF, in[3 * x], in[3 * x + 1], in[3 * x + 2]);
            } else {
                out[x] = readRGB32(in + 4 * x, alpha, littleEndian);
            }
        }
    }
    cairo_surface_mark_dirty(surface);
    return surface;
}

void copyGreyToSurface(const uint8_t* grey, size_t greyBytesPerRow, cairo_surface_t* surface) {
    cairo_surface_flush(surface);
    int width = cairo_image_surface_get_width(surface);
    int height = cairo_image_surface_get_height(surface);
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = grey + static_cast<size_t>(y) * greyBytesPerRow;
        uint32_t* out = surfaceRow(surface, static_cast<size_t>(y));
        for (int x = 0; x < width; ++x) {
            out[x] = pack(0xFF, in[x], in[x], in[x]);
        }
    }
    cairo_surface_mark_dirty(surface);
}

void copySurfaceToGrey(cairo_surface_t* surface, uint8_t* grey, size_t greyBytesPerRow) {
    cairo_surface_flush(surface);
    int width = cairo_image_surface_get_width(surface);
    int height = cairo_image_surface_get_height(surface);
    for (int y = 0; y < height; ++y) {
        const uint32_t* in = surfaceRow(surface, static_cast<size_t>(y));
        uint8_t* out = grey + static_cast<size_t>(y) * greyBytesPerRow;
        for (int x = 0; x < width; ++x) {
            out[x] = luminance(in[x]);
        }
    }
}

} // namespace MacPlatform
