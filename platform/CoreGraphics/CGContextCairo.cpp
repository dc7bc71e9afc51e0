#include "CGContextCairo.h"

#include "CGContextObject.h"
#include "CGImageObject.h"

namespace MacPlatform {

CGContextRef createContextForWindowSurface(cairo_surface_t* surface) {
    CGContextObject* context = CGContextObject::createForSurface(surface, true);
    return context ? toRef<CGContextRef>(context) : nullptr;
}

void resetContextForDrawing(CGContextRef context, cairo_surface_t* surface) {
    if (CGContextObject* object = toContext(context)) {
        object->reset(surface);
    }
}

cairo_t* cairoOfContext(CGContextRef context) {
    CGContextObject* object = toContext(context);
    return object ? object->cairo() : nullptr;
}

cairo_surface_t* cairoSurfaceOfImage(CGImageRef image) {
    CGImageObject* object = toImage(image);
    return object ? object->surfaceForDrawing() : nullptr;
}

} // namespace MacPlatform
