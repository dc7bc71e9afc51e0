#include "Shapes.h"

#include <algorithm>
#include <cmath>

namespace Storefront {

void roundedRectangle(cairo_t* cr, const Box& box, double radius) {
    double r = std::min(radius, std::min(box.width, box.height) / 2);
    cairo_new_sub_path(cr);
    cairo_arc(cr, box.right() - r, box.y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, box.right() - r, box.bottom() - r, r, 0, M_PI / 2);
    cairo_arc(cr, box.x + r, box.bottom() - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, box.x + r, box.y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

} // namespace Storefront
