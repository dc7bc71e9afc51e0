// Path shapes shared by the painter and the covers.
#pragma once

#include "StoreLayout.h"

#include <cairo.h>

namespace Storefront {

// Adds a rectangle with rounded corners to the current path; the radius shrinks to fit.
void roundedRectangle(cairo_t* cr, const Box& box, double radius);

} // namespace Storefront
