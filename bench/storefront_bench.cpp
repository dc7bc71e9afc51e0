// Frames per second that the sample storefront draws into the launcher's 720 x 540 buffer,
// loaded from the demo bundle with its real catalogue and covers, as the host drives it: one
// kxdll_DrawNextFrameIntoBuffer per frame, the pointer moving across the covers (hover
// animations running) or resting. The launcher asks for 12 frames a second; the target is at
// least ten times that. The peer is the least any frame costs: Cairo painting the whole
// buffer once.
#include <kxdll.h>

#include <benchmark/benchmark.h>
#include <cairo.h>
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kWidth = 720;
constexpr int kHeight = 540;

struct Storefront {
    void* handle = nullptr;
    kxdll_Initialize_fn initialize = nullptr;
    kxdll_ShutDown_fn shutDown = nullptr;
    kxdll_EnterMenuSession_fn enterMenuSession = nullptr;
    kxdll_DrawNextFrameIntoBuffer_fn drawNextFrame = nullptr;
    kxdll_SetMousePosition_fn setMousePosition = nullptr;

    template <typename F> void bind(F& function, const char* name) {
        function = reinterpret_cast<F>(dlsym(handle, name));
        if (!function) {
            std::fprintf(stderr, "storefront_bench: %s is not exported\n", name);
            std::exit(1);
        }
    }

    Storefront() {
        handle = dlopen(GW_DEMO_STOREFRONT, RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            std::fprintf(stderr, "storefront_bench: %s\n", dlerror());
            std::exit(1);
        }
        bind(initialize, "kxdll_Initialize");
        bind(shutDown, "kxdll_ShutDown");
        bind(enterMenuSession, "kxdll_EnterMenuSession");
        bind(drawNextFrame, "kxdll_DrawNextFrameIntoBuffer");
        bind(setMousePosition, "kxdll_SetMousePosition");
        if (initialize(4217, "Demo Game", 12, 9.99f, 1, KXDLL_HOST_VERSION) != 0 ||
            enterMenuSession(1, kWidth, kHeight) != 0) {
            std::fprintf(stderr, "storefront_bench: the storefront did not start\n");
            std::exit(1);
        }
    }
    ~Storefront() {
        shutDown();
        dlclose(handle);
    }
};

void StorefrontFrame(benchmark::State& state, bool pointerMoving) {
    Storefront storefront;
    std::vector<std::uint32_t> frame(kWidth * kHeight);
    int step = 0;
    for (auto _ : state) {
        if (pointerMoving) {
            // Across the two rows of covers and back, so that hover starts and ends.
            int x = 40 + (step * 23) % 640;
            int y = 200 + (step / 28 % 2) * 200;
            storefront.setMousePosition(x, y);
        }
        storefront.drawNextFrame(frame.data(), kWidth * 4, 4, 1, 0, 0);
        benchmark::DoNotOptimize(frame.data());
        ++step;
    }
    state.SetItemsProcessed(state.iterations());
}

void FrameWithPointerMoving_ours(benchmark::State& state) {
    StorefrontFrame(state, true);
}
void FrameAtRest_ours(benchmark::State& state) {
    StorefrontFrame(state, false);
}

void peer_cairo_paint(benchmark::State& state) {
    std::vector<std::uint32_t> frame(kWidth * kHeight);
    cairo_surface_t* surface =
        cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(frame.data()),
                                            CAIRO_FORMAT_RGB24, kWidth, kHeight, kWidth * 4);
    cairo_t* cr = cairo_create(surface);
    double shade = 0;
    for (auto _ : state) {
        shade = shade > 1 ? 0 : shade + 0.01;
        cairo_set_source_rgb(cr, shade, 0.2, 0.3);
        cairo_paint(cr);
        cairo_surface_flush(surface);
        benchmark::DoNotOptimize(frame.data());
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(FrameWithPointerMoving_ours)->Name("StorefrontFrame/ours_pointer_moving");
BENCHMARK(FrameAtRest_ours)->Name("StorefrontFrame/ours_at_rest");
BENCHMARK(peer_cairo_paint)->Name("StorefrontFrame/peer_cairo_paint");
BENCHMARK_MAIN();
