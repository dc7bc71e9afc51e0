#include "CGTestHelpers.h"
#include "CoreGraphics/CGContextCairo.h"

#include <Carbon/HIViewDrawing.h>

#include <gtest/gtest.h>

using namespace CGTest;

namespace {

// 3 x 2, top row red, bottom row blue: upside down is easy to tell.
CGImageRef redOverBlue() {
    return makeRGBImage({0xFF0000, 0xFF0000, 0xFF0000, 0x0000FF, 0x0000FF, 0x0000FF}, 3, 2);
}

} // namespace

TEST(CGContext, ImagesFillTheirRectangleUprightOrUpsideDownInAFlippedContext) {
    // y 0 is the last row in memory. The image, 6 x 4 at (2, 3) from the bottom left, takes
    // rows 3 to 6 in memory and columns 2 to 7, its top row at the top.
    Owned<CGImageRef> image = redOverBlue();
    Canvas canvas(12, 10);
    CGContextDrawImage(canvas.context(), CGRectMake(2, 3, 6, 4), image);
    expectPixels(canvas, {{2, 3, kRed}, {7, 4, kRed}, {7, 5, kBlue}, {2, 6, kBlue}});
    // Nothing beside, above or below it.
    expectPixels(canvas, {{1, 4, kWhite}, {8, 4, kWhite}, {4, 2, kWhite}, {4, 7, kWhite}});

    // Flipped, as views draw: upside down, unless drawn through HIViewDrawCGImage.
    Canvas flipped(3, 2);
    CGContextRef c = flipped.context();
    CGContextTranslateCTM(c, 0, 2);
    CGContextScaleCTM(c, 1, -1);
    CGContextDrawImage(c, CGRectMake(0, 0, 3, 2), image);
    expectPixels(flipped, {{1, 0, kBlue}, {1, 1, kRed}});
    CGRect bounds = CGRectMake(0, 0, 3, 2);
    EXPECT_EQ(HIViewDrawCGImage(c, &bounds, image), noErr);
    expectPixels(flipped, {{1, 0, kRed}, {1, 1, kBlue}});
    EXPECT_EQ(HIViewDrawCGImage(c, &bounds, nullptr), paramErr);
}

TEST(CGContext, GraphicsStateSavesColoursCTMAndClip) {
    Canvas canvas(10, 10);
    CGContextRef c = canvas.context();
    CGContextSetRGBFillColor(c, 0, 0, 1, 1);
    CGContextSaveGState(c);
    CGContextSetRGBFillColor(c, 1, 0, 0, 1);
    CGContextTranslateCTM(c, 5, 0);
    CGContextClipToRect(c, CGRectMake(0, 0, 2, 10));
    CGContextFillRect(c, CGRectMake(0, 0, 10, 10));
    CGContextRestoreGState(c);
    // Translated to x 5, clipped to two columns.
    expectPixels(canvas, {{5, 5, kRed}, {6, 5, kRed}, {7, 5, kWhite}, {4, 5, kWhite}});
    // Colour, CTM and clip restored.
    CGContextFillRect(c, CGRectMake(0, 0, 1, 1));
    expectPixels(canvas, {{0, 9, kBlue}});
    CGContextRestoreGState(c); // one more than saved: nothing happens

    // A CTM that cannot be inverted draws nothing, until the state is restored; the text
    // matrix is no part of the state.
    CGContextSaveGState(c);
    CGContextScaleCTM(c, 0, 1);
    CGContextSetTextMatrix(c, CGAffineTransformMakeScale(1, -1));
    CGContextFillRect(c, CGRectMake(0, 0, 10, 10));
    EXPECT_EQ(CGContextGetCTM(c).a, 0);
    CGContextRestoreGState(c);
    EXPECT_EQ(CGContextGetTextMatrix(c).d, -1);
    expectPixels(canvas, {{9, 0, kWhite}});
}

TEST(CGContext, StrokesLinesAndRectangles) {
    Canvas canvas(10, 10);
    CGContextRef c = canvas.context();
    CGContextSetRGBStrokeColor(c, 0, 0, 0, 1);
    CGContextSetLineWidth(c, 1);
    // Along the middle of pixel row y 2 (memory row 7).
    CGContextMoveToPoint(c, 1, 2.5);
    CGContextAddLineToPoint(c, 9, 2.5);
    CGContextStrokePath(c);
    expectPixels(canvas, {{5, 7, kBlack}, {5, 6, kWhite}, {0, 7, kWhite}});

    CGContextSetRGBStrokeColor(c, 1, 0, 0, 1);
    CGContextStrokeRectWithWidth(c, CGRectMake(4, 4, 4, 4), 2);
    // The 2-pixel line straddles each edge: x 3 to 5 for the left edge, y 7 to 9 for the top;
    // above it, left of it and inside it stays white.
    expectPixels(canvas,
                 {{3, 4, kRed}, {5, 1, kRed}, {5, 0, kWhite}, {2, 4, kWhite}, {5, 3, kWhite}});
    // Cleared without alpha is black.
    CGContextClearRect(c, CGRectMake(0, 0, 1, 1));
    expectPixels(canvas, {{0, 9, kBlack}});
}

TEST(CGContext, GreyBitmapHoldsOneSamplePerPixel) {
    // Rows of 6 bytes for 5 pixels: the padding byte must survive drawing.
    std::vector<uint8_t> samples(6 * 4, 9);
    Owned<CGColorSpaceRef> grey = CGColorSpaceCreateDeviceGray();
    Owned<CGContextRef> c =
        CGBitmapContextCreate(samples.data(), 5, 4, 8, 6, grey, kCGImageAlphaNone);
    ASSERT_NE(c.get(), nullptr);
    CGContextSetRGBFillColor(c, 1, 0, 0, 1);
    CGContextFillRect(c, CGRectMake(0, 0, 2, 1));
    CGContextSetGrayFillColor(c, 0.5, 1);
    CGContextFillRect(c, CGRectMake(4, 3, 1, 1));
    // Red is Rec. 601 luma 76; the rest, padding too, keeps what the caller left there.
    std::vector<uint8_t> expected(6 * 4, 9);
    expected[3 * 6 + 0] = expected[3 * 6 + 1] = 76;
    expected[0 * 6 + 4] = 128;
    EXPECT_EQ(samples, expected);

    // Bytes the caller writes between drawings are kept by the next drawing.
    samples[2 * 6 + 3] = 200;
    CGContextFillRect(c, CGRectMake(0, 3, 1, 1));
    EXPECT_EQ(samples[2 * 6 + 3], 200);

    // A grey context over memory of its own, cleared.
    Owned<CGContextRef> owned = CGBitmapContextCreate(nullptr, 3, 3, 8, 0, grey, kCGImageAlphaNone);
    ASSERT_NE(owned.get(), nullptr);
    EXPECT_EQ(static_cast<uint8_t*>(CGBitmapContextGetData(owned))[4], 0);
}

TEST(CGContext, BitmapCreationRefusesLayoutsItCannotDrawOn) {
    Owned<CGColorSpaceRef> rgb = CGColorSpaceCreateDeviceRGB();
    std::vector<uint32_t> memory(64);
    void* data = memory.data();
    EXPECT_EQ(CGBitmapContextCreate(data, 4, 4, 8, 16, rgb, kCGImageAlphaPremultipliedLast),
              nullptr);
    EXPECT_EQ(CGBitmapContextCreate(data, 4, 4, 8, 12, rgb, kXRGB), nullptr) << "short rows";
    EXPECT_EQ(CGBitmapContextCreate(data, 4, 4, 8, 18, rgb, kXRGB), nullptr) << "odd rows";
    EXPECT_EQ(CGBitmapContextCreate(static_cast<char*>(data) + 1, 4, 4, 8, 16, rgb, kXRGB), nullptr)
        << "unaligned";
    EXPECT_EQ(CGBitmapContextCreate(data, 4, 4, 16, 32, rgb, kXRGB), nullptr);
    EXPECT_EQ(CGBitmapContextCreate(data, 4, 4, 8, 4, nullptr, kCGImageAlphaNone), nullptr);
    EXPECT_EQ(CGBitmapContextCreate(nullptr, 100000, 1, 8, 0, rgb, kXRGB), nullptr);

    // Calls on a null or foreign reference do nothing.
    CGContextFillRect(nullptr, CGRectMake(0, 0, 1, 1));
    auto* foreign = reinterpret_cast<CGContextRef>(rgb.get());
    CGContextFillRect(foreign, CGRectMake(0, 0, 1, 1));
    EXPECT_EQ(CGBitmapContextGetData(foreign), nullptr);
}

TEST(CGContext, WindowContextIsFlippedAndResetsForEachDraw) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 20, 10);
    CGContextRef c = MacPlatform::createContextForWindowSurface(surface);
    ASSERT_NE(c, nullptr);
    auto pixel = [](cairo_surface_t* s, int x, int y) {
        cairo_surface_flush(s);
        auto* row = cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s);
        return reinterpret_cast<uint32_t*>(row)[x] & 0xFFFFFF;
    };
    CGContextSetRGBFillColor(c, 1, 0, 0, 1);
    CGContextFillRect(c, CGRectMake(0, 0, 20, 1));
    EXPECT_EQ(pixel(surface, 3, 0), 0xFF0000u) << "y 0 is the top row";

    // A view draws translated, clipped, in its own colour, with its own text matrix...
    CGContextSaveGState(c);
    CGContextTranslateCTM(c, 10, 5);
    CGContextClipToRect(c, CGRectMake(0, 0, 2, 2));
    CGContextSetRGBFillColor(c, 0, 0, 1, 1);
    CGContextSetTextMatrix(c, CGAffineTransformMakeScale(1, -1));
    // ...and the next draw starts clean even if the view forgot to restore.
    MacPlatform::resetContextForDrawing(c, nullptr);
    EXPECT_TRUE(CGAffineTransformIsIdentity(CGContextGetTextMatrix(c)));
    CGContextFillRect(c, CGRectMake(0, 9, 20, 1));
    EXPECT_EQ(pixel(surface, 0, 9), 0x000000u) << "black, unclipped, untranslated";

    // After a resize the same context draws on the new surface, flipped to its height.
    cairo_surface_t* larger = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 40, 30);
    MacPlatform::resetContextForDrawing(c, larger);
    CGContextSetRGBFillColor(c, 0, 1, 0, 1);
    CGContextFillRect(c, CGRectMake(39, 29, 1, 1));
    EXPECT_EQ(pixel(larger, 39, 29), 0x00FF00u);

    CGContextRelease(c);
    cairo_surface_destroy(larger);
    cairo_surface_destroy(surface);
}

TEST(CGAffineTransform, ConcatAppliesTheFirstTransformFirst) {
    CGAffineTransform scale = CGAffineTransformMakeScale(2, 3);
    CGAffineTransform move = CGAffineTransformMakeTranslation(10, 20);
    CGPoint p =
        CGPointApplyAffineTransform(CGPointMake(1, 1), CGAffineTransformConcat(scale, move));
    EXPECT_EQ(p.x, 12);
    EXPECT_EQ(p.y, 23);
    p = CGPointApplyAffineTransform(CGPointMake(1, 1), CGAffineTransformTranslate(scale, 10, 20));
    EXPECT_EQ(p.x, 22);
    EXPECT_EQ(p.y, 63);
    CGAffineTransform t = CGAffineTransformRotate(CGAffineTransformConcat(scale, move), 0.5);
    CGAffineTransform back = CGAffineTransformConcat(t, CGAffineTransformInvert(t));
    EXPECT_NEAR(back.a, 1, 1e-12);
    EXPECT_NEAR(back.b, 0, 1e-12);
    EXPECT_NEAR(back.tx, 0, 1e-12);
    EXPECT_NEAR(back.ty, 0, 1e-12);
    CGAffineTransform singular = CGAffineTransformMakeScale(0, 1);
    EXPECT_TRUE(CGAffineTransformEqualToTransform(CGAffineTransformInvert(singular), singular));
}
