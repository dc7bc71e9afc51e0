#include "GameScene.h"

#include <cmath>
#include <cstdint>

namespace DemoGame {

namespace {

constexpr double kPi = 3.14159265358979323846;

// A fixed pseudo-random value in [0, 1) for star number i, the same in every frame.
double Hash(unsigned i, unsigned salt) {
    std::uint32_t x = i * 2654435761u ^ salt * 2246822519u;
    x ^= x >> 15;
    x *= 2654435761u;
    x ^= x >> 13;
    return (x & 0xFFFFFF) / 16777216.0;
}

void DrawSky(cairo_t* cr, double width, double horizon) {
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, horizon);
    cairo_pattern_add_color_stop_rgb(sky, 0.0, 0.02, 0.03, 0.12);
    cairo_pattern_add_color_stop_rgb(sky, 0.7, 0.10, 0.09, 0.30);
    cairo_pattern_add_color_stop_rgb(sky, 1.0, 0.30, 0.16, 0.36);
    cairo_rectangle(cr, 0, 0, width, horizon);
    cairo_set_source(cr, sky);
    cairo_fill(cr);
    cairo_pattern_destroy(sky);
}

void DrawStars(cairo_t* cr, double width, double horizon, double seconds) {
    for (unsigned i = 0; i < 140; ++i) {
        double x = Hash(i, 1) * width;
        double y = Hash(i, 2) * horizon * 0.85;
        double twinkle = 0.55 + 0.45 * std::sin(seconds * (1.5 + 3 * Hash(i, 3)) + 6 * Hash(i, 4));
        cairo_arc(cr, x, y, 0.6 + Hash(i, 5), 0, 2 * kPi);
        cairo_set_source_rgba(cr, 1.0, 0.97, 0.9, twinkle * (1.0 - y / horizon));
        cairo_fill(cr);
    }
}

void DrawAurora(cairo_t* cr, double width, double seconds) {
    for (int band = 0; band < 3; ++band) {
        double base = 120 + band * 34;
        double phase = seconds * (0.35 + band * 0.12) + band * 2.1;
        cairo_move_to(cr, 0, base);
        for (double x = 0; x <= width + 8; x += 8) {
            cairo_line_to(cr, x,
                          base + 18 * std::sin(x / 80 + phase) + 7 * std::sin(x / 31 - phase));
        }
        for (double x = width + 8; x >= 0; x -= 8) {
            cairo_line_to(cr, x, base - 70 + 22 * std::sin(x / 110 + phase * 1.3));
        }
        cairo_close_path(cr);
        cairo_pattern_t* glow = cairo_pattern_create_linear(0, base - 90, 0, base + 25);
        cairo_pattern_add_color_stop_rgba(glow, 0.0, 0.3, 1.0, 0.7, 0.0);
        cairo_pattern_add_color_stop_rgba(glow, 0.85, 0.45, 1.0, 0.75, 0.28 - band * 0.06);
        cairo_pattern_add_color_stop_rgba(glow, 1.0, 0.3, 1.0, 0.7, 0.0);
        cairo_set_source(cr, glow);
        cairo_fill(cr);
        cairo_pattern_destroy(glow);
    }
}

void DrawHills(cairo_t* cr, double width, double horizon) {
    cairo_move_to(cr, 0, horizon);
    for (double x = 0; x <= width + 20; x += 20) {
        cairo_line_to(cr, x, horizon - 30 - 25 * std::sin(x / 90) * std::sin(x / 47 + 1));
    }
    cairo_line_to(cr, width, horizon);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, 0.09, 0.07, 0.17);
    cairo_fill(cr);
}

void DrawLake(cairo_t* cr, double width, double height, double horizon, double seconds) {
    cairo_pattern_t* water = cairo_pattern_create_linear(0, horizon, 0, height);
    cairo_pattern_add_color_stop_rgb(water, 0.0, 0.22, 0.13, 0.30);
    cairo_pattern_add_color_stop_rgb(water, 1.0, 0.03, 0.03, 0.10);
    cairo_rectangle(cr, 0, horizon, width, height - horizon);
    cairo_set_source(cr, water);
    cairo_fill(cr);
    cairo_pattern_destroy(water);
    for (int i = 0; i < 24; ++i) {
        double y = horizon + 6 + i * (height - horizon) / 26.0;
        double drift = std::fmod(seconds * 12 + i * 37, width + 120) - 60;
        cairo_rectangle(cr, drift, y, 40 + 20 * std::sin(i + seconds), 1);
        cairo_set_source_rgba(cr, 0.8, 0.7, 1.0, 0.18);
        cairo_fill(cr);
    }
}

// Where the lantern is at a time: a slow figure of eight over the lake.
void LanternAt(double seconds, double width, double horizon, double* x, double* y) {
    *x = width / 2 + width * 0.33 * std::sin(seconds * 0.7);
    *y = horizon * 0.55 + horizon * 0.22 * std::sin(seconds * 1.4);
}

void DrawLantern(cairo_t* cr, double width, double horizon, double seconds) {
    // The trail: where the lantern was during the last second and a half, fading out.
    for (int step = 24; step >= 1; --step) {
        double x = 0;
        double y = 0;
        LanternAt(seconds - step * 0.06, width, horizon, &x, &y);
        cairo_arc(cr, x, y, 2 + (24 - step) * 0.15, 0, 2 * kPi);
        cairo_set_source_rgba(cr, 1.0, 0.75, 0.35, 0.25 * (1.0 - step / 25.0));
        cairo_fill(cr);
    }
    double x = 0;
    double y = 0;
    LanternAt(seconds, width, horizon, &x, &y);
    double flicker = 1.0 + 0.08 * std::sin(seconds * 23) * std::sin(seconds * 7);
    cairo_pattern_t* halo = cairo_pattern_create_radial(x, y, 3, x, y, 60 * flicker);
    cairo_pattern_add_color_stop_rgba(halo, 0.0, 1.0, 0.9, 0.65, 0.9);
    cairo_pattern_add_color_stop_rgba(halo, 0.3, 1.0, 0.7, 0.35, 0.4);
    cairo_pattern_add_color_stop_rgba(halo, 1.0, 1.0, 0.55, 0.25, 0.0);
    cairo_arc(cr, x, y, 60 * flicker, 0, 2 * kPi);
    cairo_set_source(cr, halo);
    cairo_fill(cr);
    cairo_pattern_destroy(halo);
    cairo_rectangle(cr, x - 8, y - 11, 16, 22);
    cairo_set_source_rgb(cr, 1.0, 0.82, 0.5);
    cairo_fill(cr);
    // The reflection on the lake.
    double mirrored = 2 * horizon - y;
    cairo_pattern_t* glint = cairo_pattern_create_radial(x, mirrored, 2, x, mirrored, 30);
    cairo_pattern_add_color_stop_rgba(glint, 0.0, 1.0, 0.8, 0.5, 0.45);
    cairo_pattern_add_color_stop_rgba(glint, 1.0, 1.0, 0.8, 0.5, 0.0);
    cairo_arc(cr, x, mirrored, 30, 0, 2 * kPi);
    cairo_set_source(cr, glint);
    cairo_fill(cr);
    cairo_pattern_destroy(glint);
}

void DrawStatus(cairo_t* cr, double height, const char* status) {
    cairo_select_font_face(cr, "Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 13);
    cairo_set_source_rgba(cr, 0.9, 0.9, 1.0, 0.8);
    cairo_move_to(cr, 14, height - 14);
    cairo_show_text(cr, status);
}

} // namespace

void DrawFrame(cairo_t* cr, int width, int height, double seconds, const char* status) {
    const double w = width;
    const double h = height;
    const double horizon = h * 0.66;
    cairo_save(cr);
    DrawSky(cr, w, horizon);
    DrawStars(cr, w, horizon, seconds);
    DrawAurora(cr, w, seconds);
    DrawHills(cr, w, horizon);
    DrawLake(cr, w, h, horizon, seconds);
    DrawLantern(cr, w, horizon, seconds);
    DrawStatus(cr, h, status);
    cairo_restore(cr);
}

} // namespace DemoGame
