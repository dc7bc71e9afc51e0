// The laid-out text of a text view: a styled document in one font family, size and colour,
// shaped by Pango at 72 dpi (one point is one pixel) and wrapped at a width.
#pragma once

#include "Text/StyledText.h"

#include <cairo.h>

#include <string>

typedef struct _PangoContext PangoContext;
typedef struct _PangoLayout PangoLayout;

namespace MacPlatform {

struct TextColour {
    double red = 0;
    double green = 0;
    double blue = 0;

    bool operator==(const TextColour&) const = default;
};

// Where the laid-out text lies, in pixels from the top left of the layout area.
struct TextExtent {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
};

class TextViewLayout {
public:
    TextViewLayout();
    ~TextViewLayout();
    TextViewLayout(const TextViewLayout&) = delete;
    TextViewLayout& operator=(const TextViewLayout&) = delete;

    // The setters answer whether anything changed: a launcher that refills a text on every
    // draw must not make the window draw again for nothing.
    const StyledText& document() const { return m_document; }
    bool setDocument(StyledText document);
    // A family name that fontconfig resolves ("Helvetica" becomes a metric-compatible face).
    bool setFontFamily(const std::string& family);
    bool setFontSize(double points);
    bool setColour(const TextColour& colour);

    // The text laid out in lines no wider than width; a width of 0 or less does not wrap.
    TextExtent extent(double width);
    // The height of one line of the text's first paragraph, the step of scrolling.
    double lineHeight(double width);
    // Draws the text with its top left corner at (0, top) of the cairo_t's user space.
    void draw(cairo_t* cr, double width, double top);

private:
    PangoLayout* layoutFor(double width);

    StyledText m_document;
    std::string m_family = "Helvetica";
    double m_size = 12;
    TextColour m_colour;
    PangoContext* m_context = nullptr;
    PangoLayout* m_layout = nullptr;
    // The layout's text, attributes or font no longer match the fields above.
    bool m_stale = true;
    double m_width = -1;
};

} // namespace MacPlatform
