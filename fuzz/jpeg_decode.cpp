// Fuzzes JPEG decoding through the platform's CoreGraphics: the input is a JPEG file handed to
// CGImageCreateWithJPEGDataProvider, and a decoded image is drawn into a small bitmap context,
// masked by itself and scaled, as the launcher does with its pictures. Damaged data must give
// no image, never a crash, an exit or a read outside the data.
#include <CoreGraphics/CoreGraphics.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, std::size_t size) {
    CGDataProviderRef provider = CGDataProviderCreateWithData(nullptr, data, size, nullptr);
    if (!provider) {
        return 0;
    }
    CGImageRef image =
        CGImageCreateWithJPEGDataProvider(provider, nullptr, false, kCGRenderingIntentDefault);
    CGDataProviderRelease(provider);
    if (!image) {
        return 0;
    }
    CGColorSpaceRef rgb = CGColorSpaceCreateDeviceRGB();
    CGContextRef context = CGBitmapContextCreate(
        nullptr, 32, 24, 8, 32 * 4, rgb, kCGBitmapByteOrder32Little | kCGImageAlphaNoneSkipFirst);
    CGColorSpaceRelease(rgb);
    if (context) {
        CGContextDrawImage(context, CGRectMake(0, 0, 32, 24), image);
        CGImageRef masked = CGImageCreateWithMask(image, image);
        if (masked) {
            CGContextDrawImage(context, CGRectMake(4, 4, 16, 12), masked);
            CGImageRelease(masked);
        }
        CGContextRelease(context);
    }
    CGImageRelease(image);
    return 0;
}
