#include "CGTestHelpers.h"

#include <gtest/gtest.h>

using namespace CGTest;

namespace {

// An 8 x 8 red picture.
CGImageRef redPicture() {
    return makeRGBImage(std::vector<uint32_t>(64, 0xFF0000), 8, 8);
}

// Draws the image over green and returns the canvas for inspection.
void drawOverGreen(Canvas& canvas, CGImageRef image) {
    CGContextDrawImage(canvas.context(), CGRectMake(0, 0, 8, 8), image);
}

} // namespace

TEST(CGImageMask, WhiteKeepsBlackRemovesGreyBlends) {
    // Columns 0-3 white, 4-5 black, 6-7 mid grey.
    std::vector<uint8_t> samples;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            samples.push_back(x < 4 ? 255 : x < 6 ? 0 : 128);
        }
    }
    CGImageRef picture = redPicture();
    CGImageRef mask = makeGreyImage(samples, 8, 8);
    CGImageRef masked = CGImageCreateWithMask(picture, mask);
    CGImageRelease(picture);
    CGImageRelease(mask);
    ASSERT_NE(masked, nullptr);
    EXPECT_EQ(CGImageGetWidth(masked), 8u);
    EXPECT_EQ(CGImageGetAlphaInfo(masked), kCGImageAlphaPremultipliedFirst);

    Canvas canvas(8, 8, {0, 255, 0});
    drawOverGreen(canvas, masked);
    for (size_t y = 0; y < 8; ++y) {
        EXPECT_TRUE(near(canvas.at(1, y), {255, 0, 0}, 0)) << "row " << y;
        EXPECT_TRUE(near(canvas.at(5, y), {0, 255, 0}, 0)) << "row " << y;
        EXPECT_TRUE(near(canvas.at(7, y), {128, 127, 0}, 2)) << "row " << y;
    }
    CGImageRelease(masked);
}

TEST(CGImageMask, SmallerMaskIsStretchedToThePicture) {
    // 2 x 2 mask: top row white, bottom row black; it covers 4 x 4 picture pixels each.
    CGImageRef picture = redPicture();
    CGImageRef mask = makeGreyImage({255, 255, 0, 0}, 2, 2);
    CGImageRef masked = CGImageCreateWithMask(picture, mask);
    CGImageRelease(mask);
    CGImageRelease(picture);
    ASSERT_NE(masked, nullptr);
    Canvas canvas(8, 8, {0, 255, 0});
    drawOverGreen(canvas, masked);
    for (size_t x = 0; x < 8; ++x) {
        EXPECT_TRUE(near(canvas.at(x, 0), {255, 0, 0}, 0)) << "x " << x;
        EXPECT_TRUE(near(canvas.at(x, 3), {255, 0, 0}, 0)) << "x " << x;
        EXPECT_TRUE(near(canvas.at(x, 4), {0, 255, 0}, 0)) << "x " << x;
        EXPECT_TRUE(near(canvas.at(x, 7), {0, 255, 0}, 0)) << "x " << x;
    }
    CGImageRelease(masked);
}

TEST(CGImageMask, GreyBitmapContextTurnsAColourMaskIntoSamples) {
    // The branding mask arrives as a colour JPEG of another size; the launcher draws it into a
    // grey bitmap of the picture's size and masks with that.
    CGImageRef colourMask = makeRGBImage({0xFFFFFF, 0x000000, 0xFFFFFF, 0x000000}, 2, 2);
    std::vector<uint8_t> samples(8 * 8, 77);
    CGColorSpaceRef grey = CGColorSpaceCreateDeviceGray();
    CGContextRef context =
        CGBitmapContextCreate(samples.data(), 8, 8, 8, 8, grey, kCGImageAlphaNone);
    ASSERT_NE(context, nullptr);
    CGContextDrawImage(context, CGRectMake(0, 0, 8, 8), colourMask);
    CGContextRelease(context);
    CGImageRelease(colourMask);
    EXPECT_EQ(samples[0], 255);
    EXPECT_EQ(samples[3], 255);
    EXPECT_EQ(samples[4], 0);
    EXPECT_EQ(samples[7 * 8 + 7], 0);

    CGImageRef mask = makeGreyImage(samples, 8, 8);
    CGImageRef picture = redPicture();
    CGImageRef masked = CGImageCreateWithMask(picture, mask);
    ASSERT_NE(masked, nullptr);
    Canvas canvas(8, 8, {0, 255, 0});
    drawOverGreen(canvas, masked);
    EXPECT_TRUE(near(canvas.at(0, 0), {255, 0, 0}, 0));
    EXPECT_TRUE(near(canvas.at(7, 7), {0, 255, 0}, 0));
    CGImageRelease(masked);
    CGImageRelease(picture);
    CGImageRelease(mask);
    CGColorSpaceRelease(grey);
}

TEST(CGImageMask, RefusesMasksThatAreNotGrey) {
    CGImageRef picture = redPicture();
    CGImageRef colour = makeRGBImage(std::vector<uint32_t>(4, 0xFFFFFF), 2, 2);
    EXPECT_EQ(CGImageCreateWithMask(picture, colour), nullptr);
    EXPECT_EQ(CGImageCreateWithMask(picture, nullptr), nullptr);
    EXPECT_EQ(CGImageCreateWithMask(nullptr, colour), nullptr);
    CGImageRelease(colour);
    CGImageRelease(picture);
}
