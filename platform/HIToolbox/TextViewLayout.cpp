#include "HIToolbox/TextViewLayout.h"
#include "CoreGraphics/FontCaches.h"
#include "Text/StyledTextPango.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <climits>
#include <cmath>

namespace MacPlatform {

TextViewLayout::TextViewLayout() {
    noteFontCachesInUse();
    // The shared font map: a map of its own per view would leave fontconfig state behind.
    m_context = pango_font_map_create_context(pango_cairo_font_map_get_default());
    pango_cairo_context_set_resolution(m_context, 72);
    // As the CoreGraphics text does: grey antialiasing, light hinting, whole-pixel metrics, so
    // that line heights are whole pixels and a text's height is a multiple of its lines.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    pango_cairo_context_set_font_options(m_context, options);
    cairo_font_options_destroy(options);
    m_layout = pango_layout_new(m_context);
    pango_layout_set_wrap(m_layout, PANGO_WRAP_WORD_CHAR);
}

TextViewLayout::~TextViewLayout() {
    g_object_unref(m_layout);
    g_object_unref(m_context);
}

bool TextViewLayout::setDocument(StyledText document) {
    // Pango ends the text at a NUL; a space keeps every offset of the runs where it was.
    std::replace(document.text.begin(), document.text.end(), '\0', ' ');
    if (document.text == m_document.text && document.runs == m_document.runs &&
        document.fonts == m_document.fonts) {
        return false;
    }
    m_document = std::move(document);
    m_stale = true;
    return true;
}

bool TextViewLayout::setFontFamily(const std::string& family) {
    if (family == m_family) {
        return false;
    }
    m_family = family;
    m_stale = true;
    return true;
}

bool TextViewLayout::setFontSize(double points) {
    if (points == m_size) {
        return false;
    }
    m_size = points;
    m_stale = true;
    return true;
}

bool TextViewLayout::setColour(const TextColour& colour) {
    if (colour == m_colour) {
        return false;
    }
    m_colour = colour;
    return true;
}

PangoLayout* TextViewLayout::layoutFor(double width) {
    if (m_stale) {
        PangoFontDescription* font = pango_font_description_new();
        pango_font_description_set_family(font, m_family.c_str());
        pango_font_description_set_absolute_size(font, m_size * PANGO_SCALE);
        pango_layout_set_font_description(m_layout, font);
        pango_font_description_free(font);
        // Callers refuse texts Pango cannot index; this only keeps the cast honest.
        std::string text = textForShaping(m_document);
        int length = static_cast<int>(std::min<size_t>(text.size(), INT_MAX));
        pango_layout_set_text(m_layout, text.data(), length);
        PangoAttrList* attributes = createPangoAttributes(m_document);
        pango_layout_set_attributes(m_layout, attributes);
        pango_attr_list_unref(attributes);
        m_stale = false;
    }
    if (width != m_width) {
        double units = std::floor(width) * PANGO_SCALE;
        pango_layout_set_width(m_layout,
                               width > 0 && units < INT_MAX ? static_cast<int>(units) : -1);
        m_width = width;
    }
    return m_layout;
}

TextExtent TextViewLayout::extent(double width) {
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layoutFor(width), nullptr, &logical);
    return {static_cast<double>(logical.x), static_cast<double>(logical.y),
            static_cast<double>(logical.width), static_cast<double>(logical.height)};
}

double TextViewLayout::lineHeight(double width) {
    PangoLayoutLine* line = pango_layout_get_line_readonly(layoutFor(width), 0);
    if (!line) {
        return m_size;
    }
    PangoRectangle logical;
    pango_layout_line_get_pixel_extents(line, nullptr, &logical);
    return logical.height > 0 ? logical.height : m_size;
}

void TextViewLayout::draw(cairo_t* cr, double width, double top) {
    PangoLayout* layout = layoutFor(width);
    cairo_save(cr);
    cairo_set_source_rgb(cr, m_colour.red, m_colour.green, m_colour.blue);
    cairo_move_to(cr, 0, top);
    pango_cairo_show_layout(cr, layout);
    cairo_restore(cr);
}

} // namespace MacPlatform
