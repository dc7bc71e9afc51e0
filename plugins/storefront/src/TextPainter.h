// Text for the storefront's frames, laid out with Pango at 72 dpi so one point is one pixel.
#pragma once

#include <cairo.h>

#include <string>

namespace Storefront {

struct Colour {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;
};

void setColour(cairo_t* cr, const Colour& colour);

enum class TextAlignment { Left, Center, Right };

struct TextStyle {
    std::string family; // a Pango family with optional style words, e.g. "Helvetica Bold"
    double pixelSize = 12;
    Colour colour;
    TextAlignment alignment = TextAlignment::Left;
    int maxLines = 1; // text beyond this many lines ends in an ellipsis; 0 means no limit
};

// Draws UTF-8 text wrapped to `width` with its first line's top at y; returns the height used.
double drawText(cairo_t* cr, const std::string& text, const TextStyle& style, double x, double y,
                double width);

// The same, centred in the box from top to bottom.
void drawTextCentredVertically(cairo_t* cr, const std::string& text, const TextStyle& style,
                               double x, double y, double width, double height);

} // namespace Storefront
