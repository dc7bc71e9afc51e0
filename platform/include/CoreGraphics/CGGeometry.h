// Points, sizes and rectangles of the CoreGraphics coordinate model, with CGFloat as a 64-bit
// double as in a 64-bit Mac build.
#pragma once

#include <MacTypes.h>
#include <math.h>
#include <stdbool.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef double CGFloat;

typedef struct CGPoint {
    CGFloat x;
    CGFloat y;
} CGPoint;

typedef struct CGSize {
    CGFloat width;
    CGFloat height;
} CGSize;

typedef struct CGRect {
    CGPoint origin;
    CGSize size;
} CGRect;

static inline CGPoint CGPointMake(CGFloat x, CGFloat y) {
    CGPoint p = {x, y};
    return p;
}

static inline CGSize CGSizeMake(CGFloat width, CGFloat height) {
    CGSize s = {width, height};
    return s;
}

static inline CGRect CGRectMake(CGFloat x, CGFloat y, CGFloat width, CGFloat height) {
    CGRect r = {{x, y}, {width, height}};
    return r;
}

// A rectangle may carry a negative width or height; every query below works on its standard
// form, whose size is never negative, so that callers need not normalise first.
static inline CGRect CGRectStandardize(CGRect r) {
    if (r.size.width < 0) {
        r.origin.x += r.size.width;
        r.size.width = -r.size.width;
    }
    if (r.size.height < 0) {
        r.origin.y += r.size.height;
        r.size.height = -r.size.height;
    }
    return r;
}

static inline CGFloat CGRectGetMinX(CGRect r) {
    return CGRectStandardize(r).origin.x;
}
static inline CGFloat CGRectGetMinY(CGRect r) {
    return CGRectStandardize(r).origin.y;
}
static inline CGFloat CGRectGetWidth(CGRect r) {
    return fabs(r.size.width);
}
static inline CGFloat CGRectGetHeight(CGRect r) {
    return fabs(r.size.height);
}
static inline CGFloat CGRectGetMaxX(CGRect r) {
    return CGRectGetMinX(r) + CGRectGetWidth(r);
}
static inline CGFloat CGRectGetMaxY(CGRect r) {
    return CGRectGetMinY(r) + CGRectGetHeight(r);
}
static inline CGFloat CGRectGetMidX(CGRect r) {
    return CGRectGetMinX(r) + CGRectGetWidth(r) / 2;
}
static inline CGFloat CGRectGetMidY(CGRect r) {
    return CGRectGetMinY(r) + CGRectGetHeight(r) / 2;
}

static inline bool CGRectIsEmpty(CGRect r) {
    return r.size.width == 0 || r.size.height == 0;
}

static inline bool CGPointEqualToPoint(CGPoint a, CGPoint b) {
    return a.x == b.x && a.y == b.y;
}

static inline bool CGSizeEqualToSize(CGSize a, CGSize b) {
    return a.width == b.width && a.height == b.height;
}

static inline bool CGRectEqualToRect(CGRect a, CGRect b) {
    a = CGRectStandardize(a);
    b = CGRectStandardize(b);
    return CGPointEqualToPoint(a.origin, b.origin) && CGSizeEqualToSize(a.size, b.size);
}

// The minimum edges belong to the rectangle and the maximum edges do not, so that rectangles
// laid side by side never both claim the point on their shared edge.
static inline bool CGRectContainsPoint(CGRect r, CGPoint p) {
    return !CGRectIsEmpty(r) && p.x >= CGRectGetMinX(r) && p.x < CGRectGetMaxX(r) &&
           p.y >= CGRectGetMinY(r) && p.y < CGRectGetMaxY(r);
}

static inline CGRect CGRectOffset(CGRect r, CGFloat dx, CGFloat dy) {
    r = CGRectStandardize(r);
    r.origin.x += dx;
    r.origin.y += dy;
    return r;
}

static inline CGRect CGRectInset(CGRect r, CGFloat dx, CGFloat dy) {
    r = CGRectStandardize(r);
    r.origin.x += dx;
    r.origin.y += dy;
    r.size.width -= 2 * dx;
    r.size.height -= 2 * dy;
    if (r.size.width < 0 || r.size.height < 0) {
        return CGRectMake(r.origin.x, r.origin.y, 0, 0);
    }
    return r;
}

// Rectangles that do not overlap give an empty rectangle at the origin of the first.
static inline CGRect CGRectIntersection(CGRect a, CGRect b) {
    a = CGRectStandardize(a);
    b = CGRectStandardize(b);
    CGFloat minX = fmax(a.origin.x, b.origin.x);
    CGFloat minY = fmax(a.origin.y, b.origin.y);
    CGFloat maxX = fmin(CGRectGetMaxX(a), CGRectGetMaxX(b));
    CGFloat maxY = fmin(CGRectGetMaxY(a), CGRectGetMaxY(b));
    if (maxX <= minX || maxY <= minY) {
        return CGRectMake(a.origin.x, a.origin.y, 0, 0);
    }
    return CGRectMake(minX, minY, maxX - minX, maxY - minY);
}

static inline bool CGRectIntersectsRect(CGRect a, CGRect b) {
    return !CGRectIsEmpty(CGRectIntersection(a, b));
}

// An empty rectangle adds nothing to a union.
static inline CGRect CGRectUnion(CGRect a, CGRect b) {
    if (CGRectIsEmpty(a)) {
        return CGRectStandardize(b);
    }
    if (CGRectIsEmpty(b)) {
        return CGRectStandardize(a);
    }
    CGFloat minX = fmin(CGRectGetMinX(a), CGRectGetMinX(b));
    CGFloat minY = fmin(CGRectGetMinY(a), CGRectGetMinY(b));
    CGFloat maxX = fmax(CGRectGetMaxX(a), CGRectGetMaxX(b));
    CGFloat maxY = fmax(CGRectGetMaxY(a), CGRectGetMaxY(b));
    return CGRectMake(minX, minY, maxX - minX, maxY - minY);
}

#ifdef __cplusplus
}
#endif
