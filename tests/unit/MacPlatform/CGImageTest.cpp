#include "CGTestHelpers.h"

#include <gtest/gtest.h>

using namespace CGTest;

namespace {

// Counts the release callback's calls and keeps the bytes it was given.
struct ReleaseCounter {
    int calls = 0;
    const void* data = nullptr;
};

void countRelease(void* info, const void* data, size_t) {
    ++static_cast<ReleaseCounter*>(info)->calls;
    static_cast<ReleaseCounter*>(info)->data = data;
}

} // namespace

TEST(CGImage, XRGBBufferIsDrawnInPlaceSoLaterChangesShow) {
    // The game-center frame: 0x2006 over a buffer the launcher keeps writing into.
    std::vector<uint32_t> frame(4 * 3, 0x00FF0000);
    Owned<CGDataProviderRef> provider =
        CGDataProviderCreateWithData(nullptr, frame.data(), frame.size() * 4, nullptr);
    Owned<CGColorSpaceRef> space = CGColorSpaceCreateWithName(kCGColorSpaceGenericRGB);
    Owned<CGImageRef> image = CGImageCreate(4, 3, 8, 32, 16, space, 0x2006, provider, nullptr, true,
                                            kCGRenderingIntentDefault);
    ASSERT_NE(image.get(), nullptr);

    Canvas canvas(4, 3);
    CGContextDrawImage(canvas.context(), CGRectMake(0, 0, 4, 3), image);
    expectPixels(canvas, {{2, 1, kRed}});
    frame[1 * 4 + 2] = 0x000000FF;
    CGContextDrawImage(canvas.context(), CGRectMake(0, 0, 4, 3), image);
    expectPixels(canvas, {{2, 1, kBlue}, {1, 1, kRed}});
}

TEST(CGImage, ProviderReleaseCallbackRunsOnceWhenTheLastUserGoes) {
    ReleaseCounter counter;
    auto* bytes = new uint32_t[4]{0xFF, 0xFF00, 0xFF0000, 0};
    CGDataProviderRef provider = CGDataProviderCreateWithData(&counter, bytes, 16, countRelease);
    CGColorSpaceRef space = CGColorSpaceCreateDeviceRGB();
    CGImageRef first = CGImageCreate(2, 2, 8, 32, 8, space, kXRGB, provider, nullptr, false,
                                     kCGRenderingIntentDefault);
    // A converted layout keeps its provider too, as the Mac does.
    CGImageRef second = CGImageCreate(2, 2, 8, 32, 8, space, kCGImageAlphaNoneSkipLast, provider,
                                      nullptr, false, kCGRenderingIntentDefault);
    CGColorSpaceRelease(space);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);

    CGDataProviderRelease(provider);
    CGImageRelease(first);
    EXPECT_EQ(counter.calls, 0);
    CGImageRelease(second);
    EXPECT_EQ(counter.calls, 1);
    EXPECT_EQ(counter.data, bytes);
    delete[] bytes;

    // Creation that fails hands nothing back: the caller still owns the bytes.
    ReleaseCounter refused;
    char byte = 0;
    EXPECT_EQ(CGDataProviderCreateWithData(&refused, nullptr, 4, countRelease), nullptr);
    EXPECT_EQ(CGDataProviderCreateWithData(&refused, &byte, 0, countRelease), nullptr);
    EXPECT_EQ(refused.calls, 0);
}

TEST(CGImage, OtherLayoutsAreConvertedToTheSameColours) {
    Owned<CGColorSpaceRef> rgb = CGColorSpaceCreateDeviceRGB();
    // Top row: red, green; bottom row: blue, white at half opacity (grey 128 without alpha).
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        size_t bitsPerPixel;
        CGBitmapInfo info;
    } kCases[] = {
        {"premultiplied RGBA",
         {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 128, 128, 128, 128},
         32,
         kCGImageAlphaPremultipliedLast},
        {"24-bit RGB with padded rows",
         {255, 0, 0, 0, 255, 0, 7, 7, 0, 0, 255, 128, 128, 128},
         24,
         kCGImageAlphaNone},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        Owned<CGImageRef> image = makeImage(c.bytes, 2, 2, c.bitsPerPixel, 8, rgb, c.info);
        ASSERT_NE(image.get(), nullptr);
        Canvas canvas(2, 2, {0, 0, 0});
        CGContextDrawImage(canvas.context(), CGRectMake(0, 0, 2, 2), image);
        expectPixels(canvas, {{0, 0, kRed}, {1, 0, kGreen}, {0, 1, kBlue}, {1, 1, {128, 128, 128}}},
                     2);
    }

    Owned<CGImageRef> grey = makeGreyImage({0, 64, 200, 255}, 2, 2);
    ASSERT_NE(grey.get(), nullptr);
    Canvas canvas(2, 2);
    CGContextDrawImage(canvas.context(), CGRectMake(0, 0, 2, 2), grey);
    expectPixels(canvas, {{1, 0, {64, 64, 64}}, {0, 1, {200, 200, 200}}});
}

TEST(CGImage, RefusesWhatItCannotDescribe) {
    std::vector<uint8_t> bytes(64, 0);
    Owned<CGColorSpaceRef> rgb = CGColorSpaceCreateDeviceRGB();
    Owned<CGColorSpaceRef> grey = CGColorSpaceCreateDeviceGray();
    Owned<CGDataProviderRef> provider =
        CGDataProviderCreateWithData(nullptr, bytes.data(), bytes.size(), nullptr);
    auto create = [&](size_t w, size_t h, size_t bpc, size_t bpp, size_t bpr, CGColorSpaceRef space,
                      CGBitmapInfo info, CGDataProviderRef p) {
        return CGImageCreate(w, h, bpc, bpp, bpr, space, info, p, nullptr, false,
                             kCGRenderingIntentDefault);
    };
    EXPECT_EQ(create(4, 4, 8, 32, 16, rgb, kXRGB, nullptr), nullptr);
    EXPECT_EQ(create(4, 4, 8, 32, 16, nullptr, kXRGB, provider), nullptr);
    EXPECT_EQ(create(0, 4, 8, 32, 16, rgb, kXRGB, provider), nullptr);
    EXPECT_EQ(create(5, 4, 8, 32, 16, rgb, kXRGB, provider), nullptr) << "row wider than its bytes";
    EXPECT_EQ(create(4, 5, 8, 32, 16, rgb, kXRGB, provider), nullptr) << "more rows than bytes";
    EXPECT_EQ(create(2, 2, 16, 64, 16, rgb, kCGImageAlphaNoneSkipLast, provider), nullptr);
    EXPECT_EQ(create(4, 4, 8, 8, 4, grey, kCGImageAlphaPremultipliedLast, provider), nullptr);
    EXPECT_EQ(create(40000, 1, 8, 8, 40000, grey, kCGImageAlphaNone, provider), nullptr);
    EXPECT_EQ(create(1, 1, 8, 32, SIZE_MAX, rgb, kXRGB, provider), nullptr);
    EXPECT_EQ(create(4, 4, 8, 32, 16, rgb, kXRGB, reinterpret_cast<CGDataProviderRef>(rgb.get())),
              nullptr)
        << "a colour space passed as a provider";
    // The same bytes described correctly do make an image.
    Owned<CGImageRef> image = create(4, 4, 8, 32, 16, rgb, kXRGB, provider);
    EXPECT_NE(image.get(), nullptr);
}

TEST(CGDataProvider, CFDataAndFilesProvideTheirBytes) {
    Owned<CFDataRef> data = CFTest::cfData("\1\2\3\4\5");
    Owned<CGDataProviderRef> provider = CGDataProviderCreateWithCFData(data);
    ASSERT_NE(provider.get(), nullptr);
    EXPECT_TRUE(CFEqual(Owned<CFDataRef>(CGDataProviderCopyData(provider)), data));

    EXPECT_EQ(CGDataProviderCreateWithFilename("/nonexistent/picture.jpg"), nullptr);
    // A device would never end; only regular files are read.
    EXPECT_EQ(CGDataProviderCreateWithFilename("/dev/zero"), nullptr);
    EXPECT_EQ(CGDataProviderCreateWithURL(nullptr), nullptr);
}

TEST(CGImage, BitmapSnapshotHasTheContextsLayoutAndNotItsLaterDrawing) {
    Canvas canvas(5, 3, kRed);
    CGContextRef c = canvas.context();
    Owned<CGImageRef> shot = CGBitmapContextCreateImage(c);
    ASSERT_NE(shot.get(), nullptr);
    using Layout = std::vector<size_t>;
    EXPECT_EQ((Layout{CGBitmapContextGetWidth(c), CGBitmapContextGetHeight(c),
                      CGBitmapContextGetBitsPerComponent(c), CGBitmapContextGetBitsPerPixel(c),
                      CGBitmapContextGetBytesPerRow(c), CGBitmapContextGetBitmapInfo(c)}),
              (Layout{5, 3, 8, 32, 20, kXRGB}));
    EXPECT_EQ(
        (Layout{CGImageGetWidth(shot), CGImageGetHeight(shot), CGImageGetBitsPerComponent(shot),
                CGImageGetBitsPerPixel(shot), CGImageGetBytesPerRow(shot),
                CGImageGetBitmapInfo(shot), CGImageGetAlphaInfo(shot)}),
        (Layout{5, 3, 8, 32, 20, kXRGB, kCGImageAlphaNoneSkipFirst}));
    EXPECT_EQ(CGColorSpaceGetModel(CGImageGetColorSpace(shot)),
              CGColorSpaceGetModel(CGBitmapContextGetColorSpace(c)));
    EXPECT_NE(CGImageGetDataProvider(shot), nullptr);

    CGContextSetRGBFillColor(c, 0, 0, 1, 1);
    CGContextFillRect(c, CGRectMake(0, 0, 5, 3));
    Canvas copy(5, 3);
    CGContextDrawImage(copy.context(), CGRectMake(0, 0, 5, 3), shot);
    expectPixels(copy, {{0, 0, kRed}, {4, 2, kRed}});
    expectPixels(canvas, {{0, 0, kBlue}});

    // An alpha-only bitmap has no colours to make a picture of.
    Owned<CGContextRef> alphaOnly =
        CGBitmapContextCreate(nullptr, 4, 4, 8, 0, nullptr, kCGImageAlphaOnly);
    ASSERT_NE(alphaOnly.get(), nullptr);
    EXPECT_EQ(CGBitmapContextCreateImage(alphaOnly), nullptr);
}
