// Small pixel helpers shared by the CoreGraphics tests: bitmaps to draw into and images made
// from literal pixels.
#pragma once

#include "CFTestHelpers.h"

#include <CoreGraphics/CoreGraphics.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <ostream>
#include <vector>

#include <gtest/gtest.h>

namespace CGTest {

using CFTest::Owned;

constexpr CGBitmapInfo kXRGB = kCGBitmapByteOrder32Little | kCGImageAlphaNoneSkipFirst;

struct RGB {
    int red;
    int green;
    int blue;
};

inline std::ostream& operator<<(std::ostream& out, RGB c) {
    return out << "(" << c.red << ", " << c.green << ", " << c.blue << ")";
}

constexpr RGB kRed{255, 0, 0};
constexpr RGB kGreen{0, 255, 0};
constexpr RGB kBlue{0, 0, 255};
constexpr RGB kWhite{255, 255, 255};
constexpr RGB kBlack{0, 0, 0};

// An XRGB bitmap context over memory of its own, filled with one colour.
class Canvas {
public:
    Canvas(size_t width, size_t height, RGB fill = {255, 255, 255})
        : m_width(width), m_height(height),
          m_pixels(width * height,
                   static_cast<uint32_t>(fill.red << 16 | fill.green << 8 | fill.blue)) {
        m_context =
            CGBitmapContextCreate(m_pixels.data(), width, height, 8, width * 4,
                                  Owned<CGColorSpaceRef>(CGColorSpaceCreateDeviceRGB()), kXRGB);
    }
    ~Canvas() { CGContextRelease(m_context); }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    CGContextRef context() const { return m_context; }
    // Row 0 is the top row in memory.
    RGB at(size_t x, size_t y) const {
        uint32_t p = m_pixels[y * m_width + x];
        return RGB{static_cast<int>(p >> 16 & 0xFF), static_cast<int>(p >> 8 & 0xFF),
                   static_cast<int>(p & 0xFF)};
    }
    size_t width() const { return m_width; }
    size_t height() const { return m_height; }

private:
    size_t m_width;
    size_t m_height;
    std::vector<uint32_t> m_pixels;
    CGContextRef m_context = nullptr;
};

inline bool near(RGB a, RGB b, int tolerance = 2) {
    return std::abs(a.red - b.red) <= tolerance && std::abs(a.green - b.green) <= tolerance &&
           std::abs(a.blue - b.blue) <= tolerance;
}

// A pixel a test expects, x and y counted from the top left of memory.
struct Pixel {
    size_t x;
    size_t y;
    RGB colour;
};

inline void expectPixels(const Canvas& canvas, std::initializer_list<Pixel> expected,
                         int tolerance = 0) {
    for (const Pixel& e : expected) {
        RGB actual = canvas.at(e.x, e.y);
        EXPECT_TRUE(near(actual, e.colour, tolerance))
            << "pixel (" << e.x << ", " << e.y << ") is " << actual << ", expected " << e.colour;
    }
}

inline void releaseMalloced(void*, const void* data, size_t) {
    std::free(const_cast<void*>(data));
}

// An image over a copy of the bytes, freed by the provider's release callback.
inline CGImageRef makeImage(const std::vector<uint8_t>& bytes, size_t width, size_t height,
                            size_t bitsPerPixel, size_t bytesPerRow, CGColorSpaceRef space,
                            CGBitmapInfo info, bool interpolate = false) {
    void* copy = std::malloc(bytes.size());
    std::memcpy(copy, bytes.data(), bytes.size());
    Owned<CGDataProviderRef> provider =
        CGDataProviderCreateWithData(nullptr, copy, bytes.size(), releaseMalloced);
    return CGImageCreate(width, height, 8, bitsPerPixel, bytesPerRow, space, info, provider,
                         nullptr, interpolate, kCGRenderingIntentDefault);
}

inline CGImageRef makeGreyImage(const std::vector<uint8_t>& samples, size_t width, size_t height) {
    return makeImage(samples, width, height, 8, width,
                     Owned<CGColorSpaceRef>(CGColorSpaceCreateDeviceGray()), kCGImageAlphaNone);
}

// Rows top first, each pixel 0xRRGGBB.
inline CGImageRef makeRGBImage(const std::vector<uint32_t>& pixels, size_t width, size_t height) {
    std::vector<uint8_t> bytes(pixels.size() * 4);
    std::memcpy(bytes.data(), pixels.data(), bytes.size());
    return makeImage(bytes, width, height, 32, width * 4,
                     Owned<CGColorSpaceRef>(CGColorSpaceCreateDeviceRGB()), kXRGB);
}

} // namespace CGTest
