// Drawing contexts. A context draws with Cairo into a bitmap (CGBitmapContext.h) or into a
// window's surface. User space starts as CoreGraphics device space, origin at the bottom left
// and y upward; the contexts that windows give their views start flipped (origin at the top
// left, y downward), and their CTM says so.
#pragma once

#include <CoreGraphics/CGAffineTransform.h>
#include <CoreGraphics/CGColorSpace.h>
#include <CoreGraphics/CGGeometry.h>
#include <CoreGraphics/CGImage.h>
#include <stdbool.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct CGContext* CGContextRef;

typedef enum {
    kCGTextFill = 0,
    kCGTextStroke,
    kCGTextFillStroke,
    kCGTextInvisible,
    kCGTextFillClip,
    kCGTextStrokeClip,
    kCGTextFillStrokeClip,
    kCGTextClip
} CGTextDrawingMode;

typedef enum { kCGEncodingFontSpecific = 0, kCGEncodingMacRoman = 1 } CGTextEncoding;

typedef enum { kCGLineCapButt = 0, kCGLineCapRound, kCGLineCapSquare } CGLineCap;
typedef enum { kCGLineJoinMiter = 0, kCGLineJoinRound, kCGLineJoinBevel } CGLineJoin;

typedef enum {
    kCGInterpolationDefault = 0,
    kCGInterpolationNone = 1,
    kCGInterpolationLow = 2,
    kCGInterpolationHigh = 3
} CGInterpolationQuality;

CFTypeID CGContextGetTypeID(void);
CGContextRef CGContextRetain(CGContextRef c);
void CGContextRelease(CGContextRef c);
// Drawing goes straight into the target; there is nothing to flush.
void CGContextFlush(CGContextRef c);

// The graphics state: CTM, clip, colours, alpha, line attributes, font, text drawing mode,
// antialiasing and interpolation. The text matrix is not part of it.
void CGContextSaveGState(CGContextRef c);
// Restoring more often than saving does nothing.
void CGContextRestoreGState(CGContextRef c);

void CGContextTranslateCTM(CGContextRef c, CGFloat tx, CGFloat ty);
void CGContextScaleCTM(CGContextRef c, CGFloat sx, CGFloat sy);
void CGContextRotateCTM(CGContextRef c, CGFloat angle);
void CGContextConcatCTM(CGContextRef c, CGAffineTransform transform);
CGAffineTransform CGContextGetCTM(CGContextRef c);

void CGContextClipToRect(CGContextRef c, CGRect rect);
// Clips to the current path (nonzero winding) and empties it.
void CGContextClip(CGContextRef c);

void CGContextSetRGBFillColor(CGContextRef c, CGFloat red, CGFloat green, CGFloat blue,
                              CGFloat alpha);
void CGContextSetRGBStrokeColor(CGContextRef c, CGFloat red, CGFloat green, CGFloat blue,
                                CGFloat alpha);
void CGContextSetGrayFillColor(CGContextRef c, CGFloat gray, CGFloat alpha);
void CGContextSetGrayStrokeColor(CGContextRef c, CGFloat gray, CGFloat alpha);
// Multiplies everything drawn afterwards.
void CGContextSetAlpha(CGContextRef c, CGFloat alpha);
void CGContextSetShouldAntialias(CGContextRef c, bool shouldAntialias);
void CGContextSetInterpolationQuality(CGContextRef c, CGInterpolationQuality quality);

void CGContextSetLineWidth(CGContextRef c, CGFloat width);
void CGContextSetLineCap(CGContextRef c, CGLineCap cap);
void CGContextSetLineJoin(CGContextRef c, CGLineJoin join);

// Paths are kept in device space: points go through the CTM as they are added.
void CGContextBeginPath(CGContextRef c);
void CGContextMoveToPoint(CGContextRef c, CGFloat x, CGFloat y);
void CGContextAddLineToPoint(CGContextRef c, CGFloat x, CGFloat y);
void CGContextAddRect(CGContextRef c, CGRect rect);
void CGContextClosePath(CGContextRef c);
bool CGContextIsPathEmpty(CGContextRef c);
// Each of these paints the current path and empties it.
void CGContextFillPath(CGContextRef c);
void CGContextEOFillPath(CGContextRef c);
void CGContextStrokePath(CGContextRef c);

void CGContextFillRect(CGContextRef c, CGRect rect);
void CGContextFillRects(CGContextRef c, const CGRect* rects, size_t count);
void CGContextStrokeRect(CGContextRef c, CGRect rect);
void CGContextStrokeRectWithWidth(CGContextRef c, CGRect rect, CGFloat width);
// Makes the rectangle transparent; in a context without alpha, black.
void CGContextClearRect(CGContextRef c, CGRect rect);

// The image's top row lands at the rectangle's maximum y, as everywhere in CoreGraphics: upright
// in a context whose y runs upward, upside down in a flipped one. The image is stretched to fill
// the rectangle.
void CGContextDrawImage(CGContextRef c, CGRect rect, CGImageRef image);

// The font is looked up by family through fontconfig; a "-Bold", "-Italic", "-Oblique" or
// "-BoldOblique" ending picks the face. One unit of size is one pixel under an identity CTM.
void CGContextSelectFont(CGContextRef c, const char* name, CGFloat size,
                         CGTextEncoding textEncoding);
void CGContextSetFontSize(CGContextRef c, CGFloat size);
void CGContextSetTextDrawingMode(CGContextRef c, CGTextDrawingMode mode);
// The text position is the matrix's translation, so setting the matrix also moves it.
void CGContextSetTextMatrix(CGContextRef c, CGAffineTransform t);
CGAffineTransform CGContextGetTextMatrix(CGContextRef c);
void CGContextSetTextPosition(CGContextRef c, CGFloat x, CGFloat y);
CGPoint CGContextGetTextPosition(CGContextRef c);
// Writes the bytes in the selected font and encoding, its baseline through the text position,
// and moves the text position to the end of the text. Only MacRoman bytes are drawn: font
// specific bytes would name glyphs of a font's own built-in encoding, which the fonts found
// through fontconfig do not share. Nothing is drawn before a font has been selected.
void CGContextShowText(CGContextRef c, const char* bytes, size_t length);
void CGContextShowTextAtPoint(CGContextRef c, CGFloat x, CGFloat y, const char* bytes,
                              size_t length);

#ifdef __cplusplus
}
#endif
