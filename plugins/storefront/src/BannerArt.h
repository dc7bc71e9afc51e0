// The storefront's banner: a slow drift of colour with a soft band of light sweeping across and
// the heading over it, so the page feels alive without drawing the eye from the games.
//
// The banner is repainted in every frame, even when nothing else moves, so its pieces are drawn
// once and only composited per frame: two end states of the colour drift cross-faded, the band
// moved along, the text laid over. That is a tenth of the work of drawing gradients and text
// anew each frame.
#pragma once

#include <cairo.h>

#include <string>

namespace Storefront {

class BannerArt {
public:
    BannerArt(const std::string& heading, const std::string& subtitle);
    ~BannerArt();
    BannerArt(const BannerArt&) = delete;
    BannerArt& operator=(const BannerArt&) = delete;

    // Paints the banner as it looks `seconds` into the visit (the back button is not part of it).
    void paint(cairo_t* cr, double seconds) const;

private:
    cairo_surface_t* m_calm = nullptr; // the drift at one end
    cairo_surface_t* m_warm = nullptr; // and at the other
    cairo_surface_t* m_band = nullptr; // the band of light, transparent around it
    cairo_surface_t* m_text = nullptr; // heading and subtitle, transparent around them
};

} // namespace Storefront
