// Draws the demo catalogue's cover pictures and writes them as JPEG files, so the repository
// keeps no pictures. Usage: make-demo-covers <catalogue.txt> <output folder>
// Every game of the catalogue that names a cover gets a small poster at that path under the
// output folder: a sky, a sun, rolling hills in colours taken from the title, and the title.
#include "Catalogue.h"
#include "CoverImage.h"
#include "TextPainter.h"

#include <cairo.h>
#include <turbojpeg.h>

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

using namespace Storefront;

namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 320;

void paintPoster(cairo_t* cr, const std::string& title) {
    unsigned hash = titleHash(title);
    double hue = (hash % 360) * M_PI / 180.0;
    auto channel = [&](double shift, double light) {
        return light * (0.55 + 0.45 * std::cos(hue + shift));
    };
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, kHeight);
    cairo_pattern_add_color_stop_rgb(sky, 0, channel(0, 0.5), channel(-2.1, 0.55),
                                     channel(2.1, 0.9));
    cairo_pattern_add_color_stop_rgb(sky, 1, channel(1, 1), channel(-1.1, 0.85), channel(3.1, 0.7));
    cairo_set_source(cr, sky);
    cairo_paint(cr);
    cairo_pattern_destroy(sky);

    cairo_arc(cr, 120 + hash % 240, 90 + (hash >> 8) % 40, 38, 0, 2 * M_PI);
    cairo_set_source_rgba(cr, 1, 0.95, 0.8, 0.9);
    cairo_fill(cr);

    for (int layer = 0; layer < 3; ++layer) {
        double base = 190 + layer * 40;
        cairo_move_to(cr, 0, kHeight);
        for (int x = 0; x <= kWidth; x += 8) {
            double wave = std::sin(x / (60.0 + layer * 25) + hue * (layer + 1)) * (24 - layer * 5);
            cairo_line_to(cr, x, base + wave);
        }
        cairo_line_to(cr, kWidth, kHeight);
        cairo_close_path(cr);
        double shade = 0.75 - layer * 0.22;
        cairo_set_source_rgb(cr, channel(2.5 + layer, shade * 0.6), channel(0.5 + layer, shade),
                             channel(-1.5, shade * 0.5));
        cairo_fill(cr);
    }

    TextStyle style{"Helvetica Bold", 34, {1, 1, 1, 0.95}};
    style.alignment = TextAlignment::Center;
    style.maxLines = 2;
    drawTextCentredVertically(cr, title, style, 20, 200, kWidth - 40, 110);
}

bool makeFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        mkdir(path.substr(0, slash).c_str(), 0755);
    }
    struct stat info {};
    std::string folder = path.substr(0, path.rfind('/'));
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool writeJPEG(cairo_surface_t* surface, const std::string& path) {
    tjhandle compressor = tjInitCompress();
    if (!compressor) {
        return false;
    }
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    cairo_surface_flush(surface);
    bool ok = tjCompress2(compressor, cairo_image_surface_get_data(surface), kWidth,
                          cairo_image_surface_get_stride(surface), kHeight, TJPF_BGRX, &jpeg, &size,
                          TJSAMP_420, 88, 0) == 0;
    if (ok) {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(jpeg), static_cast<std::streamsize>(size));
        ok = static_cast<bool>(file);
    }
    tjFree(jpeg);
    tjDestroy(compressor);
    return ok;
}

} // namespace

// Fontconfig keeps its configuration until the process ends; the sanitizer build would report
// that as a leak and fail the build step.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <catalogue.txt> <output folder>\n", argv[0]);
        return 2;
    }
    std::ifstream input(argv[1], std::ios::binary);
    std::stringstream text;
    text << input.rdbuf();
    CatalogueResult result = parseCatalogue(text.str(), argv[1]);
    if (!result.catalogue) {
        std::fprintf(stderr, "make-demo-covers: %s\n", result.error.c_str());
        return 1;
    }
    for (const CatalogueEntry& entry : result.catalogue->entries) {
        if (entry.coverPath.empty()) {
            continue;
        }
        std::string path = std::string(argv[2]) + "/" + entry.coverPath;
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
        cairo_t* cr = cairo_create(surface);
        paintPoster(cr, entry.title);
        cairo_destroy(cr);
        bool written = makeFolders(path) && writeJPEG(surface, path);
        cairo_surface_destroy(surface);
        if (!written) {
            std::fprintf(stderr, "make-demo-covers: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
