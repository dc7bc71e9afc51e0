// Contexts that draw into memory. Supported layouts, all with 8 bits per component:
//   RGB, 32 bits per pixel, kCGBitmapByteOrder32Little with kCGImageAlphaNoneSkipFirst (0x2006)
//       or kCGImageAlphaPremultipliedFirst (0x2002): Cairo's own layouts, drawn in place;
//   grey, 8 bits per pixel, kCGImageAlphaNone: one grey sample per pixel;
//   no colour space, 8 bits per pixel, kCGImageAlphaOnly: one coverage sample per pixel.
// Anything else gives null.
#pragma once

#include <CoreGraphics/CGContext.h>

#ifdef __cplusplus
extern "C" {
#endif

// data may be null: the context then owns zeroed memory of its own. bytesPerRow 0 means the
// smallest that fits. The 32-bit layouts need data aligned to 4 bytes and bytesPerRow a
// multiple of 4. The context draws into data until it is released; the caller keeps ownership.
CGContextRef CGBitmapContextCreate(void* data, size_t width, size_t height, size_t bitsPerComponent,
                                   size_t bytesPerRow, CGColorSpaceRef space,
                                   CGBitmapInfo bitmapInfo);
// These answer 0 or null for a context that is not a bitmap context.
void* CGBitmapContextGetData(CGContextRef c);
size_t CGBitmapContextGetWidth(CGContextRef c);
size_t CGBitmapContextGetHeight(CGContextRef c);
size_t CGBitmapContextGetBitsPerComponent(CGContextRef c);
size_t CGBitmapContextGetBitsPerPixel(CGContextRef c);
size_t CGBitmapContextGetBytesPerRow(CGContextRef c);
CGBitmapInfo CGBitmapContextGetBitmapInfo(CGContextRef c);
// Get rule: not retained for the caller; null for an alpha-only context.
CGColorSpaceRef CGBitmapContextGetColorSpace(CGContextRef c);
// A new image holding a copy of the context's pixels as they are now.
CGImageRef CGBitmapContextCreateImage(CGContextRef c);

#ifdef __cplusplus
}
#endif
