#include "HIToolbox/ControlText.h"

#include <pango/pangocairo.h>

namespace MacPlatform {

namespace {

constexpr int kSystemFontSize = 13;
constexpr char kSystemFontFamily[] = "Helvetica";

} // namespace

void drawControlText(cairo_t* cr, const std::string& utf8, const HIRect& box, bool centred,
                     TextColour colour) {
    if (utf8.empty() || box.size.width <= 0 || box.size.height <= 0) {
        return;
    }
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* font = pango_font_description_new();
    pango_font_description_set_family(font, kSystemFontFamily);
    pango_font_description_set_absolute_size(font, kSystemFontSize * PANGO_SCALE);
    pango_layout_set_font_description(layout, font);
    pango_font_description_free(font);
    pango_layout_set_text(layout, utf8.c_str(), static_cast<int>(utf8.size()));
    int width = 0, height = 0;
    double x = box.origin.x, y = box.origin.y;
    if (centred) {
        pango_layout_set_single_paragraph_mode(layout, TRUE);
        pango_layout_get_pixel_size(layout, &width, &height);
        x += (box.size.width - width) / 2;
        y += (box.size.height - height) / 2;
    } else {
        pango_layout_set_width(layout, static_cast<int>(box.size.width * PANGO_SCALE));
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    }
    cairo_save(cr);
    cairo_rectangle(cr, box.origin.x, box.origin.y, box.size.width, box.size.height);
    cairo_clip(cr);
    cairo_set_source_rgb(cr, colour.red, colour.green, colour.blue);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout);
    cairo_restore(cr);
    g_object_unref(layout);
}

} // namespace MacPlatform
