// The pixel layouts that CGImageCreate and CGBitmapContextCreate accept, and their conversion to
// and from the layouts Cairo draws.
#pragma once

#include <CoreGraphics/CoreGraphics.h>

#include <cairo.h>
#include <cstddef>
#include <cstdint>

namespace MacPlatform {

// Cairo's own limit on an image side.
constexpr size_t kMaxImageSide = 32767;
// Far beyond any real row, and small enough that row arithmetic cannot overflow.
constexpr size_t kMaxBytesPerRow = size_t{1} << 30;

struct PixelLayout {
    size_t width = 0;
    size_t height = 0;
    size_t bitsPerComponent = 0;
    size_t bitsPerPixel = 0;
    size_t bytesPerRow = 0;
    CGBitmapInfo bitmapInfo = 0;
    CGColorSpaceModel model = kCGColorSpaceModelUnknown;

    CGImageAlphaInfo alphaInfo() const {
        return static_cast<CGImageAlphaInfo>(bitmapInfo & kCGBitmapAlphaInfoMask);
    }
    CGBitmapInfo byteOrder() const { return bitmapInfo & kCGBitmapByteOrderMask; }
    // The bytes the rows span: every row but the last is bytesPerRow long.
    size_t byteCount() const { return bytesPerRow * (height - 1) + width * bitsPerPixel / 8; }
};

// Sizes within limits, rows that fit in bytesPerRow, and a layout convertToSurface reads.
bool isSupportedImageLayout(const PixelLayout& layout);

// The Cairo format whose memory layout is exactly this one, or CAIRO_FORMAT_INVALID: 32-bit
// little-endian words with red in bits 16 to 23, which is what Cairo keeps in memory on a
// little-endian machine.
cairo_format_t nativeCairoFormat(const PixelLayout& layout);

// A new RGB24 (or ARGB32 when the layout has alpha) surface holding the pixels; null when Cairo
// cannot make the surface. The layout must be supported.
cairo_surface_t* convertToSurface(const uint8_t* bytes, const PixelLayout& layout);

// Grey as Rec. 601 luma, rounded so that a grey pixel (r = g = b) gives its own value back.
inline uint8_t luminance(uint32_t xrgb) {
    uint32_t red = (xrgb >> 16) & 0xFF;
    uint32_t green = (xrgb >> 8) & 0xFF;
    uint32_t blue = xrgb & 0xFF;
    return static_cast<uint8_t>((19595 * red + 38470 * green + 7471 * blue + 32768) >> 16);
}

// Copies between rows of grey samples and an RGB24 or ARGB32 surface of the same size.
void copyGreyToSurface(const uint8_t* grey, size_t greyBytesPerRow, cairo_surface_t* surface);
void copySurfaceToGrey(cairo_surface_t* surface, uint8_t* grey, size_t greyBytesPerRow);

} // namespace MacPlatform
