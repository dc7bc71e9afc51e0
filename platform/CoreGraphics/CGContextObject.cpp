#include "CGContextObject.h"
#include "FontCaches.h"

#include <cmath>
#include <cstdlib>

namespace MacPlatform {

namespace {

// CoreGraphics device space has y upward from the bottom edge; Cairo's pixels run downward from
// the top. The flip between them is its own inverse.
cairo_matrix_t deviceToCairo(double height) {
    cairo_matrix_t m;
    cairo_matrix_init(&m, 1, 0, 0, -1, 0, height);
    return m;
}

} // namespace

cairo_matrix_t toCairoMatrix(const CGAffineTransform& t) {
    cairo_matrix_t m;
    cairo_matrix_init(&m, t.a, t.b, t.c, t.d, t.tx, t.ty);
    return m;
}

CGAffineTransform toAffineTransform(const cairo_matrix_t& m) {
    return CGAffineTransformMake(m.xx, m.yx, m.xy, m.yy, m.x0, m.y0);
}

CGContextObject::CGContextObject() : CFObject(kTypeIDCGContext) {}

CGContextObject* CGContextObject::createForSurface(cairo_surface_t* surface, bool flipped) {
    if (!surface || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) {
        return nullptr;
    }
    auto* context = new CGContextObject;
    context->m_flipped = flipped;
    if (!context->attach(surface, flipped)) {
        delete context;
        return nullptr;
    }
    return context;
}

CGContextObject* CGContextObject::createForBitmap(const Bitmap& bitmap) {
    const PixelLayout& layout = bitmap.layout;
    int width = static_cast<int>(layout.width);
    int height = static_cast<int>(layout.height);
    int stride = static_cast<int>(layout.bytesPerRow);
    auto* data = static_cast<unsigned char*>(bitmap.data);
    cairo_surface_t* surface = nullptr;
    bool grey = layout.model == kCGColorSpaceModelMonochrome;
    if (grey) {
        surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    } else if (layout.alphaInfo() == kCGImageAlphaOnly) {
        surface = cairo_image_surface_create_for_data(data, CAIRO_FORMAT_A8, width, height, stride);
    } else {
        surface = cairo_image_surface_create_for_data(data, nativeCairoFormat(layout), width,
                                                      height, stride);
    }
    auto* context = new CGContextObject;
    context->m_hasBitmap = true;
    context->m_bitmap = bitmap;
    context->m_greyBitmap = grey;
    CGColorSpaceRetain(bitmap.space);
    bool attached =
        cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS && context->attach(surface, false);
    cairo_surface_destroy(surface);
    if (!attached) {
        // The caller still owns memory it passed in when creation fails.
        context->m_bitmap.ownsData = false;
        delete context;
        return nullptr;
    }
    return context;
}

CGContextObject::~CGContextObject() {
    if (m_textLayout) {
        g_object_unref(m_textLayout);
    }
    if (m_pangoContext) {
        g_object_unref(m_pangoContext);
    }
    detach();
    if (m_hasBitmap) {
        if (m_bitmap.ownsData) {
            std::free(m_bitmap.data);
        }
        CGColorSpaceRelease(m_bitmap.space);
    }
}

bool CGContextObject::attach(cairo_surface_t* surface, bool flipped) {
    cairo_t* cr = cairo_create(surface);
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
        cairo_destroy(cr);
        return false;
    }
    m_cairo = cr;
    m_surface = cairo_surface_reference(surface);
    // A window's surface may have several pixels per point (its device scale); the context
    // works in points, and Cairo draws them at the surface's resolution.
    double scaleX = 1, scaleY = 1;
    cairo_surface_get_device_scale(surface, &scaleX, &scaleY);
    m_deviceHeight = cairo_image_surface_get_height(surface) / scaleY;
    m_state = CGGraphicsState{};
    m_savedStates.clear();
    m_textMatrix = CGAffineTransformIdentity;
    // CoreGraphics draws lines with butt caps, miter joins and a miter limit of 10, as Cairo
    // does; only the starting matrix differs.
    setCTM(flipped ? CGAffineTransformMake(1, 0, 0, -1, 0, m_deviceHeight)
                   : CGAffineTransformIdentity);
    return true;
}

void CGContextObject::detach() {
    if (m_cairo) {
        cairo_destroy(m_cairo);
        m_cairo = nullptr;
    }
    if (m_surface) {
        cairo_surface_destroy(m_surface);
        m_surface = nullptr;
    }
}

void CGContextObject::reset(cairo_surface_t* surface) {
    // A bitmap context draws on the caller's memory for its whole life.
    cairo_surface_t* target = surface && !m_hasBitmap ? surface : m_surface;
    if (!target || cairo_surface_status(target) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_get_type(target) != CAIRO_SURFACE_TYPE_IMAGE) {
        return;
    }
    // A fresh Cairo context is the surest way to drop every saved state, clip and path.
    cairo_surface_reference(target);
    detach();
    attach(target, m_flipped);
    cairo_surface_destroy(target);
}

void CGContextObject::saveGState() {
    cairo_save(m_cairo);
    m_savedStates.push_back(m_state);
}

void CGContextObject::restoreGState() {
    if (m_savedStates.empty()) {
        return;
    }
    cairo_restore(m_cairo);
    m_state = m_savedStates.back();
    m_savedStates.pop_back();
}

CGAffineTransform CGContextObject::ctm() const {
    if (m_state.singularCTM) {
        return m_state.ctmWhenSingular;
    }
    cairo_matrix_t user;
    cairo_get_matrix(m_cairo, &user);
    cairo_matrix_t flip = deviceToCairo(m_deviceHeight);
    cairo_matrix_t result;
    cairo_matrix_multiply(&result, &user, &flip);
    return toAffineTransform(result);
}

void CGContextObject::setCTM(const CGAffineTransform& ctm) {
    cairo_matrix_t user = toCairoMatrix(ctm);
    cairo_matrix_t flip = deviceToCairo(m_deviceHeight);
    cairo_matrix_t result;
    cairo_matrix_multiply(&result, &user, &flip);
    // Cairo refuses a matrix it cannot invert for good (the context stops drawing for ever);
    // CoreGraphics merely draws nothing under it until the state is restored.
    if (!isUsableMatrix(result)) {
        m_state.singularCTM = true;
        m_state.ctmWhenSingular = ctm;
        return;
    }
    m_state.singularCTM = false;
    cairo_set_matrix(m_cairo, &result);
}

bool isUsableMatrix(const cairo_matrix_t& m) {
    cairo_matrix_t copy = m;
    return std::isfinite(m.xx) && std::isfinite(m.yx) && std::isfinite(m.xy) &&
           std::isfinite(m.yy) && std::isfinite(m.x0) && std::isfinite(m.y0) &&
           cairo_matrix_invert(&copy) == CAIRO_STATUS_SUCCESS;
}

bool CGContextObject::canDraw() const {
    return !m_state.singularCTM && cairo_status(m_cairo) == CAIRO_STATUS_SUCCESS;
}

void CGContextObject::beginDrawing() {
    if (m_greyBitmap) {
        copyGreyToSurface(static_cast<const uint8_t*>(m_bitmap.data), m_bitmap.layout.bytesPerRow,
                          m_surface);
    } else {
        cairo_surface_mark_dirty(m_surface);
    }
}

void CGContextObject::endDrawing() {
    if (m_greyBitmap) {
        copySurfaceToGrey(m_surface, static_cast<uint8_t*>(m_bitmap.data),
                          m_bitmap.layout.bytesPerRow);
    } else {
        cairo_surface_flush(m_surface);
    }
}

PangoLayout* CGContextObject::textLayout() {
    if (!m_textLayout) {
        noteFontCachesInUse();
        m_pangoContext = pango_font_map_create_context(pango_cairo_font_map_get_default());
        // One point is one pixel, as on the Mac.
        pango_cairo_context_set_resolution(m_pangoContext, 72);
        m_textLayout = pango_layout_new(m_pangoContext);
        // A line break byte is a character to draw, not the start of a new line.
        pango_layout_set_single_paragraph_mode(m_textLayout, TRUE);
    }
    return m_textLayout;
}

PangoContext* CGContextObject::pangoContext() {
    textLayout();
    return m_pangoContext;
}

} // namespace MacPlatform
