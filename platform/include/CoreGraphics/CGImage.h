// Immutable images. Pixels in the layouts that Cairo draws natively (32-bit little-endian words
// with red in bits 16 to 23: bitmap info 0x2006 or 0x2002) are used in place, straight from the
// provider's bytes, so a change to those bytes shows the next time the image is drawn. Every
// other layout is converted once, when the image is made.
#pragma once

#include <CoreGraphics/CGColorSpace.h>
#include <CoreGraphics/CGDataProvider.h>
#include <CoreGraphics/CGGeometry.h>
#include <stdbool.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct CGImage* CGImageRef;

typedef enum {
    kCGImageAlphaNone = 0,
    kCGImageAlphaPremultipliedLast = 1,
    kCGImageAlphaPremultipliedFirst = 2,
    kCGImageAlphaLast = 3,
    kCGImageAlphaFirst = 4,
    kCGImageAlphaNoneSkipLast = 5,
    kCGImageAlphaNoneSkipFirst = 6,
    kCGImageAlphaOnly = 7
} CGImageAlphaInfo;

typedef UInt32 CGBitmapInfo;
// Plain numbers rather than enumerators, so that C++20 accepts a byte order or'ed with a
// CGImageAlphaInfo (mixing two enumeration types in arithmetic is deprecated there).
#define kCGBitmapAlphaInfoMask ((CGBitmapInfo)0x1F)
#define kCGBitmapFloatComponents ((CGBitmapInfo)(1 << 8))
#define kCGBitmapByteOrderMask ((CGBitmapInfo)0x7000)
#define kCGBitmapByteOrderDefault ((CGBitmapInfo)(0 << 12))
#define kCGBitmapByteOrder16Little ((CGBitmapInfo)(1 << 12))
#define kCGBitmapByteOrder32Little ((CGBitmapInfo)(2 << 12))
#define kCGBitmapByteOrder16Big ((CGBitmapInfo)(3 << 12))
#define kCGBitmapByteOrder32Big ((CGBitmapInfo)(4 << 12))
// Intel byte order.
#define kCGBitmapByteOrder16Host kCGBitmapByteOrder16Little
#define kCGBitmapByteOrder32Host kCGBitmapByteOrder32Little

typedef enum {
    kCGRenderingIntentDefault = 0,
    kCGRenderingIntentAbsoluteColorimetric,
    kCGRenderingIntentRelativeColorimetric,
    kCGRenderingIntentPerceptual,
    kCGRenderingIntentSaturation
} CGColorRenderingIntent;

CFTypeID CGImageGetTypeID(void);

// Supported: 8 bits per component; RGB at 32 bits per pixel with any alpha placement and byte
// order, RGB at 24 bits per pixel without alpha, grey at 8 bits per pixel without alpha. A
// decode array is not supported (null otherwise). The rendering intent is accepted and has no
// effect, as nothing is colour managed. Null when the layout is not supported, a size is 0 or
// beyond 32767, the rows do not fit in bytesPerRow or the provider holds too few bytes.
CGImageRef CGImageCreate(size_t width, size_t height, size_t bitsPerComponent, size_t bitsPerPixel,
                         size_t bytesPerRow, CGColorSpaceRef space, CGBitmapInfo bitmapInfo,
                         CGDataProviderRef provider, const CGFloat* decode, bool shouldInterpolate,
                         CGColorRenderingIntent intent);
// Decodes the whole JPEG at once. Null for damaged, truncated or empty data, CMYK JPEGs and
// pictures of more than 2^25 pixels.
CGImageRef CGImageCreateWithJPEGDataProvider(CGDataProviderRef source, const CGFloat* decode,
                                             bool shouldInterpolate, CGColorRenderingIntent intent);
// mask is a grey image without alpha; each grey sample is the opacity of the image pixel under
// it (white opaque, black transparent), the mask stretched to the image's size. The result is a
// new image that no longer depends on either argument. Null when either is null or the mask is
// not grey or has alpha.
CGImageRef CGImageCreateWithMask(CGImageRef image, CGImageRef mask);

CGImageRef CGImageRetain(CGImageRef image);
void CGImageRelease(CGImageRef image);
size_t CGImageGetWidth(CGImageRef image);
size_t CGImageGetHeight(CGImageRef image);
// These describe the layout the image's pixels are kept in.
size_t CGImageGetBitsPerComponent(CGImageRef image);
size_t CGImageGetBitsPerPixel(CGImageRef image);
size_t CGImageGetBytesPerRow(CGImageRef image);
CGBitmapInfo CGImageGetBitmapInfo(CGImageRef image);
CGImageAlphaInfo CGImageGetAlphaInfo(CGImageRef image);
// Get rule: not retained for the caller.
CGColorSpaceRef CGImageGetColorSpace(CGImageRef image);
CGDataProviderRef CGImageGetDataProvider(CGImageRef image);
bool CGImageGetShouldInterpolate(CGImageRef image);
bool CGImageIsMask(CGImageRef image);

#ifdef __cplusplus
}
#endif
