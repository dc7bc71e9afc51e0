// The branding picture and its mask, which the launcher reads from Channel.dat and combines:
// each grey sample of the mask is the opacity of the picture's pixel. The mask is white over
// the logo and fades to black around it, so the logo sits on the page with a soft dark halo.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <vector>

namespace DemoArt {

// Paints the kBrandingWidth x kBrandingHeight colour picture into cr.
void DrawBranding(cairo_t* cr);

// The mask's grey samples, kBrandingWidth x kBrandingHeight, top row first; empty when Cairo
// could not make its drawing surfaces.
std::vector<std::uint8_t> MakeBrandingMask();

} // namespace DemoArt
