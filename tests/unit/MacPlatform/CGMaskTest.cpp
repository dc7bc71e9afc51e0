#include "CGTestHelpers.h"

#include <gtest/gtest.h>

using namespace CGTest;

namespace {

CGImageRef redPicture() {
    return makeRGBImage(std::vector<uint32_t>(64, 0xFF0000), 8, 8);
}

// An 8 x 8 red picture masked by the grey samples, drawn over green.
void drawMaskedOverGreen(Canvas& canvas, const std::vector<uint8_t>& mask, size_t maskSize) {
    Owned<CGImageRef> masked =
        CGImageCreateWithMask(Owned<CGImageRef>(redPicture()),
                              Owned<CGImageRef>(makeGreyImage(mask, maskSize, maskSize)));
    ASSERT_NE(masked.get(), nullptr);
    EXPECT_EQ(CGImageGetAlphaInfo(masked), kCGImageAlphaPremultipliedFirst);
    CGContextDrawImage(canvas.context(), CGRectMake(0, 0, 8, 8), masked);
}

} // namespace

TEST(CGImageMask, WhiteKeepsBlackRemovesGreyBlends) {
    // Columns 0-3 white, 4-5 black, 6-7 mid grey.
    std::vector<uint8_t> samples;
    for (int k = 0; k < 64; ++k) {
        samples.push_back(k % 8 < 4 ? 255 : k % 8 < 6 ? 0 : 128);
    }
    Canvas canvas(8, 8, {0, 255, 0});
    drawMaskedOverGreen(canvas, samples, 8);
    for (size_t y = 0; y < 8; ++y) {
        expectPixels(canvas, {{1, y, kRed}, {5, y, kGreen}});
        expectPixels(canvas, {{7, y, {128, 127, 0}}}, 2);
    }

    // Masks that are not grey are refused; the launcher draws a colour mask into a grey bitmap
    // first (the branding tests check that).
    Owned<CGImageRef> picture = redPicture();
    Owned<CGImageRef> colourMask = makeRGBImage({0xFFFFFF, 0x000000, 0xFFFFFF, 0x000000}, 2, 2);
    EXPECT_EQ(CGImageCreateWithMask(picture, colourMask), nullptr);
    EXPECT_EQ(CGImageCreateWithMask(picture, nullptr), nullptr);
    EXPECT_EQ(CGImageCreateWithMask(nullptr, colourMask), nullptr);
}
