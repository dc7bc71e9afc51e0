// bare_frames: the least SDL and Cairo need to show a 720 x 540 frame that a plug-in has
// drawn into a buffer, about twelve times a second: fill the buffer, paint it into the
// window's surface, present, and sleep in SDL's wait until the next 0.083 s tick. It is the
// peer of the launcher's storefront in bench/launcher-bench, which counts its frames on the
// display and reads its CPU time from /proc exactly as it does the launcher's.
//
// Usage: bare_frames SECONDS
#include <SDL2/SDL.h>
#include <cairo.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kWidth = 720;
constexpr int kHeight = 540;

// The same pattern as the recording test plug-in: red x, green y, blue the frame number.
void drawIntoBuffer(std::vector<std::uint32_t>& buffer, std::uint32_t frame) {
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            buffer[static_cast<size_t>(y) * kWidth + x] =
                (std::uint32_t(x) & 0xFF) << 16 | (std::uint32_t(y) & 0xFF) << 8 | (frame & 0xFF);
}

void present(SDL_Window* window, std::vector<std::uint32_t>& buffer) {
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    SDL_LockSurface(surface);
    cairo_surface_t* target = cairo_image_surface_create_for_data(
        static_cast<unsigned char*>(surface->pixels), CAIRO_FORMAT_RGB24, surface->w, surface->h,
        surface->pitch);
    cairo_surface_t* frame =
        cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(buffer.data()),
                                            CAIRO_FORMAT_RGB24, kWidth, kHeight, kWidth * 4);
    cairo_t* cr = cairo_create(target);
    cairo_set_source_surface(cr, frame, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_destroy(frame);
    cairo_surface_destroy(target);
    SDL_UnlockSurface(surface);
    SDL_UpdateWindowSurface(window);
}

} // namespace

int main(int argc, char** argv) {
    double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL_Init: %s\n", SDL_GetError());
        return 1;
    }
    SDL_Window* window =
        SDL_CreateWindow("bare frames", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, kWidth,
                         kHeight, SDL_WINDOW_SHOWN);
    if (!window) {
        std::fprintf(stderr, "SDL_CreateWindow: %s\n", SDL_GetError());
        return 1;
    }
    std::vector<std::uint32_t> buffer(static_cast<size_t>(kWidth) * kHeight);
    std::uint32_t frame = 0;
    Uint64 end = SDL_GetTicks64() + static_cast<Uint64>(seconds * 1000);
    Uint64 nextTick = SDL_GetTicks64();
    SDL_Event event;
    while (SDL_GetTicks64() < end) {
        Uint64 now = SDL_GetTicks64();
        if (now >= nextTick) {
            drawIntoBuffer(buffer, ++frame);
            present(window, buffer);
            nextTick += 83;
            continue;
        }
        SDL_WaitEventTimeout(&event, static_cast<int>(nextTick - now));
    }
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
