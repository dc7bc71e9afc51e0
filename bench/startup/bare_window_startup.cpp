// The peer of window_startup: the least SDL and Cairo need to put the same 720 x 540 frame on
// the screen (SDL's window surface, Cairo drawing into it, one present), with the same
// framebuffer setting the launcher uses. Same usage and output as window_startup.
#include "StartupCommon.h"

#include <SDL2/SDL.h>
#include <cairo.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void presentFrame(SDL_Window* window) {
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    SDL_LockSurface(surface);
    cairo_surface_t* target = cairo_image_surface_create_for_data(
        static_cast<unsigned char*>(surface->pixels), CAIRO_FORMAT_RGB24, surface->w, surface->h,
        surface->pitch);
    cairo_t* cr = cairo_create(target);
    BenchStartup::drawTestFrame(
        [&](double r, double g, double b, double x, double y, double w, double h) {
            cairo_set_source_rgb(cr, r, g, b);
            cairo_rectangle(cr, x, y, w, h);
            cairo_fill(cr);
        });
    cairo_destroy(cr);
    cairo_surface_destroy(target);
    SDL_UnlockSurface(surface);
    SDL_UpdateWindowSurface(window);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || (std::strcmp(argv[1], "first-frame") && std::strcmp(argv[1], "idle"))) {
        std::fprintf(stderr, "usage: %s first-frame | idle SECONDS\n", argv[0]);
        return 2;
    }
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL_Init: %s\n", SDL_GetError());
        return 1;
    }
    SDL_Window* window =
        SDL_CreateWindow("bare", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                         BenchStartup::kWidth, BenchStartup::kHeight, SDL_WINDOW_SHOWN);
    if (!window) {
        std::fprintf(stderr, "SDL_CreateWindow: %s\n", SDL_GetError());
        return 1;
    }
    presentFrame(window);
    if (!std::strcmp(argv[1], "first-frame")) {
        BenchStartup::reportFirstFrame();
    } else {
        // The same do-nothing 0.083 s tick, kept by SDL's own wait.
        double seconds = argc > 2 ? std::atof(argv[2]) : 10.0;
        BenchStartup::CpuMeter meter;
        double end = BenchStartup::nowNs() + seconds * 1e9;
        double nextTick = BenchStartup::nowNs() + 83e6;
        SDL_Event event;
        while (BenchStartup::nowNs() < end) {
            int waitMs = static_cast<int>((nextTick - BenchStartup::nowNs()) / 1e6);
            int got = SDL_WaitEventTimeout(&event, waitMs > 0 ? waitMs : 0);
            // SDL turns SIGTERM into a quit event: a script that ends the program early
            // should not have to wait for its time to run out.
            if (got && event.type == SDL_QUIT)
                break;
            if (!got && BenchStartup::nowNs() >= nextTick)
                nextTick += 83e6;
        }
        meter.report();
    }
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
