// The system font of controls, laid out with Pango at one pixel per point as on the Mac.
#pragma once

#include <Carbon/HIToolboxTypes.h>

#include <cairo.h>

#include <string>

namespace MacPlatform {

struct TextColour {
    double red, green, blue;
};

// Draws the UTF-8 text into the box: centred on one line, or wrapped at the box's width from
// its top left. Nothing is drawn outside the box.
void drawControlText(cairo_t* cr, const std::string& utf8, const HIRect& box, bool centred,
                     TextColour colour);

} // namespace MacPlatform
