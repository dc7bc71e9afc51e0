#include "CGContextCairo.h"

#include "CGContextObject.h"
#include "CGImageObject.h"

namespace MacPlatform {

CGContextRef CGContextCreateForWindowSurface(cairo_surface_t* surface) {
    CGContextObject* context = CGContextObject::createForSurface(surface, true);
    return context ? toRef<CGContextRef>(context) : nullptr;
}

void CGContextResetForDrawing(CGContextRef context, cairo_surface_t* surface) {
    if (CGContextObject* object = toContext(context)) {
        object->reset(surface);
    }
}

cairo_t* CGContextGetCairo(CGContextRef context) {
    CGContextObject* object = toContext(context);
    return object ? object->cairo() : nullptr;
}

cairo_surface_t* CGImageGetCairoSurface(CGImageRef image) {
    CGImageObject* object = toImage(image);
    return object ? object->surfaceForDrawing() : nullptr;
}

} // namespace MacPlatform
