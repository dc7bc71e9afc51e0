#include "TextPainter.h"

#include <pango/pangocairo.h>

namespace Storefront {

namespace {

PangoLayout* makeLayout(cairo_t* cr, const std::string& text, const TextStyle& style,
                        double width) {
    PangoLayout* layout = pango_cairo_create_layout(cr);
    pango_cairo_context_set_resolution(pango_layout_get_context(layout), 72);
    pango_layout_context_changed(layout);

    PangoFontDescription* font = pango_font_description_from_string(style.family.c_str());
    pango_font_description_set_absolute_size(font, style.pixelSize * PANGO_SCALE);
    pango_layout_set_font_description(layout, font);
    pango_font_description_free(font);

    pango_layout_set_width(layout, static_cast<int>(width * PANGO_SCALE));
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    if (style.maxLines > 0) {
        // A negative height counts lines: Pango ellipsizes whatever would need more.
        pango_layout_set_height(layout, -style.maxLines);
        pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
    }
    switch (style.alignment) {
    case TextAlignment::Left:
        pango_layout_set_alignment(layout, PANGO_ALIGN_LEFT);
        break;
    case TextAlignment::Center:
        pango_layout_set_alignment(layout, PANGO_ALIGN_CENTER);
        break;
    case TextAlignment::Right:
        pango_layout_set_alignment(layout, PANGO_ALIGN_RIGHT);
        break;
    }
    pango_layout_set_text(layout, text.c_str(), static_cast<int>(text.size()));
    return layout;
}

double layoutHeight(PangoLayout* layout) {
    int width = 0;
    int height = 0;
    pango_layout_get_pixel_size(layout, &width, &height);
    return height;
}

void showLayout(cairo_t* cr, PangoLayout* layout, const TextStyle& style, double x, double y) {
    cairo_save(cr);
    setColour(cr, style.colour);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout);
    cairo_restore(cr);
}

} // namespace

void setColour(cairo_t* cr, const Colour& colour) {
    cairo_set_source_rgba(cr, colour.red, colour.green, colour.blue, colour.alpha);
}

double drawText(cairo_t* cr, const std::string& text, const TextStyle& style, double x, double y,
                double width) {
    PangoLayout* layout = makeLayout(cr, text, style, width);
    double height = layoutHeight(layout);
    showLayout(cr, layout, style, x, y);
    g_object_unref(layout);
    return height;
}

void drawTextCentredVertically(cairo_t* cr, const std::string& text, const TextStyle& style,
                               double x, double y, double width, double height) {
    PangoLayout* layout = makeLayout(cr, text, style, width);
    showLayout(cr, layout, style, x, y + (height - layoutHeight(layout)) / 2);
    g_object_unref(layout);
}

} // namespace Storefront
