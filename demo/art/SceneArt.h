// The start page's background: a lake at dusk under an aurora, a floating lantern, and a light
// panel on the right where the launcher writes the game's name and draws its separator line.
#pragma once

#include <cairo.h>

namespace DemoArt {

// Paints the whole 720 x 540 page into cr.
void DrawBackground(cairo_t* cr);

} // namespace DemoArt
