// A drawing context: a Cairo context over a window's surface or a bitmap, with the parts of the
// CoreGraphics state that Cairo does not keep (colours, alpha, font, text matrix).
#pragma once

#include "CGObjects.h"
#include "PixelLayout.h"

#include <cairo.h>
#include <pango/pangocairo.h>
#include <string>
#include <vector>

namespace MacPlatform {

struct CGColorRGBA {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;
};

// What CGContextSaveGState keeps besides Cairo's own state (CTM, clip, line attributes,
// antialiasing).
struct CGGraphicsState {
    CGColorRGBA fill;
    CGColorRGBA stroke;
    double alpha = 1;
    std::string fontName;
    double fontSize = 0;
    CGTextEncoding textEncoding = kCGEncodingMacRoman;
    CGTextDrawingMode textDrawingMode = kCGTextFill;
    CGInterpolationQuality interpolation = kCGInterpolationDefault;
    // Set while the CTM cannot be inverted: nothing is drawn, and Cairo keeps the last good one.
    bool singularCTM = false;
    CGAffineTransform ctmWhenSingular = CGAffineTransformIdentity;
};

class CGContextObject : public CFObject {
public:
    // The memory of a bitmap context, as CGBitmapContextCreate was given it.
    struct Bitmap {
        void* data = nullptr;
        bool ownsData = false;
        PixelLayout layout;
        CGColorSpaceRef space = nullptr;
    };

    // Draws on the surface, which it references. A flipped context starts with its origin at
    // the top left and y downward.
    static CGContextObject* createForSurface(cairo_surface_t* surface, bool flipped);
    // Takes over the bitmap's memory when it owns it, retains its colour space; null when Cairo
    // cannot draw on it.
    static CGContextObject* createForBitmap(const Bitmap& bitmap);
    ~CGContextObject() override;

    cairo_t* cairo() const { return m_cairo; }
    CGGraphicsState& state() { return m_state; }
    const CGGraphicsState& state() const { return m_state; }
    const Bitmap* bitmap() const { return m_hasBitmap ? &m_bitmap : nullptr; }
    bool isGreyBitmap() const { return m_greyBitmap; }
    // False while nothing can appear: a singular CTM or a Cairo context in error.
    bool canDraw() const;

    void saveGState();
    void restoreGState();
    // Back to the state the context started in, on the same or another surface.
    void reset(cairo_surface_t* surface);

    // CoreGraphics' CTM maps user space to CoreGraphics device space (y upward); Cairo's
    // matrix maps user space to its pixels (y downward). These convert between the two.
    CGAffineTransform ctm() const;
    void setCTM(const CGAffineTransform& ctm);

    CGAffineTransform& textMatrix() { return m_textMatrix; }

    // Every drawing operation runs between these, so that the caller's bitmap bytes and what
    // Cairo draws on agree before and after it.
    void beginDrawing();
    void endDrawing();

    // Kept for the context's life so that text shaping reuses fonts and caches.
    PangoLayout* textLayout();
    PangoContext* pangoContext();

private:
    CGContextObject();
    bool attach(cairo_surface_t* surface, bool flipped);
    void detach();

    cairo_t* m_cairo = nullptr;
    cairo_surface_t* m_surface = nullptr;
    // A grey bitmap is drawn on an RGB surface of our own and copied to the caller's samples.
    bool m_greyBitmap = false;
    double m_deviceHeight = 0;
    bool m_flipped = false;
    bool m_hasBitmap = false;
    Bitmap m_bitmap;
    CGGraphicsState m_state;
    std::vector<CGGraphicsState> m_savedStates;
    CGAffineTransform m_textMatrix = CGAffineTransformIdentity;
    PangoContext* m_pangoContext = nullptr;
    PangoLayout* m_textLayout = nullptr;
};

inline CGContextObject* toContext(CGContextRef context) {
    return castRef<CGContextObject>(context, kTypeIDCGContext);
}

// Brackets one drawing operation (see beginDrawing).
class DrawingScope {
public:
    explicit DrawingScope(CGContextObject& context) : m_context(context) {
        m_context.beginDrawing();
    }
    ~DrawingScope() { m_context.endDrawing(); }
    DrawingScope(const DrawingScope&) = delete;
    DrawingScope& operator=(const DrawingScope&) = delete;

private:
    CGContextObject& m_context;
};

// Finite and invertible: a matrix Cairo accepts without falling into its error state.
bool isUsableMatrix(const cairo_matrix_t& m);
cairo_matrix_t toCairoMatrix(const CGAffineTransform& t);
CGAffineTransform toAffineTransform(const cairo_matrix_t& m);

} // namespace MacPlatform
