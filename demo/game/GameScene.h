// What the demo game shows: a lantern flying over a lake at night under a moving aurora,
// with twinkling stars and a glowing trail. Every frame is a pure function of the time.
#pragma once

#include <cairo.h>

namespace DemoGame {

// Paints the frame at the given time (seconds since the start) over the whole width x height
// area of cr. status is a short line shown at the bottom ("Esc quits", the tour's countdown).
void DrawFrame(cairo_t* cr, int width, int height, double seconds, const char* status);

} // namespace DemoGame
