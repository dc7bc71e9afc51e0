// Text: MacRoman bytes shaped by Pango in a font that fontconfig finds for the Mac name.
#include "CGContextObject.h"
#include "CoreFoundation/TextEncoding.h"

#include <climits>
#include <cmath>
#include <string_view>

using namespace MacPlatform;

namespace {

struct FaceSuffix {
    std::string_view suffix;
    PangoWeight weight;
    PangoStyle style;
};

// PostScript names carry the face after a hyphen; fontconfig knows families only.
PangoFontDescription* describeFont(const std::string& name, double size) {
    static constexpr FaceSuffix kFaces[] = {
        {"-BoldOblique", PANGO_WEIGHT_BOLD, PANGO_STYLE_OBLIQUE},
        {"-BoldItalic", PANGO_WEIGHT_BOLD, PANGO_STYLE_ITALIC},
        {"-Bold", PANGO_WEIGHT_BOLD, PANGO_STYLE_NORMAL},
        {"-Oblique", PANGO_WEIGHT_NORMAL, PANGO_STYLE_OBLIQUE},
        {"-Italic", PANGO_WEIGHT_NORMAL, PANGO_STYLE_ITALIC},
        {"-Roman", PANGO_WEIGHT_NORMAL, PANGO_STYLE_NORMAL},
        {"-Regular", PANGO_WEIGHT_NORMAL, PANGO_STYLE_NORMAL},
    };
    std::string family = name;
    PangoWeight weight = PANGO_WEIGHT_NORMAL;
    PangoStyle style = PANGO_STYLE_NORMAL;
    for (const FaceSuffix& face : kFaces) {
        if (family.size() > face.suffix.size() && family.ends_with(face.suffix)) {
            family.resize(family.size() - face.suffix.size());
            weight = face.weight;
            style = face.style;
            break;
        }
    }
    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description, family.c_str());
    pango_font_description_set_weight(description, weight);
    pango_font_description_set_style(description, style);
    pango_font_description_set_absolute_size(description, size * PANGO_SCALE);
    return description;
}

// Crisp text at one point per pixel: grey antialiasing (no colour fringes on a bitmap that may
// be read back), outlines hinted lightly and advances rounded to whole pixels.
void applyFontOptions(CGContextObject& context) {
    cairo_font_options_t* options = cairo_font_options_create();
    bool antialias = cairo_get_antialias(context.cairo()) != CAIRO_ANTIALIAS_NONE;
    cairo_font_options_set_antialias(options,
                                     antialias ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    pango_cairo_context_set_font_options(context.pangoContext(), options);
    cairo_font_options_destroy(options);
}

void setSource(CGContextObject& context, const CGColorRGBA& colour) {
    cairo_set_source_rgba(context.cairo(), colour.red, colour.green, colour.blue,
                          colour.alpha * context.state().alpha);
}

// Paints the line at the current point as the text drawing mode says; true when the glyph
// outlines are left as the path for clipping.
bool paintLine(CGContextObject& context, PangoLayoutLine* line) {
    cairo_t* cr = context.cairo();
    CGTextDrawingMode mode = context.state().textDrawingMode;
    bool fill = mode == kCGTextFill || mode == kCGTextFillStroke || mode == kCGTextFillClip ||
                mode == kCGTextFillStrokeClip;
    bool stroke = mode == kCGTextStroke || mode == kCGTextFillStroke || mode == kCGTextStrokeClip ||
                  mode == kCGTextFillStrokeClip;
    bool clip = mode >= kCGTextFillClip;
    if (fill && !stroke && !clip) {
        // Glyphs drawn as glyphs keep their hinting and the glyph cache; outlines would not.
        setSource(context, context.state().fill);
        pango_cairo_show_layout_line(cr, line);
        return false;
    }
    if (mode == kCGTextInvisible) {
        return false;
    }
    pango_cairo_layout_line_path(cr, line);
    if (fill) {
        setSource(context, context.state().fill);
        cairo_fill_preserve(cr);
    }
    if (stroke) {
        setSource(context, context.state().stroke);
        cairo_stroke_preserve(cr);
    }
    if (!clip) {
        cairo_new_path(cr);
    }
    return clip;
}

void showText(CGContextObject& context, const char* bytes, size_t length) {
    const CGGraphicsState& state = context.state();
    if (!bytes || length == 0 || state.fontName.empty() || !(state.fontSize > 0) ||
        state.textEncoding != kCGEncodingMacRoman) {
        return;
    }
    std::string text = macRomanToUTF8(std::string_view(bytes, length));
    // Pango takes a NUL for the end of the text; the Mac draws it as an empty glyph.
    std::erase(text, '\0');
    if (text.size() > static_cast<size_t>(INT_MAX)) {
        return;
    }
    PangoLayout* layout = context.textLayout();
    PangoFontDescription* description = describeFont(state.fontName, state.fontSize);
    pango_layout_set_font_description(layout, description);
    pango_font_description_free(description);
    pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));

    cairo_t* cr = context.cairo();
    CGAffineTransform& textMatrix = context.textMatrix();
    // Pango lays glyphs out with y downward; text space has y upward.
    cairo_matrix_t glyphToText;
    cairo_matrix_init(&glyphToText, 1, 0, 0, -1, 0, 0);
    cairo_matrix_t textToUser = toCairoMatrix(textMatrix);
    cairo_matrix_t userToCairo;
    cairo_get_matrix(cr, &userToCairo);
    cairo_matrix_t glyphToUser;
    cairo_matrix_multiply(&glyphToUser, &glyphToText, &textToUser);
    cairo_matrix_t glyphToCairo;
    cairo_matrix_multiply(&glyphToCairo, &glyphToUser, &userToCairo);

    bool drawable = context.canDraw() && isUsableMatrix(glyphToCairo);
    cairo_path_t* path = nullptr;
    bool clip = false;
    if (drawable) {
        DrawingScope scope(context);
        path = cairo_copy_path(cr);
        cairo_save(cr);
        cairo_set_matrix(cr, &glyphToCairo);
        applyFontOptions(context);
        // Fonts are hinted for the matrix they are drawn under, so Pango must see it.
        pango_cairo_update_context(cr, context.pangoContext());
        pango_layout_context_changed(layout);
        cairo_new_path(cr);
        cairo_move_to(cr, 0, 0);
        clip = paintLine(context, pango_layout_get_line_readonly(layout, 0));
        cairo_restore(cr);
    }
    if (clip) {
        cairo_clip(cr);
    }
    if (path) {
        cairo_new_path(cr);
        cairo_append_path(cr, path);
        cairo_path_destroy(path);
    }
    PangoRectangle logical;
    pango_layout_line_get_extents(pango_layout_get_line_readonly(layout, 0), nullptr, &logical);
    double advance = static_cast<double>(logical.width) / PANGO_SCALE;
    textMatrix.tx += advance * textMatrix.a;
    textMatrix.ty += advance * textMatrix.b;
}

} // namespace

extern "C" {

void CGContextSelectFont(CGContextRef c, const char* name, CGFloat size,
                         CGTextEncoding textEncoding) {
    CGContextObject* context = toContext(c);
    if (!context || !name || !*name || !std::isfinite(size) || size < 0) {
        return;
    }
    context->state().fontName = name;
    context->state().fontSize = size;
    context->state().textEncoding = textEncoding;
}

void CGContextSetFontSize(CGContextRef c, CGFloat size) {
    CGContextObject* context = toContext(c);
    if (context && std::isfinite(size) && size >= 0) {
        context->state().fontSize = size;
    }
}

void CGContextSetTextDrawingMode(CGContextRef c, CGTextDrawingMode mode) {
    CGContextObject* context = toContext(c);
    if (context && mode >= kCGTextFill && mode <= kCGTextClip) {
        context->state().textDrawingMode = mode;
    }
}

void CGContextSetTextMatrix(CGContextRef c, CGAffineTransform t) {
    if (CGContextObject* context = toContext(c)) {
        context->textMatrix() = t;
    }
}

CGAffineTransform CGContextGetTextMatrix(CGContextRef c) {
    CGContextObject* context = toContext(c);
    return context ? context->textMatrix() : CGAffineTransformIdentity;
}

void CGContextSetTextPosition(CGContextRef c, CGFloat x, CGFloat y) {
    if (CGContextObject* context = toContext(c)) {
        context->textMatrix().tx = x;
        context->textMatrix().ty = y;
    }
}

CGPoint CGContextGetTextPosition(CGContextRef c) {
    CGContextObject* context = toContext(c);
    if (!context) {
        return CGPointMake(0, 0);
    }
    return CGPointMake(context->textMatrix().tx, context->textMatrix().ty);
}

void CGContextShowText(CGContextRef c, const char* bytes, size_t length) {
    if (CGContextObject* context = toContext(c)) {
        showText(*context, bytes, length);
    }
}

void CGContextShowTextAtPoint(CGContextRef c, CGFloat x, CGFloat y, const char* bytes,
                              size_t length) {
    CGContextSetTextPosition(c, x, y);
    CGContextShowText(c, bytes, length);
}

} // extern "C"
