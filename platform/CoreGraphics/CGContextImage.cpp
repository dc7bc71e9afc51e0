// Drawing images: CoreGraphics puts an image's top row at the rectangle's maximum y, while a
// view's flipped context needs it at the minimum y to show the picture upright.
#include "CGContextObject.h"
#include "CGImageObject.h"

#include <Carbon/HIViewDrawing.h>

using namespace MacPlatform;

namespace {

cairo_filter_t filterFor(const CGContextObject& context, const CGImageObject& image) {
    CGInterpolationQuality quality = context.state().interpolation;
    if (!image.shouldInterpolate() || quality == kCGInterpolationNone) {
        return CAIRO_FILTER_NEAREST;
    }
    switch (quality) {
    case kCGInterpolationLow:
        return CAIRO_FILTER_BILINEAR;
    case kCGInterpolationHigh:
        return CAIRO_FILTER_BEST;
    default:
        return CAIRO_FILTER_GOOD;
    }
}

} // namespace

extern "C" {

void CGContextDrawImage(CGContextRef c, CGRect rect, CGImageRef image) {
    CGContextObject* context = toContext(c);
    CGImageObject* picture = toImage(image);
    rect = CGRectStandardize(rect);
    if (!context || !picture || !context->canDraw() || CGRectIsEmpty(rect)) {
        return;
    }
    cairo_t* cr = context->cairo();
    double width = static_cast<double>(picture->width());
    double height = static_cast<double>(picture->height());
    // Image space: x to the right, y downward from the top row, one unit per pixel.
    cairo_matrix_t imageToDevice;
    cairo_get_matrix(cr, &imageToDevice);
    cairo_matrix_translate(&imageToDevice, rect.origin.x, rect.origin.y + rect.size.height);
    cairo_matrix_scale(&imageToDevice, rect.size.width / width, -rect.size.height / height);
    if (!isUsableMatrix(imageToDevice)) {
        return;
    }
    DrawingScope scope(*context);
    // Drawing an image leaves the path being built alone.
    cairo_path_t* path = cairo_copy_path(cr);
    cairo_save(cr);
    cairo_set_matrix(cr, &imageToDevice);
    cairo_new_path(cr);
    cairo_rectangle(cr, 0, 0, width, height);
    cairo_clip(cr);
    cairo_set_source_surface(cr, picture->surfaceForDrawing(), 0, 0);
    // Padding keeps the edges of a stretched image sharp instead of fading them out.
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(cairo_get_source(cr), filterFor(*context, *picture));
    cairo_paint_with_alpha(cr, context->state().alpha);
    cairo_restore(cr);
    cairo_append_path(cr, path);
    cairo_path_destroy(path);
}

OSStatus HIViewDrawCGImage(CGContextRef inContext, const HIRect* inBounds, CGImageRef inImage) {
    if (!toContext(inContext) || !inBounds || !toImage(inImage)) {
        return paramErr;
    }
    CGRect bounds = CGRectStandardize(*inBounds);
    CGContextSaveGState(inContext);
    CGContextTranslateCTM(inContext, bounds.origin.x, bounds.origin.y + bounds.size.height);
    CGContextScaleCTM(inContext, 1, -1);
    CGContextDrawImage(inContext, CGRectMake(0, 0, bounds.size.width, bounds.size.height), inImage);
    CGContextRestoreGState(inContext);
    return noErr;
}

} // extern "C"
