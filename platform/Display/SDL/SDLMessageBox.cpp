// The desktop's message box through SDL.
#include "Display/SDL/SDLBackend.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace MacPlatform::Display::SDL {

namespace {

bool haveScreen() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

Uint32 boxFlags(MessageBoxKind kind) {
    switch (kind) {
    case MessageBoxKind::Error:
        return SDL_MESSAGEBOX_ERROR;
    case MessageBoxKind::Warning:
        return SDL_MESSAGEBOX_WARNING;
    default:
        return SDL_MESSAGEBOX_INFORMATION;
    }
}

} // namespace

bool showMessageBox(const MessageBox& box, int* chosenID) {
    if (!haveScreen() || !acquire(SDL_INIT_VIDEO)) {
        return false;
    }
    bool shown = false;
    const char* driver = SDL_GetCurrentVideoDriver();
    // Drivers without a screen of their own can show nothing to click.
    if (driver && std::strcmp(driver, "dummy") != 0 && std::strcmp(driver, "offscreen") != 0) {
        std::vector<SDL_MessageBoxButtonData> buttons;
        for (int i = 0; i < box.buttonCount; ++i) {
            Uint32 flags = 0;
            if (box.buttons[i].isDefault) {
                flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
            }
            if (box.buttons[i].isCancel) {
                flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
            }
            buttons.push_back({flags, box.buttons[i].id, box.buttons[i].text});
        }
        SDL_MessageBoxData data{};
        data.flags = boxFlags(box.kind);
        data.title = box.title;
        data.message = box.text;
        data.numbuttons = static_cast<int>(buttons.size());
        data.buttons = buttons.data();
        int hit = -1;
        if (SDL_ShowMessageBox(&data, &hit) == 0) {
            *chosenID = hit;
            shown = true;
        } else {
            std::fprintf(stderr, "MacPlatform: cannot show an alert: %s\n", SDL_GetError());
        }
    }
    release(SDL_INIT_VIDEO);
    return shown;
}

} // namespace MacPlatform::Display::SDL
