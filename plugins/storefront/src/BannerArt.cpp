#include "BannerArt.h"

#include "StoreLayout.h"
#include "TextPainter.h"

#include <cmath>

namespace Storefront {

namespace {

constexpr double kDriftSeconds = 9.0;
constexpr double kSweepSeconds = 6.0;
constexpr int kBandWidth = 280;

// A failed allocation gives Cairo's inert error surface; painting with it does nothing.
template <typename Paint>
cairo_surface_t* drawn(cairo_format_t format, int width, int height, Paint paint) {
    cairo_surface_t* surface = cairo_image_surface_create(format, width, height);
    cairo_t* cr = cairo_create(surface);
    paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    return surface;
}

void paintDrift(cairo_t* cr, double drift) {
    const Box& banner = Layout::kBanner;
    cairo_pattern_t* gradient = cairo_pattern_create_linear(0, 0, banner.width, banner.height);
    cairo_pattern_add_color_stop_rgb(gradient, 0, 0.14 + 0.06 * drift, 0.2, 0.42 - 0.08 * drift);
    cairo_pattern_add_color_stop_rgb(gradient, 1, 0.32 - 0.08 * drift, 0.16 + 0.05 * drift, 0.44);
    cairo_set_source(cr, gradient);
    cairo_paint(cr);
    cairo_pattern_destroy(gradient);
}

void paintBand(cairo_t* cr) {
    cairo_pattern_t* light = cairo_pattern_create_linear(0, 0, kBandWidth, 0);
    cairo_pattern_add_color_stop_rgba(light, 0, 1, 1, 1, 0);
    cairo_pattern_add_color_stop_rgba(light, 0.5, 1, 1, 1, 0.12);
    cairo_pattern_add_color_stop_rgba(light, 1, 1, 1, 1, 0);
    cairo_set_source(cr, light);
    cairo_paint(cr);
    cairo_pattern_destroy(light);
}

void paintText(cairo_t* cr, const std::string& heading, const std::string& subtitle) {
    Colour white{0.96, 0.96, 0.98, 1};
    drawText(cr, heading, {"Helvetica Bold", 30, white}, 24, 18, 500);
    white.alpha = 0.75;
    drawText(cr, subtitle, {"Helvetica", 13, white}, 24, 58, 500);
}

} // namespace

BannerArt::BannerArt(const std::string& heading, const std::string& subtitle) {
    int width = static_cast<int>(Layout::kBanner.width);
    int height = static_cast<int>(Layout::kBanner.height);
    m_calm = drawn(CAIRO_FORMAT_RGB24, width, height, [](cairo_t* cr) { paintDrift(cr, 0); });
    m_warm = drawn(CAIRO_FORMAT_RGB24, width, height, [](cairo_t* cr) { paintDrift(cr, 1); });
    m_band = drawn(CAIRO_FORMAT_ARGB32, kBandWidth, height, paintBand);
    m_text = drawn(CAIRO_FORMAT_ARGB32, width, height,
                   [&](cairo_t* cr) { paintText(cr, heading, subtitle); });
}

BannerArt::~BannerArt() {
    cairo_surface_destroy(m_calm);
    cairo_surface_destroy(m_warm);
    cairo_surface_destroy(m_band);
    cairo_surface_destroy(m_text);
}

void BannerArt::paint(cairo_t* cr, double seconds) const {
    const Box& banner = Layout::kBanner;
    // The gradient's stops move linearly with the drift, so a cross-fade of its two ends is
    // the gradient of any moment in between.
    double drift = 0.5 + 0.5 * std::sin(seconds * 2 * M_PI / kDriftSeconds);
    cairo_save(cr);
    cairo_rectangle(cr, banner.x, banner.y, banner.width, banner.height);
    cairo_clip(cr);
    cairo_set_source_surface(cr, m_calm, banner.x, banner.y);
    cairo_paint(cr);
    cairo_set_source_surface(cr, m_warm, banner.x, banner.y);
    cairo_paint_with_alpha(cr, drift);

    double sweep = std::fmod(seconds / kSweepSeconds, 1.0) * (banner.width + 400) - 200;
    cairo_set_source_surface(cr, m_band, std::round(sweep - kBandWidth / 2.0), banner.y);
    cairo_paint(cr);
    cairo_set_source_surface(cr, m_text, banner.x, banner.y);
    cairo_paint(cr);
    cairo_restore(cr);
}

} // namespace Storefront
