#include "CGDataProviderObject.h"
#include "CGImageObject.h"

#include <cstdint>

using namespace MacPlatform;

namespace MacPlatform {

CGImageObject::CGImageObject(cairo_surface_t* surface, const PixelLayout& layout,
                             CGColorSpaceRef space, CGDataProviderRef provider, bool wrapsProvider,
                             bool shouldInterpolate)
    : CFObject(kTypeIDCGImage), m_surface(surface), m_layout(layout),
      m_space(CGColorSpaceRetain(space)), m_provider(CGDataProviderRetain(provider)),
      m_wrapsProvider(wrapsProvider), m_shouldInterpolate(shouldInterpolate) {}

CGImageObject::~CGImageObject() {
    // The surface may point into the provider's bytes, so it goes first.
    cairo_surface_destroy(m_surface);
    CGDataProviderRelease(m_provider);
    CGColorSpaceRelease(m_space);
}

cairo_surface_t* CGImageObject::surfaceForDrawing() const {
    if (m_wrapsProvider) {
        cairo_surface_mark_dirty(m_surface);
    }
    return m_surface;
}

bool CGImageObject::hasAlpha() const {
    return cairo_image_surface_get_format(m_surface) == CAIRO_FORMAT_ARGB32;
}

CGImageRef createImageOwningSurface(cairo_surface_t* surface, CGColorSpaceModel model,
                                    CGDataProviderRef provider, bool shouldInterpolate) {
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    bool alpha = cairo_image_surface_get_format(surface) == CAIRO_FORMAT_ARGB32;
    PixelLayout layout;
    layout.width = static_cast<size_t>(cairo_image_surface_get_width(surface));
    layout.height = static_cast<size_t>(cairo_image_surface_get_height(surface));
    layout.bitsPerComponent = 8;
    layout.bitsPerPixel = 32;
    layout.bytesPerRow = static_cast<size_t>(cairo_image_surface_get_stride(surface));
    layout.bitmapInfo = kCGBitmapByteOrder32Little |
                        (alpha ? kCGImageAlphaPremultipliedFirst : kCGImageAlphaNoneSkipFirst);
    layout.model = model;
    CGColorSpaceRef space = model == kCGColorSpaceModelRGB ? CGColorSpaceCreateDeviceRGB()
                                                           : CGColorSpaceCreateDeviceGray();
    auto* image = new CGImageObject(surface, layout, space, provider, false, shouldInterpolate);
    CGColorSpaceRelease(space);
    return toRef<CGImageRef>(image);
}

} // namespace MacPlatform

extern "C" {

CFTypeID CGImageGetTypeID(void) {
    return kTypeIDCGImage;
}

CGImageRef CGImageCreate(size_t width, size_t height, size_t bitsPerComponent, size_t bitsPerPixel,
                         size_t bytesPerRow, CGColorSpaceRef space, CGBitmapInfo bitmapInfo,
                         CGDataProviderRef provider, const CGFloat* decode, bool shouldInterpolate,
                         CGColorRenderingIntent) {
    CGColorSpaceObject* spaceObject = toColorSpace(space);
    CGDataProviderObject* providerObject = toDataProvider(provider);
    if (!spaceObject || !providerObject || decode) {
        return nullptr;
    }
    PixelLayout layout{width,       height,     bitsPerComponent,    bitsPerPixel,
                       bytesPerRow, bitmapInfo, spaceObject->model()};
    if (!isSupportedImageLayout(layout) || providerObject->size() < layout.byteCount()) {
        return nullptr;
    }
    const uint8_t* bytes = providerObject->bytes();
    cairo_format_t native = nativeCairoFormat(layout);
    bool aligned = reinterpret_cast<uintptr_t>(bytes) % alignof(uint32_t) == 0;
    cairo_surface_t* surface = nullptr;
    bool wraps = native != CAIRO_FORMAT_INVALID && aligned && providerObject->hasStableBytes();
    if (wraps) {
        // Cairo only reads these bytes: nothing draws into an image.
        surface = cairo_image_surface_create_for_data(
            const_cast<unsigned char*>(bytes), native, static_cast<int>(width),
            static_cast<int>(height), static_cast<int>(bytesPerRow));
    } else {
        surface = convertToSurface(bytes, layout);
    }
    if (!surface || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    return toRef<CGImageRef>(
        new CGImageObject(surface, layout, space, provider, wraps, shouldInterpolate));
}

CGImageRef CGImageRetain(CGImageRef image) {
    return static_cast<CGImageRef>(const_cast<void*>(CFRetain(image)));
}

void CGImageRelease(CGImageRef image) {
    CFRelease(image);
}

size_t CGImageGetWidth(CGImageRef image) {
    CGImageObject* object = toImage(image);
    return object ? object->width() : 0;
}

size_t CGImageGetHeight(CGImageRef image) {
    CGImageObject* object = toImage(image);
    return object ? object->height() : 0;
}

size_t CGImageGetBitsPerComponent(CGImageRef image) {
    CGImageObject* object = toImage(image);
    return object ? object->layout().bitsPerComponent : 0;
}

size_t CGImageGetBitsPerPixel(CGImageRef image) {
    CGImageObject* object = toImage(image);
    return object ? object->layout().bitsPerPixel : 0;
}

size_t CGImageGetBytesPerRow(CGImageRef image) {
    CGImageObject* object = toImage(image);
    return object ? object->layout().bytesPerRow : 0;
}

CGBitmapInfo CGImageGetBitmapInfo(CGImageRef image) {
    CGImageObject* object = toImage(image);
    return object ? object->layout().bitmapInfo : 0;
}

CGImageAlphaInfo CGImageGetAlphaInfo(CGImageRef image) {
    CGImageObject* object = toImage(image);
    return object ? object->layout().alphaInfo() : kCGImageAlphaNone;
}

CGColorSpaceRef CGImageGetColorSpace(CGImageRef image) {
    CGImageObject* object = toImage(image);
    return object ? object->colorSpace() : nullptr;
}

CGDataProviderRef CGImageGetDataProvider(CGImageRef image) {
    CGImageObject* object = toImage(image);
    return object ? object->provider() : nullptr;
}

bool CGImageGetShouldInterpolate(CGImageRef image) {
    CGImageObject* object = toImage(image);
    return object && object->shouldInterpolate();
}

// Every image here is drawn with its own colours; stencil masks are not made.
bool CGImageIsMask(CGImageRef) {
    return false;
}

} // extern "C"
