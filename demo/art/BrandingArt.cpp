#include "BrandingArt.h"

#include "ArtSizes.h"

#include <algorithm>
#include <cmath>

namespace DemoArt {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kEmblemX = 52;
constexpr double kEmblemY = 55;
constexpr double kEmblemRadius = 36;

void AddStop(cairo_pattern_t* pattern, double offset, std::uint32_t rgb, double alpha = 1.0) {
    cairo_pattern_add_color_stop_rgba(pattern, offset, (rgb >> 16 & 0xFF) / 255.0,
                                      (rgb >> 8 & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, alpha);
}

// The two words of the logo as a path.
void WordsPath(cairo_t* cr) {
    cairo_select_font_face(cr, "Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 36);
    cairo_move_to(cr, 100, 56);
    cairo_text_path(cr, "DEMO GAME");
}

void TaglinePath(cairo_t* cr) {
    cairo_select_font_face(cr, "Sans", CAIRO_FONT_SLANT_ITALIC, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 14);
    cairo_move_to(cr, 102, 80);
    cairo_text_path(cr, "an evening over the lake");
}

// The outlines of everything the logo shows: the round emblem, the two words and the tagline.
// The picture fills them with colour, the mask with white.
void LogoPath(cairo_t* cr) {
    cairo_new_path(cr);
    cairo_arc(cr, kEmblemX, kEmblemY, kEmblemRadius, 0, 2 * kPi);
    cairo_close_path(cr);
    WordsPath(cr);
    TaglinePath(cr);
}

// The lantern inside the emblem.
void DrawEmblemLantern(cairo_t* cr) {
    const double x = kEmblemX;
    const double y = kEmblemY;
    cairo_move_to(cr, x - 12, y - 18);
    cairo_line_to(cr, x + 12, y - 18);
    cairo_curve_to(cr, x + 21, y - 6, x + 21, y + 8, x + 11, y + 19);
    cairo_line_to(cr, x - 11, y + 19);
    cairo_curve_to(cr, x - 21, y + 8, x - 21, y - 6, x - 12, y - 18);
    cairo_close_path(cr);
    cairo_pattern_t* body = cairo_pattern_create_linear(x - 20, 0, x + 20, 0);
    AddStop(body, 0.0, 0xC8561C);
    AddStop(body, 0.5, 0xFFF0B0);
    AddStop(body, 1.0, 0xC8561C);
    cairo_set_source(cr, body);
    cairo_fill(cr);
    cairo_pattern_destroy(body);
    cairo_set_source_rgb(cr, 0.35, 0.16, 0.08);
    cairo_set_line_width(cr, 1.5);
    for (double rib : {-9.0, 0.0, 9.0}) {
        cairo_move_to(cr, x - 16, y + rib);
        cairo_line_to(cr, x + 16, y + rib);
    }
    cairo_stroke(cr);
}

// Three passes of a box blur, which comes close to a Gaussian one.
void Blur(std::vector<float>& samples, int width, int height, int radius) {
    std::vector<float> row(static_cast<std::size_t>(std::max(width, height)));
    auto pass = [&](int count, int length, auto at) {
        for (int line = 0; line < count; ++line) {
            for (int i = 0; i < length; ++i) {
                row[static_cast<std::size_t>(i)] = at(line, i);
            }
            float sum = 0;
            for (int i = -radius; i <= radius; ++i) {
                sum += row[static_cast<std::size_t>(std::clamp(i, 0, length - 1))];
            }
            for (int i = 0; i < length; ++i) {
                at(line, i) = sum / static_cast<float>(2 * radius + 1);
                sum += row[static_cast<std::size_t>(std::min(i + radius + 1, length - 1))];
                sum -= row[static_cast<std::size_t>(std::max(i - radius, 0))];
            }
        }
    };
    for (int iteration = 0; iteration < 3; ++iteration) {
        pass(height, width, [&](int y, int x) -> float& {
            return samples[static_cast<std::size_t>(y * width + x)];
        });
        pass(width, height, [&](int x, int y) -> float& {
            return samples[static_cast<std::size_t>(y * width + x)];
        });
    }
}

// The coverage of what fill (and, with a line width, stroke) paints, 0 to 1 per pixel.
std::vector<float> Coverage(double haloWidth) {
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_A8, kBrandingWidth, kBrandingHeight);
    std::vector<float> samples;
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
        cairo_t* cr = cairo_create(surface);
        LogoPath(cr);
        cairo_set_source_rgba(cr, 0, 0, 0, 1);
        if (haloWidth > 0) {
            cairo_set_line_width(cr, haloWidth);
            cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
            cairo_stroke_preserve(cr);
        }
        cairo_fill(cr);
        cairo_destroy(cr);
        cairo_surface_flush(surface);
        const unsigned char* data = cairo_image_surface_get_data(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        samples.reserve(static_cast<std::size_t>(kBrandingWidth * kBrandingHeight));
        for (int y = 0; y < kBrandingHeight; ++y) {
            for (int x = 0; x < kBrandingWidth; ++x) {
                samples.push_back(data[y * stride + x] / 255.0f);
            }
        }
    }
    cairo_surface_destroy(surface);
    return samples;
}

} // namespace

void DrawBranding(cairo_t* cr) {
    cairo_save(cr);
    // What shows through the halo: the night sky's colour with a warm glow behind the emblem.
    cairo_set_source_rgb(cr, 0.04, 0.05, 0.14);
    cairo_paint(cr);
    cairo_pattern_t* glow =
        cairo_pattern_create_radial(kEmblemX, kEmblemY, 5, kEmblemX, kEmblemY, kEmblemRadius + 20);
    AddStop(glow, 0.0, 0xFFB050, 0.8);
    AddStop(glow, 1.0, 0xFFB050, 0.0);
    cairo_set_source(cr, glow);
    cairo_paint(cr);
    cairo_pattern_destroy(glow);

    cairo_arc(cr, kEmblemX, kEmblemY, kEmblemRadius, 0, 2 * kPi);
    cairo_pattern_t* disc = cairo_pattern_create_radial(kEmblemX - 10, kEmblemY - 12, 4, kEmblemX,
                                                        kEmblemY, kEmblemRadius);
    AddStop(disc, 0.0, 0x3B3B8C);
    AddStop(disc, 1.0, 0x15143A);
    cairo_set_source(cr, disc);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(disc);
    cairo_set_source_rgb(cr, 0.96, 0.78, 0.4);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    DrawEmblemLantern(cr);

    cairo_new_path(cr);
    WordsPath(cr);
    cairo_pattern_t* gold = cairo_pattern_create_linear(0, 26, 0, 58);
    AddStop(gold, 0.0, 0xFFF3C4);
    AddStop(gold, 0.55, 0xF7C35A);
    AddStop(gold, 1.0, 0xD98A22);
    cairo_set_source(cr, gold);
    cairo_fill(cr);
    cairo_pattern_destroy(gold);
    TaglinePath(cr);
    cairo_set_source_rgb(cr, 0.86, 0.9, 1.0);
    cairo_fill(cr);
    cairo_restore(cr);
}

std::vector<std::uint8_t> MakeBrandingMask() {
    // The crisp logo stays fully opaque; a wider outline of it, blurred, makes the halo.
    std::vector<float> core = Coverage(0);
    std::vector<float> halo = Coverage(9);
    if (core.empty() || halo.empty()) {
        return {};
    }
    Blur(halo, kBrandingWidth, kBrandingHeight, 3);
    std::vector<std::uint8_t> mask(core.size());
    for (std::size_t i = 0; i < core.size(); ++i) {
        float opacity = std::max(core[i], 0.8f * halo[i]);
        mask[i] = static_cast<std::uint8_t>(std::lround(std::clamp(opacity, 0.0f, 1.0f) * 255));
    }
    return mask;
}

} // namespace DemoArt
