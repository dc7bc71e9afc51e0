// Colours: components in a colour space, the last one the alpha.
#pragma once

#include <CoreFoundation/CFBase.h>
#include <CoreGraphics/CGColorSpace.h>
#include <CoreGraphics/CGGeometry.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct CGColor* CGColorRef;

CFTypeID CGColorGetTypeID(void);
// Copies the space's components and an alpha; null for a null space or components.
CGColorRef CGColorCreate(CGColorSpaceRef space, const CGFloat components[]);
CGColorRef CGColorRetain(CGColorRef color);
void CGColorRelease(CGColorRef color);
// The components and alpha; null and 0 for a null colour.
size_t CGColorGetNumberOfComponents(CGColorRef color);
const CGFloat* CGColorGetComponents(CGColorRef color);
CGFloat CGColorGetAlpha(CGColorRef color);

#ifdef __cplusplus
}
#endif
