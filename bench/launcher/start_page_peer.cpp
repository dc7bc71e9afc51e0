// start_page_peer: the launcher's start page drawn by a small program of its own, with SDL2,
// Cairo, Pango and TurboJPEG called directly. It is the fair peer of the launcher's
// start to first frame in bench/launcher-bench: from the same bundle it decodes the same
// pictures (the background, the three button pictures, the branding picture and its mask from
// Channel.dat), reads the game information for the title, colours and positions, draws the
// same page in the same fonts into SDL's window surface and presents it once. Then it waits
// for SDL's quit event (SIGTERM) or for SECONDS to pass.
//
// Usage: start_page_peer BUNDLE [SECONDS]
#include <SDL2/SDL.h>
#include <cairo.h>
#include <pango/pangocairo.h>
#include <turbojpeg.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 720;
constexpr int kHeight = 540;
constexpr int kWindowPosition = 80;
// The page's layout, as the launcher places it.
constexpr int kButtonSlotWidth = 122;
constexpr int kButtonRowY = 465;
constexpr double kLabelSize = 15;
constexpr double kTitleX = 460, kTitleY = 30, kTitleWidth = 230, kTitleHeight = 130;
constexpr double kBuildWidth = 200, kBuildHeight = 30;
constexpr double kSeparatorX = 460, kSeparatorWidth = 230;
constexpr int kSeparatorGap = 38;
constexpr int kLauncherBuild = 18;
// Text sizes are the requested points times 1.3, passed on as 16.16 fixed point.
double textSize(unsigned points) {
    auto scaled = static_cast<float>(points * 1.3);
    return static_cast<int>(scaled * 65536.0f) / 65536.0;
}

using Bytes = std::vector<unsigned char>;

bool readFile(const std::string& path, Bytes& bytes) {
    std::ifstream file(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(file), {});
    return file.good() || file.eof();
}

std::uint32_t little(const Bytes& bytes, size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = value << 8 | bytes[at + i];
    }
    return value;
}

// A member of a resource archive: a zip archive of stored members whose end record (the last
// 22 bytes, before any 0xFF padding ended by a '0') may carry the signature "CV" 05 06.
bool readMember(const Bytes& archive, const std::string& name, Bytes& member) {
    size_t end = archive.size();
    while (end > 0 && archive[end - 1] == 0xFF) {
        --end;
    }
    end = end > 0 && archive[end - 1] == '0' ? end - 1 : archive.size();
    if (end < 22) {
        return false;
    }
    size_t record = end - 22;
    std::uint32_t signature = little(archive, record, 4);
    if (signature != 0x06054b50 && signature != 0x06055643) {
        return false;
    }
    size_t entry = little(archive, record + 16, 4);
    for (unsigned count = little(archive, record + 10, 2); count > 0; --count) {
        if (entry + 46 > record || little(archive, entry, 4) != 0x02014b50) {
            return false;
        }
        size_t nameLength = little(archive, entry + 28, 2);
        size_t extra = little(archive, entry + 30, 2);
        size_t comment = little(archive, entry + 32, 2);
        size_t size = little(archive, entry + 24, 4);
        size_t data = little(archive, entry + 42, 4) + 30 + nameLength + extra;
        if (entry + 46 + nameLength > record) {
            return false;
        }
        if (little(archive, entry + 10, 2) == 0 &&
            name.compare(0, std::string::npos, reinterpret_cast<const char*>(&archive[entry + 46]),
                         nameLength) == 0) {
            if (data + size > archive.size()) {
                return false;
            }
            member.assign(archive.begin() + data, archive.begin() + data + size);
            return true;
        }
        entry += 46 + nameLength + extra + comment;
    }
    return false;
}

// "Key=value" lines.
std::map<std::string, std::string> readSettings(const std::string& path) {
    std::map<std::string, std::string> settings;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        size_t equals = line.find('=');
        if (equals != std::string::npos) {
            settings[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return settings;
}

// An RGB24 surface (or A8 for a grey picture) holding the decoded JPEG; null when it fails.
cairo_surface_t* decode(tjhandle decoder, const Bytes& jpeg, bool grey) {
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (jpeg.empty() || tjDecompressHeader3(decoder, jpeg.data(), jpeg.size(), &width, &height,
                                            &subsampling, &colorspace) != 0) {
        return nullptr;
    }
    cairo_surface_t* surface =
        cairo_image_surface_create(grey ? CAIRO_FORMAT_A8 : CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS ||
        tjDecompress2(decoder, jpeg.data(), jpeg.size(), cairo_image_surface_get_data(surface),
                      width, cairo_image_surface_get_stride(surface), height,
                      grey ? TJPF_GRAY : TJPF_BGRX,
                      TJFLAG_STOPONWARNING | TJFLAG_ACCURATEDCT) != 0) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    cairo_surface_mark_dirty(surface);
    return surface;
}

// The picture with its grey mask as opacity, premultiplied as Cairo keeps it.
cairo_surface_t* applyMask(cairo_surface_t* picture, cairo_surface_t* mask) {
    int width = cairo_image_surface_get_width(picture);
    int height = cairo_image_surface_get_height(picture);
    if (cairo_image_surface_get_width(mask) != width ||
        cairo_image_surface_get_height(mask) != height) {
        return nullptr;
    }
    cairo_surface_t* result = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    for (int y = 0; y < height; ++y) {
        auto* in = reinterpret_cast<const std::uint32_t*>(
            cairo_image_surface_get_data(picture) + y * cairo_image_surface_get_stride(picture));
        const unsigned char* alpha =
            cairo_image_surface_get_data(mask) + y * cairo_image_surface_get_stride(mask);
        auto* out = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(result) +
                                                     y * cairo_image_surface_get_stride(result));
        for (int x = 0; x < width; ++x) {
            std::uint32_t pixel = in[x] | 0xFF000000u, a = alpha[x], scaled = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                scaled |= ((((pixel >> shift) & 0xFF) * a + 127) / 255) << shift;
            }
            out[x] = scaled;
        }
    }
    cairo_surface_mark_dirty(result);
    return result;
}

void paintPicture(cairo_t* cr, cairo_surface_t* picture, double x, double y) {
    cairo_set_source_surface(cr, picture, x, y);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_rectangle(cr, x, y, cairo_image_surface_get_width(picture),
                    cairo_image_surface_get_height(picture));
    cairo_fill(cr);
}

PangoContext* textContext() {
    PangoContext* context = pango_font_map_create_context(pango_cairo_font_map_get_default());
    pango_cairo_context_set_resolution(context, 72);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    return context;
}

void setFont(PangoLayout* layout, double size) {
    PangoFontDescription* font = pango_font_description_from_string("Helvetica");
    pango_font_description_set_absolute_size(font, size * PANGO_SCALE);
    pango_layout_set_font_description(layout, font);
    pango_font_description_free(font);
}

void setColour(cairo_t* cr, unsigned long colour) {
    // Colours pass through 16-bit components on their way to the text.
    cairo_set_source_rgb(cr, ((colour >> 16) & 0xFF) * 256 / 65535.0,
                         ((colour >> 8) & 0xFF) * 256 / 65535.0, (colour & 0xFF) * 256 / 65535.0);
}

// A label on one line with its baseline at (x, y).
void drawLabel(cairo_t* cr, PangoContext* context, const char* text, double x, double y) {
    PangoLayout* layout = pango_layout_new(context);
    pango_layout_set_single_paragraph_mode(layout, TRUE);
    setFont(layout, kLabelSize);
    pango_layout_set_text(layout, text, -1);
    cairo_save(cr);
    cairo_translate(cr, x, y);
    pango_cairo_update_context(cr, context);
    pango_layout_context_changed(layout);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_move_to(cr, 0, 0);
    pango_cairo_show_layout_line(cr, pango_layout_get_line_readonly(layout, 0));
    cairo_restore(cr);
    g_object_unref(layout);
}

// Text wrapped at the width of its box.
PangoLayout* wrappedText(PangoContext* context, const std::string& text, double size,
                         double width) {
    PangoLayout* layout = pango_layout_new(context);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    pango_layout_set_width(layout, static_cast<int>(width) * PANGO_SCALE);
    setFont(layout, size);
    pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
    return layout;
}

void drawText(cairo_t* cr, PangoLayout* layout, unsigned long colour, double x, double y,
              double width, double height) {
    cairo_save(cr);
    cairo_rectangle(cr, x, y, width, height);
    cairo_clip(cr);
    setColour(cr, colour);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout);
    cairo_restore(cr);
}

int number(const std::map<std::string, std::string>& settings, const char* key, int fallback) {
    auto found = settings.find(key);
    return found == settings.end() ? fallback : std::atoi(found->second.c_str());
}

unsigned long colour(const std::map<std::string, std::string>& settings, const char* key,
                     unsigned long fallback) {
    auto found = settings.find(key);
    return found == settings.end() ? fallback : std::strtoul(found->second.c_str(), nullptr, 16);
}

int fail(const char* what, const char* why) {
    std::fprintf(stderr, "start_page_peer: %s: %s\n", what, why);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s BUNDLE [SECONDS]\n", argv[0]);
        return 2;
    }
    double seconds = argc > 2 ? std::atof(argv[2]) : 60.0;
    std::string resources = std::string(argv[1]) + "/Contents/Resources/";
    auto settings = readSettings(resources + "RAW_002.wdt");
    if (settings.empty()) {
        return fail("RAW_002.wdt", "no game information");
    }

    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        return fail("SDL_Init", SDL_GetError());
    }
    SDL_Window* window =
        SDL_CreateWindow("", kWindowPosition, kWindowPosition, kWidth, kHeight, SDL_WINDOW_SHOWN);
    if (!window) {
        return fail("SDL_CreateWindow", SDL_GetError());
    }

    tjhandle decoder = tjInitDecompress();
    cairo_surface_t* pictures[4] = {};
    const char* names[4] = {"Background.jpg", "button_normal.jpg", "button_hover.jpg",
                            "button_pressed.jpg"};
    for (int i = 0; i < 4; ++i) {
        Bytes bytes;
        if (!readFile(resources + names[i], bytes) ||
            !(pictures[i] = decode(decoder, bytes, false))) {
            return fail(names[i], "cannot be decoded");
        }
    }
    Bytes archive, brandingBytes, maskBytes;
    if (!readFile(resources + "Channel.dat", archive) ||
        !readMember(archive, "Branding.jpg", brandingBytes) ||
        !readMember(archive, "BrandingMask.jpg", maskBytes)) {
        return fail("Channel.dat", "no branding picture or mask");
    }
    cairo_surface_t* picture = decode(decoder, brandingBytes, false);
    cairo_surface_t* mask = decode(decoder, maskBytes, true);
    tjDestroy(decoder);
    cairo_surface_t* branding = picture && mask ? applyMask(picture, mask) : nullptr;
    if (!branding) {
        return fail("branding", "the picture or its mask cannot be decoded");
    }

    SDL_Surface* frame = SDL_GetWindowSurface(window);
    if (!frame || frame->format->format != SDL_PIXELFORMAT_RGB888) {
        return fail("window surface", frame ? "not in the XRGB layout" : SDL_GetError());
    }
    cairo_surface_t* target =
        cairo_image_surface_create_for_data(static_cast<unsigned char*>(frame->pixels),
                                            CAIRO_FORMAT_RGB24, frame->w, frame->h, frame->pitch);
    cairo_t* cr = cairo_create(target);
    PangoContext* context = textContext();

    paintPicture(cr, pictures[0], 0, 0);
    paintPicture(cr, branding, number(settings, "Brand X", 9), number(settings, "Brand Y", 22));
    struct Button {
        int slotX, labelOffset;
        const char* label;
    };
    for (Button button : {Button{577, -4, "Other Games"}, Button{452, 5, "Play Game"}}) {
        int half = (kButtonSlotWidth - cairo_image_surface_get_width(pictures[1])) / 2;
        paintPicture(cr, pictures[1], button.slotX + half, kButtonRowY);
        int baseline = kButtonRowY + cairo_image_surface_get_height(pictures[1]) / 2 + 5;
        drawLabel(cr, context, button.label, button.slotX + button.labelOffset + 20, baseline);
    }
    // The title's height places the separator line under it.
    PangoContext* textViews = textContext();
    PangoLayout* title =
        wrappedText(textViews, settings["Application Name"], textSize(14), kTitleWidth);
    PangoRectangle titleExtent;
    pango_layout_get_pixel_extents(title, nullptr, &titleExtent);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_rectangle(cr, kSeparatorX, titleExtent.height + kSeparatorGap, kSeparatorWidth, 1);
    cairo_fill(cr);
    drawText(cr, title, colour(settings, "Font Color App Name", 0), kTitleX, kTitleY, kTitleWidth,
             kTitleHeight);
    std::string revision = settings["App Version String"].substr(0, 24);
    PangoLayout* build =
        wrappedText(textViews, "Rev. " + revision + " - Build " + std::to_string(kLauncherBuild),
                    textSize(8), kBuildWidth);
    drawText(cr, build, colour(settings, "Font Color Build", 0xC3C3C3),
             number(settings, "Build X", 450), number(settings, "Build Y", 510), kBuildWidth,
             kBuildHeight);
    cairo_destroy(cr);
    cairo_surface_destroy(target);
    SDL_UpdateWindowSurface(window);

    Uint32 end = SDL_GetTicks() + static_cast<Uint32>(seconds * 1000);
    SDL_Event event;
    bool quit = false;
    while (!quit && SDL_GetTicks() < end) {
        if (SDL_WaitEventTimeout(&event, static_cast<int>(end - SDL_GetTicks())) &&
            event.type == SDL_QUIT) {
            quit = true;
        }
    }
    g_object_unref(title);
    g_object_unref(build);
    g_object_unref(textViews);
    g_object_unref(context);
    cairo_surface_destroy(branding);
    cairo_surface_destroy(picture);
    cairo_surface_destroy(mask);
    for (cairo_surface_t* surface : pictures) {
        cairo_surface_destroy(surface);
    }
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
