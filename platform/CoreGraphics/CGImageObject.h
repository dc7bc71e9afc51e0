// An image: a Cairo surface holding (or wrapping) its pixels, with the description it was made
// with.
#pragma once

#include "CGObjects.h"
#include "PixelLayout.h"

#include <cairo.h>

namespace MacPlatform {

class CGImageObject : public CFObject {
public:
    // Takes over the surface. Retains the colour space and the provider (which may be null).
    // wrapsProvider says that the surface draws straight from the provider's bytes.
    CGImageObject(cairo_surface_t* surface, const PixelLayout& layout, CGColorSpaceRef space,
                  CGDataProviderRef provider, bool wrapsProvider, bool shouldInterpolate);
    ~CGImageObject() override;

    // The surface to draw from. The provider's bytes may have changed since the last draw, so
    // Cairo is told to forget anything it derived from them.
    cairo_surface_t* surfaceForDrawing() const;
    size_t width() const { return m_layout.width; }
    size_t height() const { return m_layout.height; }
    const PixelLayout& layout() const { return m_layout; }
    bool isGrey() const { return m_layout.model == kCGColorSpaceModelMonochrome; }
    bool hasAlpha() const;
    CGColorSpaceRef colorSpace() const { return m_space; }
    CGDataProviderRef provider() const { return m_provider; }
    bool shouldInterpolate() const { return m_shouldInterpolate; }

private:
    cairo_surface_t* m_surface;
    PixelLayout m_layout;
    CGColorSpaceRef m_space;
    CGDataProviderRef m_provider;
    bool m_wrapsProvider;
    bool m_shouldInterpolate;
};

inline CGImageObject* toImage(CGImageRef image) {
    return castRef<CGImageObject>(image, kTypeIDCGImage);
}

// An image over a surface of its own (decoded or computed pixels) in the surface's own layout,
// with a colour space of the given model. Takes over the surface; null if it is in error.
CGImageRef createImageOwningSurface(cairo_surface_t* surface, CGColorSpaceModel model,
                                    CGDataProviderRef provider, bool shouldInterpolate);

} // namespace MacPlatform
