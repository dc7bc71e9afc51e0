// Drawing helpers for views, whose contexts are flipped (origin at the top left, y downward).
#pragma once

#include <MacTypes.h>
#include <CoreGraphics/CoreGraphics.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef CGRect HIRect;

// Draws the image upright into the rectangle of a flipped context, stretched to fill it.
// paramErr when an argument is null.
OSStatus HIViewDrawCGImage(CGContextRef inContext, const HIRect* inBounds, CGImageRef inImage);

#ifdef __cplusplus
}
#endif
