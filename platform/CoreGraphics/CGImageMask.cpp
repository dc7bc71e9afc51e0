// Masking by a grey image: each grey sample becomes the opacity of the image pixel under it.
#include "CGImageObject.h"

#include <cstdint>

using namespace MacPlatform;

namespace {

// The mask's grey samples at the image's size, as an RGB24 surface whose channels all hold the
// sample; the mask is stretched as a picture would be when drawn into that rectangle.
cairo_surface_t* maskSamplesAtSize(CGImageObject& mask, int width, int height) {
    cairo_surface_t* samples = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(samples);
    cairo_scale(cr, static_cast<double>(width) / static_cast<double>(mask.width()),
                static_cast<double>(height) / static_cast<double>(mask.height()));
    cairo_set_source_surface(cr, mask.surfaceForDrawing(), 0, 0);
    cairo_pattern_t* pattern = cairo_get_source(cr);
    // Padding keeps the edges at full strength instead of fading them into nothing.
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(pattern,
                             mask.shouldInterpolate() ? CAIRO_FILTER_GOOD : CAIRO_FILTER_NEAREST);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_status_t status = cairo_status(cr);
    cairo_destroy(cr);
    if (status != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(samples);
        return nullptr;
    }
    cairo_surface_flush(samples);
    return samples;
}

uint32_t scale(uint32_t argb, uint32_t opacity) {
    uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        uint32_t channel = (argb >> shift) & 0xFF;
        result |= ((channel * opacity + 127) / 255) << shift;
    }
    return result;
}

} // namespace

extern "C" {

CGImageRef CGImageCreateWithMask(CGImageRef image, CGImageRef mask) {
    CGImageObject* picture = toImage(image);
    CGImageObject* maskObject = toImage(mask);
    if (!picture || !maskObject || !maskObject->isGrey() || maskObject->hasAlpha()) {
        return nullptr;
    }
    int width = static_cast<int>(picture->width());
    int height = static_cast<int>(picture->height());
    cairo_surface_t* samples = maskSamplesAtSize(*maskObject, width, height);
    if (!samples) {
        return nullptr;
    }
    cairo_surface_t* result = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(result) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(samples);
        cairo_surface_destroy(result);
        return nullptr;
    }
    cairo_surface_t* source = picture->surfaceForDrawing();
    cairo_surface_flush(source);
    bool opaque = !picture->hasAlpha();
    unsigned char* sourceData = cairo_image_surface_get_data(source);
    unsigned char* sampleData = cairo_image_surface_get_data(samples);
    unsigned char* resultData = cairo_image_surface_get_data(result);
    int sourceStride = cairo_image_surface_get_stride(source);
    int sampleStride = cairo_image_surface_get_stride(samples);
    int resultStride = cairo_image_surface_get_stride(result);
    for (int y = 0; y < height; ++y) {
        auto* in = reinterpret_cast<const uint32_t*>(sourceData + y * sourceStride);
        auto* opacity = reinterpret_cast<const uint32_t*>(sampleData + y * sampleStride);
        auto* out = reinterpret_cast<uint32_t*>(resultData + y * resultStride);
        for (int x = 0; x < width; ++x) {
            uint32_t pixel = opaque ? (in[x] | 0xFF000000u) : in[x];
            // The grey mask's channels are equal; blue is as good as any.
            out[x] = scale(pixel, opacity[x] & 0xFF);
        }
    }
    cairo_surface_destroy(samples);
    cairo_surface_mark_dirty(result);
    return createImageOwningSurface(result, kCGColorSpaceModelRGB, nullptr,
                                    picture->shouldInterpolate());
}

} // extern "C"
