// demo-game: the game inside the demo bundle (.Game/Demo.app/Contents/MacOS/demo-game). A
// window with an animated night scene; Esc or closing the window quits, and so does SIGTERM,
// which SDL turns into a quit event, so the launcher's polite request to quit is honoured.
// In tour mode (see TourMode.h) it also starts its helper application and quits by itself.
#include "GameScene.h"
#include "HelperProcess.h"
#include "TourMode.h"

#include <SDL.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <climits>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr Uint32 kFrameMilliseconds = 33;

// The folder of this executable: .../Contents/MacOS.
std::string ExecutableFolder() {
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return "";
    }
    std::string folder(path, static_cast<std::size_t>(length));
    return folder.substr(0, folder.rfind('/'));
}

std::string ResourcesFolder(const std::string& executableFolder) {
    std::size_t slash = executableFolder.rfind('/');
    return slash == std::string::npos ? "" : executableFolder.substr(0, slash) + "/Resources";
}

struct SurfaceDeleter {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};

// The picture Cairo draws each frame into, and an SDL view of the same pixels for blitting:
// Cairo's RGB24 is SDL's RGB888 (one 32-bit word per pixel, the top byte unused).
class FrameBuffer {
public:
    bool Resize(int width, int height) {
        m_sdl.reset();
        m_cairo.reset(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
        if (cairo_surface_status(m_cairo.get()) != CAIRO_STATUS_SUCCESS) {
            return false;
        }
        m_sdl.reset(SDL_CreateRGBSurfaceWithFormatFrom(
            cairo_image_surface_get_data(m_cairo.get()), width, height, 32,
            cairo_image_surface_get_stride(m_cairo.get()), SDL_PIXELFORMAT_RGB888));
        return m_sdl != nullptr;
    }
    cairo_surface_t* Cairo() const { return m_cairo.get(); }
    SDL_Surface* Sdl() const { return m_sdl.get(); }

private:
    // The SDL surface borrows the Cairo surface's pixels, so it goes first.
    std::unique_ptr<cairo_surface_t, SurfaceDeleter> m_cairo;
    std::unique_ptr<SDL_Surface, SurfaceDeleter> m_sdl;
};

class Game {
public:
    Game(SDL_Window* window, std::optional<int> tourSeconds)
        : m_window(window), m_tourSeconds(tourSeconds) {}

    // Runs until the player quits or the tour ends; the exit status of the program.
    int Run() {
        const Uint64 start = SDL_GetTicks64();
        Uint64 nextFrame = start;
        for (;;) {
            Uint64 now = SDL_GetTicks64();
            SDL_Event event;
            int waited = SDL_WaitEventTimeout(
                &event, nextFrame > now ? static_cast<int>(nextFrame - now) : 0);
            if (waited && !Handle(event)) {
                return 0;
            }
            now = SDL_GetTicks64();
            double seconds = static_cast<double>(now - start) / 1000.0;
            if (m_tourSeconds && seconds >= *m_tourSeconds) {
                std::printf("demo-game: the tour's %d seconds are over\n", *m_tourSeconds);
                return 0;
            }
            if (now >= nextFrame) {
                if (!Present(seconds)) {
                    return 1;
                }
                nextFrame = now + kFrameMilliseconds;
            }
        }
    }

private:
    // False when the event ends the game.
    bool Handle(const SDL_Event& event) {
        switch (event.type) {
        case SDL_QUIT:
            return false;
        case SDL_KEYDOWN:
            return event.key.keysym.sym != SDLK_ESCAPE;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
                return false;
            }
            return true;
        default:
            return true;
        }
    }

    bool Present(double seconds) {
        SDL_Surface* screen = SDL_GetWindowSurface(m_window);
        if (!screen) {
            std::fprintf(stderr, "demo-game: no window surface: %s\n", SDL_GetError());
            return false;
        }
        if (!m_frame.Sdl() || m_frame.Sdl()->w != screen->w || m_frame.Sdl()->h != screen->h) {
            if (!m_frame.Resize(screen->w, screen->h)) {
                std::fprintf(stderr, "demo-game: cannot make a %d x %d frame\n", screen->w,
                             screen->h);
                return false;
            }
        }
        char status[96];
        if (m_tourSeconds) {
            int left = *m_tourSeconds - static_cast<int>(seconds);
            std::snprintf(status, sizeof status, "Tour: the game ends by itself in %d s",
                          left > 0 ? left : 0);
        } else {
            std::snprintf(status, sizeof status, "Press Esc to quit");
        }
        cairo_t* cr = cairo_create(m_frame.Cairo());
        DemoGame::DrawFrame(cr, screen->w, screen->h, seconds, status);
        cairo_destroy(cr);
        cairo_surface_flush(m_frame.Cairo());
        if (SDL_BlitSurface(m_frame.Sdl(), nullptr, screen, nullptr) != 0 ||
            SDL_UpdateWindowSurface(m_window) != 0) {
            std::fprintf(stderr, "demo-game: cannot show the frame: %s\n", SDL_GetError());
            return false;
        }
        return true;
    }

    SDL_Window* m_window;
    std::optional<int> m_tourSeconds;
    FrameBuffer m_frame;
};

} // namespace

// On an X display SDL connects to the session bus, and libdbus keeps a buffer of its own until
// the process ends; SDL 2.26 has no way to shut it down. The sanitizer build would report that
// as our leak.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n";
}

int main(int, char**) {
    const std::string executableFolder = ExecutableFolder();
    const std::optional<int> tourSeconds = DemoGame::TourSeconds(ResourcesFolder(executableFolder));

    // Drawing goes through the window's own surface; a GL-backed one costs far more memory and
    // start-up time for nothing here.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "demo-game: cannot start SDL video: %s\n", SDL_GetError());
        return 1;
    }
    SDL_Window* window =
        SDL_CreateWindow("Demo Game", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kWidth,
                         kHeight, SDL_WINDOW_SHOWN);
    if (!window) {
        std::fprintf(stderr, "demo-game: cannot open the window: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }

    DemoGame::HelperProcess helper;
    if (tourSeconds) {
        std::string error;
        if (helper.Start(executableFolder + "/demo-helper", &error)) {
            std::printf("demo-game: started the helper, pid %d\n", static_cast<int>(helper.Pid()));
        } else {
            std::fprintf(stderr, "demo-game: cannot start the helper: %s\n", error.c_str());
        }
        std::fflush(stdout);
    }

    int status = Game(window, tourSeconds).Run();
    helper.Stop();
    SDL_DestroyWindow(window);
    SDL_Quit();
    // Cairo's and fontconfig's font caches would otherwise live until exit, which the
    // sanitizer build reports as leaks.
    cairo_debug_reset_static_data();
    FcFini();
    std::fflush(stdout);
    return status;
}
