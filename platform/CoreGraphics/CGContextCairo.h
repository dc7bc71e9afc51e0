// What the rest of MacPlatform needs from CoreGraphics: contexts over a window's Cairo surface
// and access to the Cairo objects behind contexts and images.
#pragma once

#include <CoreGraphics/CoreGraphics.h>

#include <cairo.h>

namespace MacPlatform {

// A flipped context (origin at the top left, y downward, as views expect) drawing on an image
// surface, which it references. A window makes one and keeps it, so that views always get the
// same context; null when the surface is not a usable image surface.
CGContextRef createContextForWindowSurface(cairo_surface_t* surface);

// Brings the context back to where it started (CTM, clip, colours, font, text matrix, saved
// states) before a new round of drawing. A non-null surface replaces the one drawn on, for a
// window that was resized; a surface that is not a usable image surface changes nothing.
void resetContextForDrawing(CGContextRef context, cairo_surface_t* surface);

// The Cairo context behind a CoreGraphics context, or null. Its matrix maps user space to
// pixels; drawing with it directly bypasses the CoreGraphics state.
cairo_t* cairoOfContext(CGContextRef context);

// The surface holding an image's pixels, or null; owned by the image.
cairo_surface_t* cairoSurfaceOfImage(CGImageRef image);

} // namespace MacPlatform
