#include "CGContextObject.h"

#include <algorithm>
#include <cmath>

using namespace MacPlatform;

namespace {

double clampUnit(CGFloat value) {
    return std::isnan(value) ? 0.0 : std::clamp(static_cast<double>(value), 0.0, 1.0);
}

CGColorRGBA rgba(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha) {
    return CGColorRGBA{clampUnit(red), clampUnit(green), clampUnit(blue), clampUnit(alpha)};
}

bool isFinite(CGRect r) {
    return std::isfinite(r.origin.x) && std::isfinite(r.origin.y) && std::isfinite(r.size.width) &&
           std::isfinite(r.size.height);
}

void setSource(CGContextObject& context, const CGColorRGBA& colour) {
    cairo_set_source_rgba(context.cairo(), colour.red, colour.green, colour.blue,
                          colour.alpha * context.state().alpha);
}

void concat(CGContextRef c, const CGAffineTransform& t) {
    if (CGContextObject* context = toContext(c)) {
        context->setCTM(CGAffineTransformConcat(t, context->ctm()));
    }
}

// Cairo treats a path point at infinity as an error that ends all drawing; CoreGraphics just
// ignores it.
bool finitePoint(CGFloat x, CGFloat y) {
    return std::isfinite(x) && std::isfinite(y);
}

void paintPath(CGContextRef c, bool fill, cairo_fill_rule_t rule) {
    CGContextObject* context = toContext(c);
    if (!context) {
        return;
    }
    cairo_t* cr = context->cairo();
    if (context->canDraw()) {
        DrawingScope scope(*context);
        if (fill) {
            cairo_set_fill_rule(cr, rule);
            setSource(*context, context->state().fill);
            cairo_fill(cr);
            return;
        }
        setSource(*context, context->state().stroke);
        cairo_stroke(cr);
        return;
    }
    cairo_new_path(cr);
}

} // namespace

extern "C" {

CFTypeID CGContextGetTypeID(void) {
    return kTypeIDCGContext;
}

CGContextRef CGContextRetain(CGContextRef c) {
    return static_cast<CGContextRef>(const_cast<void*>(CFRetain(c)));
}

void CGContextRelease(CGContextRef c) {
    CFRelease(c);
}

void CGContextFlush(CGContextRef) {}

void CGContextSaveGState(CGContextRef c) {
    if (CGContextObject* context = toContext(c)) {
        context->saveGState();
    }
}

void CGContextRestoreGState(CGContextRef c) {
    if (CGContextObject* context = toContext(c)) {
        context->restoreGState();
    }
}

void CGContextTranslateCTM(CGContextRef c, CGFloat tx, CGFloat ty) {
    concat(c, CGAffineTransformMakeTranslation(tx, ty));
}

void CGContextScaleCTM(CGContextRef c, CGFloat sx, CGFloat sy) {
    concat(c, CGAffineTransformMakeScale(sx, sy));
}

void CGContextRotateCTM(CGContextRef c, CGFloat angle) {
    concat(c, CGAffineTransformMakeRotation(angle));
}

void CGContextConcatCTM(CGContextRef c, CGAffineTransform transform) {
    concat(c, transform);
}

CGAffineTransform CGContextGetCTM(CGContextRef c) {
    CGContextObject* context = toContext(c);
    return context ? context->ctm() : CGAffineTransformIdentity;
}

void CGContextClipToRect(CGContextRef c, CGRect rect) {
    CGContextObject* context = toContext(c);
    if (!context || !context->canDraw() || !isFinite(rect)) {
        return;
    }
    cairo_t* cr = context->cairo();
    // Clipping to a rectangle leaves the path being built alone.
    cairo_path_t* path = cairo_copy_path(cr);
    cairo_new_path(cr);
    cairo_rectangle(cr, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
    cairo_clip(cr);
    cairo_append_path(cr, path);
    cairo_path_destroy(path);
}

void CGContextClip(CGContextRef c) {
    if (CGContextObject* context = toContext(c)) {
        cairo_set_fill_rule(context->cairo(), CAIRO_FILL_RULE_WINDING);
        cairo_clip(context->cairo());
    }
}

void CGContextSetRGBFillColor(CGContextRef c, CGFloat red, CGFloat green, CGFloat blue,
                              CGFloat alpha) {
    if (CGContextObject* context = toContext(c)) {
        context->state().fill = rgba(red, green, blue, alpha);
    }
}

void CGContextSetRGBStrokeColor(CGContextRef c, CGFloat red, CGFloat green, CGFloat blue,
                                CGFloat alpha) {
    if (CGContextObject* context = toContext(c)) {
        context->state().stroke = rgba(red, green, blue, alpha);
    }
}

void CGContextSetGrayFillColor(CGContextRef c, CGFloat gray, CGFloat alpha) {
    CGContextSetRGBFillColor(c, gray, gray, gray, alpha);
}

void CGContextSetGrayStrokeColor(CGContextRef c, CGFloat gray, CGFloat alpha) {
    CGContextSetRGBStrokeColor(c, gray, gray, gray, alpha);
}

void CGContextSetAlpha(CGContextRef c, CGFloat alpha) {
    if (CGContextObject* context = toContext(c)) {
        context->state().alpha = clampUnit(alpha);
    }
}

void CGContextSetShouldAntialias(CGContextRef c, bool shouldAntialias) {
    if (CGContextObject* context = toContext(c)) {
        cairo_set_antialias(context->cairo(),
                            shouldAntialias ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
    }
}

void CGContextSetInterpolationQuality(CGContextRef c, CGInterpolationQuality quality) {
    CGContextObject* context = toContext(c);
    if (context && quality >= kCGInterpolationDefault && quality <= kCGInterpolationHigh) {
        context->state().interpolation = quality;
    }
}

void CGContextSetLineWidth(CGContextRef c, CGFloat width) {
    CGContextObject* context = toContext(c);
    if (context && std::isfinite(width) && width >= 0) {
        cairo_set_line_width(context->cairo(), width);
    }
}

void CGContextSetLineCap(CGContextRef c, CGLineCap cap) {
    CGContextObject* context = toContext(c);
    if (!context) {
        return;
    }
    switch (cap) {
    case kCGLineCapButt:
        cairo_set_line_cap(context->cairo(), CAIRO_LINE_CAP_BUTT);
        break;
    case kCGLineCapRound:
        cairo_set_line_cap(context->cairo(), CAIRO_LINE_CAP_ROUND);
        break;
    case kCGLineCapSquare:
        cairo_set_line_cap(context->cairo(), CAIRO_LINE_CAP_SQUARE);
        break;
    }
}

void CGContextSetLineJoin(CGContextRef c, CGLineJoin join) {
    CGContextObject* context = toContext(c);
    if (!context) {
        return;
    }
    switch (join) {
    case kCGLineJoinMiter:
        cairo_set_line_join(context->cairo(), CAIRO_LINE_JOIN_MITER);
        break;
    case kCGLineJoinRound:
        cairo_set_line_join(context->cairo(), CAIRO_LINE_JOIN_ROUND);
        break;
    case kCGLineJoinBevel:
        cairo_set_line_join(context->cairo(), CAIRO_LINE_JOIN_BEVEL);
        break;
    }
}

void CGContextBeginPath(CGContextRef c) {
    if (CGContextObject* context = toContext(c)) {
        cairo_new_path(context->cairo());
    }
}

void CGContextMoveToPoint(CGContextRef c, CGFloat x, CGFloat y) {
    CGContextObject* context = toContext(c);
    if (context && context->canDraw() && finitePoint(x, y)) {
        cairo_move_to(context->cairo(), x, y);
    }
}

void CGContextAddLineToPoint(CGContextRef c, CGFloat x, CGFloat y) {
    CGContextObject* context = toContext(c);
    if (context && context->canDraw() && finitePoint(x, y)) {
        cairo_line_to(context->cairo(), x, y);
    }
}

void CGContextAddRect(CGContextRef c, CGRect rect) {
    CGContextObject* context = toContext(c);
    if (context && context->canDraw() && isFinite(rect)) {
        cairo_rectangle(context->cairo(), rect.origin.x, rect.origin.y, rect.size.width,
                        rect.size.height);
    }
}

void CGContextClosePath(CGContextRef c) {
    if (CGContextObject* context = toContext(c)) {
        cairo_close_path(context->cairo());
    }
}

bool CGContextIsPathEmpty(CGContextRef c) {
    CGContextObject* context = toContext(c);
    return !context || !cairo_has_current_point(context->cairo());
}

void CGContextFillPath(CGContextRef c) {
    paintPath(c, true, CAIRO_FILL_RULE_WINDING);
}

void CGContextEOFillPath(CGContextRef c) {
    paintPath(c, true, CAIRO_FILL_RULE_EVEN_ODD);
}

void CGContextStrokePath(CGContextRef c) {
    paintPath(c, false, CAIRO_FILL_RULE_WINDING);
}

void CGContextFillRects(CGContextRef c, const CGRect* rects, size_t count) {
    CGContextObject* context = toContext(c);
    if (!context || (!rects && count > 0)) {
        return;
    }
    cairo_new_path(context->cairo());
    for (size_t i = 0; i < count; ++i) {
        CGContextAddRect(c, rects[i]);
    }
    CGContextFillPath(c);
}

void CGContextFillRect(CGContextRef c, CGRect rect) {
    CGContextFillRects(c, &rect, 1);
}

void CGContextStrokeRect(CGContextRef c, CGRect rect) {
    if (CGContextObject* context = toContext(c)) {
        cairo_new_path(context->cairo());
        CGContextAddRect(c, rect);
        CGContextStrokePath(c);
    }
}

void CGContextStrokeRectWithWidth(CGContextRef c, CGRect rect, CGFloat width) {
    CGContextObject* context = toContext(c);
    if (!context) {
        return;
    }
    // The width applies to this rectangle only.
    cairo_save(context->cairo());
    CGContextSetLineWidth(c, width);
    CGContextStrokeRect(c, rect);
    cairo_restore(context->cairo());
}

void CGContextClearRect(CGContextRef c, CGRect rect) {
    CGContextObject* context = toContext(c);
    if (!context || !context->canDraw() || !isFinite(rect)) {
        return;
    }
    cairo_t* cr = context->cairo();
    DrawingScope scope(*context);
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_rectangle(cr, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_fill(cr);
    cairo_restore(cr);
}

} // extern "C"
