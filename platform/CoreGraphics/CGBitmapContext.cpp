#include "CGContextObject.h"
#include "CGImageObject.h"

#include <cstdlib>
#include <cstring>

using namespace MacPlatform;

namespace {

// The layout the arguments describe, when it is one a bitmap context can draw on.
bool describeBitmap(void* data, size_t width, size_t height, size_t bitsPerComponent,
                    size_t bytesPerRow, CGColorSpaceRef space, CGBitmapInfo bitmapInfo,
                    PixelLayout& layout) {
    if (width == 0 || height == 0 || width > kMaxImageSide || height > kMaxImageSide ||
        bitsPerComponent != 8 || bytesPerRow > kMaxBytesPerRow) {
        return false;
    }
    CGColorSpaceObject* spaceObject = toColorSpace(space);
    if (space && !spaceObject) {
        return false;
    }
    CGImageAlphaInfo alpha = static_cast<CGImageAlphaInfo>(bitmapInfo & kCGBitmapAlphaInfoMask);
    layout.width = width;
    layout.height = height;
    layout.bitsPerComponent = 8;
    layout.bitmapInfo = bitmapInfo;
    layout.model = spaceObject ? spaceObject->model() : kCGColorSpaceModelUnknown;
    if (!spaceObject) {
        if (alpha != kCGImageAlphaOnly || (bitmapInfo & ~kCGBitmapAlphaInfoMask)) {
            return false;
        }
        layout.bitsPerPixel = 8;
    } else if (layout.model == kCGColorSpaceModelMonochrome) {
        if (bitmapInfo != kCGImageAlphaNone) {
            return false;
        }
        layout.bitsPerPixel = 8;
    } else {
        layout.bitsPerPixel = 32;
    }
    size_t smallest = width * layout.bitsPerPixel / 8;
    if (bytesPerRow == 0) {
        // Whole 32-bit words per row, which Cairo asks of every layout it draws in place.
        bytesPerRow = (smallest + 3) & ~size_t{3};
    }
    layout.bytesPerRow = bytesPerRow;
    if (bytesPerRow < smallest) {
        return false;
    }
    if (layout.model == kCGColorSpaceModelMonochrome) {
        return true;
    }
    bool aligned = reinterpret_cast<uintptr_t>(data) % alignof(uint32_t) == 0;
    if (bytesPerRow % 4 != 0 || (layout.bitsPerPixel == 32 && !aligned)) {
        return false;
    }
    return !spaceObject || nativeCairoFormat(layout) != CAIRO_FORMAT_INVALID;
}

} // namespace

extern "C" {

CGContextRef CGBitmapContextCreate(void* data, size_t width, size_t height, size_t bitsPerComponent,
                                   size_t bytesPerRow, CGColorSpaceRef space,
                                   CGBitmapInfo bitmapInfo) {
    CGContextObject::Bitmap bitmap;
    if (!describeBitmap(data, width, height, bitsPerComponent, bytesPerRow, space, bitmapInfo,
                        bitmap.layout)) {
        return nullptr;
    }
    bitmap.data = data;
    bitmap.space = space;
    if (!data) {
        bitmap.data = std::calloc(bitmap.layout.byteCount(), 1);
        if (!bitmap.data) {
            return nullptr;
        }
        bitmap.ownsData = true;
    }
    CGContextObject* context = CGContextObject::createForBitmap(bitmap);
    if (!context && bitmap.ownsData) {
        std::free(bitmap.data);
    }
    return context ? toRef<CGContextRef>(context) : nullptr;
}

void* CGBitmapContextGetData(CGContextRef c) {
    CGContextObject* context = toContext(c);
    return context && context->bitmap() ? context->bitmap()->data : nullptr;
}

size_t CGBitmapContextGetWidth(CGContextRef c) {
    CGContextObject* context = toContext(c);
    return context && context->bitmap() ? context->bitmap()->layout.width : 0;
}

size_t CGBitmapContextGetHeight(CGContextRef c) {
    CGContextObject* context = toContext(c);
    return context && context->bitmap() ? context->bitmap()->layout.height : 0;
}

size_t CGBitmapContextGetBitsPerComponent(CGContextRef c) {
    CGContextObject* context = toContext(c);
    return context && context->bitmap() ? context->bitmap()->layout.bitsPerComponent : 0;
}

size_t CGBitmapContextGetBitsPerPixel(CGContextRef c) {
    CGContextObject* context = toContext(c);
    return context && context->bitmap() ? context->bitmap()->layout.bitsPerPixel : 0;
}

size_t CGBitmapContextGetBytesPerRow(CGContextRef c) {
    CGContextObject* context = toContext(c);
    return context && context->bitmap() ? context->bitmap()->layout.bytesPerRow : 0;
}

CGBitmapInfo CGBitmapContextGetBitmapInfo(CGContextRef c) {
    CGContextObject* context = toContext(c);
    return context && context->bitmap() ? context->bitmap()->layout.bitmapInfo : 0;
}

CGColorSpaceRef CGBitmapContextGetColorSpace(CGContextRef c) {
    CGContextObject* context = toContext(c);
    return context && context->bitmap() ? context->bitmap()->space : nullptr;
}

CGImageRef CGBitmapContextCreateImage(CGContextRef c) {
    CGContextObject* context = toContext(c);
    const CGContextObject::Bitmap* bitmap = context ? context->bitmap() : nullptr;
    // An alpha-only bitmap has no colours to make a picture of.
    if (!bitmap || !bitmap->space) {
        return nullptr;
    }
    // The image must not change when the context draws again, so it gets its own bytes.
    size_t size = bitmap->layout.byteCount();
    void* copy = std::malloc(size);
    if (!copy) {
        return nullptr;
    }
    std::memcpy(copy, bitmap->data, size);
    CGDataProviderRef provider =
        CGDataProviderCreateWithData(nullptr, copy, size, [](void*, const void* data, size_t) {
            std::free(const_cast<void*>(data));
        });
    const PixelLayout& l = bitmap->layout;
    CGImageRef image = CGImageCreate(l.width, l.height, l.bitsPerComponent, l.bitsPerPixel,
                                     l.bytesPerRow, bitmap->space, l.bitmapInfo, provider, nullptr,
                                     true, kCGRenderingIntentDefault);
    CGDataProviderRelease(provider);
    return image;
}

} // extern "C"
