#include "SceneArt.h"

#include "ArtSizes.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <random>

namespace DemoArt {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kHorizon = 352;

// The same scene on every build: the stars and the ridges come from a fixed seed, and only
// the generator's raw output (which the standard fixes for mt19937) is used.
class SceneRandom {
public:
    double Next() { return static_cast<double>(m_engine()) / 4294967296.0; }
    double Between(double low, double high) { return low + (high - low) * Next(); }

private:
    std::mt19937 m_engine{20261206u};
};

void AddStop(cairo_pattern_t* pattern, double offset, std::uint32_t rgb, double alpha = 1.0) {
    cairo_pattern_add_color_stop_rgba(pattern, offset, (rgb >> 16 & 0xFF) / 255.0,
                                      (rgb >> 8 & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, alpha);
}

void FillWith(cairo_t* cr, cairo_pattern_t* pattern) {
    cairo_set_source(cr, pattern);
    cairo_fill(cr);
    cairo_pattern_destroy(pattern);
}

void DrawSky(cairo_t* cr) {
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, kHorizon);
    AddStop(sky, 0.0, 0x070B24);
    AddStop(sky, 0.45, 0x24205A);
    AddStop(sky, 0.75, 0x7A3E6E);
    AddStop(sky, 0.92, 0xD9735A);
    AddStop(sky, 1.0, 0xF5B066);
    cairo_rectangle(cr, 0, 0, kPageWidth, kHorizon);
    FillWith(cr, sky);

    // The last light of the sun, just under the horizon on the left.
    cairo_pattern_t* glow = cairo_pattern_create_radial(210, kHorizon + 10, 10, 210, kHorizon, 300);
    AddStop(glow, 0.0, 0xFFE2A0, 0.85);
    AddStop(glow, 0.35, 0xFFB070, 0.35);
    AddStop(glow, 1.0, 0xFF8060, 0.0);
    cairo_rectangle(cr, 0, 0, kPageWidth, kHorizon);
    FillWith(cr, glow);
}

void DrawStars(cairo_t* cr, SceneRandom& random) {
    for (int i = 0; i < 190; ++i) {
        double x = random.Between(0, kPageWidth);
        double y = random.Between(0, 250);
        double radius = random.Between(0.4, 1.4);
        // Stars fade towards the bright horizon.
        double alpha = (1.0 - y / 260.0) * random.Between(0.45, 1.0);
        cairo_arc(cr, x, y, radius, 0, 2 * kPi);
        cairo_set_source_rgba(cr, 1.0, 0.97, 0.9, alpha);
        cairo_fill(cr);
    }
}

// One curtain of the aurora: a wavy band, brightest along its lower edge.
void DrawAuroraBand(cairo_t* cr, double baseY, double height, double phase, double alpha) {
    cairo_move_to(cr, -10, baseY);
    for (int x = -10; x <= kPageWidth + 10; x += 10) {
        cairo_line_to(cr, x, baseY + 22 * std::sin(x / 95.0 + phase) + 9 * std::sin(x / 37.0));
    }
    for (int x = kPageWidth + 10; x >= -10; x -= 10) {
        cairo_line_to(cr, x,
                      baseY - height + 30 * std::sin(x / 120.0 + phase * 1.7) +
                          12 * std::sin(x / 53.0 + phase));
    }
    cairo_close_path(cr);
    cairo_pattern_t* band = cairo_pattern_create_linear(0, baseY - height - 30, 0, baseY + 30);
    AddStop(band, 0.0, 0x40FFC0, 0.0);
    AddStop(band, 0.7, 0x50FFB0, alpha * 0.6);
    AddStop(band, 0.88, 0x9CFFD0, alpha);
    AddStop(band, 1.0, 0x40FFC0, 0.0);
    FillWith(cr, band);
}

// A mountain ridge from the left to the right edge down to the given bottom.
void DrawRidge(cairo_t* cr, SceneRandom& random, double baseY, double peak, double step,
               std::uint32_t rgb, double bottom) {
    cairo_move_to(cr, 0, bottom);
    double y = baseY;
    for (double x = 0; x <= kPageWidth + step; x += step) {
        y = baseY - random.Between(0, peak) * (0.6 + 0.4 * std::sin(x / 140.0));
        cairo_line_to(cr, x, y);
    }
    cairo_line_to(cr, kPageWidth, bottom);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, (rgb >> 16 & 0xFF) / 255.0, (rgb >> 8 & 0xFF) / 255.0,
                         (rgb & 0xFF) / 255.0);
    cairo_fill(cr);
}

void DrawLake(cairo_t* cr, SceneRandom& random) {
    const double bottom = kGroundTop;
    cairo_pattern_t* water = cairo_pattern_create_linear(0, kHorizon, 0, bottom);
    AddStop(water, 0.0, 0xB9606A);
    AddStop(water, 0.4, 0x4A2E5E);
    AddStop(water, 1.0, 0x14122C);
    cairo_rectangle(cr, 0, kHorizon, kPageWidth, bottom - kHorizon);
    FillWith(cr, water);
    // The sun's glow broken into ripples on the water.
    for (int i = 0; i < 70; ++i) {
        double y = random.Between(kHorizon + 4, bottom - 6);
        double depth = (y - kHorizon) / (bottom - kHorizon);
        double width = random.Between(20, 90) * (1.0 - depth * 0.6);
        double x = 210 + random.Between(-120, 120) * (0.4 + depth);
        cairo_rectangle(cr, x - width / 2, y, width, 1.5);
        cairo_set_source_rgba(cr, 1.0, 0.83, 0.6, 0.55 * (1.0 - depth));
        cairo_fill(cr);
    }
}

void DrawPine(cairo_t* cr, double x, double groundY, double height) {
    const double trunk = height * 0.12;
    for (int tier = 0; tier < 4; ++tier) {
        double top = groundY - height + tier * height * 0.2;
        double half = height * (0.14 + tier * 0.07);
        cairo_move_to(cr, x, top);
        cairo_line_to(cr, x + half, top + height * 0.34);
        cairo_line_to(cr, x - half, top + height * 0.34);
        cairo_close_path(cr);
    }
    cairo_rectangle(cr, x - trunk / 4, groundY - trunk, trunk / 2, trunk);
    cairo_set_source_rgb(cr, kGroundRed, kGroundGreen, kGroundBlue);
    cairo_fill(cr);
}

void DrawShore(cairo_t* cr) {
    // The flat ground under the buttons and the build line, with a gentle rise on the left
    // where the pines stand.
    cairo_move_to(cr, 0, kGroundTop - 40);
    cairo_curve_to(cr, 120, kGroundTop - 46, 260, kGroundTop - 6, 400, kGroundTop);
    cairo_line_to(cr, kPageWidth, kGroundTop);
    cairo_line_to(cr, kPageWidth, kPageHeight);
    cairo_line_to(cr, 0, kPageHeight);
    cairo_close_path(cr);
    cairo_set_source_rgb(cr, kGroundRed, kGroundGreen, kGroundBlue);
    cairo_fill(cr);
    const std::array<std::array<double, 3>, 6> pines = {{{34, 416, 96},
                                                         {70, 414, 130},
                                                         {108, 416, 84},
                                                         {150, 421, 112},
                                                         {190, 428, 70},
                                                         {236, 436, 58}}};
    for (const auto& [x, ground, height] : pines) {
        DrawPine(cr, x, ground, height);
    }
}

void DrawLantern(cairo_t* cr, double x, double y) {
    cairo_pattern_t* halo = cairo_pattern_create_radial(x, y, 4, x, y, 70);
    AddStop(halo, 0.0, 0xFFE6A8, 0.9);
    AddStop(halo, 0.25, 0xFFB95C, 0.45);
    AddStop(halo, 1.0, 0xFF8A3C, 0.0);
    cairo_arc(cr, x, y, 70, 0, 2 * kPi);
    FillWith(cr, halo);
    // The paper body: a rounded trapezoid, lit from inside.
    cairo_move_to(cr, x - 9, y - 13);
    cairo_line_to(cr, x + 9, y - 13);
    cairo_curve_to(cr, x + 15, y - 4, x + 15, y + 6, x + 8, y + 14);
    cairo_line_to(cr, x - 8, y + 14);
    cairo_curve_to(cr, x - 15, y + 6, x - 15, y - 4, x - 9, y - 13);
    cairo_close_path(cr);
    cairo_pattern_t* body = cairo_pattern_create_linear(x - 14, 0, x + 14, 0);
    AddStop(body, 0.0, 0xE07A2C);
    AddStop(body, 0.5, 0xFFE3A0);
    AddStop(body, 1.0, 0xE07A2C);
    FillWith(cr, body);
    // Its reflection: a broken column of light on the water below.
    for (int ripple = 0; ripple < 14; ++ripple) {
        double y = kHorizon + 8 + ripple * 6.5;
        double halfWidth = 4 + ripple * 0.9 + (ripple % 3) * 2;
        double fade = 1.0 - ripple / 14.0;
        cairo_rectangle(cr, x - halfWidth, y, 2 * halfWidth, 2);
        cairo_set_source_rgba(cr, 1.0, 0.8, 0.47, 0.45 * fade);
        cairo_fill(cr);
    }
}

void RoundedRectangle(cairo_t* cr, double x, double y, double width, double height, double radius) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + width - radius, y + radius, radius, -kPi / 2, 0);
    cairo_arc(cr, x + width - radius, y + height - radius, radius, 0, kPi / 2);
    cairo_arc(cr, x + radius, y + height - radius, radius, kPi / 2, kPi);
    cairo_arc(cr, x + radius, y + radius, radius, kPi, 3 * kPi / 2);
    cairo_close_path(cr);
}

// The panel behind the launcher's title (x 460, y 30) and its black separator line, with a
// few words about the game below them.
void DrawInfoPanel(cairo_t* cr) {
    RoundedRectangle(cr, 448, 18, 254, 420, 12);
    cairo_set_source_rgba(cr, 0.97, 0.95, 0.9, 0.9);
    cairo_fill_preserve(cr);
    cairo_set_source_rgba(cr, 1.0, 0.85, 0.55, 0.9);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);

    cairo_select_font_face(cr, "Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 13);
    cairo_set_source_rgb(cr, 0.16, 0.18, 0.26);
    const std::array<const char*, 7> story = {
        "A paper lantern drifts over",    "the lake as the last light",
        "fades behind the hills.",        "",
        "Steer it between the stars,",    "follow the aurora and bring",
        "it home before the night ends.",
    };
    double y = 98;
    for (const char* line : story) {
        cairo_move_to(cr, 462, y);
        cairo_show_text(cr, line);
        y += 18;
    }

    y += 16;
    cairo_select_font_face(cr, "Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_move_to(cr, 462, y);
    cairo_show_text(cr, "In this demo");
    cairo_select_font_face(cr, "Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    const std::array<const char*, 4> features = {
        "One evening flight",
        "Aurora and starlight",
        "Quit at any time with Esc",
        "More games under Other Games",
    };
    for (const char* feature : features) {
        y += 20;
        cairo_arc(cr, 468, y - 4, 2.5, 0, 2 * kPi);
        cairo_fill(cr);
        cairo_move_to(cr, 478, y);
        cairo_show_text(cr, feature);
    }
}

} // namespace

void DrawBackground(cairo_t* cr) {
    SceneRandom random;
    cairo_save(cr);
    DrawSky(cr);
    DrawStars(cr, random);
    DrawAuroraBand(cr, 150, 90, 0.3, 0.32);
    DrawAuroraBand(cr, 118, 70, 2.1, 0.22);
    DrawAuroraBand(cr, 185, 60, 4.0, 0.18);
    DrawRidge(cr, random, kHorizon - 40, 70, 24, 0x3A2D55, kHorizon);
    DrawRidge(cr, random, kHorizon - 12, 40, 16, 0x231C3C, kHorizon);
    DrawLake(cr, random);
    DrawLantern(cr, 318, 214);
    DrawShore(cr);
    DrawInfoPanel(cr);
    cairo_restore(cr);
}

} // namespace DemoArt
