#include "ButtonArt.h"

#include "ArtSizes.h"

#include <cstdint>

namespace DemoArt {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct ButtonLook {
    std::uint32_t top;
    std::uint32_t bottom;
    std::uint32_t rim;
    double glow;  // alpha of the outer glow, 0 for none
    double shine; // alpha of the highlight along the top edge
};

ButtonLook LookOf(ButtonState state) {
    switch (state) {
    case ButtonState::Hover:
        return {0xFFF0B8, 0xF2B84C, 0xFFE08A, 0.55, 0.8};
    case ButtonState::Pressed:
        // Lit from below, as if pushed in.
        return {0xD68E2A, 0xF6CF72, 0x8A5A14, 0.0, 0.0};
    case ButtonState::Normal:
        break;
    }
    return {0xF8DC8C, 0xDB9B30, 0x9A6418, 0.0, 0.6};
}

void SetColour(cairo_t* cr, std::uint32_t rgb, double alpha = 1.0) {
    cairo_set_source_rgba(cr, (rgb >> 16 & 0xFF) / 255.0, (rgb >> 8 & 0xFF) / 255.0,
                          (rgb & 0xFF) / 255.0, alpha);
}

void AddStop(cairo_pattern_t* pattern, double offset, std::uint32_t rgb, double alpha = 1.0) {
    cairo_pattern_add_color_stop_rgba(pattern, offset, (rgb >> 16 & 0xFF) / 255.0,
                                      (rgb >> 8 & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, alpha);
}

void Pill(cairo_t* cr, double inset) {
    const double radius = kButtonHeight / 2.0 - inset;
    const double left = inset + radius;
    const double right = kButtonWidth - inset - radius;
    const double middle = kButtonHeight / 2.0;
    cairo_new_sub_path(cr);
    cairo_arc(cr, right, middle, radius, -kPi / 2, kPi / 2);
    cairo_arc(cr, left, middle, radius, kPi / 2, 3 * kPi / 2);
    cairo_close_path(cr);
}

} // namespace

void DrawButton(cairo_t* cr, ButtonState state) {
    const ButtonLook look = LookOf(state);
    cairo_save(cr);
    cairo_set_source_rgb(cr, kGroundRed, kGroundGreen, kGroundBlue);
    cairo_paint(cr);

    if (look.glow > 0) {
        for (int ring = 3; ring >= 1; --ring) {
            Pill(cr, 2.0 - ring * 0.6);
            SetColour(cr, 0xFFC860, look.glow / (ring + 1));
            cairo_fill(cr);
        }
    }

    Pill(cr, 2.0);
    cairo_pattern_t* face = cairo_pattern_create_linear(0, 2, 0, kButtonHeight - 2);
    AddStop(face, 0.0, look.top);
    AddStop(face, 1.0, look.bottom);
    cairo_set_source(cr, face);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(face);
    SetColour(cr, look.rim);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);

    if (look.shine > 0) {
        // A highlight over the upper half, fading downwards.
        cairo_save(cr);
        Pill(cr, 3.5);
        cairo_clip(cr);
        cairo_pattern_t* shine = cairo_pattern_create_linear(0, 3, 0, kButtonHeight / 2.0);
        AddStop(shine, 0.0, 0xFFFFFF, look.shine);
        AddStop(shine, 1.0, 0xFFFFFF, 0.0);
        cairo_rectangle(cr, 0, 0, kButtonWidth, kButtonHeight / 2.0);
        cairo_set_source(cr, shine);
        cairo_fill(cr);
        cairo_pattern_destroy(shine);
        cairo_restore(cr);
    } else if (state == ButtonState::Pressed) {
        // An inner shadow along the top edge.
        cairo_save(cr);
        Pill(cr, 2.0);
        cairo_clip(cr);
        cairo_pattern_t* shadow = cairo_pattern_create_linear(0, 2, 0, 10);
        AddStop(shadow, 0.0, 0x000000, 0.35);
        AddStop(shadow, 1.0, 0x000000, 0.0);
        cairo_rectangle(cr, 0, 0, kButtonWidth, 10);
        cairo_set_source(cr, shadow);
        cairo_fill(cr);
        cairo_pattern_destroy(shadow);
        cairo_restore(cr);
    }
    cairo_restore(cr);
}

} // namespace DemoArt
