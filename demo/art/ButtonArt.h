// The three pictures of the start page's image buttons. The launcher writes each button's label
// over the picture in black, so every state keeps a light face.
#pragma once

#include <cairo.h>

namespace DemoArt {

enum class ButtonState { Normal, Hover, Pressed };

// Paints one kButtonWidth x kButtonHeight button picture into cr.
void DrawButton(cairo_t* cr, ButtonState state);

} // namespace DemoArt
